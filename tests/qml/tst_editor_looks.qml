import QtQuick
import QtTest

// The editor's Looks panel: the strip fills, a tap shows its result (made off
// the GUI thread) without adding it to the history, another look replaces it,
// Apply adds it and waits for a result still coming, Cancel or closing the
// tool leaves the photo, the strength mixes the look with the photo (live,
// exactly the mix of the screen-size copies), and a failure says what went
// wrong.
WindowTestCase {
    name: "EditorLooks"

    // The panel once its strip is complete and nothing runs.
    function looksPanel() {
        var panel = openTool("looks");
        tryCompare(panel, "settled", true, 20000);
        tryCompare(panel.strip, "complete", true, 20000);
        idle();
        return panel;
    }

    // The working file a look of the opened photo is written to.
    function outputOfCurrent() {
        return app.temporaryFolder + "wide_norvik.png";
    }

    function test_looksStripAndApply() {
        var panel = openTool("looks");
        compare(panel.strip.entries.length, 30);
        compare(entryOf(panel, 1030).label, "Bright red");
        tryCompare(panel.strip, "complete", true, 20000);
        verify(!app.messages.visible, app.messages.text);

        panel.pick(entryOf(panel, 1030));
        idle();
        verify(panel.resultPath !== "");
        verify(panel.preview.visible);
        compare(editor.history.count, 1);
        // Another look replaces the first; looks do not stack.
        var first = panel.resultPath;
        panel.pick(entryOf(panel, 1101));
        idle();
        compare(panel.resultPath, first);
        compare(panel.chosen.id, 1101);
        // "Original" shows the photo again, with nothing to apply.
        panel.pick(entryOf(panel, 1500));
        compare(panel.resultPath, "");
        verify(!panel.preview.visible);
        panel.pick(entryOf(panel, 1101));
        idle();
        panel.apply();
        compare(editor.openTool, "");
        compare(editor.history.count, 2);
        compare(editor.history.current, first);
        compare(pictureSize(editor.history.current), Qt.size(640, 400));
    }

    // A transparent picture keeps its transparency through a look, shows
    // on a checkerboard and is saved as PNG.
    function test_transparencyKept() {
        openPhoto("sticker.png");
        var panel = openTool("looks");
        tryCompare(panel.strip, "complete", true, 20000);
        panel.pick(entryOf(panel, 1101));
        idle();
        panel.apply();
        idle();
        compare(editor.history.count, 2);
        tryVerify(function() { return editor.photo.hasPicture; });
        var checks = findChild(editor.photo, "checkerboard");
        verify(checks.visible);
        compare(checks.width, editor.photo.overlay.width);
        // Saved as PNG: the transparency is there.
        editor.save();
        tryCompare(app, "busy", false);
        compare(app.messages.text, "Saved as " + app.savedFolder + "sticker_edited.png");
    }

    // A mouse's vertical wheel scrolls the strip sideways.
    function test_wheelScrollsTheStrip() {
        var panel = openTool("looks");
        var flick = findChild(panel, "stripFlickable");
        tryVerify(function() { return flick.contentWidth > flick.width; }, 5000, flick.contentWidth + " " + flick.width);
        mouseWheel(flick, flick.width / 2, flick.height / 2, 0, -120);
        verify(flick.contentX > 0);
        mouseWheel(flick, flick.width / 2, flick.height / 2, 0, 240);
        compare(flick.contentX, 0);
    }

    function test_resultArrivesAndBusyClears() {
        var panel = looksPanel();
        var shown = panel.preview.serial;
        panel.pick(entryOf(panel, 1030));
        verify(panel.treating);
        verify(editor.work.busy);
        verify(!app.busy);              // the window stays usable
        idle();
        verify(!panel.treating);
        compare(panel.resultPath, outputOfCurrent());
        verify(panel.preview.serial > shown);
        compare(panel.preview.path, panel.resultPath);
        verify(panel.preview.ready);
        compare(editor.history.count, 1);
        panel.apply();
        compare(editor.history.count, 2);
        compare(editor.history.current, outputOfCurrent());
        verify(editor.photo.hasPicture);
        verify(!app.messages.visible, app.messages.text);
    }

    // Apply pressed before the photo's result is there waits for it, with the
    // busy indicator, and then applies the look last tapped.
    function test_secondTapWinsAndApplyWaits() {
        var panel = looksPanel();
        panel.pick(entryOf(panel, 1030));
        panel.pick(entryOf(panel, 1101));
        panel.apply();
        verify(app.busy);
        idle();
        compare(editor.openTool, "");
        compare(editor.history.count, 2);
        compare(editor.history.current, outputOfCurrent());
    }

    function test_cancelLeavesTheHistory() {
        var panel = openTool("looks");
        panel.pick(entryOf(panel, 1042));
        idle();
        verify(panel.resultPath !== "");
        panel.cancel();
        compare(editor.openTool, "");
        compare(editor.history.count, 1);
        verify(!editor.panel);
    }

    // Closing the tool while its look is made leaves the photo as it was; the
    // result, if it still comes, is never shown nor kept.
    function test_closingWhileBusyLeavesThePhoto() {
        var panel = looksPanel();
        panel.pick(entryOf(panel, 1042));
        editor.closeTool();
        idle();
        compare(editor.history.count, 1);
        compare(editor.history.current, testFolder + "wide.png");
        compare(editor.photo.standIn, "");
        verify(!app.messages.visible, app.messages.text);
    }

    function test_strengthUnderTheLooks() {
        var panel = openTool("looks");
        var slider = findChild(panel, "strengthSlider");
        verify(slider);
        compare(slider.value, 100);
        verify(!slider.enabled);  // nothing to mix before a look is chosen
        panel.pick(entryOf(panel, 1030));
        waitForTreatment(panel);
        verify(slider.enabled);
        var full = panel.resultPath;
        tryVerify(function() { return panel.screenResult !== ""; }, 20000);
        // Half strength: the preview is a mix of the screen-size copies.
        panel.setStrength(0.5);
        tryVerify(function() { return panel.preview.path !== full && panel.preview.path !== ""; });
        verify(!app.messages.visible, app.messages.text);
        var thumbnails = panel.smallCopy;
        panel.apply();
        tryCompare(app, "busy", false);
        compare(editor.openTool, "");
        compare(editor.history.count, 2);
        verify(editor.history.current !== full);
        compare(pictureSize(editor.history.current), Qt.size(640, 400));
        // The mix is written beside the look's result, not over the thumbnails' copy.
        verify(app.fileCheck.readable(full));
        verify(app.fileCheck.readable(thumbnails));
    }

    function test_lookStrength() {
        var panel = looksPanel();
        panel.pick(entryOf(panel, 1030));
        tryVerify(function() { return panel.resultPath !== "" && panel.screenResult !== ""; }, 20000);
        idle();
        var serial = panel.preview.serial;
        panel.setStrength(0.35);
        var address = shownAfter(panel.preview, serial);
        compareToFile(address, fileResult([["tools.blendImage", panel.screenCopy, panel.screenResult, 0.35]]));
        verify(!app.messages.visible, app.messages.text);
    }

    // The photo's file goes while the look is made: the failure is said and
    // the editor stays on the last good picture.
    function test_failureSaysWhy() {
        var panel = looksPanel();
        panel.pick(entryOf(panel, 1030));
        idle();
        panel.apply();
        compare(editor.history.count, 2);
        var good = editor.history.current;
        panel = looksPanel();
        // The working files go, the look's source with them.
        verify(communication.clearTemporaryPic());
        panel.pick(entryOf(panel, 1101));
        idle();
        verify(app.messages.visible);
        verify(app.messages.error);
        verify(app.messages.text.indexOf("could not be made") >= 0, app.messages.text);
        compare(panel.resultPath, "");
        compare(editor.history.current, good);
        compare(editor.history.count, 2);
    }
}
