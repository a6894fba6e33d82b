#pragma once
// The status line under the window's controls: when the last poll ran and
// what it gave, in plain words.

#include "app/PollOutcome.h"

#include <string>

// "Read 513 tones at 14:03:12" for a captured reply; otherwise what failed and
// why, followed by the time, e.g.
// "Could not connect to 192.168.1.254: Connection refused (at 14:03:12)" or
// "No reply within 2 s after the password (at 14:03:12)"; a reply without
// the bit loading gives its reason, e.g. "No bit loading in the router's
// reply: Syntax error (at 14:03:12)".
// host is the host text as typed; clockText the time of the poll.
std::string PollStatusText(const TPollOutcome& outcome, const std::string& host, int tonesRead,
                           const std::string& clockText);

// The failure part alone: what went wrong and why (empty for a captured reply).
std::string PollFailureText(const TPollOutcome& outcome, const std::string& host);

// Shown until the first poll.
inline const std::string StatusBeforeFirstPoll = "No poll yet";

// Shown while a poll runs.
std::string PollRunningText(const std::string& host);

// Shown when a poll ends by an exception (whose message the error box
// shows), so that the status line never claims a poll that is over.
std::string PollBrokenOffText(const std::string& host, const std::string& clockText);
