// Whether a picture file exists and can be read: results are checked this way
// before the editor shows them. Only the file's header is read (the runner's
// check), never its pixels.
import QtQuick

QtObject {
    function readable(path) {
        return !!path && runner.readable(path);
    }
}
