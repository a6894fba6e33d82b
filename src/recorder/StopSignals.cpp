#include "recorder/StopSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <stdexcept>

namespace {

// The write end for the handler; -1 while no TStopSignals exists.
std::atomic<int> HandlerFd{-1};

extern "C" void WriteStopByte(int signal)
{
    const int saved = errno;
    const int fd = HandlerFd.load();
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signal);
        // A full pipe already says enough; the byte is not needed.
        (void)!::write(fd, &byte, 1);
    }
    errno = saved;
}

}  // namespace

TStopSignals::TStopSignals()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot make the pipe for the stop signals");
    int expected = -1;
    if (!HandlerFd.compare_exchange_strong(expected, fds[1])) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw std::runtime_error("the stop signals are handled already");
    }
    fReadFd = fds[0];
    fWriteFd = fds[1];
    struct sigaction action {};
    action.sa_handler = WriteStopByte;
    sigemptyset(&action.sa_mask);
    // Calls the signal interrupts go on by themselves; the pipe tells the rest.
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &fPreviousTerm);
    ::sigaction(SIGINT, &action, &fPreviousInt);
}

TStopSignals::~TStopSignals()
{
    ::sigaction(SIGTERM, &fPreviousTerm, nullptr);
    ::sigaction(SIGINT, &fPreviousInt, nullptr);
    HandlerFd.store(-1);
    ::close(fReadFd);
    ::close(fWriteFd);
}

bool TStopSignals::Received() const
{
    pollfd entry{fReadFd, POLLIN, 0};
    int r;
    do {
        r = ::poll(&entry, 1, 0);
    } while (r < 0 && errno == EINTR);
    return r > 0 && (entry.revents & POLLIN) != 0;
}
