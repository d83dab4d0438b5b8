// Collages at print size: the design canvas of a collage (730 x 996 for a
// template) is smaller than one phone screen, while its photos often hold
// twelve megapixels or more. The same collage drawn two to four times larger,
// each photo sampled afresh from its own file, is sharp on a large screen or
// in print; the on-screen editing keeps working on the design canvas.
#include "EditorTools.h"

#include "ImageDispose.h"
#include "ZQDCommunication.h"
#include "ZQDImageEngine.h"
#include "operationerror.h"

namespace {

constexpr int kLargestPrintScale = 4;
constexpr double kLargestCornerRadius = 200;

// The working-file name of a collage: the facade's own names ("template.png",
// "free.png", "stitching.png") at scale 1, the scale added otherwise.
QString printName(const QString &kind, int scale)
{
    const QString base = kind == QLatin1String("stitched") ? QStringLiteral("stitching") : kind;
    return scale == 1 ? base + QStringLiteral(".png") : QStringLiteral("%1-%2x.png").arg(base).arg(scale);
}

}  // namespace

int EditorTools::collagePrintScale()
{
    return m_communication->engine()->collagePrintScale();
}

QString EditorTools::collageImage(QString kind, QString bgImagePath, int scale, double cornerRadius)
{
    ZQDImageEngine *engine = m_communication->engine();
    const bool isFree = kind == QLatin1String("free");
    if (!isFree && kind != QLatin1String("template") && kind != QLatin1String("stitched")) {
        engine->clearPaintImageList();
        OperationError::set(QStringLiteral("Collage: \"%1\" is not a kind of collage (template, free or stitched).")
                                .arg(kind));
        return {};
    }
    if (scale < 0 || scale > kLargestPrintScale) {
        engine->clearPaintImageList();
        OperationError::set(QStringLiteral("Collage: a collage is drawn 1 to %1 times its size, not %2 times.")
                                .arg(kLargestPrintScale)
                                .arg(scale));
        return {};
    }
    if (!(cornerRadius >= 0 && cornerRadius <= kLargestCornerRadius) || (isFree && cornerRadius > 0)) {
        engine->clearPaintImageList();
        OperationError::set(isFree ? QStringLiteral("Collage: the photos of a free collage have no rounded corners.")
                                   : QStringLiteral("Collage: corners are rounded by 0 to %1 pixels, not %2.")
                                         .arg(kLargestCornerRadius)
                                         .arg(cornerRadius));
        return {};
    }
    if (scale == 0)
        scale = engine->collagePrintScale();
    const QString background = stripFileUrl(std::move(bgImagePath));
    const QPixmap collage =
        isFree ? engine->mixImages(background, scale) : engine->mixtemplateImages(background, scale, cornerRadius);
    if (collage.isNull()) {
        OperationError::set(QStringLiteral("Collage: the collage could not be drawn %1 times its size "
                                           "(a photo or the background cannot be read, or it would be too large).")
                                .arg(scale));
        return {};
    }
    const QString path = m_communication->writeWorkingFile(collage, m_communication->getMeeGoRootDir() + printName(kind, scale));
    if (path.isEmpty())
        OperationError::set(QStringLiteral("Collage: the working file could not be written (is the disk full?)."));
    return path;
}
