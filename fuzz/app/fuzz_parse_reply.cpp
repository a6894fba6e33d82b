// Feeds arbitrary text to the reply cut (as the buffer text a poll leaves)
// and to the host:port split, checking what must hold for any input.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/HostPort.h"
#include "app/ReplyBuffer.h"
#include "app/ReplyCut.h"
#include "app/RouterPoll.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void FuzzParseReply(const std::string& text)
{
    // As FetchReply leaves it: the command line, then whatever the router sent.
    TReplyBuffer buffer;
    buffer.Append(BitLoadingCommand);
    buffer.Append(text);
    ToneBits bits{};
    const TReplyReading reading = ParseReply(buffer, bits);
    for (int i = 0; i < buffer.Count(); ++i)
        Check(buffer.Line(i).size() <= LineKeepLength);
    // The table is what the cells of the cut lines say.
    Check(bits == ReadToneCells(RemoveLineBreaks(buffer.Text())));
    // The line quoted to the user is short printable ASCII, and a reading short
    // of 513 tones is a failure that says why.
    Check(reading.TonesRead >= 0 && reading.TonesRead <= ToneCount);
    Check(reading.FirstLine.size() <= MaxQuotedLineLength);
    for (char c : reading.FirstLine)
        Check(c >= 0x20 && c < 0x7F);
    TPollOutcome captured;
    captured.Captured = true;
    const TPollOutcome judged = JudgeReading(captured, reading);
    Check(judged.Captured == (reading.TonesRead == ToneCount));
    if (!judged.Captured)
        Check(judged.FailedStep == TPollStep::psReadBits && !judged.ErrorText.empty());
    // A second cut of an already cut buffer must still be safe.
    ParseReply(buffer, bits);
}

void FuzzSplitHostPort(const std::string& text)
{
    const THostPort split = SplitHostPort(text);
    Check(!split.Port.empty());
    Check(text.find(split.Host) != std::string::npos);
    if (split.Port != DefaultTelnetPort)
        Check(text.size() > split.Port.size() && text.find(split.Port) != std::string::npos);
    if (text.find(':') == std::string::npos && text.find('[') == std::string::npos)
        Check(split.Host == text && split.Port == DefaultTelnetPort);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    FuzzParseReply(text);
    if (size <= 1024)
        FuzzSplitHostPort(text);
    return 0;
}
