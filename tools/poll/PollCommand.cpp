#include "poll/PollCommand.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <istream>
#include <ostream>
#include <sstream>

#include "app/RouterPoll.h"
#include "history/HistoryCsv.h"
#include "history/HistoryEvents.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryStore.h"
#include "history/HistoryTime.h"
#include "monitor/ToneTableFile.h"
#include "poll/PollArguments.h"
#include "poll/PollRender.h"

namespace {

// A saved table is a few kilobytes; a file far larger is not one.
constexpr std::size_t MaxTableFileSize = 1 << 20;
// The longest password line taken from standard input.
constexpr std::size_t MaxPasswordLine = 4096;

// The whole file, or false with the system's reason.
bool ReadWholeFile(const std::string& file, std::string& text, std::string& reason)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        reason = std::strerror(EISDIR);
        return false;
    }
    text.clear();
    char chunk[8192];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            reason = std::strerror(errno);
        if (n <= 0)
            break;
        text.append(chunk, static_cast<std::size_t>(n));
        if (text.size() > MaxTableFileSize) {
            reason = "too large for a table";
            break;
        }
    }
    ::close(fd);
    return reason.empty();
}

// A table saved as CSV, or an error line.
bool ReadTableFile(const std::string& file, ToneBits& bits, std::ostream& err)
{
    std::string text, reason;
    if (!ReadWholeFile(file, text, reason)) {
        err << "quillmont-poll: cannot read " << file << ": " << reason << "\n";
        return false;
    }
    std::istringstream in(text);
    std::string error;
    const auto table = ReadToneTableCsv(in, error);
    if (!table) {
        if (error == ToneTableMissing)
            err << "quillmont-poll: no table in " << file << "\n";
        else
            err << "quillmont-poll: " << file << ": " << error << "\n";
        return false;
    }
    bits = *table;
    return true;
}

// The first line of in, without its line end; false when it is longer than
// MaxPasswordLine, so that an endless input is never taken in whole.
bool ReadPasswordLine(std::istream& in, std::string& password)
{
    password.clear();
    using traits = std::istream::traits_type;
    for (traits::int_type c = in.get(); !traits::eq_int_type(c, traits::eof()); c = in.get()) {
        if (traits::to_char_type(c) == '\n')
            break;
        if (password.size() == MaxPasswordLine)
            return false;
        password.push_back(traits::to_char_type(c));
    }
    if (!password.empty() && password.back() == '\r')
        password.pop_back();
    return true;
}

// The polls of --since and --until.
THistoryFilter HistoryFilterOf(const TPollArguments& arguments)
{
    THistoryFilter filter;
    filter.HasSince = arguments.HasSince;
    filter.SinceUtcMs = arguments.SinceUtcMs;
    filter.HasUntil = arguments.HasUntil;
    filter.UntilUtcMs = arguments.UntilUtcMs;
    return filter;
}

// The store of --history for reading, or an error line.
bool OpenHistoryToRead(const TPollArguments& arguments, THistoryStore& store, std::ostream& err)
{
    THistoryStoreOptions options;
    options.ReadOnly = true;
    if (store.Open(QString::fromStdString(arguments.HistoryFile), options))
        return true;
    err << "quillmont-poll: " << store.LastError() << "\n";
    return false;
}

// The stored polls as CSV; one line on err for each poll left out.
int ExportHistory(const TPollArguments& arguments, std::ostream& err)
{
    THistoryStore store;
    if (!OpenHistoryToRead(arguments, store, err))
        return PollExitFailed;
    THistoryExport result;
    if (!ExportHistoryCsv(store, HistoryFilterOf(arguments), arguments.ExportCsvFile, result)) {
        err << "quillmont-poll: " << result.Error << "\n";
        return PollExitFailed;
    }
    for (const std::string& refused : result.Refused)
        err << "quillmont-poll: left out of the export: " << refused << "\n";
    return result.Refused.empty() ? PollExitCaptured : PollExitFailed;
}

// The line events of the stored polls as CSV on out, oldest first; with
// several hosts in the store each detail names its host. One line on err for
// each poll left out.
int PrintHistoryEvents(const TPollArguments& arguments, std::ostream& out, std::ostream& err)
{
    THistoryStore store;
    if (!OpenHistoryToRead(arguments, store, err))
        return PollExitFailed;
    THistoryEvents result;
    if (!ReadHistoryEvents(store, HistoryFilterOf(arguments), result)) {
        err << "quillmont-poll: " << result.Error << "\n";
        return PollExitFailed;
    }
    std::string csv = HistoryEventsCsvHeader();
    for (const THostLineEvent& event : result.Events)
        csv += HistoryEventCsvRow(event, result.Hosts > 1);
    out << csv;
    out.flush();
    for (const std::string& refused : result.Refused)
        err << "quillmont-poll: left out of the events: " << refused << "\n";
    return result.Refused.empty() ? PollExitCaptured : PollExitFailed;
}

// Appends the poll to the store of --history; a store that cannot take it
// costs one line on err and nothing else.
void AppendToHistory(const TPollArguments& arguments, const TPollOutcome& outcome, const ToneBits& bits,
                     std::ostream& err)
{
    THistoryRecorder recorder(QString::fromStdString(arguments.HistoryFile));
    THistoryRecord record = MakeHistoryRecord(CurrentUtcMs(), arguments.Host, outcome, arguments.Range.FirstTone,
                                              arguments.Range.LastTone, bits);
    record.Origin = TPollOrigin::poPollCommand;
    const std::string told = recorder.Record(record);
    if (!told.empty())
        err << "quillmont-poll: " << told << "\n";
}

}  // namespace

void WriteToneBitsCsv(std::ostream& out, const ToneBits& bits)
{
    std::string csv = "tone,bits\n";
    for (std::size_t tone = 0; tone < bits.size(); ++tone)
        csv += std::to_string(tone) + "," + std::to_string(bits[tone]) + "\n";
    out << csv;
}

int RunPollCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
                   const char* passwordVariable)
{
    const TPollArgumentsResult parsed = ParsePollArguments(args);
    if (!parsed.Error.empty()) {
        err << "quillmont-poll: " << parsed.Error << "\n" << PollUsage();
        return PollExitUsage;
    }
    const TPollArguments& arguments = parsed.Arguments;
    if (arguments.ShowHelp || arguments.ShowVersion) {
        out << (arguments.ShowHelp ? PollUsage() : PollVersion());
        return PollExitCaptured;
    }

    if (arguments.WantsExport())
        return ExportHistory(arguments, err);
    if (arguments.Events)
        return PrintHistoryEvents(arguments, out, err);
    if (!arguments.ReportFile.empty() || !arguments.WaterfallFile.empty()) {
        THistoryStore store;
        if (!OpenHistoryToRead(arguments, store, err))
            return PollExitFailed;
        return RenderHistoryPictures(store, HistoryFilterOf(arguments), arguments, err) ? PollExitCaptured
                                                                                        : PollExitFailed;
    }

    if (!arguments.TableFile.empty()) {
        ToneBits bits{};
        if (!ReadTableFile(arguments.TableFile, bits, err))
            return PollExitFailed;
        WriteToneBitsCsv(out, bits);
        out.flush();
        return RenderPollPictures(bits, arguments, err) ? PollExitCaptured : PollExitFailed;
    }

    std::string password;
    if (arguments.PasswordFromStdin) {
        if (!ReadPasswordLine(in, password)) {
            err << "quillmont-poll: password line too long\n";
            return PollExitUsage;
        }
    } else if (passwordVariable) {
        password = passwordVariable;
    }
    const std::string refusal = CheckPollSettings(arguments.Host, arguments.User, password);
    if (!refusal.empty()) {
        err << "quillmont-poll: " << refusal << "\n";
        return PollExitUsage;
    }

    TReplyBuffer reply;
    const TPollOutcome fetched = FetchReply(arguments.Host, arguments.User, password, reply);
    ToneBits bits{};
    // A reply without the bit loading (an error message, say) is a failed poll.
    const TPollOutcome outcome = JudgeReading(fetched, ParseReply(reply, bits));

    WriteToneBitsCsv(out, bits);
    out.flush();
    int exitCode = PollExitCaptured;
    if (!outcome.Captured) {
        err << "quillmont-poll: " << DescribeOutcome(outcome) << "\n";
        exitCode = PollExitFailed;
    }
    if (!arguments.HistoryFile.empty())
        AppendToHistory(arguments, outcome, bits, err);
    // The window draws whatever the poll left in the table, a failed poll's zeros too.
    if (!RenderPollPictures(bits, arguments, err))
        exitCode = PollExitFailed;
    return exitCode;
}
