#pragma once
// The recorder's side of the monitor session: no chart, no indicator, no
// timer (the recorder keeps its own time); the login the recorder was
// started with; and while a poll waits, the program's pending events
// (a metrics request, the stop signal's notifier) are handled.

#include "app/MonitorView.h"

#include <functional>
#include <string>

class TRecorderView : public TMonitorView {
public:
    // events: handles the program's pending events; may be empty.
    TRecorderView(TLoginFields login, std::function<void()> events);

    // --- virtuals --------------------------------------------------------------------------
    TLoginFields LoginFields() override { return fLogin; }
    void PlotBars(const ToneBits&, const tones::ToneRange&) override {}
    void SetIndicator(std::uint32_t) override {}
    void SetTimerEnabled(bool) override {}
    void ShowStatus(const std::string& text) override { fStatus = text; }
    void ApplyCursor(TMonitorCursor) override {}
    void ProcessMessages() override;
    void Heartbeat() override;

    // --- getters ---------------------------------------------------------------------------
    // What the session would show on a window's status line.
    const std::string& Status() const { return fStatus; }

private:
    // --- data ------------------------------------------------------------------------------
    TLoginFields fLogin;
    std::function<void()> fEvents;
    std::string fStatus;
};
