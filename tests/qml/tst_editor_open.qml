import QtQuick
import QtTest

// Opening a camera raw in the editor: it develops on the runner with its
// progress over the view, then shows; another photo or Back stops it.
WindowTestCase {
    id: testCase
    name: "EditorOpenRaw"
    photo: ""

    SignalSpy {
        id: jobs
        target: runner
        signalName: "finished"
    }

    // A raw written now; the runner's finished jobs counted from here.
    function rawPhoto(name, width, height) {
        jobs.clear();
        var path = testFolder + name;
        verify(testFiles.writeRaw(path, width, height));
        return path;
    }

    function openJobEnded() {
        for (var i = 0; i < jobs.count; ++i) {
            if (jobs.signalArguments[i][1] === "open")
                return jobs.signalArguments[i];
        }
        return null;
    }

    function openingLabel() {
        return findChild(editor, "openingLabel");
    }

    function test_rawOpensWithProgress() {
        var path = rawPhoto("bayer.dng", 1200, 800);
        verify(app.openPhoto(path));
        compare(editor.opening, path);
        verify(openingLabel().visible);
        compare(openingLabel().text, "Opening bayer.dng\u2026");
        verify(!editor.photo.hasPicture);
        tryVerify(function() { return editor.photo.hasPicture; }, 20000);
        compare(editor.opening, "");
        compare(editor.openingPercent, 100);
        verify(!openingLabel().visible);
        compare(editor.history.current, path);
        // Red on the left, blue on the right, as the sensor saw the light.
        var shown = grabImage(editor.photo);
        var left = shown.pixel(shown.width / 4, shown.height / 2);
        var right = shown.pixel(3 * shown.width / 4, shown.height / 2);
        verify(left.r > left.b + 0.3, left);
        verify(right.b > right.r + 0.3, right);
        verify(!app.messages.visible, app.messages.text);
    }

    function test_anotherPhotoStopsTheOpening() {
        var path = rawPhoto("large.dng", 3000, 2000);
        verify(app.openPhoto(path));
        compare(editor.opening, path);
        verify(app.openPhoto(testFolder + "wide.png"));
        compare(editor.opening, "");
        tryVerify(function() { return editor.photo.hasPicture; }, 20000);
        compare(editor.history.current, testFolder + "wide.png");
        tryVerify(function() { return openJobEnded() !== null; }, 20000);
        verify(openJobEnded()[4], "the raw's development was cancelled");
        idle();
        verify(!app.messages.visible, app.messages.text);
    }

    function test_backStopsTheOpening() {
        // Large enough that its development outlasts the page's transition
        // (a 6-megapixel one is developed by then on a quiet machine).
        var path = rawPhoto("larger.dng", 8000, 6000);
        verify(app.openPhoto(path));
        // Back as soon as the development reports, before it can end.
        tryVerify(function() { return editor.openingPercent > 0 || openJobEnded() !== null; }, 20000);
        tryCompare(app.pages, "busy", false);
        verify(openJobEnded() === null, "the development ended before Back could stop it");
        findChild(editor, "backButton").clicked();
        compare(editor.opening, "");
        verify(app.pages.currentItem !== editor);
        tryVerify(function() { return openJobEnded() !== null; }, 20000);
        verify(openJobEnded()[4], "the raw's development was cancelled");
        idle();
    }
}
