#include "decodeprogress.h"

#include "pictureformat.h"

#include <algorithm>
#include <cmath>

namespace imageio {

namespace {
thread_local DecodeProgress *onThisThread = nullptr;
}  // namespace

DecodeProgress::DecodeProgress(std::function<void(int)> report)
    : report(std::move(report))
    , previous(onThisThread)
{
    onThisThread = this;
}

DecodeProgress::~DecodeProgress()
{
    onThisThread = previous;
}

DecodeProgress *DecodeProgress::current()
{
    return onThisThread;
}

void DecodeProgress::reached(double share)
{
    if (!(share >= 0))
        return;
    const int now = int(std::floor(std::min(share, 1.0) * 100));
    int before = percent.load(std::memory_order_relaxed);
    while (now > before) {
        if (percent.compare_exchange_weak(before, now)) {
            if (report)
                report(now);
            return;
        }
    }
}

bool reportsProgress(const QString &path)
{
    return identify(path).decoder == Decoder::Raw;
}

}  // namespace imageio
