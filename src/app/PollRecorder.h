#pragma once
// Where a session keeps the polls it makes: the line history for the window
// and the recorder, nothing at all by default. The session hands over every
// poll that has ended, reading or not, but none that was called off
// (TPollOutcome::Cancelled).

#include "app/PollOutcome.h"
#include "app/ToneBits.h"
#include "app/ToneRange.h"

#include <string>

class TPollRecorder {
public:
    virtual ~TPollRecorder() = default;

    // Keeps one poll: its outcome, the host as typed, the whole table and the
    // range it was plotted with. Answers "" or a note for the status line when
    // the poll could not be kept; a recorder never stops the poll.
    virtual std::string KeepPoll(const TPollOutcome& outcome, const std::string& host, const ToneBits& bits,
                                 const tones::ToneRange& range) = 0;
};
