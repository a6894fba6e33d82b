#pragma once
// The monitor's state and its poll, without any window: the tone table, the
// reply buffer, the selected range, the Idle / Running / Stopped state with
// its timer and indicator, and the last poll's outcome. The window forwards
// its events here (Plot, the credit label, a range button, a timer tick,
// Stop, the close request, the readout's cursor) and shows what the session
// tells it through TMonitorView.

#include "app/MonitorView.h"
#include "app/PollOutcome.h"
#include "app/PollRecorder.h"
#include "app/PollStatusText.h"
#include "app/ReplyBuffer.h"
#include "app/RouterPoll.h"
#include "app/ToneBits.h"
#include "app/ToneRange.h"

#include <cstdint>
#include <functional>
#include <string>

enum TMonitorState {
    msIdle,     // program start: timer disabled, indicator red
    msRunning,  // after a poll: timer enabled, indicator green
    msStopped,  // after Stop or a close request: timer disabled, indicator red
};

class TMonitorSession {
public:
    // initialReplyText: what the reply buffer holds before the first poll
    // (the window's hidden text buffer shows its design text).
    explicit TMonitorSession(TMonitorView& view, std::string initialReplyText = std::string());

    // --- events -------------------------------------------------------------------------------------
    // A click on Plot or on the credit label, or a tick of the timer: one
    // poll. A request that arrives while a poll runs (through the event
    // handling inside the dialogue) is remembered and runs once right after
    // the running poll has ended; polls never nest.
    void RequestPoll();
    void TimerTick() { RequestPoll(); }
    // A range button became the selected one: the range changes and a poll
    // follows. Selecting the range already selected does nothing.
    void SelectRange(const tones::ToneRange& range);
    // Stop: timer disabled, indicator red. While a poll runs, Stop wins: that
    // poll ends with the timer disabled and the indicator red, and a poll
    // requested before the Stop is dropped.
    void Stop();
    // The close request: Stop, and no further poll runs. Closing is always allowed.
    bool CloseQuery();
    // Whether a bar lies under the mouse (the readout's crosshair).
    void SetReadoutOnBar(bool onBar);
    // A poll chosen in the history: its bits are plotted over range, the
    // readout numbers the bars from that range's first tone, and the status
    // line says what is shown, until the next poll plots live data again.
    // The timer, the indicator and the table of the last poll stay as they are.
    void ShowPastPoll(const ToneBits& bits, const tones::ToneRange& range, const std::string& statusText);

    // --- getters ------------------------------------------------------------------------------------
    TMonitorState State() const { return fState; }
    bool TimerEnabled() const { return fTimerEnabled; }
    std::uint32_t Indicator() const { return fIndicator; }
    const tones::ToneRange& Range() const { return fRange; }
    // The range of the bars on the chart (the selected one until the first poll).
    const tones::ToneRange& PlottedRange() const { return fPlottedRange; }
    const ToneBits& Bits() const { return fBits; }
    const TReplyBuffer& Reply() const { return fReply; }
    bool Polling() const { return fPolling; }
    bool PollPending() const { return fPollPending; }
    bool Closing() const { return fClosing; }
    int PollCount() const { return fPollCount; }
    // The last poll's outcome, the tones its reply held and the time it ended.
    bool HasPolled() const { return fPollCount > 0; }
    const TPollOutcome& LastOutcome() const { return fLastOutcome; }
    int TonesRead() const { return fTonesRead; }
    const std::string& LastPollClock() const { return fLastPollClock; }
    const std::string& StatusText() const { return fStatusText; }
    TMonitorCursor Cursor() const;

    // --- setters ------------------------------------------------------------------------------------
    // Settings of every poll's dialogue (deadline, heartbeat rate); the
    // event hooks are the view's and are set by each poll.
    void SetPollSettings(const TPollSettings& settings) { fPollSettings = settings; }
    // The time of day as the status line shows it (local HH:MM:SS unless replaced).
    void SetClock(std::function<std::string()> clock) { fClock = std::move(clock); }
    // Where every poll that ends is kept (none: kept nowhere). Not owned.
    void SetRecorder(TPollRecorder* recorder) { fRecorder = recorder; }

private:
    void RunPoll();
    void SetTimer(bool enabled);
    void SetIndicatorColor(std::uint32_t color);
    void SetStatus(const std::string& text);
    void UpdateCursor();

    // --- data ---------------------------------------------------------------------------------------
    TMonitorView& fView;
    ToneBits fBits{};
    TReplyBuffer fReply;
    tones::ToneRange fRange = tones::RangeLow;
    tones::ToneRange fPlottedRange = tones::RangeLow;
    TMonitorState fState = msIdle;
    bool fTimerEnabled = false;
    std::uint32_t fIndicator = IndicatorStoppedColor;
    TPollSettings fPollSettings;
    std::function<std::string()> fClock;
    TPollRecorder* fRecorder = nullptr;

    // The poll in progress and what arrived during it.
    bool fPolling = false;
    bool fPollPending = false;
    bool fStopDuringPoll = false;
    bool fClosing = false;

    // The last poll.
    int fPollCount = 0;
    TPollOutcome fLastOutcome;
    int fTonesRead = 0;
    std::string fLastPollClock;
    std::string fStatusText = StatusBeforeFirstPoll;

    TMonitorCursor fCursor = mcDefault;
    bool fReadoutOnBar = false;
};

// Tones whose cells in the cut reply hold numbers (up to 513): what a poll has read.
int TonesInCutReply(const TReplyBuffer& cutReply);

// The local time of day as HH:MM:SS.
std::string LocalClockText();
