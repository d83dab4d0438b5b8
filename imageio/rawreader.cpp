#include "rawreader.h"

#include "logging.h"
#include "operationerror.h"
#include "refusal.h"

#include <QFile>
#include <QTransform>

#include <libraw/libraw.h>

#include <cmath>
#include <memory>

namespace imageio::raw {

namespace {

// The longest side of a picture that the embedded preview may stand in for:
// the grids' thumbnails, never the editor's screen copy, whose development
// must look as the photo's does.
constexpr int kPreviewSideMax = 512;

struct Developer {
    std::unique_ptr<LibRaw> raw = std::make_unique<LibRaw>();
    // LibRaw reports reads past the end of the data by a callback.
    bool dataMissing = false;

    Developer()
    {
        raw->set_dataerror_handler(
            [](void *self, const char *, const int) { static_cast<Developer *>(self)->dataMissing = true; }, this);
        libraw_output_params_t &p = raw->imgdata.params;
        p.use_camera_wb = 1;  // as the camera saw the light
        p.output_color = 1;   // sRGB
        p.output_bps = 8;
        p.highlight = 0;      // clipped to white
        p.user_flip = -1;     // the raw file's own orientation
    }

    int open(const QString &path)
    {
        const QByteArray name = QFile::encodeName(path);
        return raw->open_file(name.constData());
    }

    int flip() const { return raw->imgdata.sizes.flip; }
};

bool turned(int flip)
{
    return flip & 4;
}

QString reasonFor(int code)
{
    switch (code) {
    case LIBRAW_UNSUFFICIENT_MEMORY:
    case LIBRAW_TOO_BIG:
    case LIBRAW_MEMPOOL_OVERFLOW:
        return QStringLiteral("There is not enough memory to open the photo.");
    case LIBRAW_FILE_UNSUPPORTED:
        return QStringLiteral("The photo is a camera raw file of a kind the editor does not read.");
    default:
        return damagedReason();
    }
}

bool fail(int code)
{
    if (code == LIBRAW_SUCCESS)
        return false;
    qCWarning(lcEngine) << "LibRaw:" << LibRaw::strerror(code);
    OperationError::set(reasonFor(code));
    return true;
}

// The embedded preview as the photo is shown, when it covers `wanted` with
// the developed picture's shape.
QImage preview(Developer &d, QSize upright, QSize wanted)
{
    if (std::max(wanted.width(), wanted.height()) > kPreviewSideMax || (d.flip() != 0 && d.flip() != 3
                                                                            && d.flip() != 5 && d.flip() != 6))
        return {};
    if (d.raw->unpack_thumb() != LIBRAW_SUCCESS)
        return {};
    const libraw_thumbnail_t &t = d.raw->imgdata.thumbnail;
    if (t.tformat != LIBRAW_THUMBNAIL_JPEG || !t.thumb || t.tlength == 0)
        return {};
    QImage stored = QImage::fromData(reinterpret_cast<const uchar *>(t.thumb), int(t.tlength), "JPEG");
    if (stored.isNull())
        return {};
    // Previews are stored as the sensor lies, like the raw data.
    const int degrees = d.flip() == 3 ? 180 : d.flip() == 5 ? 270 : d.flip() == 6 ? 90 : 0;
    QImage shown = degrees ? stored.transformed(QTransform().rotate(degrees)) : stored;
    const double shape = double(shown.width()) * upright.height() - double(shown.height()) * upright.width();
    if (std::abs(shape) > 0.02 * double(upright.width()) * upright.height() || shown.width() < wanted.width()
        || shown.height() < wanted.height())
        return {};
    return shown.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

QString formatName(const QString &path)
{
    Developer d;
    if (d.open(path) != LIBRAW_SUCCESS)
        return {};
    const libraw_iparams_t &id = d.raw->imgdata.idata;
    if (id.dng_version)
        return QStringLiteral("DNG");
    const QString make = QString::fromLatin1(id.normalized_make).trimmed();
    return make.isEmpty() ? QStringLiteral("camera raw") : QStringLiteral("camera raw (%1)").arg(make);
}

QSize uprightSize(const QString &path, QString *problem)
{
    Developer d;
    const int opened = d.open(path);
    if (opened != LIBRAW_SUCCESS) {
        *problem = reasonFor(opened);
        return {};
    }
    // The developed size, upright (after the orientation, a rotated
    // sensor's turn or stretched pixels).
    if (d.raw->adjust_sizes_info_only() != LIBRAW_SUCCESS) {
        *problem = damagedReason();
        return {};
    }
    return {d.raw->imgdata.sizes.iwidth, d.raw->imgdata.sizes.iheight};
}

QImage read(const QString &path, const SizeRule &sizeFor)
{
    Developer d;
    if (fail(d.open(path)))
        return {};
    const QSize stored(d.raw->imgdata.sizes.width, d.raw->imgdata.sizes.height);
    const QSize upright = turned(d.flip()) ? stored.transposed() : stored;
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
    if (wanted != upright) {
        QImage small = preview(d, upright, wanted);
        if (!small.isNull())
            return small.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        // Half size: each 2 x 2 block of the sensor one pixel.
        d.raw->imgdata.params.half_size = wanted.width() * 2 <= upright.width() && wanted.height() * 2 <= upright.height();
    }
    if (fail(d.raw->unpack()) || fail(d.raw->dcraw_process()))
        return {};
    if (d.dataMissing) {
        OperationError::set(damagedReason());
        return {};
    }
    int code = LIBRAW_SUCCESS;
    std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t *)> developed(
        d.raw->dcraw_make_mem_image(&code), LibRaw::dcraw_clear_mem);
    if (!developed || fail(code))
        return {};
    const libraw_processed_image_t &p = *developed;
    if (p.type != LIBRAW_IMAGE_BITMAP || p.bits != 8 || (p.colors != 3 && p.colors != 1) || p.width == 0
        || p.height == 0) {
        OperationError::set(damagedReason());
        return {};
    }
    const QImage view(p.data, p.width, p.height, qsizetype(p.width) * p.colors,
                      p.colors == 3 ? QImage::Format_RGB888 : QImage::Format_Grayscale8);
    QImage picture = view.convertToFormat(QImage::Format_RGB32);
    if (picture.isNull()) {
        OperationError::set(QStringLiteral("There is not enough memory to open the photo."));
        return {};
    }
    if (picture.size() == wanted)
        return picture;
    return picture.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace imageio::raw
