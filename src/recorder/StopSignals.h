#pragma once
// SIGTERM and SIGINT turned into something a program can look at between and
// inside its polls: the handler only writes one byte into a pipe (the
// self-pipe), and the program asks whether the pipe holds one, or waits for
// it to become readable in its event loop. No other work runs in the
// handler.

#include <csignal>

class TStopSignals {
public:
    // Installs the handlers for SIGTERM and SIGINT. One at a time in a
    // process; throws std::runtime_error when the pipe cannot be made or a
    // second one is made.
    TStopSignals();
    // Puts the handlers that were there before back.
    ~TStopSignals();
    TStopSignals(const TStopSignals&) = delete;
    TStopSignals& operator=(const TStopSignals&) = delete;

    // --- getters ---------------------------------------------------------------------------
    // Whether a stop signal has come (it stays so: nothing is taken from the pipe).
    bool Received() const;
    // The pipe's end to watch for readability.
    int WakeFd() const { return fReadFd; }

private:
    // --- data ------------------------------------------------------------------------------
    int fReadFd = -1;
    int fWriteFd = -1;
    struct sigaction fPreviousTerm {};
    struct sigaction fPreviousInt {};
};
