// The one-touch looks: a strip of every look made on a small copy of the
// photo; a tap applies the look to the photo itself.
import QtQuick

StripPanel {
    title: "Looks"
    stepName: "Look"
    lists: [{ list: "effects", kind: "look" }]
    copySide: 160
    isOriginal: function(entry) { return entry.id === 1500; }
    operation: function(entry, source) { return ["loadImage", source, entry.id]; }
}
