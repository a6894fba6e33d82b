#include "app/PollOutcome.h"

std::string PollStepName(TPollStep step)
{
    switch (step) {
    case TPollStep::psNone:
        return "none";
    case TPollStep::psCheckSettings:
        return "check of host, user name and password";
    case TPollStep::psConnect:
        return "connect";
    case TPollStep::psWaitUserPrompt:
        return "wait for \"name :\"";
    case TPollStep::psSendUser:
        return "send user name";
    case TPollStep::psWaitPasswordPrompt:
        return "wait for \"word :\"";
    case TPollStep::psSendPassword:
        return "send password";
    case TPollStep::psWaitCommandPrompt:
        return "wait for \"=>\"";
    case TPollStep::psSendCommand:
        return "send command";
    case TPollStep::psReceiveReply:
        return "receive reply";
    case TPollStep::psLogout:
        return "logout";
    case TPollStep::psReadBits:
        return "read the bit loading";
    }
    return "unknown step";
}

std::string DescribeOutcome(const TPollOutcome& outcome)
{
    if (outcome.Captured)
        return "reply captured";
    if (outcome.FailedStep == TPollStep::psCheckSettings)
        return "not polled: " + outcome.ErrorText;
    // No step: a failure read back from a store written by a later version.
    if (outcome.FailedStep == TPollStep::psNone)
        return outcome.ErrorText.empty() ? std::string("failed") : "failed: " + outcome.ErrorText;
    // The reason already says what came instead of a reading.
    if (outcome.FailedStep == TPollStep::psReadBits && !outcome.ErrorText.empty())
        return outcome.ErrorText;
    std::string text = PollStepName(outcome.FailedStep) + " failed: " + std::to_string(outcome.ErrorCode);
    if (!outcome.ErrorText.empty())
        text += " " + outcome.ErrorText;
    if (outcome.DeadlineExceeded)
        text += " (the poll ran out of time)";
    return text;
}
