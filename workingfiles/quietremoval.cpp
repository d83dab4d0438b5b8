#include "quietremoval.h"

#include <QFile>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Closes the descriptors of unlinked files, which frees their blocks. One
// thread for the process, started on first use and joined at its end (after
// closing what is left).
class Closer
{
public:
    ~Closer()
    {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        if (thread.joinable())
            thread.join();
    }

    void close(int fd)
    {
        {
            std::lock_guard lock(mutex);
            pending.push_back(fd);
            if (!thread.joinable())
                thread = std::thread([this] { run(); });
        }
        wake.notify_all();
    }

    void settle()
    {
        std::unique_lock lock(mutex);
        done.wait(lock, [&] { return pending.empty() && !closing; });
    }

private:
    void run()
    {
        // Behind the window and the workers: nothing waits for this.
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [&] { return stopping || !pending.empty(); });
            if (pending.empty())
                return;
            const int fd = pending.front();
            pending.pop_front();
            closing = true;
            lock.unlock();
            ::close(fd);
            lock.lock();
            closing = false;
            done.notify_all();
        }
    }

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    std::deque<int> pending;
    bool closing = false;
    bool stopping = false;
    std::thread thread;
};

Closer &closer()
{
    static Closer c;
    return c;
}

}  // namespace

namespace quietremoval {

bool remove(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    // Held open across the unlink, the file keeps its blocks until the close.
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (::unlink(name.constData()) != 0) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    if (fd >= 0)
        closer().close(fd);
    return true;
}

void settle()
{
    closer().settle();
}

}  // namespace quietremoval
