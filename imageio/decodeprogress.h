// How far the decode of a picture has come, for a decode that takes seconds
// (a camera raw's development). Whoever runs a decode for the interface puts
// a DecodeProgress on its thread for as long as the decode runs; the
// decoders that know how far they are report to it, the others say nothing.
// Stopping is the job's cancel flag (bandworkers::CancelScope), which the
// same decoders obey between their steps.
#pragma once

#include <QString>

#include <atomic>
#include <functional>

namespace imageio {

class DecodeProgress
{
public:
    // `report` is called with whole percents, each higher than the last, on
    // the thread that decodes (or one of its helpers).
    explicit DecodeProgress(std::function<void(int percent)> report);
    ~DecodeProgress();
    DecodeProgress(const DecodeProgress &) = delete;
    DecodeProgress &operator=(const DecodeProgress &) = delete;

    // The progress of the decodes on this thread, or null.
    static DecodeProgress *current();

    // The decode has done `share` (0 to 1) of its work; safe on any thread.
    void reached(double share);

private:
    std::function<void(int)> report;
    std::atomic<int> percent{-1};
    DecodeProgress *previous;
};

// Whether the picture at `path` is decoded by a decoder that reports its
// progress (a camera raw), from its header.
bool reportsProgress(const QString &path);

}  // namespace imageio
