#pragma once
// What the monitor session needs of the window that shows it. The window
// implements it; tests implement it with plain recorders.

#include "app/PollOutcome.h"
#include "app/ToneBits.h"
#include "app/ToneRange.h"

#include <cstdint>
#include <string>

// The texts of the three entry fields, as typed.
struct TLoginFields {
    std::string Host;
    std::string UserName;
    std::string Password;
};

// Brush colours of the indicator square (0x00BBGGRR): red while the monitor
// is stopped, green once a poll has run.
inline constexpr std::uint32_t IndicatorStoppedColor = 0x0000FF;
inline constexpr std::uint32_t IndicatorRunningColor = 0x008000;

// The application-wide mouse cursor the monitor asks for.
enum TMonitorCursor { mcDefault, mcCrosshair, mcBusy };

class TMonitorView {
public:
    virtual ~TMonitorView() = default;

    // --- reading the window ----------------------------------------------------------------------
    virtual TLoginFields LoginFields() = 0;

    // --- showing the poll ------------------------------------------------------------------------
    // Empties the bar series, sets the bottom axis to the range and appends one
    // bar per tone of the range.
    virtual void PlotBars(const ToneBits& bits, const tones::ToneRange& range) = 0;
    // Brush colour of the indicator square (0x00BBGGRR).
    virtual void SetIndicator(std::uint32_t color) = 0;
    // Enabling an enabled timer must not restart its period.
    virtual void SetTimerEnabled(bool enabled) = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void ApplyCursor(TMonitorCursor cursor) = 0;
    // --- events while a poll runs ----------------------------------------------------------------
    // Handles every pending event once, user input included (right before the
    // router command is sent).
    virtual void ProcessMessages() = 0;
    // Handles pending events other than user input (at each heartbeat of a wait).
    virtual void Heartbeat() = 0;
};
