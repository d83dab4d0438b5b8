// Home's "Apply steps": the same steps on several photos, one after the other
// on the main worker (tools.applySteps: replayed, then saved where Save puts
// pictures, with the Save sheet's choice of format and size and the steps in
// the picture). A progress bar counts them ("3 of 12"); Cancel lets the photo
// being made finish and starts no other. A photo that fails is named with its
// reason at the end; the others are still done.
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Dialogs
import QtQuick.Layouts
import QtQuick.Window
import "WorkingFiles.js" as WorkingFiles

Item {
    id: batch

    property var app: null
    readonly property alias saveSheet: sheet
    readonly property alias progress: progressDialog
    readonly property alias stepsFileDialog: fileDialog

    property var photos: []
    property string stepsText: ""
    property int position: 0
    property bool running: false
    property bool cancelled: false
    property var saved: []
    property var failures: []
    // What the last batch did, in words (also shown as a message).
    property string summary: ""

    signal finished()

    visible: false

    // Applies the steps copied in the editor (or on the clipboard).
    function applyCopied(list) {
        var got = clipboard.pasted();
        if (got.error) {
            app.showError(got.error);
            return;
        }
        ask(list, got.text);
    }

    // Applies the steps of a steps file chosen with the file dialog.
    function chooseFile(list) {
        photos = list;
        fileDialog.open();
    }

    function applyFile(path, list) {
        var store = communication.workingFolder.keptSteps;
        var text = store.readStepsFile(path);
        if (!text) {
            app.showError("The steps file cannot be used: " + store.lastError());
            return;
        }
        var read = tools.readSteps(text);
        if (read.error) {
            app.showError(WorkingFiles.fileName(WorkingFiles.toPath(path)) + " cannot be applied: " + read.error);
            return;
        }
        if (read.steps.length === 0) {
            app.showError(WorkingFiles.fileName(WorkingFiles.toPath(path)) + " holds no steps.");
            return;
        }
        ask(list, tools.stepsJson(read.steps));
    }

    // The Save sheet first: the format and size of the pictures to write.
    function ask(list, text) {
        if (running || list.length === 0)
            return;
        photos = list;
        stepsText = text;
        sheet.ask();
    }

    // Starts at once with the Save sheet's last choice.
    function start(list, text) {
        if (running || list.length === 0)
            return;
        photos = list;
        stepsText = text;
        position = 0;
        saved = [];
        failures = [];
        summary = "";
        cancelled = false;
        running = true;
        progressDialog.open();
        next();
    }

    function cancel() {
        cancelled = true;
    }

    function next() {
        if (cancelled || position >= photos.length) {
            end();
            return;
        }
        var photo = photos[position];
        var problem = runner.openProblem(photo);
        if (problem) {
            failed(photo, problem);
            return;
        }
        var call = ["tools.applySteps", photo, stepsText].concat(sheet.exportArguments());
        work.start("steps-batch", [call], function(path) {
            communication.workingFolder.keptSteps.rememberOriginal(path, photo);
            var s = batch.saved;
            s.push(path);
            batch.saved = s;
            batch.position += 1;
            batch.next();
        }, function(error) {
            batch.failed(photo, error || "it could not be saved.");
        });
    }

    function failed(photo, reason) {
        var f = failures;
        f.push(WorkingFiles.fileName(photo) + ": " + reason);
        failures = f;
        position += 1;
        Qt.callLater(batch.next); // qmllint disable type
    }

    function end() {
        running = false;
        progressDialog.close();
        var words = saved.length + " saved";
        if (failures.length > 0)
            words += ", " + failures.length + " failed: " + failures.join("; ");
        if (cancelled && position < photos.length)
            words = "Stopped: " + words + ", " + (photos.length - position) + " not done.";
        summary = words;
        if (saved.length > 0)
            app.pictureSaved(app.savedFolder);
        if (failures.length > 0)
            app.showError(words);
        else
            app.showMessage(words);
        finished();
    }

    AsyncWork {
        id: work
    }

    StepsCopy {
        id: clipboard
        app: batch.app
    }

    SaveSheet {
        id: sheet
        title: "Apply the steps and save"
        Material.accent: batch.Material.accent
        onChosen: batch.start(batch.photos, batch.stepsText)
    }

    FileDialog {
        id: fileDialog
        title: "Choose a steps file"
        parentWindow: batch.Window.window
        nameFilters: ["Steps files (*.json)", "All files (*)"]
        onAccepted: batch.applyFile(selectedFile, batch.photos)
    }

    Dialog {
        id: progressDialog
        parent: Overlay.overlay
        anchors.centerIn: parent
        width: parent ? Math.min(parent.width - 32, 420) : 320
        modal: true
        closePolicy: Popup.NoAutoClose
        title: "Applying the steps"
        Material.theme: Material.Dark
        Material.accent: batch.Material.accent
        Overlay.modal: Rectangle { color: "#99000000" }

        ColumnLayout {
            anchors.fill: parent
            spacing: 12
            ProgressBar {
                Layout.fillWidth: true
                from: 0
                to: Math.max(1, batch.photos.length)
                value: batch.position
            }
            Label {
                objectName: "batchCount"
                Layout.fillWidth: true
                wrapMode: Text.Wrap
                text: batch.cancelled ? "Stopping after the photo being made\u2026"
                      : Math.min(batch.position + 1, batch.photos.length) + " of " + batch.photos.length
                        + (batch.position < batch.photos.length
                           ? ": " + WorkingFiles.fileName(batch.photos[batch.position]) : "")
            }
        }

        footer: RowLayout {
            Item { Layout.fillWidth: true }
            Button {
                objectName: "batchCancel"
                text: "Cancel"
                flat: true
                enabled: !batch.cancelled
                Layout.rightMargin: 8
                Layout.bottomMargin: 8
                Accessible.name: "stop applying the steps"
                onClicked: batch.cancel()
            }
        }
    }
}
