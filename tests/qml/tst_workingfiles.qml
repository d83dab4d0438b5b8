import QtQuick
import QtTest
import "../../qml/zeltanorvik/WorkingFiles.js" as WorkingFiles

TestCase {
    name: "WorkingFiles"

    readonly property string temporaryFolder: communication.getMeeGoRootDir() + ".qvrkTemp/"

    // The interface predicts the working file exactly as the facade names it.
    function test_namesMatchTheFacade_data() {
        return [
            { tag: "jpeg", source: testFolder + "wide.jpg" },
            { tag: "file URL", source: "file://" + testFolder + "wide.png" },
        ];
    }

    function test_namesMatchTheFacade(data) {
        var written = communication.qualityImage(data.source, 0.1);
        compare(WorkingFiles.workingFileFor(data.source, temporaryFolder), written);
        compare(WorkingFiles.workingFileFor(written, temporaryFolder), communication.qualityImage(written, 0.5));
    }

    // Past the file system's limit too: a chain of 40 steps, a name with two-,
    // three- and four-byte characters.
    function test_longChainsMatchTheFacade_data() {
        return [
            { tag: "plain", source: testFolder + "wide.png" },
            { tag: "multi-byte", source: testFolder + "Прогулка_散歩_\u{1F332}.png" },
        ];
    }

    function test_longChainsMatchTheFacade(data) {
        var current = data.source;
        for (var step = 0; step < 40; ++step) {
            var predicted = WorkingFiles.workingFileFor(current, temporaryFolder);
            var written = communication.qualityImage(current, step === 0 ? 0.05 : 1.0);
            compare(predicted, written, "step " + step);
            current = written;
        }
        verify(WorkingFiles.utf8Length(WorkingFiles.fileName(current)) <= WorkingFiles.nameBytesMax);
        verify(WorkingFiles.fileName(current).indexOf("~") > 0);
    }

    function test_urls() {
        compare(WorkingFiles.toUrl("/a b/c#1.png"), "file:///a%20b/c%231.png");
        compare(WorkingFiles.toPath("file:///a%20b/c%231.png"), "/a b/c#1.png");
        compare(WorkingFiles.toPath("file:///a/b.png?v=3"), "/a/b.png");
        compare(WorkingFiles.toPath("/plain/path.png"), "/plain/path.png");
        compare(WorkingFiles.toUrl(""), "");
        verify(WorkingFiles.isInside("/r/.qvrkTemp/x.png", "/r/.qvrkTemp/"));
        verify(!WorkingFiles.isInside("/r/x.png", "/r/.qvrkTemp/"));
    }
}
