#pragma once

#include <string>

// The steps of a poll, in the order they run. The line history stores a
// step by its number: new steps go at the end and no step is ever renumbered.
enum class TPollStep {
    psNone,
    // The host, user name and password are checked before anything is sent.
    psCheckSettings,
    psConnect,
    psWaitUserPrompt,
    psSendUser,
    psWaitPasswordPrompt,
    psSendPassword,
    psWaitCommandPrompt,
    psSendCommand,
    psReceiveReply,
    psLogout,
    // The reply came, but its cells do not hold the 513 tones (a router that
    // answers the command with an error message, for instance).
    psReadBits,
};

// The last step there is; a stored number beyond it is not a step of this version.
constexpr TPollStep LastPollStep = TPollStep::psReadBits;

// What the user would call the step, e.g. "wait for \"name :\"".
std::string PollStepName(TPollStep step);

// How a poll went. A poll is a reading only when Captured is true; otherwise
// FailedStep names the first step that went wrong, with the socket's error
// code and text at that point (or the text of an exception, or for
// psReadBits the reason in the words the user sees).
struct TPollOutcome {
    bool Captured = false;
    TPollStep FailedStep = TPollStep::psNone;
    int ErrorCode = 0;
    std::string ErrorText;
    // The dialogue was cut off because the whole poll took longer than
    // DeadlineMs, the limit in force for it (0 where it is not known, as for
    // a poll read back from the history).
    bool DeadlineExceeded = false;
    int DeadlineMs = 0;
    // The poll was called off (TPollSettings::Cancelled) before its reply was
    // complete: it says nothing about the line and is kept nowhere.
    bool Cancelled = false;
};

// One line for the user, e.g. "connect failed: 10061 Connection refused"; for
// psReadBits the reason alone, e.g. "No bit loading in the router's reply:
// Syntax error".
std::string DescribeOutcome(const TPollOutcome& outcome);
