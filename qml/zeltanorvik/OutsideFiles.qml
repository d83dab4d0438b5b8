// Files from outside the editor: given on the command line or dropped on the
// window (text/uri-list). One photo opens in the editor (asking first when the
// editor holds unsaved edits); several open the collage picker with them
// chosen. A file that cannot be opened is named with the reason.
import QtQuick
import QtQuick.Controls.Material
import "WorkingFiles.js" as WorkingFiles

DropArea {
    id: outside

    // The application root (openPhoto, openPage, messages, fileCheck).
    property var app: null
    readonly property int collageMaximum: 9

    keys: ["text/uri-list"]

    // Opens `paths` (local paths or file URLs); says what could not be opened.
    // Returns what was opened: "editor", "collage" or "".
    function openFiles(paths, immediate) {
        var good = [];
        var bad = [];
        for (var i = 0; i < paths.length; ++i) {
            var path = WorkingFiles.toPath(String(paths[i]));
            if (path.indexOf("/") !== 0)
                bad.push(path + " cannot be opened: only files on this computer can.");
            else if (!app.fileCheck.readable(path))
                bad.push(WorkingFiles.fileName(path) + " cannot be opened: it is not a picture the editor can read.");
            else if (good.indexOf(path) < 0)
                good.push(path);
        }
        var opened = "";
        if (good.length === 1) {
            if (app.openPhoto(good[0], immediate))
                opened = "editor";
        } else if (good.length > 1) {
            if (good.length > collageMaximum)
                bad.push("A collage takes up to " + collageMaximum + " photos: the first "
                         + collageMaximum + " are chosen.");
            if (app.openPage("CollagePage.qml", { app: app, startChosen: good.slice(0, collageMaximum) },
                             "Collages"))
                opened = "collage";
        }
        if (bad.length > 0)
            app.showError(bad.join(" "));
        return opened;
    }

    // At start: the files the program was given, and why others were refused.
    function start(paths, problems) {
        if (paths.length > 0)
            openFiles(paths, true);
        if (problems.length > 0)
            app.showError(problems.join(" ") + (app.messages.text ? " " + app.messages.text : ""));
    }

    onEntered: (drag) => { drag.accepted = drag.hasUrls; }
    onDropped: (drop) => {
        if (!drop.hasUrls)
            return;
        drop.accept(Qt.CopyAction);
        // After the drop returns: opening may ask first, in a dialog.
        var urls = Array.from(drop.urls).map(String);
        Qt.callLater(outside.openFiles, urls, false);
    }

    Rectangle {
        anchors.fill: parent
        visible: outside.containsDrag
        color: "#30ffb74d"
        border.color: Material.accent
        border.width: 4
        z: 100
    }
}
