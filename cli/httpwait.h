// The command line's wait for an upload: after a call on "http" that started
// a request, runs the event loop until the request is over, printing progress
// lines to `err` and the answer body to `out`.
//
//   progress SENT/TOTAL          one line per upload-progress report (stderr)
//   error                        the request reported an error (stderr)
//   <body>                       the answer body as it came, then a line break
//                                unless it ends with one (stdout)
//
// exitStatus() is 0 while every request ended without an error, 1 after an
// error or a request that did not end within the time limit.
#pragma once

#include <QIODevice>

#include <functional>

class ZQCHttpController;

class HttpWait
{
public:
    HttpWait(ZQCHttpController *http, QIODevice *out, QIODevice *err, int timeoutMs = 300000);

    // Waits if a request is in flight; returns at once otherwise (a signature,
    // a failed start).
    void waitForOutcome();
    // waitForOutcome as a callable, for the table of published objects.
    std::function<void()> afterCall();
    int exitStatus() const { return status; }

private:
    ZQCHttpController *http;
    QIODevice *out;
    QIODevice *err;
    int timeoutMs;
    int status = 0;
};
