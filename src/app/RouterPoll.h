#pragma once

#include <functional>
#include <string>

#include "app/PollOutcome.h"
#include "app/ReplyBuffer.h"
#include "app/ReplyReading.h"
#include "app/ToneBits.h"

// The router command whose reply carries the bit loading.
inline const std::string BitLoadingCommand = "xdsl debug bitloadinginfo";
// The longest pause in incoming data that a wait of the dialogue accepts.
constexpr int PollTimeout = 2000;

struct TPollSettings {
    // Lets the user interface handle its pending events once, right before the
    // command is sent. May be empty.
    std::function<void()> ProcessMessages;
    // The whole poll ends after this many milliseconds, also when a router
    // keeps trickling data so that no single wait ever times out. Time spent
    // in ProcessMessages does not count.
    int DeadlineMs = 30000;
    // How often a wait checks the deadline.
    int HeartbeatRateMs = 100;
    // Runs at each heartbeat of the session's socket (every HeartbeatRateMs
    // while a wait blocks, and before each read and send), so that the user
    // interface can keep painting. May be empty.
    std::function<void()> Heartbeat;
    // Asked at each heartbeat and before and after each step of the
    // dialogue; once it answers true the poll is called off at once: the wait
    // in progress is cut short, nothing more is sent, and the outcome says
    // Cancelled (unless the reply was already complete). For a program that
    // is told to end while it polls. May be empty.
    std::function<bool()> Cancelled;
    // A real reply is about 3 KB; anything far beyond is not a router talking.
    int MaxReplyLength = 1 << 20;
};

// Why the host, user name or password cannot be used for a poll, or "" when
// they can. A CR, LF or NUL in the user name or password would end the line
// early and hand the rest to the router as a command of its own; a port must
// be plain decimal digits naming 1..65535.
std::string CheckPollSettings(const std::string& host, const std::string& userName, const std::string& password);

// Logs into the router at host ("host", "host:port", "[ipv6]:port" or a bare
// IPv6 literal; port 23 unless given), sends the bit-loading command and
// leaves the command line and the reply in the buffer. The dialogue goes on
// past failed waits, as a slow or odd router may still answer; the outcome
// says whether a reply was captured (whether it holds a reading is for
// JudgeReading to say after ParseReply). Whenever the buffer was not refilled,
// it is left empty. Settings that CheckPollSettings refuses end the poll at
// once, before anything is connected or sent (step psCheckSettings). A poll
// called off through settings.Cancelled before its reply was complete ends
// within about one heartbeat, with outcome.Cancelled set.
TPollOutcome FetchReply(const std::string& host, const std::string& userName, const std::string& password,
                        TReplyBuffer& reply, const TPollSettings& settings = {});

// Cuts the buffer filled by FetchReply down to the cells and reads all 513
// entries of toneBits from them (0 where nothing could be read). The buffer
// keeps the cut lines. Answers what the cut found, for JudgeReading: a
// captured reply is a reading only when all its cells held numbers.
TReplyReading ParseReply(TReplyBuffer& reply, ToneBits& toneBits);
