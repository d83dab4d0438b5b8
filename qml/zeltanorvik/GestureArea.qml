// Move, zoom and turn one thing with fingers or a mouse: left drag moves it,
// the wheel zooms, a right drag turns it about `centre`; two fingers pinch
// (the touch tracker's scale) and turn (the angle between them). Every
// movement is reported in the coordinates of `reference`. Finger gestures
// reach only the `active` area, the one the user last touched.
import QtQuick

MouseArea {
    id: area

    // The item whose coordinates moves and the centre are given in.
    property Item reference: parent
    // The turning centre, in reference coordinates.
    property point centre: Qt.point(0, 0)
    property bool active: false
    // The touch tracker's pinch scale (the application root's pinchScale).
    property real pinchScale: 1

    property point last: Qt.point(0, 0)
    property real lastAngle: 0
    property real lastPinch: 1
    property real lastFingerAngle: NaN

    signal moved(real dx, real dy)
    signal zoomed(real factor)
    signal turned(real degrees)
    signal touched()

    acceptedButtons: Qt.LeftButton | Qt.RightButton
    preventStealing: true
    cursorShape: pressed ? Qt.ClosedHandCursor : Qt.OpenHandCursor

    function referencePoint(x, y) {
        return area.mapToItem(reference, x, y);
    }

    function angleAt(p) {
        return Math.atan2(p.y - centre.y, p.x - centre.x) * 180 / Math.PI;
    }

    onPressed: (mouse) => {
        var p = referencePoint(mouse.x, mouse.y);
        last = p;
        lastAngle = angleAt(p);
        area.touched();
    }
    onPositionChanged: (mouse) => {
        var p = referencePoint(mouse.x, mouse.y);
        if (mouse.buttons & Qt.RightButton) {
            var a = angleAt(p);
            var d = a - lastAngle;
            if (d > 180) d -= 360;
            if (d < -180) d += 360;
            area.turned(d);
            lastAngle = a;
        } else {
            area.moved(p.x - last.x, p.y - last.y);
        }
        last = p;
    }
    onWheel: (wheel) => {
        area.touched();
        area.zoomed(wheel.angleDelta.y > 0 ? 1.05 : 1 / 1.05);
    }

    onPinchScaleChanged: {
        if (active && lastPinch > 0 && pinchScale > 0)
            area.zoomed(pinchScale / lastPinch);
        lastPinch = pinchScale;
    }

    // Two fingers: the change of the angle between them turns the thing.
    Connections {
        target: typeof multitouch !== "undefined" ? multitouch : null
        enabled: area.active
        function onTouchPointsChanged() {
            var points = multitouch.touchPoints;
            if (points.length !== 2) {
                area.lastFingerAngle = NaN;
                return;
            }
            var a = Math.atan2(points[1].y - points[0].y, points[1].x - points[0].x) * 180 / Math.PI;
            if (!isNaN(area.lastFingerAngle)) {
                var d = a - area.lastFingerAngle;
                if (d > 180) d -= 360;
                if (d < -180) d += 360;
                area.turned(d);
            }
            area.lastFingerAngle = a;
        }
    }
}
