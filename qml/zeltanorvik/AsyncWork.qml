// The editor's side of the runner: start(lane, calls, done, failed) queues a
// job of facade calls on the main worker (quick: the quick worker, for the
// screen copy's previews) and calls done(path, value) or failed(reason) when
// it ends; a job replaced or cancelled (cancel(lane)) calls neither.
// preview(lane, calls, done, failed) does the same for a live preview, made
// in memory: `path` is then the address of its picture. `busy` while any job
// started here is open.
import QtQuick

Item {
    id: work
    visible: false

    property var jobs: ({})
    property int open: 0
    readonly property bool busy: open > 0

    function start(lane, calls, done, failed, quick) {
        return follow(quick ? runner.runQuick(lane, calls) : runner.run(lane, calls), lane, done, failed);
    }

    function preview(lane, calls, done, failed) {
        return follow(runner.preview(lane, calls), lane, done, failed);
    }

    function follow(ticket, lane, done, failed) {
        var j = jobs;
        j[ticket] = { lane: lane, done: done, failed: failed };
        jobs = j;
        open = open + 1;
        return ticket;
    }

    function cancel(lane) {
        runner.cancel(lane);
        for (var t in jobs) {
            if (jobs[t].lane === lane) {
                jobs[t].done = null;
                jobs[t].failed = null;
            }
        }
    }

    Connections {
        target: runner
        function onFinished(ticket, lane, path, error, cancelled, value) {
            var job = work.jobs[ticket];
            if (!job)
                return;
            var j = work.jobs;
            delete j[ticket];
            work.jobs = j;
            work.open = work.open - 1;
            if (cancelled)
                return;
            if (path !== "" && job.done)
                job.done(path, value);
            else if (path === "" && job.failed)
                job.failed(error);
        }
    }
}
