#pragma once
// What the "Record in the background..." dialog says about the recorder's
// systemd user unit: its state as `systemctl --user is-active` tells it, how
// a start or stop went, and, where there is no user systemd, the command
// line that runs the recorder by hand (never with the password in it).

#include "recorder/RecorderConfig.h"
#include "window/CommandRunner.h"

#include <QString>

enum class TRecorderState {
    rsAsking,         // not known yet
    rsRunning,        // active (or reloading)
    rsStarting,       // activating
    rsStopping,       // deactivating
    rsNotRunning,     // inactive, or a unit systemd does not know
    rsFailed,         // ended in failure
    rsNoUserSystemd,  // systemctl missing, or no user manager answers
};

struct TRecorderStatus {
    TRecorderState State = TRecorderState::rsAsking;
    // For rsNoUserSystemd: why ("systemctl --user: Failed to connect to bus: No medium found").
    QString Detail;
};

// The status `systemctl --user is-active UNIT` answered with: the state it
// printed, or no user systemd when it printed none (it could not be run,
// reached no user manager or did not answer within timeoutMs).
TRecorderStatus RecorderStatusFromIsActive(const TCommandResult& result, int timeoutMs);

// The sentence the dialog shows for a status.
QString RecorderStatusText(const TRecorderStatus& status);

// Why command (as typed, "systemctl --user enable --now ...") did not work:
// "COMMAND failed: what it said", "COMMAND did not finish within 15 s", ...;
// empty when it exited with 0.
QString CommandFailureText(const QString& command, const TCommandResult& result, int timeoutMs);

// "2 s", "300 ms".
QString DurationText(int ms);

// The command line that runs the recorder by hand: the program alone when it
// will read config from its usual place (readsDefaultConfig), otherwise the
// settings as arguments (--history, --interval, --password-file, --metrics,
// HOST and USER), quoted for a POSIX shell. Never the password.
QString ManualRecorderCommand(const TRecorderConfig& config, bool readsDefaultConfig);
