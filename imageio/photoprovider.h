// "image://photo/<path>": a photo file for the interface's grids and pickers,
// decoded by the one decoder (photoreader.h), so every format the editor
// opens shows there too, upright. The picture comes at least as large as the
// Image's sourceSize on both sides (a grid cell is filled with the photo
// cropped), never larger than the photo; nothing is kept after it is served.
#pragma once

#include <QQuickImageProvider>

class PhotoProvider : public QQuickImageProvider
{
public:
    static constexpr const char *kName = "photo";

    PhotoProvider();

    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;

    // The size a photo of `full` pixels is served at for `box`: the smallest
    // that covers the box with the photo's shape, never larger than `full`.
    static QSize covering(QSize full, QSize box);
};
