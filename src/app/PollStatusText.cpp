#include "app/PollStatusText.h"

#include "app/RouterPoll.h"
#include "net/SocketErrors.h"

namespace {

// What the system had just done when it began to wait at a step.
std::string WaitPhase(TPollStep step)
{
    switch (step) {
    case TPollStep::psWaitUserPrompt:
        return "after connecting";
    case TPollStep::psWaitPasswordPrompt:
        return "after the user name";
    case TPollStep::psWaitCommandPrompt:
        return "after the password";
    case TPollStep::psReceiveReply:
        return "after the command";
    default:
        return std::string();
    }
}

// What a send step sends.
std::string SentItem(TPollStep step)
{
    switch (step) {
    case TPollStep::psSendUser:
        return "the user name";
    case TPollStep::psSendPassword:
        return "the password";
    case TPollStep::psSendCommand:
        return "the command";
    default:
        return std::string();
    }
}

// A limit in milliseconds as seconds: "30 s", "0.5 s".
std::string SecondsText(int ms)
{
    std::string text = std::to_string(ms / 1000);
    const int fraction = ms % 1000;
    if (fraction != 0) {
        std::string digits = std::to_string(fraction + 1000).substr(1);
        while (digits.back() == '0')
            digits.pop_back();
        text += "." + digits;
    }
    return text + " s";
}

std::string WithReason(std::string text, const std::string& reason)
{
    if (!reason.empty())
        text += ": " + reason;
    return text;
}

}  // namespace

std::string PollFailureText(const TPollOutcome& outcome, const std::string& host)
{
    if (outcome.Captured)
        return std::string();
    const TPollStep step = outcome.FailedStep;
    if (outcome.DeadlineExceeded) {
        const std::string phase = WaitPhase(step);
        const std::string took = outcome.DeadlineMs > 0 ? "took longer than " + SecondsText(outcome.DeadlineMs)
                                                        : std::string("ran out of time");
        return "Gave up " + (phase.empty() ? std::string("polling") : phase) + ": the poll " + took;
    }
    if (step == TPollStep::psReadBits)
        return outcome.ErrorText.empty() ? std::string("No bit loading in the router's reply") : outcome.ErrorText;
    if (step == TPollStep::psConnect)
        return WithReason("Could not connect to " + host, outcome.ErrorText);
    if (step == TPollStep::psCheckSettings)
        return WithReason("Not polled", outcome.ErrorText);

    const std::string phase = WaitPhase(step);
    if (!phase.empty()) {
        if (outcome.ErrorCode == sockerr::TimedOut)
            return "No reply within " + std::to_string(PollTimeout / 1000) + " s " + phase;
        if (outcome.ErrorCode == sockerr::ConnectionReset)
            return "The router closed the connection " + phase;
        if (outcome.ErrorCode == 0 && step == TPollStep::psReceiveReply)
            return "No bit loading in the router's reply " + phase;
        return WithReason("Lost the router " + phase, outcome.ErrorText);
    }
    const std::string item = SentItem(step);
    if (!item.empty())
        return WithReason("Could not send " + item, outcome.ErrorText);
    // Any other step, also one added later: its name and the reason.
    return WithReason("The poll failed (" + PollStepName(step) + ")", outcome.ErrorText);
}

std::string PollStatusText(const TPollOutcome& outcome, const std::string& host, int tonesRead,
                           const std::string& clockText)
{
    if (outcome.Captured)
        return "Read " + std::to_string(tonesRead) + (tonesRead == 1 ? " tone" : " tones") + " at " + clockText;
    return PollFailureText(outcome, host) + " (at " + clockText + ")";
}

std::string PollRunningText(const std::string& host)
{
    return "Polling " + host + "...";
}

std::string PollBrokenOffText(const std::string& host, const std::string& clockText)
{
    return "The poll of " + host + " ended with an error (at " + clockText + ")";
}
