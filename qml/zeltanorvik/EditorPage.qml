// The editor: top bar (back, undo, redo, compare, save, share), the photo, the
// open tool's panel and the tool bar.
//
// Adding a tool: write <Name>Panel.qml in this folder and add its entry to
// `toolEntries` below. A panel is an Item with a property `editor` (this page) and a
// signal `done()` (and, to be applied from the command line with --apply, a
// property `applyWhenReady`); it draws on the photo by creating items in
// `editor.photo.overlay` (and destroys them when it goes). Picture operations
// run on the runner's workers, never on the GUI thread: previews through
// `editor.work` on the screen copy (`editor.withScreenCopy`), an Apply through
// `editor.applyAsync(label, calls, previewCalls, then, step)`, which shows the busy
// indicator, then hands the result to `editor.commit(path, label, step)`, which
// checks it, adds it to the history and shows it (or says what failed).
// `step` is the edit as a step ({object, call, args, label, tool}, the
// arguments after the picture in pixels of the picture applied to): the
// history keeps it, and the Steps list reopens its tool with `tool.settings`
// (as the panel's properties) to change it (StepsWork.qml).
//
// Working files are named after their source, so two steps from the same
// source write the same file: run operations on `editor.history.current` only.
//
// Leaving the picture (Back, another photo, closing the window) goes through
// `editor.leave(then)`, which asks first when there are unsaved edits.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import QtQuick.Window
import "ToolWork.js" as ToolWork

Page {
    id: editor

    // The application root (messages, busy indicator, sharing, temporary folder).
    property var app: null
    property alias history: editorHistory
    property alias photo: photoView
    readonly property alias unsavedPrompt: unsavedPrompt
    readonly property alias saveSheet: saveSheet
    readonly property alias stepsKeeper: stepsKeeper
    readonly property alias stepsCopy: stepsCopy
    readonly property alias panel: panelLoader.item
    property string openTool: ""
    property bool comparing: false
    property alias work: asyncWork
    // A big window (at least 900 px wide): the open tool's panel sits beside
    // the photo, which fills the rest; narrower, the phone layout.
    readonly property bool wide: width >= 900
    readonly property int sidePanelWidth: 420

    // The screen-size copy of the current picture, for previews (its own name
    // chain, "<name>.screen.png", so previews never write the photo's working
    // files); see withScreenCopy().
    property string screenCopy: ""
    property string screenCopyOf: ""
    property string screenCopyPending: ""
    property var screenCopyWaiting: []

    // The tools in the tool bar, in order. (Not named `tools`: that name is
    // the "tools" object, which the panels call.)
    readonly property var toolEntries: [
        { name: "looks", label: "Looks", glyph: "\u25d1", panel: "LooksPanel.qml" },
        { name: "frames", label: "Frames", glyph: "\u25a3", panel: "FramesPanel.qml" },
        { name: "adjust", label: "Adjust", glyph: "\u2600", panel: "AdjustPanel.qml" },
        { name: "tone", label: "Tone", glyph: "\u25d2", panel: "TonePanel.qml" },
        { name: "selective", label: "Selective", glyph: "\u25c9", panel: "SelectivePanel.qml" },
        { name: "heal", label: "Heal", glyph: "\u271a", panel: "HealPanel.qml" },
        // Tone's other tabs (ToneTabs.qml): opened from the Tone panels, not the bar.
        { name: "curves", label: "Curves", glyph: "", panel: "CurvesPanel.qml", hidden: true },
        { name: "mixer", label: "Colour mixer", glyph: "", panel: "ColourMixerPanel.qml", hidden: true },
        { name: "focus", label: "Focus", glyph: "\u25ce", panel: "FocusPanel.qml" },
        { name: "rotate", label: "Rotate", glyph: "\u21bb", panel: "RotatePanel.qml" },
        { name: "crop", label: "Crop", glyph: "\u2702", panel: "CropPanel.qml" },
        { name: "text", label: "Text", glyph: "\u275d", panel: "TextPanel.qml" }
    ]

    signal closed()

    function run(label, fn) {
        app.runBusy(label, fn);
    }

    function fail(message) {
        app.showError(message);
    }

    // Calls then(path) with the screen copy of the current picture, made
    // first on the quick worker when needed; then("") when it cannot be made.
    function withScreenCopy(then) {
        var source = history.current;
        // The copy goes with the photo's working files when a new photo opens.
        if (screenCopy !== "" && screenCopyOf === source && app.fileCheck.readable(screenCopy)) {
            then(screenCopy);
            return;
        }
        screenCopyWaiting.push(then);
        if (screenCopyPending === source)
            return;
        screenCopyPending = source;
        // The size the engine draws the focus blur and the frames for, so
        // that a preview on the copy is what Apply gives on the photo.
        var side = runner.screenSide;
        work.start("screen-copy", [["screenCopy", source, side]],
                   function(path) { screenCopyMade(source, path); },
                   function(error) { screenCopyMade(source, ""); }, true);
    }

    function screenCopyMade(source, path) {
        screenCopyPending = "";
        if (path !== "") {
            screenCopy = path;
            screenCopyOf = source;
        }
        var waiting = screenCopyWaiting;
        screenCopyWaiting = [];
        for (var i = 0; i < waiting.length; ++i)
            waiting[i](path);
    }

    // Runs `calls` on the photo on the main worker with the busy indicator
    // turning, and commits the result (then calls then()). `previewCalls`, when
    // given, make the same picture from the screen copy on the quick worker,
    // shown in the meantime.
    function applyAsync(label, calls, previewCalls, then, step) {
        // A step being changed: the new step and every later one are made
        // again from the picture before it.
        if (stepsWork.revising) {
            stepsWork.replace(label, step, "", then);
            return;
        }
        app.busyLabel = label;
        app.busy = true;
        var over = false;
        function finish() {
            over = true;
            work.cancel("apply-preview");
            app.busy = false;
            photo.standIn = "";
        }
        if (previewCalls)
            work.start("apply-preview", previewCalls, function(path) { if (!over) photo.standIn = path; }, null, true);
        work.start("apply", calls, function(path) {
            finish();
            if (commit(path, label, step) && then)
                then();
        }, function(error) {
            finish();
            fail(error ? label + " failed: " + error : label + " failed.");
        });
    }

    // Checks a result and makes it the current picture.
    function commit(path, label, step) {
        if (!path) {
            fail(label + " failed.");
            return false;
        }
        if (!app.fileCheck.readable(path)) {
            fail(label + " failed: no picture was written.");
            return false;
        }
        // A step being changed: its Apply ends once the later steps are made
        // again (the tool closes then).
        if (stepsWork.revising) {
            stepsWork.replace(label, step, path, null);
            return false;
        }
        history.apply(path, stepsWork.recorded(step));
        photo.reload();
        return true;
    }

    // Opens a tool; `properties` are handed to its panel besides `editor`.
    function openToolNamed(name, properties) {
        // A photo still loading gets the tool once it shows.
        if (!photo.hasPicture) {
            pendingTool = photo.status === Image.Error ? null : { name: name, properties: properties };
            return;
        }
        pendingTool = null;
        for (var i = 0; i < toolEntries.length; ++i) {
            if (toolEntries[i].name === name) {
                photo.resetView();
                openTool = name;
                var initial = properties ? properties : {};
                initial.editor = editor;
                panelLoader.setSource(toolEntries[i].panel, initial);
                return;
            }
        }
    }

    property var pendingTool: null
    Connections {
        target: editor.photo
        function onHasPictureChanged() {
            if (editor.photo.hasPicture && editor.pendingTool)
                editor.openToolNamed(editor.pendingTool.name, editor.pendingTool.properties);
        }
    }

    function closeTool() {
        pendingTool = null;
        openTool = "";
        panelLoader.source = "";
        stepsWork.toolClosed();
    }

    function hasTool(name) {
        return toolEntries.some(function(entry) { return entry.name === name; });
    }

    // Undo and redo move through the steps; a picture whose working file
    // went past the undo budget is made again from the nearest one kept.
    function undo() {
        if (openTool === "" && history.canUndo && !app.busy)
            stepsWork.goTo(history.index - 1, null);
    }

    function redo() {
        if (openTool === "" && history.canRedo && !app.busy)
            stepsWork.goTo(history.index + 1, null);
    }

    // The Steps list: change step i (its tool opens with its settings; its
    // Apply replaces it and makes the later steps again) or remove it.
    readonly property alias revising: stepsWork.revising
    function reviseStep(i) {
        stepsWork.revise(i);
    }
    function removeStep(i) {
        stepsWork.remove(i);
    }

    // Opens `original` (a path) and replays `steps` (as readSteps gives
    // them) on it, as "Continue editing" and "Edit steps" do.
    function openWithSteps(original, steps) {
        return stepsWork.openWithSteps(original, steps);
    }

    // Saves the current picture with the Save sheet's last choice, on the
    // runner with the busy indicator turning; `then` (optional) runs once it
    // is saved. A picture saved already is not saved again: the message says
    // where it is.
    function save(then) {
        if (!history.current || app.busy)
            return;
        if (history.currentIsSaved) {
            app.showMessage("Already saved in " + history.savedWhere);
            if (then)
                then();
            return;
        }
        app.busyLabel = "Saving";
        app.busy = true;
        var call = ["tools.exportImageAs", history.current, history.original].concat(saveSheet.exportArguments())
                                                                                .concat([stepsKeeper.savedStepsText()]);
        work.start("save", [call], function(saved) {
            app.busy = false;
            savedAs(saved);
            app.showMessage("Saved as " + saved);
            if (then)
                then();
        }, function(error) {
            app.busy = false;
            app.showError("Saving failed: " + (error || "the picture could not be written."));
        });
    }

    // The Save button: the sheet, then save() with what was chosen.
    function askSave() {
        if (history.current && !app.busy)
            saveSheet.ask();
    }

    // One tap: the current picture enhanced (tools.autoEnhanceImage) and
    // applied as a step of its own, undone like any other.
    function autoEnhance() {
        if (!history.current || openTool !== "")
            return;
        var from = history.current;
        ToolWork.claim(editor, from);
        var copy = screenCopyOf === from ? screenCopy : "";
        applyAsync("Auto enhance", [["tools.autoEnhanceImage", from]],
                   copy ? [["tools.autoEnhanceImage", copy]] : null, null,
                   { object: "tools", call: "autoEnhanceImage", args: [], label: "Auto enhance" });
    }

    // After a save: the current entry is saved (at `where`, a file or the
    // folder), and Home's Saved grid shows it.
    function savedAs(where) {
        history.markSaved(where);
        stepsKeeper.saved(where);
        app.pictureSaved(where);
    }

    // Runs `then` at once when no edit would be lost; else asks first: Save
    // (then `then`), Discard (the edits are dropped, then `then`) or Cancel.
    function leave(then) {
        if (!history.hasUnsavedEdits) {
            then();
            return;
        }
        unsavedPrompt.ask(then);
    }

    SaveSheet {
        id: saveSheet
        onChosen: editor.save()
    }

    UnsavedEditsPrompt {
        id: unsavedPrompt
        // A popup does not take the page's colours by itself.
        Material.theme: editor.Material.theme
        Material.accent: editor.Material.accent
        onSaveChosen: (then) => editor.save(then)
        onDiscardChosen: (then) => {
            editor.closeTool();
            stepsKeeper.forgetCurrent();
            editor.history.clear();
            then();
        }
    }

    focus: true
    Keys.onPressed: (event) => {
        if (event.key === Qt.Key_Space && !event.isAutoRepeat) {
            editor.comparing = true;
            event.accepted = true;
        } else if (event.key === Qt.Key_Escape && editor.openTool !== "") {
            editor.closeTool();
            event.accepted = true;
        }
    }
    Keys.onReleased: (event) => {
        if (event.key === Qt.Key_Space && !event.isAutoRepeat) {
            editor.comparing = false;
            event.accepted = true;
        }
    }

    Shortcut { sequence: "Ctrl+Z"; enabled: editor.visible; onActivated: editor.undo() }
    Shortcut { sequence: "Ctrl+Shift+Z"; enabled: editor.visible; onActivated: editor.redo() }
    Shortcut { sequence: "Ctrl+Y"; enabled: editor.visible; onActivated: editor.redo() }
    Shortcut { sequence: "Ctrl+S"; enabled: editor.visible; onActivated: editor.save() }
    Shortcut { sequence: "Ctrl+Shift+C"; enabled: editor.visible; onActivated: stepsCopy.copy() }
    Shortcut { sequence: "Ctrl+Shift+V"; enabled: editor.visible; onActivated: stepsCopy.paste() }

    EditorHistory {
        id: editorHistory
    }

    AsyncWork {
        id: asyncWork
    }

    StepsWork {
        id: stepsWork
        editor: editor
    }

    StepsKeeper {
        id: stepsKeeper
        editor: editor
    }

    StepsCopy {
        id: stepsCopy
        app: editor.app
        stepsWork: stepsWork
        editor: editor
    }

    // The runner keeps screen-size copies of what it makes, large enough for
    // the photo view at its largest (no tool panel open): the whole page.
    Binding {
        target: runner
        property: "displaySize"
        value: Qt.size(Math.ceil(editor.width * Screen.devicePixelRatio),
                       Math.ceil(editor.height * Screen.devicePixelRatio))
    }

    header: ToolBar {
        Material.background: "#1e1e1e"
        RowLayout {
            anchors.fill: parent
            spacing: 0
            GlyphButton {
                objectName: "backButton"
                glyph: "\u2039"
                name: "back to home"
                onClicked: editor.leave(function() { editor.closed(); })
            }
            Item { Layout.fillWidth: true }
            GlyphButton {
                objectName: "stepsButton"
                glyph: "\u2630"
                name: "steps"
                enabled: editor.history.current !== ""
                highlighted: editor.wide && editor.stepsShown
                onClicked: editor.toggleSteps()
            }
            GlyphButton {
                glyph: "\u21b6"
                name: "undo"
                enabled: editor.history.canUndo && editor.openTool === ""
                onClicked: editor.undo()
            }
            GlyphButton {
                glyph: "\u21b7"
                name: "redo"
                enabled: editor.history.canRedo && editor.openTool === ""
                onClicked: editor.redo()
            }
            GlyphButton {
                glyph: "\u25d0"
                name: "compare with the original (hold)"
                enabled: editor.history.count > 1
                onPressedChanged: editor.comparing = pressed
            }
            GlyphButton {
                glyph: "Auto"
                name: "auto enhance"
                enabled: editor.history.current !== "" && editor.openTool === ""
                onClicked: editor.autoEnhance()
            }
            GlyphButton {
                glyph: "Save"
                name: "save"
                enabled: editor.history.current !== ""
                onClicked: editor.askSave()
            }
            GlyphButton {
                glyph: "Share"
                name: "share"
                enabled: editor.history.current !== ""
                onClicked: editor.app.openShare(editor.history.current)
            }
            GlyphButton {
                objectName: "stepsMenuButton"
                glyph: "\u22ef"
                name: "copy or paste steps"
                enabled: editor.history.current !== "" && editor.openTool === ""
                onClicked: stepsMenu.popup()
                Menu {
                    id: stepsMenu
                    // A popup does not take the page's colours by itself.
                    Material.theme: Material.Dark
                    MenuItem {
                        text: "Copy steps"
                        onTriggered: stepsCopy.copy()
                    }
                    MenuItem {
                        text: "Paste steps"
                        onTriggered: stepsCopy.paste()
                    }
                }
            }
        }
    }

    // Phone: photo, panel and tool bar in one column. Wide: the panel in a
    // column of its own beside the photo, the tool bar under both.
    // The Steps list: a column beside the photo in a big window (the top
    // bar's Steps button shows and hides it), a drawer otherwise.
    property bool stepsShown: true
    readonly property alias stepsDrawer: stepsDrawer
    readonly property real stepsColumnWidth: stepsColumn.width
    readonly property alias stepsDrawerList: drawerStepsList
    function toggleSteps() {
        if (wide)
            stepsShown = !stepsShown;
        else
            stepsDrawer.open();
    }

    StepsList {
        id: stepsColumn
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: visible ? 240 : 0
        visible: editor.wide && editor.stepsShown
        editor: editor
    }

    Drawer {
        id: stepsDrawer
        edge: Qt.RightEdge
        // Opened by the top bar's button only: a drag at the photo's edge pans it.
        dragMargin: 0
        // A popup does not take the page's colours by itself.
        Material.theme: editor.Material.theme
        Material.accent: editor.Material.accent
        Overlay.modal: Rectangle { color: "#80000000" }
        width: Math.min(320, editor.width * 0.8)
        height: editor.height
        StepsList {
            id: drawerStepsList
            anchors.fill: parent
            editor: editor
            onChosen: stepsDrawer.close()
        }
    }

    GridLayout {
        id: editorLayout
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: parent.right
        anchors.left: stepsColumn.right
        // A second column only while a panel is open: the tool bar spans
        // both, and an empty column would still take its share.
        columns: editor.wide && panelLoader.visible ? 2 : 1
        rowSpacing: 0
        columnSpacing: 0

        PhotoView {
            id: photoView
            Layout.row: 0
            Layout.column: 0
            Layout.fillWidth: true
            Layout.fillHeight: true
            source: editor.history.current
            compareSource: editor.history.original
            comparing: editor.comparing
            interactive: editor.openTool === ""
            pinchScale: editor.app ? editor.app.pinchScale : 1

            Label {
                anchors.centerIn: parent
                visible: photoView.status === Image.Error
                text: "This picture cannot be shown."
                color: "#ef9a9a"
            }
            // Work in the background (previews, a look being made): the
            // window stays usable, this turns.
            BusyIndicator {
                anchors.top: parent.top
                anchors.right: parent.right
                anchors.margins: 8
                width: 40
                height: 40
                z: 20
                running: asyncWork.busy && !(editor.app && editor.app.busy)
                visible: running
                Accessible.name: "working"
            }
            // A step being changed: which one (the tool works on the picture before it).
            Label {
                anchors.bottom: parent.bottom
                anchors.horizontalCenter: parent.horizontalCenter
                anchors.bottomMargin: 8
                // Over the tool's preview layer.
                z: 20
                visible: editor.revising !== null && editor.openTool !== ""
                text: editor.revising ? "Changing step " + (editor.revising.step + 1) + " of "
                                        + editor.history.steps.length : ""
                padding: 6
                background: Rectangle { color: "#a0000000"; radius: 4 }
            }
            Label {
                anchors.top: parent.top
                anchors.horizontalCenter: parent.horizontalCenter
                anchors.topMargin: 8
                visible: editor.comparing
                text: "Original"
                padding: 6
                background: Rectangle { color: "#a0000000"; radius: 4 }
            }
        }

        Loader {
            id: panelLoader
            Layout.row: editor.wide ? 0 : 1
            Layout.column: editor.wide ? 1 : 0
            Layout.alignment: Qt.AlignTop
            Layout.fillWidth: !editor.wide
            Layout.preferredWidth: editor.wide ? editor.sidePanelWidth : -1
            Layout.preferredHeight: item ? item.implicitHeight : 0 // qmllint disable type
            visible: status === Loader.Ready
            onLoaded: item.done.connect(editor.closeTool) // qmllint disable type
        }

        ToolBar {
            Layout.row: editor.wide ? 1 : 2
            Layout.column: 0
            Layout.columnSpan: editorLayout.columns
            Layout.fillWidth: true
            Material.background: "#1e1e1e"
            RowLayout {
                anchors.fill: parent
                Repeater {
                    model: editor.toolEntries
                    ToolButton {
                        id: toolButton
                        required property var modelData
                        Layout.fillWidth: true
                        implicitHeight: 56
                        checkable: true
                        checked: editor.openTool === modelData.name
                        visible: !modelData.hidden
                        enabled: photoView.hasPicture
                        Accessible.name: modelData.label
                        contentItem: Column {
                            spacing: 0
                            Label {
                                anchors.horizontalCenter: parent.horizontalCenter
                                text: toolButton.modelData.glyph
                                font.pixelSize: 22
                            }
                            Label {
                                anchors.horizontalCenter: parent.horizontalCenter
                                text: toolButton.modelData.label
                                font.pixelSize: 12
                            }
                        }
                        onClicked: {
                            if (editor.openTool === modelData.name)
                                editor.closeTool();
                            else
                                editor.openToolNamed(modelData.name);
                        }
                    }
                }
            }
        }
    }
}
