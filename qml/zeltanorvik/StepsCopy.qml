// Copy steps and Paste steps. Copy puts the steps up to the current picture
// on the system clipboard as a steps file's text, and keeps them in the
// application (`copiedSteps`) for when the clipboard is not available. Paste
// takes steps from the clipboard (text another program holds is checked like
// any steps file) or else the ones copied here, and replays them on the
// current picture.
import QtQuick

Item {
    id: steps

    property var app: null
    property var editor: null
    // The editor's replays (StepsWork.qml).
    property var stepsWork: null
    // More text than this is no steps file.
    readonly property int maximumLength: 4 * 1024 * 1024

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
            return { error: "No steps were copied: copy the steps of an edited photo first." };
        if (text.length > maximumLength)
            return { error: "The clipboard holds too much text to be steps." };
        var read = tools.readSteps(text);
        if (read.error)
            return { error: "The steps on the clipboard cannot be used: " + read.error };
        if (read.steps.length === 0)
            return { error: "The copied steps are empty." };
        return { steps: read.steps, text: tools.stepsJson(read.steps) };
    }

    // Appends the pasted steps after the current picture (as an Apply would:
    // steps undone before go), made on its screen copy first, then on the
    // photo; a failure or Cancel leaves the picture as it was.
    function paste() {
        if (!editor.history.current || app.busy || editor.openTool !== "")
            return;
        var got = pasted();
        if (got.error) {
            app.showError(got.error);
            return;
        }
        var history = editor.history;
        var at = history.index;
        var count = got.steps.length;
        stepsWork.replay("Pasting the steps", history.current, got.steps, count, at + 1, function(files) {
            history.replaceFrom(at, got.steps, files, at + count);
            editor.photo.reload();
            app.showMessage(count === 1 ? "1 step pasted." : count + " steps pasted.");
        }, function(reason) {
            app.showError("The steps could not be pasted. " + reason);
        });
    }

    // The clipboard's go-between: Qt Quick reaches the clipboard through text editing.
    TextEdit {
        id: carrier
        visible: false
        textFormat: TextEdit.PlainText
    }
}
