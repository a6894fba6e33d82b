#pragma once
// quillmont-recorder up to its first poll: the arguments, recorder.conf when
// they name no host, and the password, each refusal a usage error.

#include <QString>
#include <iosfwd>
#include <string>
#include <vector>

#include "recorder/RecorderPassword.h"
#include "recorder/RecorderSettings.h"

// Exit codes of quillmont-recorder.
constexpr int RecorderExitStopped = 0;  // stopped by SIGTERM or SIGINT (or --help, --version)
constexpr int RecorderExitFailed = 1;   // could not start at all
constexpr int RecorderExitUsage = 2;    // arguments, recorder.conf or the password

// What the recorder takes from its surroundings.
struct TRecorderEnvironment {
    // QUILLMONT_PASSWORD and CREDENTIALS_DIRECTORY, null when not set.
    const char* PasswordVariable = nullptr;
    const char* CredentialsDirectory = nullptr;
    // recorder.conf, and the store used when nothing names one.
    QString ConfigPath;
    QString DefaultHistory;
    // The desktop's Secret Service (empty: none is asked).
    TSecretServiceLookup SecretService;
};

// A recorder ready to start.
struct TRecorderStart {
    TRecorderSettings Settings;
    std::string Password;
    // Where the password came from, for the first log line.
    std::string PasswordSource;
};

// Parses args (without the program name) and finds the settings and the
// password. Answers -1 when the recorder is to start (start filled);
// otherwise the exit code: after --help or --version (text on out), or
// RecorderExitUsage with one line on err saying why (and the usage, for a
// bad command line).
int PrepareRecorder(const std::vector<std::string>& args, const TRecorderEnvironment& environment, std::ostream& out,
                    std::ostream& err, TRecorderStart& start);

// The first log line: what is recorded where, e.g. "recording 192.168.1.1 as
// Administrator every 60 s into /home/u/.local/share/quillmont-monitor/
// history.sqlite (password from QUILLMONT_PASSWORD)".
std::string RecorderStartText(const TRecorderStart& start);
