// Colour mixer: hue, saturation and lightness of each of eight bands of
// colour (tools.hslImage), chosen by coloured chips; each band blends
// smoothly into its neighbours. The live preview runs every changed band on
// the editor's screen copy; Apply runs the same on the photo.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts
import "ToolWork.js" as ToolWork

Pane {
    id: panel

    property var editor: null
    property bool applyWhenReady: false

    readonly property string source: editor ? editor.history.current : ""
    property string copy: ""
    property var preview: null
    readonly property bool ready: copy !== "" && probe.known

    readonly property var bands: [
        { name: "red", colour: "#e53935" }, { name: "orange", colour: "#fb8c00" },
        { name: "yellow", colour: "#fdd835" }, { name: "green", colour: "#43a047" },
        { name: "aqua", colour: "#00acc1" }, { name: "blue", colour: "#1e88e5" },
        { name: "purple", colour: "#8e24aa" }, { name: "magenta", colour: "#d81b60" }
    ]
    property int band: 0
    // Per band: [hue, saturation, lightness], each -100..100.
    property var amounts: [[0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0]]
    readonly property var current: amounts[band]
    readonly property bool neutral: amounts.every(function(a) { return a[0] === 0 && a[1] === 0 && a[2] === 0; })

    signal done()

    // The sliders show the chosen band's amounts.
    onCurrentChanged: {
        hueSlider.value = current[0];
        saturationSlider.value = current[1];
        lightnessSlider.value = current[2];
    }

    onReadyChanged: if (ready && applyWhenReady) {
        band = 0;
        setAmount(1, -60);
        apply();
    }

    function mixCalls(from) {
        var calls = [];
        for (var i = 0; i < bands.length; ++i) {
            var a = amounts[i];
            if (a[0] !== 0 || a[1] !== 0 || a[2] !== 0)
                calls.push(["tools.hslImage", calls.length ? "$previous" : from, bands[i].name, a[0], a[1], a[2]]);
        }
        return calls;
    }

    function setAmount(which, value) {
        var all = amounts.map(function(a) { return a.slice(); });
        all[band][which] = value;
        amounts = all;
        Qt.callLater(panel.previewNow); // qmllint disable type
    }

    function previewNow() {
        if (!ready)
            return;
        var calls = mixCalls(copy);
        if (calls.length === 0) {
            editor.work.cancel("mixer-preview");
            preview.clear();
            return;
        }
        editor.work.preview("mixer-preview", calls, function(path) {
            if (!panel.neutral)
                preview.show(path);
        }, function(error) {
            editor.fail("Colour mixer: " + (error ? error : "the preview cannot be made."));
        });
    }

    function apply() {
        if (!ready)
            return;
        var calls = mixCalls(source);
        if (calls.length === 0) {
            done();
            return;
        }
        editor.work.cancel("mixer-preview");
        var claimed = source;
        for (var i = 0; i < calls.length; ++i)
            claimed = ToolWork.claim(editor, claimed);
        var changed = bands.filter(function(b, i) { return amounts[i].some(function(a) { return a !== 0; }); });
        editor.applyAsync("Colour mixer", calls, mixCalls(copy), function() { done(); },
                          ToolWork.stepOf(editor, calls, source,
                                          "Colour mixer: " + changed.map(function(b) { return b.name; }).join(", "),
                                          { amounts: amounts }));
    }

    function reset() {
        amounts = [[0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0]];
        previewNow();
    }

    padding: 8
    contentHeight: controls.implicitHeight
    Material.elevation: 6

    Component.onCompleted: {
        if (!editor)
            return;
        preview = previewComponent.createObject(editor.photo);
        probe.measure(source);
    }
    Component.onDestruction: {
        editor.work.cancel("mixer-preview");
        if (preview)
            preview.destroy();
    }

    Component {
        id: previewComponent
        PreviewLayer {}
    }

    PictureProbe {
        id: probe
        onMeasured: {
            if (!known) {
                panel.editor.fail("Colour mixer: this photo cannot be read.");
                return;
            }
            panel.editor.withScreenCopy(function(made) {
                if (made === "") {
                    panel.editor.fail("Colour mixer: the preview copy cannot be made.");
                    return;
                }
                panel.copy = made;
            });
        }
    }

    ColumnLayout {
        id: controls
        width: parent.width
        spacing: 0

        ToneTabs {
            editor: panel.editor
            current: "mixer"
        }

        RowLayout {
            Layout.fillWidth: true
            Label {
                text: "Colour mixer"
                font.pixelSize: 18
                font.bold: true
            }
            Item { Layout.fillWidth: true }
            Button {
                text: "Reset"
                flat: true
                implicitHeight: 44
                enabled: !panel.neutral
                Accessible.name: "reset the colour mixer"
                onClicked: panel.reset()
            }
        }
        // The eight bands; a dot under a chip marks a band that is changed.
        RowLayout {
            Layout.fillWidth: true
            spacing: 2
            Repeater {
                model: panel.bands.length
                AbstractButton {
                    id: chip
                    required property int index
                    readonly property var entry: panel.bands[index]
                    readonly property var amount: panel.amounts[index]
                    Layout.fillWidth: true
                    implicitHeight: 48
                    Accessible.role: Accessible.RadioButton
                    Accessible.name: entry.name
                    Accessible.checked: panel.band === index
                    onClicked: panel.band = index
                    contentItem: Item {
                        Rectangle {
                            anchors.centerIn: parent
                            width: 34
                            height: 34
                            radius: 17
                            color: chip.entry.colour
                            border.width: panel.band === chip.index ? 3 : 0
                            border.color: "#ffffff"
                        }
                        Rectangle {
                            anchors.horizontalCenter: parent.horizontalCenter
                            anchors.bottom: parent.bottom
                            width: 6
                            height: 6
                            radius: 3
                            color: "#ffffff"
                            visible: chip.amount[0] !== 0 || chip.amount[1] !== 0 || chip.amount[2] !== 0
                        }
                    }
                }
            }
        }
        AmountSlider {
            id: hueSlider
            label: "Hue"
            enabled: panel.ready
            onChangedBy: panel.setAmount(0, value)
        }
        AmountSlider {
            id: saturationSlider
            label: "Saturation"
            enabled: panel.ready
            onChangedBy: panel.setAmount(1, value)
        }
        AmountSlider {
            id: lightnessSlider
            label: "Lightness"
            enabled: panel.ready
            onChangedBy: panel.setAmount(2, value)
        }
        RowLayout {
            Layout.fillWidth: true
            Button {
                text: "Cancel"
                flat: true
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "cancel colour mixer"
                onClicked: panel.done()
            }
            Button {
                text: "Apply"
                highlighted: true
                enabled: panel.ready && !panel.neutral
                implicitHeight: 48
                Layout.fillWidth: true
                Accessible.name: "apply colour mixer"
                onClicked: panel.apply()
            }
        }
    }
}
