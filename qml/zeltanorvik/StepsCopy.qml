// Copy steps and Paste steps. Copy puts the steps up to the current picture
// on the system clipboard as a steps file's text, and keeps them in the
// application (`copiedSteps`) for when the clipboard is not available. Paste
// takes steps from the clipboard (text another program holds is checked like
// any steps file) or else the ones copied here, shows them on the screen
// copy first, then replays the photo's own steps and the pasted ones on it.
import QtQuick

Item {
    id: steps

    property var app: null
    property var editor: null
    // More text than this is no steps file.
    readonly property int maximumLength: 4 * 1024 * 1024
    // A paste's preview stands in for the photo until its replay ends.
    property bool previewShown: false

    visible: false

    function copy() {
        var list = editor.stepsKeeper.currentSteps();
        if (list.length === 0) {
            app.showError("There are no steps to copy: this photo has no edits yet.");
            return;
        }
        var text = tools.stepsJson(list);
        app.copiedSteps = text;
        carrier.text = text;
        carrier.selectAll();
        carrier.copy();
        carrier.text = "";
        app.showMessage(list.length === 1 ? "1 step copied." : list.length + " steps copied.");
    }

    // The steps to paste, as {steps, text} or {error}. Text on the clipboard
    // that looks like a steps file (a JSON object) is taken and checked; other
    // text leaves the steps copied here.
    function pasted() {
        carrier.text = "";
        carrier.paste();
        var text = carrier.text;
        carrier.text = "";
        var fromClipboard = text.trim().charAt(0) === "{";
        if (!fromClipboard)
            text = app.copiedSteps;
        if (!text)
            return { error: "Nothing to paste: copy the steps of an edited photo first." };
        if (text.length > maximumLength)
            return { error: "The clipboard holds too much text to be steps." };
        var read = tools.readSteps(text);
        if (read.error)
            return { error: read.error };
        if (read.steps.length === 0)
            return { error: "The copied steps are empty." };
        return { steps: read.steps, text: tools.stepsJson(read.steps) };
    }

    function paste() {
        if (!editor.history.current || app.busy)
            return;
        var got = pasted();
        if (got.error) {
            app.showError("These steps cannot be pasted: " + got.error);
            return;
        }
        var original = editor.history.original;
        var all = editor.stepsKeeper.currentSteps().concat(got.steps);
        var replay = function() {
            steps.previewShown = editor.photo.standIn !== "";
            editor.openWithSteps(original, all);
            if (!app.busy)
                steps.endPreview();
        };
        editor.withScreenCopy(function(copy) {
            if (!copy) {
                replay();
                return;
            }
            editor.work.start("paste-preview", [["tools.replaySteps", copy, got.text]], function(path) {
                editor.photo.standIn = path;
                replay();
            }, function(error) {
                app.showError("These steps cannot be pasted on this photo: " + (error || "they failed."));
            }, true);
        });
    }

    function endPreview() {
        if (previewShown)
            editor.photo.standIn = "";
        previewShown = false;
    }

    Connections {
        target: steps.app
        function onBusyChanged() {
            if (!steps.app.busy)
                steps.endPreview();
        }
    }

    // The clipboard's go-between: Qt Quick reaches the clipboard through text editing.
    TextEdit {
        id: carrier
        visible: false
        textFormat: TextEdit.PlainText
    }
}
