#include "app/ReplyReading.h"

#include "app/RouterPoll.h"
#include "app/ToneBits.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ';
}

// The line with every byte made printable ASCII.
std::string Printable(std::string_view line)
{
    std::string text;
    text.reserve(line.size());
    for (char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            text += ' ';
        else if (byte >= 0x80)
            text += '?';
        else
            text += c;
    }
    return text;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The router repeating the command line, with or without a ':' before it.
bool IsCommandEcho(std::string_view line)
{
    if (!line.empty() && line.front() == ':')
        line = Trimmed(line.substr(1));
    return line == BitLoadingCommand;
}

}  // namespace

std::string FirstReplyLine(std::string_view replyText)
{
    while (!replyText.empty()) {
        const std::size_t end = replyText.find_first_of("\r\n");
        const std::string_view raw = replyText.substr(0, end);
        replyText.remove_prefix(end == std::string_view::npos ? replyText.size() : end + 1);

        const std::string printable = Printable(raw);
        const std::string_view line = Trimmed(printable);
        if (line.empty() || IsCommandEcho(line))
            continue;
        if (line.size() <= MaxQuotedLineLength)
            return std::string(line);
        return std::string(Trimmed(line.substr(0, MaxQuotedLineLength - 3))) + "...";
    }
    return std::string();
}

std::string ReadingFailureText(const TReplyReading& reading)
{
    if (reading.TonesRead >= ToneCount)
        return std::string();
    if (reading.TonesRead > 0)
        return "The router's reply held only " + std::to_string(reading.TonesRead) + " of " +
               std::to_string(ToneCount) + " tones";
    std::string text = "No bit loading in the router's reply";
    if (!reading.FirstLine.empty())
        text += ": " + reading.FirstLine;
    return text;
}

TPollOutcome JudgeReading(const TPollOutcome& outcome, const TReplyReading& reading)
{
    if (!outcome.Captured || reading.TonesRead >= ToneCount)
        return outcome;
    TPollOutcome judged = outcome;
    judged.Captured = false;
    judged.FailedStep = TPollStep::psReadBits;
    judged.ErrorCode = 0;
    judged.ErrorText = ReadingFailureText(reading);
    judged.DeadlineExceeded = false;
    return judged;
}
