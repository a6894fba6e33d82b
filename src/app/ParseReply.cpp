#include "app/ReplyCut.h"
#include "app/RouterPoll.h"

TReplyReading ParseReply(TReplyBuffer& reply, ToneBits& toneBits)
{
    TReplyReading reading;
    {
        // The reply starts after the command line that FetchReply put first.
        const std::string text = reply.Text();
        std::string_view replyText = text;
        const std::string commandLine = BitLoadingCommand + "\r\n";
        if (replyText.substr(0, commandLine.size()) == commandLine)
            replyText.remove_prefix(commandLine.size());
        reading.FirstLine = FirstReplyLine(replyText);
    }
    reply.SetText(CutReplyHead(reply.Text()));
    const int lineCount = reply.Count();
    for (int i = 0; i < lineCount; ++i)
        reply.SetLine(i, CutReplyLine(reply.Line(i)));
    const std::string joined = RemoveLineBreaks(reply.Text());
    toneBits = ReadToneCells(joined);
    reading.TonesRead = CountToneNumbers(joined);
    return reading;
}
