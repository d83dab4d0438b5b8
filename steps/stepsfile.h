// The steps file: JSON, {"format": "zeltanorvik-steps", "version": 1,
// "steps": [...]} (docs/steps.md). It comes from outside (a file given on the
// command line, a saved picture's XMP, a paste), so everything in it is
// checked before any photo is touched: its size and the number of its steps,
// the JSON itself, the format and version, every call against the table of
// operations (only picture edits; their arguments' number, kinds and
// ranges), the files it names (the program's own resources only), and every
// number finite. A refusal says which step and why, in words for the user.
#pragma once

#include "step.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

namespace steps {

constexpr qint64 kMaxFileBytes = 1024 * 1024;
constexpr int kMaxSteps = 1000;
constexpr int kMaxCallsPerStep = 64;
// A proportion beyond this is no picture's (a box 100 times the picture).
constexpr double kMaxProportion = 100;

struct Read {
    QList<Step> steps;
    // Where the photo the steps were first made on was when they were saved
    // ("" when the file does not say). The steps replay on any photo; "Edit
    // steps" on a saved picture looks for this one.
    QString original;
    QString error;  // "" when the file was read
};

// The steps of the file's text, or why it is refused.
Read readFile(const QByteArray &text);

// The file's text for `steps`: readable, one step a line.
QByteArray writeFile(const QList<Step> &steps, const QString &original = {});
// The same on one line (for a picture's metadata).
QByteArray writeCompact(const QList<Step> &steps, const QString &original = {});

// What the arguments of a step are measured in.
enum class Units {
    Proportions,  // as the file keeps them
    Pixels,       // as the editor records them
};

// One step from its object form (a JSON object, a QML object) checked; false
// with the reason (without the step's number) when it is refused.
bool stepFrom(const QVariantMap &map, Units units, Step *step, QString *reason);

// A step in its object form (as the file and QML hold it).
QVariantMap mapOf(const Step &step);

// "Step 3 (Tone: exposure +30): ..." for messages.
QString refusal(int index, const QString &label, const QString &reason);

}  // namespace steps
