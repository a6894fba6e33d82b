#include "recorder/RecorderCommand.h"

#include <ostream>

#include "app/RouterPoll.h"
#include "text/QtText.h"

int PrepareRecorder(const std::vector<std::string>& args, const TRecorderEnvironment& environment, std::ostream& out,
                    std::ostream& err, TRecorderStart& start)
{
    const TRecorderArgumentsResult parsed = ParseRecorderArguments(args);
    if (!parsed.Error.empty()) {
        err << "quillmont-recorder: " << parsed.Error << "\n" << RecorderUsage();
        return RecorderExitUsage;
    }
    const TRecorderArguments& arguments = parsed.Arguments;
    if (arguments.ShowHelp || arguments.ShowVersion) {
        out << (arguments.ShowHelp ? RecorderUsage() : RecorderVersion());
        return RecorderExitStopped;
    }
    TRecorderStart ready;
    std::string error;
    if (!ResolveRecorderSettings(arguments, environment.ConfigPath, environment.DefaultHistory, ready.Settings,
                                 error)) {
        err << "quillmont-recorder: " << error << "\n";
        return RecorderExitUsage;
    }
    TPasswordSources sources;
    sources.Variable = environment.PasswordVariable;
    sources.PasswordFile = ready.Settings.PasswordFile;
    sources.CredentialsDirectory = environment.CredentialsDirectory;
    sources.SecretService = environment.SecretService;
    TPasswordFound found = FindRecorderPassword(sources, ready.Settings.Host, ready.Settings.User);
    if (found.Source == TPasswordSource::psNone) {
        err << "quillmont-recorder: " << found.Error << "\n";
        return RecorderExitUsage;
    }
    ready.PasswordSource = PasswordSourceText(sources, found.Source);
    // Refused now rather than at every poll: a line break would reach the
    // router as a line of its own.
    const std::string refusal = CheckPollSettings(ready.Settings.Host, ready.Settings.User, found.Password);
    if (!refusal.empty()) {
        err << "quillmont-recorder: " << refusal << " (password from " << ready.PasswordSource << ")\n";
        return RecorderExitUsage;
    }
    ready.Password = std::move(found.Password);
    start = std::move(ready);
    return -1;
}

std::string RecorderStartText(const TRecorderStart& start)
{
    const TRecorderSettings& s = start.Settings;
    std::string text = "recording " + s.Host + " as " + s.User + " every " + std::to_string(s.IntervalSeconds) +
                       " s into " + Utf8FromQString(s.HistoryFile) + " (password from " + start.PasswordSource;
    if (!s.ConfigFile.isEmpty())
        text += ", settings from " + Utf8FromQString(s.ConfigFile);
    text += ")";
    if (s.Metrics)
        text += "; metrics at http://" + MetricsEndpointText(*s.Metrics) + "/metrics";
    return text;
}
