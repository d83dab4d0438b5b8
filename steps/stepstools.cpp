// The "tools" object's steps: a step recorded by the editor turned into
// proportions, the steps file written and read, the steps a saved picture
// carries, and steps replayed (and saved) on this worker's own objects.
#include "EditorTools.h"

#include "ImageDispose.h"
#include "ZQDCommunication.h"
#include "exportmetadata.h"
#include "operationerror.h"
#include "photoreader.h"
#include "picturememory.h"
#include "proportions.h"
#include "replay.h"
#include "stepsfile.h"

#include <QFileInfo>

QVariantMap EditorTools::stepFor(QVariantMap step, int width, int height)
{
    OperationError::clear();  // a reason of an earlier call is not this one's
    if (width <= 0 || height <= 0) {
        OperationError::set(QStringLiteral("The step's picture has no size (%1 \u00d7 %2).").arg(width).arg(height));
        return {};
    }
    steps::Step made;
    QString reason;
    if (!steps::stepFrom(step, steps::Units::Pixels, &made, &reason)) {
        OperationError::set(reason);
        return {};
    }
    for (steps::Call &call : made.calls)
        call.args = steps::toProportions(*call.op, call.args, QSize(width, height));
    return steps::mapOf(made);
}

QString EditorTools::stepsJson(QVariantList steps)
{
    OperationError::clear();  // a reason of an earlier call is not this one's
    QList<steps::Step> list;
    for (int i = 0; i < steps.size(); ++i) {
        steps::Step step;
        QString reason;
        if (!steps::stepFrom(steps.at(i).toMap(), steps::Units::Proportions, &step, &reason)) {
            OperationError::set(steps::refusal(i, steps.at(i).toMap().value(QStringLiteral("label")).toString(), reason));
            return {};
        }
        list.append(std::move(step));
    }
    return QString::fromUtf8(steps::writeFile(list));
}

QVariantMap EditorTools::readSteps(QString json)
{
    const steps::Read read = steps::readFile(json.toUtf8());
    QVariantList list;
    for (const steps::Step &step : read.steps)
        list.append(steps::mapOf(step));
    return {{QStringLiteral("steps"), list}, {QStringLiteral("original"), read.original},
            {QStringLiteral("error"), read.error}};
}

QString EditorTools::stepsOf(QString picture)
{
    OperationError::clear();  // a reason of an earlier call is not this one's
    const QString path = stripFileUrl(std::move(picture));
    bool tooLarge = false;
    const QByteArray text = exportmetadata::stepsIn(path, steps::kMaxFileBytes, &tooLarge);
    if (tooLarge) {
        OperationError::set(QStringLiteral("The steps %1 carries are larger than any steps file is.").arg(path));
        return {};
    }
    if (text.isEmpty()) {
        OperationError::set(QStringLiteral("%1 carries no steps.").arg(path));
        return {};
    }
    const steps::Read read = steps::readFile(text);
    if (!read.error.isEmpty()) {
        OperationError::set(QStringLiteral("The steps %1 carries cannot be used. %2").arg(path, read.error));
        return {};
    }
    return QString::fromUtf8(steps::writeFile(read.steps, read.original));
}

QStringList EditorTools::replaySteps(QString picture, QString stepsJson)
{
    OperationError::clear();  // a reason of an earlier call is not this one's
    const steps::Read read = steps::readFile(stepsJson.toUtf8());
    if (!read.error.isEmpty()) {
        OperationError::set(read.error);
        return {};
    }
    QString error;
    const QStringList files = steps::replay(*m_communication, *this, stripFileUrl(std::move(picture)), read.steps, &error);
    if (files.isEmpty())
        OperationError::set(error);
    return files;
}

QString EditorTools::applySteps(QString photo, QString stepsJson, QString format, int quality, int longSide,
                                bool keepLocation)
{
    OperationError::clear();
    const QString original = stripFileUrl(std::move(photo));
    const steps::Read read = steps::readFile(stepsJson.toUtf8());
    if (!read.error.isEmpty()) {
        OperationError::set(read.error);
        return {};
    }
    // Said before any work: the photo itself (a missing one, one that is not
    // a photo) is the usual reason a batch's photo fails.
    if (const QString problem = imageio::openProblem(original); !problem.isEmpty()) {
        OperationError::set(problem);
        return {};
    }
    QString error;
    const QStringList files = steps::replay(*m_communication, *this, original, read.steps, &error);
    if (files.isEmpty()) {
        OperationError::set(error);
        return {};
    }
    const QString saved = exportPicture(files.last(), original, std::move(format), quality, longSide, keepLocation,
                                        false,
                                        steps::writeCompact(read.steps, read.original.isEmpty() ? QFileInfo(original).absoluteFilePath()
                                                                                                : read.original));
    // The replay's working files are no one's once the picture is saved, and
    // a batch's next photo has no use for this one's pixels.
    steps::removeWorkingFiles(files);
    imageio::PictureMemory::shared().remove(original);
    return saved;
}
