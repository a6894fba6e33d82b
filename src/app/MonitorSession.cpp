#include "app/MonitorSession.h"

#include "app/ReplyCut.h"

#include <ctime>

TMonitorSession::TMonitorSession(TMonitorView& view, std::string initialReplyText)
    : fView(view), fReply(std::move(initialReplyText)), fClock(LocalClockText)
{}

// ---- events ----------------------------------------------------------------------------------------

void TMonitorSession::RequestPoll()
{
    if (fClosing)
        return;
    if (fPolling) {
        // Handled inside the running poll's dialogue: run it afterwards, so
        // that the chart only ever shows one poll's reply.
        fPollPending = true;
        return;
    }
    try {
        do {
            fPollPending = false;
            RunPoll();
        } while (fPollPending && !fClosing);
    } catch (...) {
        // The rest of that poll is skipped; what was requested during it too.
        fPollPending = false;
        throw;
    }
}

void TMonitorSession::SelectRange(const tones::ToneRange& range)
{
    if (range == fRange)
        return;
    fRange = range;
    RequestPoll();
}

void TMonitorSession::Stop()
{
    SetTimer(false);
    SetIndicatorColor(IndicatorStoppedColor);
    fState = msStopped;
    if (fPolling) {
        fStopDuringPoll = true;
        fPollPending = false;
    }
}

bool TMonitorSession::CloseQuery()
{
    try {
        Stop();
    } catch (...) {
        // Closing is always allowed.
    }
    fClosing = true;
    fPollPending = false;
    return true;
}

void TMonitorSession::SetReadoutOnBar(bool onBar)
{
    fReadoutOnBar = onBar;
    UpdateCursor();
}

TMonitorCursor TMonitorSession::Cursor() const
{
    if (fPolling)
        return mcBusy;
    return fReadoutOnBar ? mcCrosshair : mcDefault;
}

// ---- the poll ----------------------------------------------------------------------------------------

namespace {

// Marks a poll as running for its whole duration, also when it ends by an exception.
class TPollScope {
public:
    TPollScope(bool& polling, std::function<void()> changed) : fPolling(polling), fChanged(std::move(changed))
    {
        fPolling = true;
        fChanged();
    }
    ~TPollScope()
    {
        fPolling = false;
        try {
            fChanged();
        } catch (...) {
        }
    }
    TPollScope(const TPollScope&) = delete;
    TPollScope& operator=(const TPollScope&) = delete;

private:
    bool& fPolling;
    std::function<void()> fChanged;
};

// Ends the running poll's status text whichever way the poll ends: unless the
// poll has put its result on the status line (Ended), the destructor puts
// the text of a broken-off poll there. The exception itself goes on.
class TRunningStatus {
public:
    explicit TRunningStatus(std::function<void()> brokenOff) : fBrokenOff(std::move(brokenOff)) {}
    ~TRunningStatus()
    {
        if (fEnded)
            return;
        try {
            fBrokenOff();
        } catch (...) {
        }
    }
    TRunningStatus(const TRunningStatus&) = delete;
    TRunningStatus& operator=(const TRunningStatus&) = delete;

    void Ended() { fEnded = true; }

private:
    std::function<void()> fBrokenOff;
    bool fEnded = false;
};

}  // namespace

void TMonitorSession::RunPoll()
{
    // Range and login as they are when this poll starts.
    const tones::ToneRange range = fRange;
    const TLoginFields login = fView.LoginFields();
    fStopDuringPoll = false;
    TPollScope scope(fPolling, [this] { UpdateCursor(); });
    SetStatus(PollRunningText(login.Host));
    TRunningStatus runningStatus(
        [this, &login] { SetStatus(PollBrokenOffText(login.Host, fClock ? fClock() : std::string())); });

    TPollSettings settings = fPollSettings;
    settings.ProcessMessages = [this] { fView.ProcessMessages(); };
    settings.Heartbeat = [this] { fView.Heartbeat(); };
    const TPollOutcome fetched = FetchReply(login.Host, login.UserName, login.Password, fReply, settings);

    // The indicator turns green after every dialogue, whatever its outcome,
    // unless Stop or a close request came in meanwhile.
    if (!fStopDuringPoll)
        SetIndicatorColor(IndicatorRunningColor);

    // A reply that came but holds no reading (an error message, say) is a
    // failed poll; the chart still shows what was read.
    const TReplyReading reading = ParseReply(fReply, fBits);
    const TPollOutcome outcome = JudgeReading(fetched, reading);
    fLastOutcome = outcome;
    fTonesRead = reading.TonesRead;
    fLastPollClock = fClock ? fClock() : std::string();
    ++fPollCount;

    // The axis changes together with the bars, so that no paint in between
    // shows the old bars on the new range.
    fView.PlotBars(fBits, range);
    fPlottedRange = range;
    // A poll called off says nothing about the line: it is not kept, not
    // even as a failure.
    const std::string note =
        fRecorder && !outcome.Cancelled ? fRecorder->KeepPoll(outcome, login.Host, fBits, range) : std::string();
    const std::string status = PollStatusText(outcome, login.Host, fTonesRead, fLastPollClock);
    SetStatus(note.empty() ? status : status + "; " + note);
    runningStatus.Ended();

    if (!fStopDuringPoll) {
        SetTimer(true);
        fState = msRunning;
    }
}

void TMonitorSession::ShowPastPoll(const ToneBits& bits, const tones::ToneRange& range, const std::string& statusText)
{
    fView.PlotBars(bits, range);
    fPlottedRange = range;
    SetStatus(statusText);
}

// ---- view updates --------------------------------------------------------------------------------------

void TMonitorSession::SetTimer(bool enabled)
{
    // Enabling an enabled timer changes nothing: its period runs on.
    if (fTimerEnabled == enabled)
        return;
    fTimerEnabled = enabled;
    fView.SetTimerEnabled(enabled);
}

void TMonitorSession::SetIndicatorColor(std::uint32_t color)
{
    fIndicator = color;
    fView.SetIndicator(color);
}

void TMonitorSession::SetStatus(const std::string& text)
{
    fStatusText = text;
    fView.ShowStatus(text);
}

void TMonitorSession::UpdateCursor()
{
    const TMonitorCursor cursor = Cursor();
    if (cursor == fCursor)
        return;
    fCursor = cursor;
    fView.ApplyCursor(cursor);
}

// ---- helpers ---------------------------------------------------------------------------------------------

int TonesInCutReply(const TReplyBuffer& cutReply)
{
    return CountToneNumbers(RemoveLineBreaks(cutReply.Text()));
}

std::string LocalClockText()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr)
        return std::string();
    char text[16];
    const std::size_t n = std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return std::string(text, n);
}
