// A horizontal strip of labelled thumbnails, one for each entry, made one
// after the other (one a frame) so the strip fills while the user looks at it.
//
// `entries` are objects with `key` and `label`; `makeThumbnail(entry, done)`
// makes a picture for it (on a worker, say) and calls done(path) with its
// path ("" when it failed). Each thumbnail is decoded the moment it comes and
// kept in memory, and the next one is asked for only then: several entries
// may write the same working file one after the other.
pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Controls.Material
import "WorkingFiles.js" as WorkingFiles

Item {
    id: strip

    property var entries: []
    property var makeThumbnail: null
    property string selectedKey: ""
    property int thumbnailSize: 76
    readonly property int made: next
    readonly property bool complete: entries.length > 0 && next >= entries.length
    property int next: 0
    // Bumped by start() and stop(): a thumbnail asked for before is dropped.
    property int round: 0
    property bool waiting: false

    signal picked(var entry)

    // Starts (again) making every thumbnail.
    function start() {
        round = round + 1;
        waiting = false;
        next = 0;
        for (var i = 0; i < repeater.count; ++i)
            repeater.itemAt(i).clear(); // qmllint disable type
        maker.restart();
    }

    function stop() {
        round = round + 1;
        waiting = false;
        maker.stop();
    }

    function thumbnailMade(asked, index, path) {
        if (asked !== round)
            return;
        var item = repeater.itemAt(index);
        if (item)
            item.show(path); // qmllint disable type
        waiting = false;
        next = index + 1;
        maker.restart();
    }

    implicitHeight: thumbnailSize + 34
    implicitWidth: 300

    Timer {
        id: maker
        interval: 1
        repeat: true
        onTriggered: {
            if (strip.waiting)
                return;
            if (strip.next >= strip.entries.length || !strip.makeThumbnail) {
                stop();
                return;
            }
            var asked = strip.round, index = strip.next;
            strip.waiting = true;
            strip.makeThumbnail(strip.entries[index], function(path) { strip.thumbnailMade(asked, index, path); });
        }
    }

    // A Row in a Flickable, not a ListView: a ListView drops and remakes
    // delegates that scroll away, and a remade thumbnail would decode a file
    // that another entry has replaced since.
    Flickable {
        id: flick
        objectName: "stripFlickable"
        anchors.fill: parent
        contentWidth: row.width
        contentHeight: height
        flickableDirection: Flickable.HorizontalFlick
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.horizontal: ScrollBar { policy: ScrollBar.AsNeeded }

        // A mouse wheel turns vertically: it scrolls the strip sideways.
        WheelHandler {
            target: null
            onWheel: (event) => {
                var delta = event.angleDelta.y !== 0 ? event.angleDelta.y : event.angleDelta.x;
                var most = Math.max(0, flick.contentWidth - flick.width);
                flick.contentX = Math.max(0, Math.min(most, flick.contentX - delta / 120 * strip.thumbnailSize));
            }
        }

        Row {
            id: row
            spacing: 6
            Repeater {
                id: repeater
                model: strip.entries
                delegate: AbstractButton {
                    id: tile
                    required property var modelData
                    required property int index
                    property string path: ""
                    property int serial: 0
                    property bool failed: false

                    function show(file) {
                        failed = file === "";
                        path = file;
                        serial = serial + 1;
                    }
                    function clear() {
                        path = "";
                        failed = false;
                    }

                    width: strip.thumbnailSize
                    height: strip.thumbnailSize + 28
                    checkable: false
                    Accessible.name: modelData.label
                    Accessible.role: Accessible.Button
                    onClicked: strip.picked(modelData)

                    Rectangle {
                        id: frame
                        width: strip.thumbnailSize
                        height: strip.thumbnailSize
                        radius: 4
                        color: "#2a2a2a"
                        border.width: strip.selectedKey === tile.modelData.key ? 3 : 0
                        border.color: Material.accent

                        Image {
                            autoTransform: true
                            anchors.fill: parent
                            anchors.margins: 3
                            fillMode: Image.PreserveAspectFit
                            asynchronous: false
                            cache: false
                            sourceSize.width: strip.thumbnailSize
                            sourceSize.height: strip.thumbnailSize
                            source: tile.path ? WorkingFiles.toUrl(tile.path) + "?thumb=" + tile.serial : ""
                        }
                        BusyIndicator {
                            anchors.centerIn: parent
                            width: 28
                            height: 28
                            running: tile.path === "" && !tile.failed
                            visible: running
                        }
                        Label {
                            anchors.centerIn: parent
                            visible: tile.failed
                            text: "\u2715"
                            color: "#ef9a9a"
                        }
                    }
                    Label {
                        anchors.top: frame.bottom
                        anchors.topMargin: 4
                        width: strip.thumbnailSize
                        horizontalAlignment: Text.AlignHCenter
                        elide: Text.ElideRight
                        text: tile.modelData.label
                        font.pixelSize: 12
                        color: strip.selectedKey === tile.modelData.key ? Material.accent : "#e0e0e0"
                    }
                }
            }
        }
    }
}
