// "image://working/<path>": a picture file for the interface at the size the
// Image asks for (its sourceSize). The screen-size copy that the asynchronous
// runner kept of a picture it has just made is served at once; any other file
// is decoded at the asked size (a JPEG decodes small directly) and the copy
// kept for next time. Anything after a "?" in the address is ignored, so a
// changing "?v=n" makes the Image ask again.
//
// "image://working/live:<lane>" is the latest live preview of a lane, which
// lives in memory only (OperationRunner::preview).
#pragma once

#include <QQuickImageProvider>

#include <memory>

class DisplayCopies;

class PictureProvider : public QQuickImageProvider
{
public:
    static constexpr const char *kName = "working";

    explicit PictureProvider(std::shared_ptr<DisplayCopies> copies);

    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;

    static constexpr const char *kLivePrefix = "live:";
    // The address of a lane's live preview (without the "?v=n").
    static QString liveAddress(const QString &lane);

    // The local path an image id names.
    static QString pathOf(const QString &id);
    // The picture at `path` at `box` (fitted, aspect kept), from `copies` or
    // decoded; null when it cannot be read.
    static QImage picture(DisplayCopies *copies, const QString &path, QSize box, QSize *fullSize);

private:
    std::shared_ptr<DisplayCopies> copies;
};
