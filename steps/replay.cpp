#include "replay.h"

#include "bandworkers.h"
#include "livesteps.h"
#include "operationcall.h"
#include "operationerror.h"
#include "photoreader.h"
#include "picturememory.h"
#include "proportions.h"
#include "stepsfile.h"

#include <QFile>
#include <QImageReader>
#include <QObject>
#include <QPixmap>

namespace steps {

namespace {

// The size the operations see the picture at `path` in (upright).
QSize pictureSize(const QString &path)
{
    const QImage kept = imageio::PictureMemory::shared().find(path);
    return kept.isNull() ? imageio::uprightSize(path) : kept.size();
}

// One call by name; the working file it wrote, or "" with the reason.
QString make(QObject &facade, QObject &tools, const QVariantList &entry, QString *error)
{
    operations::Call call;
    if (!operations::resolve(entry, QString(), &call, error))
        return {};
    OperationError::clear();
    QVariant result;
    const bool called = operations::invoke(facade, tools, call, &result);
    const QString reason = OperationError::take();
    if (!called) {
        *error = QStringLiteral("\u201c%1\u201d cannot be called with these arguments.").arg(call.name);
        return {};
    }
    if (result.typeId() != QMetaType::QString)
        return {};
    const QString path = result.toString();
    if (path.isEmpty()
        || (imageio::PictureMemory::shared().find(path).isNull() && !QImageReader(path).canRead())) {
        *error = reason.isEmpty() ? QStringLiteral("\u201c%1\u201d made no picture.").arg(call.name) : reason;
        return {};
    }
    return path;
}

bool isFocusBlur(const operations::Operation &op)
{
    return qstrcmp(op.name, "weakprogress") == 0 || qstrcmp(op.name, "weakRectprogress") == 0;
}

// One call of a step on `input` (whose size its proportions are of), made
// on the picture `current`.
QString makeCall(QObject &facade, QObject &tools, const Call &call, const QString &current, QSize input,
                 QString *error)
{
    const QVariantList args = withPicture(*call.op, toPixels(*call.op, call.args, input), current);
    QVariantList entry{QString::fromLatin1(call.op->name)};
    entry += args;
    if (!isFocusBlur(*call.op))
        return make(facade, tools, entry, error);
    // The focus blur works on the picture weakinit took, and lets it go after.
    QVariant ignored;
    operations::invokeByName(&facade, "weakinit", {current}, &ignored);
    const QString made = make(facade, tools, entry, error);
    operations::invokeByName(&facade, "weakrelease", {}, &ignored);
    return made;
}

void forget(const QString &path)
{
    imageio::PictureMemory::shared().remove(path);
}

// What the next call takes from the working file `op` writes of `made`.
QImage asWrittenAndRead(const operations::Operation &op, const QImage &made)
{
    return imageio::asWorkingFileDecodes(op.throughPixmap ? QPixmap::fromImage(made).toImage() : made);
}

}  // namespace

bool replaysInMemory(const QList<Step> &steps)
{
    for (const Step &step : steps) {
        for (const Call &call : step.calls) {
            // The focus blur's form in memory works on the picture its
            // weakinit took, not on the one it is given.
            if (!call.op->live || isFocusBlur(*call.op))
                return false;
        }
    }
    return true;
}

QImage replayInMemory(ZQDImageEngine &engine, const QImage &picture, const QList<Step> &steps, QString *error)
{
    auto fail = [&](int index, const QString &label, const QString &reason) {
        *error = refusal(index, label, reason);
        return QImage();
    };
    if (steps.isEmpty()) {
        *error = QStringLiteral("There are no steps to replay.");
        return {};
    }
    if (!replaysInMemory(steps)) {
        *error = QStringLiteral("These steps cannot be replayed in memory.");
        return {};
    }
    // After each call, the picture as its working file would give it to the
    // next one.
    QImage current = picture;
    for (int i = 0; i < steps.size(); ++i) {
        const Step &step = steps.at(i);
        if (current.isNull())
            return fail(i, step.label, QStringLiteral("its picture cannot be read."));
        const QImage input = current;
        for (const Call &call : step.calls) {
            if (bandworkers::cancelled())
                return fail(i, step.label, QStringLiteral("cancelled."));
            const QVariantList args = withPicture(*call.op, toPixels(*call.op, call.args, input.size()), QString());
            QString reason;
            if (!operations::check(*call.op, args, &reason))
                return fail(i, step.label, reason);
            OperationError::clear();
            const livesteps::Outcome made = livesteps::run(engine, QString::fromLatin1(call.op->name), args, {current});
            if (!made.ok || made.picture.isNull())
                return fail(i, step.label, OperationError::take());
            current = asWrittenAndRead(*call.op, made.picture);
            if (current.isNull())
                return fail(i, step.label, QStringLiteral("its picture cannot be kept in memory."));
        }
        if (step.strength < 1) {
            OperationError::clear();
            static const operations::Operation &blend = *operations::find(QStringLiteral("tools.blendImage"));
            const livesteps::Outcome mixed = livesteps::run(engine, QString::fromLatin1(blend.name),
                                                            {QString(), QString(), step.strength}, {input, current});
            if (!mixed.ok || mixed.picture.isNull())
                return fail(i, step.label, OperationError::take());
            current = asWrittenAndRead(blend, mixed.picture);
        }
    }
    if (current.isNull())
        return fail(steps.size() - 1, steps.last().label, QStringLiteral("its picture cannot be kept in memory."));
    return current;
}

void removeWorkingFiles(const QStringList &files)
{
    for (const QString &file : files) {
        forget(file);
        QFile::remove(file);
    }
}

QStringList replay(QObject &facade, QObject &tools, const QString &picture, const QList<Step> &steps,
                   QString *error)
{
    QStringList made;  // every file written, the steps' own and those within a step
    QStringList files;
    QString current = picture;
    auto fail = [&](int index, const QString &label, const QString &reason) {
        *error = refusal(index, label, reason);
        removeWorkingFiles(made);
        return QStringList();
    };
    if (steps.isEmpty()) {
        *error = QStringLiteral("There are no steps to replay.");
        return {};
    }
    for (int i = 0; i < steps.size(); ++i) {
        const Step &step = steps.at(i);
        const QString input = current;
        const QSize size = pictureSize(input);
        if (size.isEmpty())
            return fail(i, step.label, QStringLiteral("its picture cannot be read."));
        for (const Call &call : step.calls) {
            if (bandworkers::cancelled())
                return fail(i, step.label, QStringLiteral("cancelled."));
            QString reason;
            const QString out = makeCall(facade, tools, call, current, size, &reason);
            if (out.isEmpty())
                return fail(i, step.label, reason);
            if (current != input && current != picture)
                forget(current);
            made.append(out);
            current = out;
        }
        if (step.strength < 1) {
            QString reason;
            const QString mixed = make(facade, tools,
                                       {QStringLiteral("tools.blendImage"), input, current, step.strength}, &reason);
            if (mixed.isEmpty())
                return fail(i, step.label, reason);
            made.append(mixed);
            forget(current);
            current = mixed;
        }
        // The picture before this step is no longer needed in memory.
        if (input != picture)
            forget(input);
        files.append(current);
    }
    // What the calls within a step made on the way to its result goes.
    QStringList within;
    for (const QString &file : std::as_const(made)) {
        if (!files.contains(file))
            within.append(file);
    }
    removeWorkingFiles(within);
    return files;
}

}  // namespace steps
