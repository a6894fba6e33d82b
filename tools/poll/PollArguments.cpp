#include "poll/PollArguments.h"
#include "text/QtText.h"

#include <QCommandLineParser>
#include <QStringList>
#include <filesystem>
#include <system_error>

#include "Version.h"
#include "app/HostPort.h"
#include "history/HistoryTime.h"
#include "monitor/ToneTableFile.h"

namespace {

// Whether two paths name one file: the same text after resolving links and
// "..", or the same file on disk.
bool SameFile(const std::string& a, const std::string& b)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::equivalent(a, b, ec))
        return true;
    const fs::path ca = fs::weakly_canonical(a, ec);
    if (ec)
        return fs::path(a).lexically_normal() == fs::path(b).lexically_normal();
    const fs::path cb = fs::weakly_canonical(b, ec);
    if (ec)
        return fs::path(a).lexically_normal() == fs::path(b).lexically_normal();
    return ca == cb;
}

// Two outputs on one path would leave only the last one; an output on the
// table's path would replace the table it draws.
std::string CheckOutputPaths(const TPollArguments& a)
{
    const std::pair<const char*, const std::string*> outputs[] = {
        {"--png", &a.PngFile},       {"--svg", &a.SvgFile},
        {"--jpeg", &a.JpegFile},     {"--export-csv", &a.ExportCsvFile},
        {"--report", &a.ReportFile}, {"--waterfall", &a.WaterfallFile}};
    for (std::size_t i = 0; i < std::size(outputs); ++i) {
        const auto& [name, file] = outputs[i];
        if (file->empty())
            continue;
        if (!a.TableFile.empty() && SameFile(*file, a.TableFile))
            return std::string(name) + " " + *file + " would replace the table it draws";
        if (!a.HistoryFile.empty() && SameFile(*file, a.HistoryFile))
            return std::string(name) + " " + *file + " would replace the history";
        for (std::size_t j = i + 1; j < std::size(outputs); ++j)
            if (!outputs[j].second->empty() && SameFile(*file, *outputs[j].second))
                return std::string(name) + " and " + outputs[j].first + " name the same file " + *file;
    }
    return "";
}

}  // namespace

std::string PollVersion()
{
    return "quillmont-poll " QM_VERSION "\n";
}

std::string PollUsage()
{
    return "usage: quillmont-poll [--password-stdin] [PICTURE OPTIONS] HOST[:PORT] [USER]\n"
           "       quillmont-poll --table FILE [PICTURE OPTIONS]\n"
           "       quillmont-poll --history FILE [--password-stdin] [PICTURE OPTIONS] HOST[:PORT] [USER]\n"
           "       quillmont-poll --history FILE --export-csv OUT [--since ISO-TIME] [--until ISO-TIME]\n"
           "       quillmont-poll --history FILE --events [--since ISO-TIME] [--until ISO-TIME]\n"
           "       quillmont-poll --history FILE --report OUT.pdf [--since ISO-TIME] [--until ISO-TIME]\n"
           "       quillmont-poll --history FILE --waterfall OUT.png [--since ISO-TIME] [--until ISO-TIME] [--size "
           "WxH]\n"
           "  password from $QUILLMONT_PASSWORD, or from the first line of standard input with --password-stdin\n"
           "  --table FILE            a table saved as CSV (tone,bits) instead of a poll\n"
           "  --png FILE, --svg FILE, --jpeg FILE\n"
           "                          draw the monitor chart of the table into a PNG, SVG or JPEG file\n"
           "  --range 0-255|256-512|0-512  tones of the chart (default 0-255)\n"
           "  --size WIDTHxHEIGHT     size of the chart in pixels (default 696x237)\n"
           "  --history FILE          also keep the poll in this history store (the poll goes on if it cannot)\n"
           "  --export-csv OUT        write the stored polls as CSV (time, host, outcome, tones 0-512); no poll\n"
           "  --events                print the line's events as CSV (start, end, kind, first_tone, last_tone, polls,\n"
           "                          detail): no-reply, line-down, resync, tones-lost, tones-regained, gap; no poll\n"
           "  --report OUT.pdf        write the evidence report of the stored polls as one PDF; no poll\n"
           "  --waterfall OUT.png     draw the waterfall of the stored polls (default size 1000x700); no poll\n"
           "  --since ISO-TIME        only the polls from then on, e.g. 2024-05-01T18:00 (UTC unless a zone is given)\n"
           "  --until ISO-TIME        only the polls before then\n"
           "  --help, --version       this text, or the program's version\n";
}

TPollArgumentsResult ParsePollArguments(const std::vector<std::string>& args)
{
    TPollArgumentsResult result;
    TPollArguments& a = result.Arguments;

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption passwordStdin("password-stdin");
    const QCommandLineOption help(QStringList{"help", "h"});
    const QCommandLineOption version("version");
    const QCommandLineOption png("png", "", "FILE");
    const QCommandLineOption svg("svg", "", "FILE");
    const QCommandLineOption jpeg("jpeg", "", "FILE");
    const QCommandLineOption range("range", "", "RANGE");
    const QCommandLineOption size("size", "", "SIZE");
    const QCommandLineOption table("table", "", "FILE");
    const QCommandLineOption history("history", "", "FILE");
    const QCommandLineOption exportCsv("export-csv", "", "OUT");
    const QCommandLineOption events("events");
    const QCommandLineOption report("report", "", "OUT");
    const QCommandLineOption waterfall("waterfall", "", "OUT");
    const QCommandLineOption since("since", "", "ISO-TIME");
    const QCommandLineOption until("until", "", "ISO-TIME");
    // Named only to refuse it with a reason: a password on the command line is
    // visible to every user of the machine.
    const QCommandLineOption password(QStringList{"password", "p"}, "", "PASSWORD");
    parser.addOptions({passwordStdin, help, version, png, svg, jpeg, range, size, table, password, history, exportCsv,
                       events, since, until, report, waterfall});

    QStringList arguments{"quillmont-poll"};
    for (const std::string& arg : args)
        arguments << QString::fromStdString(arg);
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(password) || parser.unknownOptionNames().contains("password")) {
        result.Error = "the password is never taken from the command line: use QUILLMONT_PASSWORD or --password-stdin";
        return result;
    }
    if (!parsed) {
        result.Error = Utf8FromQString(parser.errorText());
        return result;
    }
    a.ShowHelp = parser.isSet(help);
    a.ShowVersion = parser.isSet(version);
    if (a.ShowHelp || a.ShowVersion)
        return result;
    a.PasswordFromStdin = parser.isSet(passwordStdin);

    const auto fileOption = [&](const QCommandLineOption& option, std::string& file) {
        if (!parser.isSet(option))
            return true;
        file = Utf8FromQString(parser.value(option));
        if (file.empty())
            result.Error = "--" + Utf8FromQString(option.names().front()) + " needs a file name";
        return result.Error.empty();
    };
    if (!fileOption(png, a.PngFile) || !fileOption(svg, a.SvgFile) || !fileOption(jpeg, a.JpegFile) ||
        !fileOption(table, a.TableFile))
        return result;
    if (!fileOption(history, a.HistoryFile) || !fileOption(exportCsv, a.ExportCsvFile) ||
        !fileOption(report, a.ReportFile) || !fileOption(waterfall, a.WaterfallFile))
        return result;
    a.Events = parser.isSet(events);
    const auto timeOption = [&](const QCommandLineOption& option, bool& has, std::int64_t& utcMs) {
        if (!parser.isSet(option))
            return true;
        const std::string text = Utf8FromQString(parser.value(option));
        has = ParseIsoTime(text, utcMs);
        if (!has)
            result.Error = "bad time " + text + " for --" + Utf8FromQString(option.names().front()) +
                           " (e.g. 2024-05-01 or 2024-05-01T18:00:00Z)";
        return has;
    };
    if (!timeOption(since, a.HasSince, a.SinceUtcMs) || !timeOption(until, a.HasUntil, a.UntilUtcMs))
        return result;
    if (a.HasSince && a.HasUntil && a.UntilUtcMs <= a.SinceUtcMs) {
        result.Error = "--until must come after --since";
        return result;
    }
    if (parser.isSet(range)) {
        const std::string text = Utf8FromQString(parser.value(range));
        const auto r = ParseToneRange(text);
        if (!r) {
            result.Error = "unknown range " + text + " (0-255, 256-512 or 0-512)";
            return result;
        }
        a.Range = *r;
    }
    if (parser.isSet(size)) {
        const std::string text = Utf8FromQString(parser.value(size));
        const auto s = ParseChartSize(text);
        if (!s) {
            result.Error = "bad size " + text + " (WIDTHxHEIGHT, 1 to 10000 pixels each)";
            return result;
        }
        a.Width = s->Width;
        a.Height = s->Height;
        a.HasSize = true;
    }
    // A waterfall of at most 8192 x 8192 (256 MiB), and wide enough for its tones.
    if (!a.WaterfallFile.empty() && a.HasSize &&
        (a.Width < 200 || a.Width > 8192 || a.Height < 200 || a.Height > 8192)) {
        result.Error = "bad size for --waterfall (200 to 8192 pixels each)";
        return result;
    }
    result.Error = CheckOutputPaths(a);
    if (!result.Error.empty())
        return result;

    const QStringList operands = parser.positionalArguments();
    if (a.ReadsHistory() || a.HasSince || a.HasUntil) {
        const int readers =
            int(a.Events) + int(a.WantsExport()) + int(!a.ReportFile.empty()) + int(!a.WaterfallFile.empty());
        const std::string what = a.Events                ? "--events"
                                 : a.WantsExport()       ? "--export-csv"
                                 : !a.ReportFile.empty() ? "--report"
                                                         : "--waterfall";
        if (!a.ReadsHistory())
            result.Error = "--since and --until choose the polls of --export-csv, --events, --report or --waterfall";
        else if (readers > 1)
            result.Error = "--export-csv, --events, --report and --waterfall: one at a time";
        else if (a.HistoryFile.empty())
            result.Error = what + " needs --history FILE";
        else if (!a.TableFile.empty() || a.WantsPictures() || a.PasswordFromStdin || !operands.empty())
            result.Error = what + " reads the history without polling: no HOST, USER, table or pictures";
        return result;
    }
    if (!a.HistoryFile.empty() && !a.TableFile.empty()) {
        result.Error = "--history keeps polls: a saved table (--table) is not one";
        return result;
    }
    if (!a.TableFile.empty()) {
        if (!operands.empty())
            result.Error = "--table draws a saved table: no HOST or USER";
        return result;
    }
    if (operands.empty() || operands.size() > 2) {
        result.Error = operands.empty() ? "missing HOST" : "too many arguments";
        return result;
    }
    a.Host = Utf8FromQString(operands[0]);
    result.Error = HostOperandError(a.Host);
    if (!result.Error.empty())
        return result;
    if (operands.size() == 2)
        a.User = Utf8FromQString(operands[1]);
    return result;
}
