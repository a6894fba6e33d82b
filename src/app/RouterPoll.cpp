#include "app/RouterPoll.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <chrono>
#include <exception>
#include <utility>
#include <vector>

#include "app/HostPort.h"
#include "net/TelnetSend.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string UserPrompt = "name :";
const std::string PasswordPrompt = "word :";
const std::string CommandPrompt = "=>";

bool HasLineBreakOrNul(const std::string& text)
{
    return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

}  // namespace

std::string CheckPollSettings(const std::string& host, const std::string& userName, const std::string& password)
{
    const THostPort target = SplitHostPort(host);
    if (!IsValidPort(target.Port))
        return "port \"" + target.Port + "\" is not a number from 1 to 65535";
    if (HasLineBreakOrNul(userName))
        return "the user name contains a line break or NUL character";
    if (HasLineBreakOrNul(password))
        return "the password contains a line break or NUL character";
    return "";
}

TPollOutcome FetchReply(const std::string& host, const std::string& userName, const std::string& password,
                        TReplyBuffer& reply, const TPollSettings& settings)
{
    const std::string refusal = CheckPollSettings(host, userName, password);
    if (!refusal.empty()) {
        reply.Clear();
        TPollOutcome outcome;
        outcome.FailedStep = TPollStep::psCheckSettings;
        outcome.ErrorText = refusal;
        outcome.DeadlineMs = settings.DeadlineMs;
        return outcome;
    }
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(settings.DeadlineMs);
    const THostPort target = SplitHostPort(host);

    TTelnetSend session;
    session.SetTimeout(PollTimeout);
    session.SetTargetHost(target.Host);
    session.SetTargetPort(target.Port);
    TTCPBlockSocket& sock = session.Sock();
    sock.SetMaxLineLength(settings.MaxReplyLength);
    // The dialogue sends small pieces (negotiation replies, one line at a time)
    // and waits for the answer to each: with Nagle's algorithm a piece would
    // wait for the router's delayed acknowledgement of the one before.
    sock.SetOnCreateSocket([](TBlockSocket& sender) {
        const int noDelay = 1;
        ::setsockopt(sender.SocketHandle(), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    });
    // Whether the poll is being called off; once it is, it stays so (the
    // question is not asked again).
    bool calledOff = false;
    const auto cancelled = [&calledOff, &settings] {
        if (!calledOff && settings.Cancelled)
            calledOff = settings.Cancelled();
        return calledOff;
    };
    sock.SetHeartbeatRate(settings.HeartbeatRateMs);
    sock.SetOnHeartbeat([&deadline, &settings, &cancelled](TBlockSocket& sender) {
        if (settings.Heartbeat)
            settings.Heartbeat();
        // The stop flag cuts the wait in progress short; the dialogue below
        // then ends instead of going on to its next step.
        if (Clock::now() >= deadline || cancelled())
            sender.SetStopFlag(true);
    });

    TPollOutcome outcome;
    outcome.DeadlineMs = settings.DeadlineMs;
    bool bufferRefilled = false;
    std::string replyText;

    const auto noteFailure = [&](TPollStep step, int code, const std::string& text) {
        if (outcome.FailedStep != TPollStep::psNone)
            return;
        outcome.FailedStep = step;
        outcome.ErrorCode = code;
        outcome.ErrorText = text;
    };

    const std::vector<std::pair<TPollStep, std::function<void()>>> dialogue = {
        {TPollStep::psConnect, [&] { session.Login(); }},
        {TPollStep::psWaitUserPrompt, [&] { session.WaitFor(UserPrompt); }},
        {TPollStep::psSendUser, [&] { session.Send(userName + "\r\n"); }},
        {TPollStep::psWaitPasswordPrompt, [&] { session.WaitFor(PasswordPrompt); }},
        {TPollStep::psSendPassword, [&] { session.Send(password + "\r\n"); }},
        {TPollStep::psWaitCommandPrompt, [&] { session.WaitFor(CommandPrompt); }},
        {TPollStep::psSendCommand,
         [&] {
             reply.Clear();
             if (settings.ProcessMessages) {
                 // Time spent in the user interface (a modal dialog, a poll of its
                 // own) is not the router's: the deadline moves on by as much.
                 const Clock::time_point handlingStart = Clock::now();
                 settings.ProcessMessages();
                 deadline += Clock::now() - handlingStart;
                 // A poll run from the user interface just now may have filled the
                 // same buffer; this poll's reading must stand alone in it.
                 reply.Clear();
             }
             bufferRefilled = true;
             session.Send(BitLoadingCommand + "\r\n");
             reply.Append(BitLoadingCommand);
         }},
        {TPollStep::psReceiveReply,
         [&] {
             replyText = session.ReceiveUntil(CommandPrompt);
             reply.Append(replyText);
         }},
    };

    TPollStep step = TPollStep::psNone;
    try {
        for (const auto& [dialogueStep, action] : dialogue) {
            step = dialogueStep;
            if (cancelled())
                break;
            action();
            if (cancelled())
                break;
            if (sock.LastErrorCode() != 0)
                noteFailure(step, sock.LastErrorCode(), sock.LastErrorText());
            if (Clock::now() >= deadline) {
                outcome.DeadlineExceeded = true;
                noteFailure(step, sock.LastErrorCode(), sock.LastErrorText());
                break;
            }
        }
        // The reply counts only when the prompt after it came: ReceiveUntil
        // returns text only when it found its terminator.
        outcome.Captured = !replyText.empty();
        if (calledOff && !outcome.Captured)
            noteFailure(step, sock.LastErrorCode(), "called off");
        step = TPollStep::psLogout;
        session.Logout();
    } catch (const std::exception& error) {
        noteFailure(step, sock.LastErrorCode(), error.what());
    } catch (...) {
        noteFailure(step, sock.LastErrorCode(), "unknown exception");
    }

    // A reply that was complete makes a finished poll, however late the call
    // to end came; anything less is no poll of the line.
    outcome.Cancelled = calledOff && !outcome.Captured;
    if (outcome.Captured) {
        outcome.FailedStep = TPollStep::psNone;
        outcome.ErrorCode = 0;
        outcome.ErrorText.clear();
        outcome.DeadlineExceeded = false;
    } else {
        noteFailure(TPollStep::psReceiveReply, sock.LastErrorCode(), "no reply before the prompt");
    }
    // Never leave the previous poll's text behind for ParseReply to cut again.
    if (!bufferRefilled)
        reply.Clear();
    return outcome;
}
