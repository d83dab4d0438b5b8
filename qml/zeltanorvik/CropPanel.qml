// The crop tool: a box over the photo, free, at the photo's own ratio or at a
// fixed one; changing the ratio keeps the box's centre and as much of its size
// as fits. Apply cuts the photo to the box at the photo's own resolution.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import "CropGeometry.js" as CropGeometry
import "ToolWork.js" as ToolWork

Pane {
    id: panel

    // Set by the editor: the editor page (history, photo, run, commit, fail).
    property var editor: null
    property string ratioName: "Free"
    property var cropBox: null
    readonly property bool ready: cropBox !== null && sizeProbe.known

    // Apply as soon as the photo's size is known (for demonstrations and scripts).
    property bool applyWhenReady: false
    // Reopened to change its step: the box as shares of the shown picture.
    property var initialBox: null

    signal done()

    onReadyChanged: if (ready && applyWhenReady) apply()

    function apply() {
        if (!ready)
            return;
        if (cropBox.empty) {
            editor.fail("The crop box is empty: drag its corners apart first.");
            return;
        }
        var g = CropGeometry.cropArguments(cropBox.box, cropBox.width, cropBox.height,
                                           sizeProbe.decodedWidth, sizeProbe.decodedHeight,
                                           CropGeometry.ratioParts(ratioName, sizeProbe.decodedWidth,
                                                                   sizeProbe.decodedHeight));
        var source = editor.history.current;
        var calls = [["cropPic", source, g.screenW, g.screenH, g.w, g.h, g.x, g.y]];
        // The box is in screen terms, so the same crop of the screen copy
        // shows at once while the photo is cut.
        var copy = editor.screenCopyOf === source ? editor.screenCopy : "";
        var previewCalls = copy ? [["cropPic", copy, g.screenW, g.screenH, g.w, g.h, g.x, g.y]] : null;
        var b = cropBox.box;
        var step = ToolWork.stepOf(editor, calls, source,
                                   ratioName === "Free" ? "Crop" : ratioName === "Original" ? "Crop: original ratio"
                                                                                           : "Crop " + ratioName,
                                   { ratioName: ratioName,
                                     initialBox: { x: b.x / cropBox.width, y: b.y / cropBox.height,
                                                   w: b.w / cropBox.width, h: b.h / cropBox.height } });
        editor.applyAsync("Cropping", calls, previewCalls, function() { panel.done(); }, step);
    }

    function placeInitialBox() {
        if (!cropBox || !initialBox || cropBox.width <= 0)
            return;
        chooseRatio(ratioName);
        cropBox.box = { x: initialBox.x * cropBox.width, y: initialBox.y * cropBox.height,
                        w: initialBox.w * cropBox.width, h: initialBox.h * cropBox.height };
    }

    function cancel() {
        done();
    }

    function chooseRatio(name) {
        ratioName = name;
        if (!cropBox)
            return;
        var kept = cropBox.box;
        var pictureRatio = sizeProbe.implicitHeight > 0 ? sizeProbe.implicitWidth / sizeProbe.implicitHeight
                                                        : cropBox.width / cropBox.height;
        cropBox.ratio = CropGeometry.ratioValue(name, pictureRatio);
        cropBox.box = CropGeometry.reshapeBox(kept, cropBox.ratio, cropBox.width, cropBox.height);
    }

    padding: 8
    contentHeight: controls.implicitHeight
    Material.elevation: 6

    Component.onCompleted: {
        if (!editor)
            return;
        cropBox = cropBoxComponent.createObject(editor.photo.overlay, { ratio: 0 });
        editor.withScreenCopy(function(path) {});
        if (initialBox)
            Qt.callLater(panel.placeInitialBox); // qmllint disable type
    }
    Component.onDestruction: {
        if (cropBox)
            cropBox.destroy();
    }

    Component {
        id: cropBoxComponent
        CropBox {}
    }

    // The photo's size, read from its header: the crop is cut from the photo
    // at its own resolution, whatever its size (a 48-megapixel photo too).
    PictureProbe {
        id: sizeProbe
        readonly property int decodedWidth: Math.max(1, pictureWidth)
        readonly property int decodedHeight: Math.max(1, pictureHeight)
        Component.onCompleted: if (panel.editor) measure(panel.editor.history.current)
    }

    ColumnLayout {
        id: controls
        width: parent.width
        spacing: 6

        Label {
            text: "Crop"
            font.pixelSize: 18
            font.bold: true
        }

        RowLayout {
            spacing: 4
            Repeater {
                model: ["Free", "Original", "1:1", "4:3", "3:4", "16:9"]
                Button {
                    required property string modelData
                    text: modelData
                    checkable: true
                    checked: panel.ratioName === modelData
                    flat: !checked
                    implicitHeight: 48
                    Layout.fillWidth: true
                    Accessible.name: "ratio " + modelData
                    onClicked: panel.chooseRatio(modelData)
                }
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Button {
                text: "Cancel"
                flat: true
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "cancel crop"
                onClicked: panel.cancel()
            }
            Button {
                text: "Apply"
                highlighted: true
                enabled: panel.ready && !panel.cropBox.empty
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "apply crop"
                onClicked: panel.apply()
            }
        }
    }
}
