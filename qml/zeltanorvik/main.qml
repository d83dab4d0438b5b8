// The main document: home and editor pages, the message bar, the busy
// indicator, the file dialog, and the functions the program calls when the
// touch tracker or the sharing controller reports something.
//
// Options read from the command line: --open FILE opens a photo in the
// editor, --tool NAME then opens that tool, and --apply applies it at once;
// --share opens the share page for that photo; --browse opens the file dialog;
// --collage opens the collage page (which reads its own --collage-* options).
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Dialogs
import QtQuick.Window
import "WorkingFiles.js" as WorkingFiles
import "PhotoFormats.js" as PhotoFormats

Item {
    id: root
    width: 480
    height: 854

    Material.theme: Material.Dark
    Material.accent: "#ffb74d"
    Material.primary: "#1e1e1e"

    // Handed over by the program at start-up (a file URL); "" when the user
    // has no Pictures folder.
    property string picturesFolder: ""
    // The files the program was given (absolute paths), and why others
    // cannot be opened (sentences); see OutsideFiles.qml.
    property var startFiles: []
    property var startProblems: []
    readonly property alias outsideFiles: outsideFiles
    // Where the Open dialog starts, every time: the Pictures folder, else
    // the document folder.
    readonly property string openFolder: picturesFolder !== "" ? picturesFolder
                                         : documentRoot ? WorkingFiles.toUrl(documentRoot) : ""

    // "" when no folder for the user's pictures could be made (then every
    // operation fails, and the folders below are "" too).
    readonly property string documentRoot: communication.getMeeGoRootDir()
    readonly property string savedFolder: documentRoot ? documentRoot + "zeltanorvik/" : ""
    // This window's own working files (another instance keeps its own).
    readonly property string temporaryFolder: documentRoot ? communication.workingFolder.path : ""
    readonly property string noDocumentRootMessage: "No folder for your pictures could be made, so nothing can be "
        + "edited or saved. Start the editor with ZELTANORVIK_ROOT set to a folder you can write."
    // Counts the saves, so that what lists the saved pictures can look again.
    property int savedCount: 0
    readonly property alias fileCheck: fileCheck
    readonly property alias messages: messageBar
    readonly property alias pages: stack

    property real pinchScale: 1
    property int touchCount: 0
    property real lastRotateDegree: 0
    property bool busy: false
    property string busyLabel: ""
    // While set, the busy indicator offers Cancel, which calls it.
    property var busyCancel: null
    property var sharePage: null
    property var editorPage: null
    // The steps last copied in the editor (also on the system clipboard).
    property string copiedSteps: ""

    // --- called by the program ------------------------------------------

    // The share page listens to the controller itself; these reach the root
    // only, for whatever happens while no share page is open.
    function sinaUpload(result) {
    }
    function renrenUpload(result) {
    }
    function httpError() {
        if (!sharePage)
            showError("Sharing failed: the service could not be reached.");
    }
    function httpProgress(sent, total) {
    }
    function scaleChanged(scale) {
        pinchScale = scale;
    }
    function pointChanged() {
        touchCount = multitouch.touchPoints.length;
    }
    function rotateDegree(degree) {
        lastRotateDegree = degree;
    }

    // --- used by the pages ----------------------------------------------

    function showMessage(text) {
        messageBar.show(text, false);
    }
    function showError(text) {
        messageBar.show(text, true);
    }

    // Shows the busy indicator, lets it paint, then runs fn.
    function runBusy(label, fn) {
        if (busy)
            return;
        busy = true;
        busyLabel = label;
        busyTimer.job = fn;
        busyTimer.start();
    }

    function pictureSaved(where) {
        savedCount += 1;
    }

    function openPhoto(path, immediate) {
        path = WorkingFiles.toPath(path);
        if (!fileCheck.readable(path)) {
            showError(runner.openProblem(path)
                      || "This file cannot be opened as a picture: " + WorkingFiles.fileName(path));
            return false;
        }
        // The picture in the editor is not dropped with unsaved edits unasked.
        if (editorPage && editorPage.history.hasUnsavedEdits) {
            editorPage.leave(function() { root.openPhoto(path, immediate); });
            return true;
        }
        // A new editing session: the working files of the last one go.
        // (A picture from any instance's working folder is kept: clearing
        // would remove it when its instance has ended.)
        if (!WorkingFiles.isInside(path, documentRoot + ".qvrkTemp/"))
            communication.clearTemporaryPic();
        var operation = immediate ? StackView.Immediate : StackView.PushTransition;
        if (!editorPage)
            editorPage = stack.push(editorComponent, { app: root }, operation);
        else if (stack.currentItem !== editorPage)
            stack.push(editorPage, {}, operation);
        editorPage.closeTool();
        editorPage.openPicture(path);
        editorPage.forceActiveFocus();
        editorPage.stepsKeeper.offer(path);
        return true;
    }

    function browse() {
        if (openFolder)
            fileDialog.currentFolder = openFolder;
        fileDialog.open();
    }

    function openPage(file, properties, what) {
        var component = Qt.createComponent(file);
        if (component.status !== Component.Ready) {
            showError(what + " is not available in this build.");
            return null;
        }
        return stack.push(component, properties);
    }

    function openShare(path) {
        var page = openPage("SharePage.qml", { picture: path }, "Sharing");
        if (page) {
            sharePage = page;
            page.closeRequested.connect(root.closeShare);
        }
    }

    function closeShare() {
        if (sharePage && stack.currentItem === sharePage)
            stack.pop();
        sharePage = null;
    }

    // Closing the window with unsaved edits asks first; the window closes
    // after Save or Discard.
    function windowClosing(close) {
        if (!editorPage || !editorPage.history.hasUnsavedEdits)
            return;
        close.accepted = false;
        editorPage.leave(function() {
            if (root.Window.window)
                root.Window.window.close();
        });
    }

    Connections {
        target: root.Window.window
        function onClosing(close) { root.windowClosing(close); }
    }

    function openCollage() {
        openPage("CollagePage.qml", { app: root }, "Collages");
    }

    Rectangle {
        anchors.fill: parent
        color: "#121212"
    }

    StackView {
        id: stack
        anchors.fill: parent
        initialItem: HomePage {
            app: root
            onOpenRequested: (path) => root.openPhoto(path)
            onBrowseRequested: root.browse()
            onCollageRequested: root.openCollage()
        }
    }

    Component {
        id: editorComponent
        EditorPage {
            id: closingEditor
            onClosed: {
                closingEditor.history.clear();  // the photo is closed: its working files and pictures go
                stack.pop(null);
            }
        }
    }

    FileCheck {
        id: fileCheck
    }

    OutsideFiles {
        id: outsideFiles
        anchors.fill: parent
        app: root
    }

    FileDialog {
        id: fileDialog
        title: "Open a photo"
        parentWindow: root.Window.window
        nameFilters: [PhotoFormats.dialogFilter(), "All files (*)"]
        onAccepted: root.openPhoto(selectedFile)
    }

    Shortcut {
        sequence: "Ctrl+O"
        onActivated: root.browse()
    }

    Timer {
        id: busyTimer
        property var job: null
        interval: 40
        onTriggered: {
            // A page transition in progress finishes first.
            if (stack.busy) {
                restart();
                return;
            }
            var fn = job;
            job = null;
            try {
                fn();
            } catch (e) {
                root.showError(root.busyLabel + " failed: " + e);
            }
            root.busy = false;
        }
    }

    Rectangle {
        anchors.fill: parent
        visible: root.busy
        color: "#80000000"
        MouseArea {
            anchors.fill: parent
            hoverEnabled: true
        }
        Column {
            anchors.centerIn: parent
            spacing: 12
            BusyIndicator {
                anchors.horizontalCenter: parent.horizontalCenter
                running: root.busy
            }
            Label {
                anchors.horizontalCenter: parent.horizontalCenter
                text: root.busyLabel + "\u2026"
            }
            Button {
                anchors.horizontalCenter: parent.horizontalCenter
                visible: root.busyCancel !== null
                text: "Cancel"
                flat: true
                Accessible.name: "cancel " + root.busyLabel.toLowerCase()
                onClicked: root.busyCancel() // qmllint disable type
            }
        }
    }

    MessageBar {
        id: messageBar
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 12
        anchors.bottomMargin: 72
        z: 10
    }

    Component.onCompleted: {
        if (!documentRoot)
            showError(noDocumentRootMessage);
        var args = Array.from(Qt.application.arguments);
        var open = args.indexOf("--open");
        if (open >= 0 && open + 1 < args.length && openPhoto(args[open + 1], true)) {
            var tool = args.indexOf("--tool");
            if (tool >= 0 && tool + 1 < args.length)
                editorPage.openToolNamed(args[tool + 1],
                                         args.indexOf("--apply") >= 0 ? { applyWhenReady: true } : null);
            else if (args.indexOf("--share") >= 0)
                openShare(editorPage.history.current);
        } else if (args.indexOf("--browse") >= 0) {
            // The dialog needs the window, which the document gets once it is loaded.
            Qt.callLater(browse);
        } else if (args.indexOf("--collage") >= 0) {
            Qt.callLater(openCollage);
        }
        outsideFiles.start(startFiles, startProblems);
    }
}
