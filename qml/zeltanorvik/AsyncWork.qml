// The editor's side of the runner: start(lane, calls, done, failed) queues a
// job of facade calls on the main worker (quick: the quick worker, for the
// screen copy's previews) and calls done(path) or failed(reason) when it ends;
// a job replaced or cancelled (cancel(lane)) calls neither. `busy` while any
// job started here is open.
import QtQuick

Item {
    id: work
    visible: false

    property var jobs: ({})
    property int open: 0
    readonly property bool busy: open > 0

    function start(lane, calls, done, failed, quick) {
        var ticket = quick ? runner.runQuick(lane, calls) : runner.run(lane, calls);
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
        function onFinished(ticket, lane, path, error, cancelled) {
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
                job.done(path);
            else if (path === "" && job.failed)
                job.failed(error);
        }
    }
}
