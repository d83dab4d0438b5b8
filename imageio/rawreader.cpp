#include "rawreader.h"

#include "bandworkers.h"
#include "decodeprogress.h"
#include "logging.h"
#include "operationerror.h"
#include "refusal.h"

#include <QFile>
#include <QTransform>

#include <libraw/libraw.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>

namespace imageio::raw {

namespace {

// The longest side of a picture that the embedded preview may stand in for:
// the grids' thumbnails, never the editor's screen copy, whose development
// must look as the photo's does.
constexpr int kPreviewSideMax = 512;

// Where each step of a development begins and ends, as shares of the whole,
// at full and at half size (measured on a 24-megapixel DNG: between reading
// the data and scaling its colours LibRaw works a while without a word).
struct Span {
    double from = -1, to = -1;
};

Span spanOf(LibRaw_progress stage, bool half)
{
    switch (stage) {
    case LIBRAW_PROGRESS_LOAD_RAW:
        return half ? Span{0.0, 0.30} : Span{0.0, 0.10};
    case LIBRAW_PROGRESS_SCALE_COLORS:
        return half ? Span{0.72, 0.78} : Span{0.28, 0.32};
    case LIBRAW_PROGRESS_PRE_INTERPOLATE:
        return half ? Span{0.78, 0.80} : Span{0.32, 0.33};
    case LIBRAW_PROGRESS_INTERPOLATE:
        return half ? Span{0.80, 0.80} : Span{0.33, 0.85};
    case LIBRAW_PROGRESS_CONVERT_RGB:
        return half ? Span{0.80, 0.86} : Span{0.85, 0.89};
    default:
        return {};
    }
}

// The file as LibRaw reads it, watched: the reading of the raw data reports
// how far it has come, and a cancelled job stops it between two reads.
class WatchedFile : public LibRaw_bigfile_datastream
{
public:
    using Watch = std::function<void()>;
    WatchedFile(const char *name, Watch watch)
        : LibRaw_bigfile_datastream(name)
        , watch(std::move(watch))
    {
    }
    int read(void *ptr, size_t size, size_t nmemb) override
    {
        watch();
        return LibRaw_bigfile_datastream::read(ptr, size, nmemb);
    }

private:
    Watch watch;
};

struct Developer {
    // The file outlives LibRaw's use of it.
    std::unique_ptr<WatchedFile> file;
    std::unique_ptr<LibRaw> raw = std::make_unique<LibRaw>();
    // LibRaw reports reads past the end of the data by a callback.
    bool dataMissing = false;
    // Progress and stopping belong to the thread that develops (LibRaw's
    // helpers in its parallel steps see neither).
    const std::thread::id owner = std::this_thread::get_id();
    DecodeProgress *const progress = DecodeProgress::current();
    std::atomic<LibRaw_progress> stage{LIBRAW_PROGRESS_START};

    Developer()
    {
        raw->set_dataerror_handler(
            [](void *self, const char *, const int) { static_cast<Developer *>(self)->dataMissing = true; }, this);
        raw->set_progress_handler(
            [](void *self, LibRaw_progress stage, int done, int of) {
                return static_cast<Developer *>(self)->stepped(stage, done, of);
            },
            this);
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
        file = std::make_unique<WatchedFile>(name.constData(), [this] { reading(); });
        if (!file->valid())
            return LIBRAW_IO_ERROR;
        return raw->open_datastream(file.get());
    }

    int flip() const { return raw->imgdata.sizes.flip; }

    bool stopped() const { return std::this_thread::get_id() == owner && bandworkers::cancelled(); }

    void reached(double share) const
    {
        if (progress && std::this_thread::get_id() == owner)
            progress->reached(share);
    }

    // LibRaw's word between steps: how far, and whether to go on (0).
    int stepped(LibRaw_progress now, int done, int of)
    {
        if (stopped())
            return 1;
        stage = now;
        const Span span = spanOf(now, raw->imgdata.params.half_size);
        if (span.from >= 0)
            reached(span.from + (span.to - span.from) * (of > 0 ? double(done) / of : 0.0));
        return 0;
    }

    // Each read of the file: the share of the raw data read, while it is read.
    void reading()
    {
        if (stopped())
            throw LIBRAW_EXCEPTION_CANCELLED_BY_CALLBACK;
        if (!progress || stage != LIBRAW_PROGRESS_LOAD_RAW || file->size() <= 0)
            return;
        const Span span = spanOf(LIBRAW_PROGRESS_LOAD_RAW, raw->imgdata.params.half_size);
        reached(span.from + (span.to - span.from) * double(file->tell()) / double(file->size()));
    }
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
    if (code == LIBRAW_CANCELLED_BY_CALLBACK) {
        OperationError::set(QStringLiteral("Opening the photo was stopped."));
        return true;
    }
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
    const bool half = d.raw->imgdata.params.half_size;
    d.reached(half ? 0.87 : 0.90);
    int code = LIBRAW_SUCCESS;
    std::unique_ptr<libraw_processed_image_t, void (*)(libraw_processed_image_t *)> developed(
        d.raw->dcraw_make_mem_image(&code), LibRaw::dcraw_clear_mem);
    if (!developed || fail(code))
        return {};
    // LibRaw's own buffers (eight bytes a pixel) go before the picture is made.
    d.raw->recycle();
    d.reached(0.97);
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
    if (picture.size() != wanted)
        picture = picture.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    d.reached(1.0);
    return picture;
}

}  // namespace imageio::raw
