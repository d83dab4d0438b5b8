// The Steps list: the photo as opened, then every step with its label, the
// current picture marked and the steps after it (to redo) dimmed. Tapping a
// step reopens its tool with its settings, to change it; the cross removes
// it. The later steps are then made again (StepsWork.qml).
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import QtQuick.Layouts

Pane {
    id: list

    property var editor: null
    readonly property var history: editor ? editor.history : null
    readonly property var steps: history ? history.steps : []
    readonly property int current: history ? history.index : -1
    readonly property int revised: editor && editor.revising ? editor.revising.step : -1
    readonly property bool free: editor !== null && editor.openTool === "" && !(editor.app && editor.app.busy)
    readonly property alias view: stepsView

    // A step was tapped (or removed): the drawer holding the list closes.
    signal chosen()

    padding: 0
    Material.background: "#1a1a1a"

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Label {
            text: "Steps"
            font.pixelSize: 18
            font.bold: true
            padding: 12
        }

        ListView {
            id: stepsView
            objectName: "stepsView"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            // The photo as opened, then each step.
            model: list.history && list.history.count > 0 ? list.steps.length + 1 : 0
            currentIndex: list.current
            delegate: ItemDelegate {
                id: row
                required property int index
                readonly property bool isStep: index > 0
                readonly property var step: isStep ? list.steps[index - 1] : null
                readonly property bool isCurrent: index === list.current
                width: stepsView.width
                implicitHeight: Math.max(48, contentItem.implicitHeight + topPadding + bottomPadding)
                highlighted: isCurrent || isStep && index - 1 === list.revised
                enabled: list.free || highlighted
                opacity: index > list.current && !highlighted ? 0.55 : 1
                readonly property string label: !isStep ? "Original" : step && step.label ? step.label : "Step " + index
                Accessible.name: (isStep ? "step " + index + ", " : "") + label + (isCurrent ? ", current" : "")
                contentItem: RowLayout {
                    spacing: 8
                    Label {
                        text: row.isCurrent ? "\u25cf" : ""
                        color: row.Material.accent
                        Layout.preferredWidth: 12
                    }
                    Label {
                        Layout.fillWidth: true
                        wrapMode: Text.Wrap
                        maximumLineCount: 2
                        elide: Text.ElideRight
                        text: row.label
                        font.bold: row.isCurrent
                    }
                    ToolButton {
                        objectName: "removeStep"
                        visible: row.isStep
                        text: "\u2715"
                        implicitWidth: 40
                        implicitHeight: 40
                        enabled: list.free
                        Accessible.name: "remove " + row.label
                        onClicked: {
                            list.chosen();
                            list.editor.removeStep(row.index - 1);
                        }
                    }
                }
                onClicked: {
                    if (!isStep || !list.free)
                        return;
                    list.chosen();
                    list.editor.reviseStep(index - 1);
                }
            }
        }

        Label {
            visible: list.steps.length === 0
            Layout.fillWidth: true
            Layout.margins: 12
            wrapMode: Text.WordWrap
            color: "#9e9e9e"
            text: "Each edit you apply appears here. Tap one to change it."
        }
    }
}
