// The live previews' steps in memory: the pixel work of the operations of the
// same names (the engine's colour mix, sharpening and focus-blur steps, the
// "tools" object's tone, strength and histogram), run on pictures already
// decoded, with nothing written. The operations' file forms decode and then
// call the very same functions, so a step gives what the operation writes for
// the same picture.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <vector>

class ZQDCommunication;

namespace livesteps {

// Whether `operation` has a form in memory.
bool known(const QString &operation);

// The arguments of a step that name pictures it reads (the focus-blur steps
// read none: they work on the picture of weakinit).
std::vector<int> pictureArguments(const QString &operation);

struct Outcome {
    QImage picture;  // the step's picture, null when it makes none or fails
    QVariant value;  // what a step that makes no picture gives (a histogram)
    bool ok = false;
};

// Runs `operation` with `args`, its picture arguments replaced by the
// pictures `pictures` holds in the same places; the reason of a failure is
// recorded (OperationError).
Outcome run(ZQDCommunication &facade, const QString &operation, const QVariantList &args,
            const std::vector<QImage> &pictures);

// Decoded pictures by path, each decoded once as the operations decode it
// (upright, within the photo budget) and given again while its file is
// unchanged; the few most recent are kept. For one thread.
class DecodedPictures
{
public:
    // The picture at `path`; null when it cannot be read.
    QImage find(const QString &path);
    // Keeps `picture` as the decoded picture of the file just written at
    // `path` from it (formats that decode back to the same pixels only).
    void put(const QString &path, const QImage &picture);

private:
    void keep(const QString &path, const QImage &picture);
    struct Entry {
        QString path;
        QImage picture;
        QDateTime modified;
        qint64 bytes = 0;
    };
    static constexpr std::size_t kKept = 4;
    std::vector<Entry> entries;  // most recent last
};

}  // namespace livesteps
