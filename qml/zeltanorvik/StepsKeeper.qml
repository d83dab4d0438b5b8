// Keeps the steps of the photo being edited so that they outlive the program
// (the working folder's `keptSteps`: one small file a photo, written whole
// after every step), and offers them back when the photo is opened again:
// "Continue editing" replays them, "Start over" forgets them. A saved picture
// that carries steps offers "Edit steps", which replays them on the photo they
// were made on when it still exists. It also gives the steps file's text that
// Save writes into the picture.
//
// What is read back is checked (tools.readSteps) before anything is offered; a
// damaged or refused file is forgotten and the message says why.
import QtQuick
import "WorkingFiles.js" as WorkingFiles

Item {
    id: keeper

    property var editor: null
    readonly property var app: editor ? editor.app : null
    readonly property var history: editor ? editor.history : null
    readonly property var store: typeof communication !== "undefined" && communication
                                 ? communication.workingFolder.keptSteps : null
    // The photo whose steps are kept; "" while an offer waits for an answer.
    property string photo: ""
    // Steps were kept for `photo` in this session: an undo back to the photo
    // itself then forgets them (an empty list before that is only a photo
    // opening, or a replay starting).
    property bool keptSome: false
    property bool complained: false
    readonly property alias choice: choiceDialog

    visible: false

    // The steps up to the current picture.
    function currentSteps() {
        var h = history;
        return h && typeof h.currentSteps === "function" ? h.currentSteps() : [];
    }

    // The steps file's text of `steps`, with where the photo they were made on
    // was (`original`, may be ""); "" for no steps.
    function stepsText(steps, original) {
        if (!steps || steps.length === 0)
            return "";
        var text = tools.stepsJson(steps);
        if (!text || !original)
            return text || "";
        var file = JSON.parse(text);
        file.original = original;
        return JSON.stringify(file);
    }

    // What Save writes into the saved picture: the steps up to the current
    // picture and the photo they start from.
    function savedStepsText() {
        return history ? stepsText(currentSteps(), history.original) : "";
    }

    function names(steps) {
        var labels = [];
        for (var i = 0; i < steps.length && labels.length < 3; ++i)
            if (steps[i].label)
                labels.push(steps[i].label);
        var list = labels.join(", ") + (steps.length > labels.length && labels.length > 0 ? ", \u2026" : "");
        return (steps.length === 1 ? "1 step" : steps.length + " steps") + (list ? " (" + list + ")" : "");
    }

    // Called when `path` has just been opened in the editor. Asked once the
    // opening is over: a photo opened to replay steps on it (openWithSteps
    // lists them at once) is offered nothing.
    function offer(path) {
        keptSome = false;
        complained = false;
        photo = "";
        Qt.callLater(keeper.offerNow, path); // qmllint disable type
    }

    function offerNow(path) {
        if (!history || history.original !== path)
            return;
        if (history.steps.length > 0) {
            photo = path;
            return;
        }
        var name = WorkingFiles.fileName(path);
        var kept = store ? store.kept(path) : "";
        if (!kept && store && store.lastError())
            app.showError(store.lastError() + " They were forgotten.");
        if (kept) {
            var read = tools.readSteps(kept);
            if (read.error) {
                store.forget(path);
                app.showError("The steps kept for " + name + " cannot be used, so they were forgotten: " + read.error);
            } else if (read.steps.length > 0) {
                choice.ask("Continue editing?",
                           "You were editing " + name + ", and its steps are kept: " + names(read.steps) + ". "
                           + "Continue editing replays them; Start over forgets them.",
                           "Continue editing", "Start over",
                           function() { keeper.replay(path, read.steps); },
                           function() { keeper.startOver(path); });
                return;
            }
        }
        photo = path;
        var carried = tools.stepsOf(path);
        if (carried)
            offerSaved(path, carried);
    }

    // A saved picture with its steps: "Edit steps" replays them on the
    // original photo.
    function offerSaved(path, carried) {
        var read = tools.readSteps(carried);
        if (read.error || read.steps.length === 0)
            return;  // shown as a picture like any other
        // Where the photo was: as the picture says, else as remembered when
        // it was saved here.
        var original = "";
        try {
            original = String(JSON.parse(carried).original || "");
        } catch (e) {
        }
        if (!original && store)
            original = store.originalOf(path);
        choice.ask("Edit steps?",
                   WorkingFiles.fileName(path) + " was saved with " + names(read.steps) + ". "
                   + "Edit steps replays them on the original photo"
                   + (original ? ", " + WorkingFiles.fileName(original) : "") + ", so you can change them.",
                   "Edit steps", "Keep as it is",
                   function() { keeper.editSteps(original, read.steps); },
                   null);
    }

    function editSteps(original, steps) {
        if (!original) {
            app.showError("This picture does not say which photo its steps were made on, so they cannot be replayed.");
            return;
        }
        if (!app.fileCheck.readable(original)) {
            app.showError("The original photo " + original + " no longer exists, so the steps cannot be replayed on it.");
            return;
        }
        replay(original, steps);
    }

    function replay(path, steps) {
        editor.openWithSteps(path, steps);
    }

    function startOver(path) {
        if (store)
            store.forget(path);
        photo = path;
    }

    // The current picture was saved as `where` (a file): which photo it
    // was made from is remembered, for its "Edit steps".
    function saved(where) {
        if (store && history && currentSteps().length > 0 && where.indexOf("/") === 0)
            store.rememberOriginal(where, history.original);
    }

    // The edits were discarded: their steps go too.
    function forgetCurrent() {
        if (store && photo)
            store.forget(photo);
        photo = "";
        keptSome = false;
    }

    // Once for the changes of one moment (an Apply changes both the steps
    // and the current picture).
    function changed() {
        Qt.callLater(keeper.write); // qmllint disable type
    }

    // After every change of the steps or of the current picture.
    function write() {
        if (!store || !history || photo === "" || history.original !== photo)
            return;
        var steps = currentSteps();
        if (steps.length === 0) {
            if (keptSome)
                store.forget(photo);
            keptSome = false;
            return;
        }
        if (store.keep(photo, stepsText(steps, ""))) {
            keptSome = true;
        } else if (!complained) {
            complained = true;
            app.showError(store.lastError());
        }
    }

    Connections {
        target: keeper.history
        ignoreUnknownSignals: true
        function onStepsChanged() { keeper.changed(); }
        function onIndexChanged() { keeper.changed(); }
    }

    StepsChoice {
        id: choiceDialog
        host: keeper
    }
}
