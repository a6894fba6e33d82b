// quillmont-recorder: polls the router every interval and keeps every poll in
// the line history until SIGTERM or SIGINT; no display needed.

#include <QCoreApplication>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "history/HistoryEvents.h"
#include "history/HistoryRecorder.h"
#include "metrics/LineMetrics.h"
#include "metrics/MetricsServer.h"
#include "recorder/Recorder.h"
#include "recorder/RecorderCommand.h"
#include "recorder/RecorderConfig.h"
#include "recorder/StopSignals.h"
#include "secrets/RecorderPassword.h"

int main(int argc, char** argv)
{
    // First of all, so that a stop signal that comes while the recorder
    // starts (asking the Secret Service, say) ends it as cleanly as later.
    std::unique_ptr<TStopSignals> stop;
    try {
        stop = std::make_unique<TStopSignals>();
    } catch (const std::exception& error) {
        std::cerr << "quillmont-recorder: " << error.what() << "\n";
        return RecorderExitFailed;
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("quillmont-recorder");

    TRecorderEnvironment environment;
    environment.PasswordVariable = std::getenv("QUILLMONT_PASSWORD");
    environment.CredentialsDirectory = std::getenv("CREDENTIALS_DIRECTORY");
    environment.ConfigPath = DefaultRecorderConfigPath();
    environment.DefaultHistory = DefaultHistoryPath();
    environment.SecretService = ReadRecorderPassword;
    const std::vector<std::string> args(argv + 1, argv + argc);
    TRecorderStart start;
    const int early = PrepareRecorder(args, environment, std::cout, std::cerr, start);
    if (early >= 0)
        return early;

    TRecorder recorder(start.Settings, start.Password, std::cerr);
    // The metrics feed answers on a thread of its own; each kept poll is
    // published to it under a short lock.
    TLineMetrics metrics;
    std::unique_ptr<TMetricsServer> server;
    if (start.Settings.Metrics) {
        server = std::make_unique<TMetricsServer>(metrics);
        std::string error;
        if (!server->Listen(start.Settings.Metrics->Address, start.Settings.Metrics->Port, error)) {
            std::cerr << "quillmont-recorder: the metrics feed cannot listen on "
                      << MetricsEndpointText(*start.Settings.Metrics) << ": " << error << "\n";
            return RecorderExitFailed;
        }
        recorder.SetOnPollKept([&metrics](const THistoryRecord& record, const std::vector<TLineEvent>& events) {
            metrics.AddPoll(LinePollOf(record), events);
        });
    }
    std::cerr << (RecorderStartText(start) + "\n") << std::flush;
    return recorder.Run(*stop);
}
