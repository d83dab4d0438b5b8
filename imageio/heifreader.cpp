#include "heifreader.h"

#include "logging.h"
#include "operationerror.h"
#include "refusal.h"

#include <QColorSpace>
#include <QFile>

#include <libheif/heif.h>

#include <cmath>
#include <memory>
#include <vector>

namespace imageio::heif {

namespace {

struct ContextFree {
    void operator()(heif_context *c) const { heif_context_free(c); }
};
struct HandleFree {
    void operator()(heif_image_handle *h) const { heif_image_handle_release(h); }
};
struct ImageFree {
    void operator()(heif_image *i) const { heif_image_release(i); }
};
struct OptionsFree {
    void operator()(heif_decoding_options *o) const { heif_decoding_options_free(o); }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<heif_image_handle, HandleFree>;
using Image = std::unique_ptr<heif_image, ImageFree>;

// What went wrong, for the user: a missing decoder is named, anything else in
// a file libheif recognised is damage.
QString reasonFor(const heif_error &error, const QString &format)
{
    if (error.code == heif_error_Unsupported_feature && error.subcode == heif_suberror_Unsupported_codec) {
        return QStringLiteral("The photo is in %1 format, of a kind the editor cannot decode (%2).")
            .arg(format, QString::fromUtf8(error.message));
    }
    if (error.code == heif_error_Memory_allocation_error)
        return QStringLiteral("There is not enough memory to open the photo.");
    return damagedReason();
}

bool fail(const heif_error &error, const QString &format, QString *problem = nullptr)
{
    if (error.code == heif_error_Ok)
        return false;
    qCWarning(lcEngine) << "libheif:" << error.message;
    const QString reason = reasonFor(error, format);
    if (problem)
        *problem = reason;
    else
        OperationError::set(reason);
    return true;
}

struct Primary {
    Context context;
    Handle handle;
};

// The file's header and its primary picture's handle; nothing is decoded.
bool openPrimary(const QString &path, const QString &format, Primary *out, QString *problem = nullptr)
{
    out->context.reset(heif_context_alloc());
    if (!out->context) {
        fail({heif_error_Memory_allocation_error, heif_suberror_Unspecified, ""}, format, problem);
        return false;
    }
    const QByteArray name = QFile::encodeName(path);
    if (fail(heif_context_read_from_file(out->context.get(), name.constData(), nullptr), format, problem))
        return false;
    heif_image_handle *handle = nullptr;
    if (fail(heif_context_get_primary_image_handle(out->context.get(), &handle), format, problem))
        return false;
    out->handle.reset(handle);
    return true;
}

QSize handleSize(const heif_image_handle *handle)
{
    // The size after the container's crop, turn and mirror.
    return {heif_image_handle_get_width(handle), heif_image_handle_get_height(handle)};
}

// The file's thumbnail that covers `wanted` with the primary picture's shape,
// if there is one.
Handle coveringThumbnail(heif_image_handle *primary, QSize wanted)
{
    const int count = heif_image_handle_get_number_of_thumbnails(primary);
    if (count <= 0 || count > 16)
        return {};
    std::vector<heif_item_id> ids(static_cast<size_t>(count));
    heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
    const QSize full = handleSize(primary);
    for (heif_item_id id : ids) {
        heif_image_handle *thumb = nullptr;
        if (heif_image_handle_get_thumbnail(primary, id, &thumb).code != heif_error_Ok)
            continue;
        Handle held(thumb);
        const QSize size = handleSize(thumb);
        const bool covers = size.width() >= wanted.width() && size.height() >= wanted.height();
        // A thumbnail stored without the photo's turn would have the other shape.
        const double shape = double(size.width()) * full.height() - double(size.height()) * full.width();
        const bool sameShape = std::abs(shape) <= 0.01 * double(full.width()) * full.height();
        if (covers && sameShape && !size.isEmpty())
            return held;
    }
    return {};
}

// The colour space the decoded RGB values are in, from the file's ICC
// profile or its nclx primaries; sRGB when the file names neither.
QColorSpace colourSpace(const heif_image_handle *handle)
{
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        const size_t bytes = heif_image_handle_get_raw_color_profile_size(handle);
        if (bytes == 0 || bytes > (8u << 20))
            return QColorSpace::SRgb;
        QByteArray icc(qsizetype(bytes), Qt::Uninitialized);
        if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok)
            return QColorSpace::SRgb;
        const QColorSpace space = QColorSpace::fromIccProfile(icc);
        return space.isValid() ? space : QColorSpace(QColorSpace::SRgb);
    }
    heif_color_profile_nclx *nclx = nullptr;
    if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code != heif_error_Ok || !nclx)
        return QColorSpace::SRgb;
    std::unique_ptr<heif_color_profile_nclx, void (*)(heif_color_profile_nclx *)> held(
        nclx, heif_nclx_color_profile_free);
    const int primaries = nclx->color_primaries;
    const int transfer = nclx->transfer_characteristics;
    // BT.709 primaries are sRGB's; PQ and HLG pictures are high dynamic range,
    // which would need tone mapping rather than a change of primaries.
    if (primaries == heif_color_primaries_ITU_R_BT_709_5 || primaries == heif_color_primaries_unspecified
        || transfer == heif_transfer_characteristic_ITU_R_BT_2100_0_PQ
        || transfer == heif_transfer_characteristic_ITU_R_BT_2100_0_HLG)
        return QColorSpace::SRgb;
    // Other transfer curves of photos (BT.709, BT.601) are near enough sRGB's.
    const QColorSpace space(QPointF(nclx->color_primary_white_x, nclx->color_primary_white_y),
                            QPointF(nclx->color_primary_red_x, nclx->color_primary_red_y),
                            QPointF(nclx->color_primary_green_x, nclx->color_primary_green_y),
                            QPointF(nclx->color_primary_blue_x, nclx->color_primary_blue_y),
                            QColorSpace::TransferFunction::SRgb);
    return space.isValid() ? space : QColorSpace(QColorSpace::SRgb);
}

QImage decode(heif_image_handle *handle, const QString &format)
{
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    // Ten- and twelve-bit pictures come out with 8 bits a channel.
    options->convert_hdr_to_8bit = 1;
    heif_image *decoded = nullptr;
    if (fail(heif_decode_image(handle, &decoded, heif_colorspace_RGB,
                               alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get()),
             format))
        return {};
    Image image(decoded);
    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!plane || width <= 0 || height <= 0 || heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8) {
        OperationError::set(damagedReason());
        return {};
    }
    QImage::Format layout = QImage::Format_RGB888;
    if (alpha) {
        layout = heif_image_handle_is_premultiplied_alpha(handle) ? QImage::Format_RGBA8888_Premultiplied
                                                                  : QImage::Format_RGBA8888;
    }
    // A view of libheif's rows, converted into a picture of its own.
    const QImage view(plane, width, height, stride, layout);
    QImage picture = view.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (picture.isNull()) {
        OperationError::set(QStringLiteral("There is not enough memory to open the photo."));
        return {};
    }
    const QColorSpace space = colourSpace(handle);
    if (space != QColorSpace(QColorSpace::SRgb)) {
        picture.setColorSpace(space);
        picture.convertToColorSpace(QColorSpace::SRgb);
    }
    picture.setColorSpace(QColorSpace());
    return picture;
}

}  // namespace

QSize uprightSize(const QString &path, const QString &format, QString *problem)
{
    Primary primary;
    if (!openPrimary(path, format, &primary, problem))
        return {};
    return handleSize(primary.handle.get());
}

QImage read(const QString &path, const QString &format, const SizeRule &sizeFor)
{
    Primary primary;
    if (!openPrimary(path, format, &primary))
        return {};
    const QSize upright = handleSize(primary.handle.get());
    if (upright.isEmpty()) {
        OperationError::set(damagedReason());
        return {};
    }
    const QString overBudget = budgetReason(upright);
    if (!overBudget.isEmpty()) {
        OperationError::set(overBudget);
        return {};
    }
    const QSize wanted = decodeSize(upright, sizeFor);
    if (wanted.isEmpty())
        return {};
    Handle thumbnail;
    if (wanted != upright)
        thumbnail = coveringThumbnail(primary.handle.get(), wanted);
    QImage picture = decode(thumbnail ? thumbnail.get() : primary.handle.get(), format);
    if (picture.isNull() || picture.size() == wanted)
        return picture;
    return picture.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace imageio::heif
