// The one table of the picture operations that may run away from the GUI
// thread: the runner's jobs, its live previews and the command-line front all
// look an operation up here, and steps files are checked against it.
//
// An entry says which object carries the operation and under which method
// name, its arguments (name, kind, range, which ones are pictures it reads),
// which argument is the picture the call works on, on which worker it may run,
// and its form in memory, if it has one, that a live preview runs on pictures
// already decoded.
//
// To add an operation: write its method on the facade or the "tools" object
// (a public slot), then add one entry to kOperations in operationtable.cpp:
// its name ("tools.<method>" for the "tools" object), its arguments in the
// method's order, and a live form when the preview should run it in memory.
// The table's test checks every entry against its method.
#pragma once

#include <QImage>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <initializer_list>
#include <limits>
#include <span>
#include <vector>

class ZQDImageEngine;

namespace operations {

// The object that carries an operation.
enum class Object {
    Communication,  // the facade, "communication"
    Tools,          // the "tools" object
    Runner,         // the runner itself (its copies and the collage cells)
};

// What an argument holds.
enum class Kind {
    Picture,  // a picture file the operation reads
    Name,     // a path that only names the working file written
    File,     // another file (a frame, bubble or layout file) or a word
    Integer,
    Number,
    Flag,
};

// What a picture-unit argument is measured against, so a step replayed on a
// photo of another size scales it as the user meant: x-like ones with the
// picture's width, y-like ones with its height, radii and lengths with its
// long side.
enum class Axis {
    None,
    Width,
    Height,
    LongSide,
};

// Which workers may run an operation's file form.
enum class Workers {
    Any,   // the main worker, and the quick one on a copy's chain
    Main,  // the main worker only (collages, saving)
};

struct Argument {
    const char *name;
    Kind kind;
    double least = -std::numeric_limits<double>::infinity();
    double most = std::numeric_limits<double>::infinity();
    // Measured in the picture's pixels (or the screen's), so a step replayed
    // on another photo needs it scaled.
    bool pictureUnits = false;
    // May be left out, with the ones after it (the method has a default).
    bool optional = false;
    // For picture units: which side of the picture it is measured against.
    Axis axis = Axis::None;
    // For a File argument: a word or text (a colour, a channel, the user's
    // text), never a path to open.
    bool word = false;
    // A whole number that names one of a list (a look): the list, from its
    // owner. Null: any number in the range.
    std::vector<int> (*among)() = nullptr;
};

// What a live form gives: a picture, or a value (a histogram).
struct LiveOutcome {
    QImage picture;  // null when the step makes none or fails
    QVariant value;
    bool ok = false;
};

// A live form: the operation on pictures already decoded (`pictures` in the
// order of the picture arguments), with the engine of the worker running it.
using LiveForm = LiveOutcome (*)(ZQDImageEngine &engine, const QVariantList &args,
                                 const std::vector<QImage> &pictures);

struct Operation {
    const char *name;    // as jobs and steps call it: "loadImage", "tools.toneImage"
    Object object;
    const char *method;  // the method's name on its object
    std::vector<Argument> arguments;
    // The argument naming the picture the call works on, whose name chain its
    // result joins; -1 when it has none.
    int source = 0;
    Workers workers = Workers::Any;
    LiveForm live = nullptr;  // null: no live preview
    // Whether the file form writes its picture through a pixmap (which
    // premultiplies a translucent one) rather than as it is: what the next
    // operation reads of the file, and so what a live chain hands on.
    bool throughPixmap = true;

    // The indices of the arguments of kind Picture.
    std::vector<int> pictureArguments() const;
    int requiredArguments() const;
};

// Every operation, in no particular order.
std::span<const Operation> all();

// The operation called `name`, or null.
const Operation *find(const QString &name);

// "screenCopy", "thumbnailCopy" and "collageCells": the runner's own.
bool isRunnerCopy(const Operation &op);

// Whether `op` is an edit of one picture that a step may record: it makes a
// new picture from its source alone (not a copy, a collage, a save, the
// focus blur's set-up or a histogram).
bool isPictureEdit(const Operation &op);

// Whether `args` suit `op`: their number, each one's kind and range. False
// with the reason, in words for the user ("Argument 3 (brightness) of
// mixingcolorImage must be between -100 and 100."), when not. Arguments
// that are "$previous" (the picture the call before made) pass as pictures.
bool check(const Operation &op, const QVariantList &args, QString *reason);

}  // namespace operations
