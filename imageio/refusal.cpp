#include "refusal.h"

#include <QFileInfo>
#include <QLocale>

namespace imageio {

namespace {

QString megapixels(qint64 pixels)
{
    return QLocale::c().toString(double(pixels) / 1e6, 'f', pixels < 10'000'000 ? 1 : 0);
}

}  // namespace

QString damagedReason(int percentRead)
{
    if (percentRead < 0)
        return QStringLiteral("The photo is damaged and could not be read.");
    return QStringLiteral("The photo is damaged: only the top %1 % could be read.").arg(std::min(percentRead, 99));
}

QString budgetReason(QSize size)
{
    const qint64 pixels = qint64(size.width()) * size.height();
    if (pixels <= kPhotoPixelBudget)
        return {};
    return QStringLiteral("The photo is %1 × %2 pixels (%3 megapixels); the editor handles photos "
                          "of up to %4 megapixels.")
        .arg(size.width())
        .arg(size.height())
        .arg(megapixels(pixels), megapixels(kPhotoPixelBudget));
}

QString notPictureReason(const QString &path, const QString &what)
{
    const QString name = QFileInfo(path).fileName();
    if (what.isEmpty())
        return QStringLiteral("“%1” is not a picture.").arg(name);
    return QStringLiteral("“%1” is %2, which the editor does not open.").arg(name, what);
}

QSize decodeSize(QSize upright, const SizeRule &sizeFor)
{
    return sizeFor ? sizeFor(upright) : upright;
}

}  // namespace imageio
