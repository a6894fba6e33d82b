// Whether a captured reply holds a reading: the cells that read as numbers,
// the line quoted when none do, and the failure a short reading becomes.
#include <gtest/gtest.h>

#include <string>

#include "app/PollStatusText.h"
#include "app/ReplyCut.h"
#include "app/ReplyReading.h"
#include "app/RouterPoll.h"

namespace {

// The first 55 characters of a reply, before the first line of cells.
const std::string Heading = "\r\n" + std::string(51, '-') + "\r\n";

// A reply whose lines hold the given cells for tones 0..count-1, ten a line.
std::string ReplyWithCells(int count, const std::string& cell = " 7 ")
{
    std::string reply = Heading;
    for (int first = 0; first < count; first += 10) {
        reply += "tone      :";
        for (int tone = first; tone < std::min(count, first + 10); ++tone)
            reply += cell;
        reply += "\r\n";
    }
    return reply + "{Administrator}";
}

TReplyReading ReadingOf(const std::string& reply, ToneBits& bits)
{
    TReplyBuffer buffer;
    buffer.Append(BitLoadingCommand);
    buffer.Append(reply);
    return ParseReply(buffer, bits);
}

TPollOutcome Captured()
{
    TPollOutcome outcome;
    outcome.Captured = true;
    outcome.DeadlineMs = 30000;
    return outcome;
}

TEST(ReplyReading, CountsTheCellsThatHoldNumbers)
{
    ToneBits bits{};
    TReplyReading reading = ReadingOf(ReplyWithCells(513), bits);
    EXPECT_EQ(reading.TonesRead, 513);
    EXPECT_EQ(reading.FirstLine, std::string(51, '-'));
    EXPECT_EQ(bits[512], 7);

    // 0 is a number; blanks, text and cells past the end are not.
    EXPECT_EQ(ReadingOf(ReplyWithCells(513, " 0 "), bits).TonesRead, 513);
    EXPECT_EQ(ReadingOf(ReplyWithCells(513, "   "), bits).TonesRead, 0);
    EXPECT_EQ(ReadingOf(ReplyWithCells(513, "ab "), bits).TonesRead, 0);
    EXPECT_EQ(ReadingOf(ReplyWithCells(120), bits).TonesRead, 120);
    EXPECT_EQ(ReadingOf("", bits).TonesRead, 0);

    // One blank cell among 513 is a reading that falls short.
    std::string gap = ReplyWithCells(513);
    gap.replace(gap.find(" 7 ", Heading.size() + 11 * 3), 3, "   ");
    EXPECT_EQ(ReadingOf(gap, bits).TonesRead, 512);

    EXPECT_EQ(CountToneNumbers(std::string(513 * 3, '1')), 513);
    EXPECT_EQ(CountToneNumbers(" 1  2"), 2);
    EXPECT_EQ(CountToneNumbers(" 1 -- x"), 1);
}

TEST(ReplyReading, QuotesTheFirstLineOfTextSafely)
{
    // The router's echo of the command says nothing; the line after it does.
    ToneBits bits{};
    EXPECT_EQ(
        ReadingOf("\r\n:xdsl debug bitloadinginfo\r\nSyntax error: unknown command\r\n{Administrator}", bits).FirstLine,
        "Syntax error: unknown command");
    EXPECT_EQ(FirstReplyLine("\r\n \t \r\n  Error : unknown command  \r\n=>"), "Error : unknown command");
    EXPECT_EQ(FirstReplyLine("xdsl debug bitloadinginfo\r\nnext"), "next");
    EXPECT_EQ(FirstReplyLine("Unknown command xdsl debug bitloadinginfo"), "Unknown command xdsl debug bitloadinginfo");
    EXPECT_EQ(FirstReplyLine(":xdsl debug bitloadinginfo\r\n\r\n"), "");
    EXPECT_EQ(FirstReplyLine(""), "");
    // Bytes from the network never reach the status line or a terminal as
    // they came: no escape sequences, no bytes that are not ASCII.
    EXPECT_EQ(FirstReplyLine("\x1b[2J\x1b]0;owned\x07 bad\x7f\xc3\xa9!"), "[2J ]0;owned  bad ?"
                                                                          "?!");
    EXPECT_EQ(FirstReplyLine(std::string("a\0b", 3)), "a b");
    // A long line keeps its first 57 characters and "...".
    const std::string longLine = "Error: " + std::string(100, 'x');
    EXPECT_EQ(FirstReplyLine(longLine), longLine.substr(0, 57) + "...");
    EXPECT_EQ(FirstReplyLine(longLine.substr(0, 60)), longLine.substr(0, 60));
    EXPECT_EQ(FirstReplyLine(std::string(56, 'y') + "    zzzzzzzz"), std::string(56, 'y') + "...");
}

TEST(ReplyReading, AShortReadingTurnsACapturedReplyIntoAFailure)
{
    const TPollOutcome whole = JudgeReading(Captured(), {513, "-----"});
    EXPECT_TRUE(whole.Captured);
    EXPECT_EQ(whole.FailedStep, TPollStep::psNone);
    EXPECT_EQ(DescribeOutcome(whole), "reply captured");

    const TPollOutcome error = JudgeReading(Captured(), {0, "Syntax error: unknown command"});
    EXPECT_FALSE(error.Captured);
    EXPECT_EQ(error.FailedStep, TPollStep::psReadBits);
    EXPECT_EQ(error.ErrorCode, 0);
    EXPECT_EQ(error.ErrorText, "No bit loading in the router's reply: Syntax error: unknown command");
    EXPECT_EQ(DescribeOutcome(error), "No bit loading in the router's reply: Syntax error: unknown command");
    EXPECT_EQ(PollStatusText(error, "192.168.1.254", 0, "14:03:12"),
              "No bit loading in the router's reply: Syntax error: unknown command (at 14:03:12)");

    const TPollOutcome blank = JudgeReading(Captured(), {0, ""});
    EXPECT_EQ(DescribeOutcome(blank), "No bit loading in the router's reply");

    const TPollOutcome partial = JudgeReading(Captured(), {12, "Syntax error 12 34"});
    EXPECT_EQ(partial.FailedStep, TPollStep::psReadBits);
    EXPECT_EQ(DescribeOutcome(partial), "The router's reply held only 12 of 513 tones");
    EXPECT_EQ(PollStatusText(partial, "192.168.1.254", 12, "14:03:12"),
              "The router's reply held only 12 of 513 tones (at 14:03:12)");

    // A poll that failed before stays the failure it was.
    TPollOutcome refused;
    refused.FailedStep = TPollStep::psConnect;
    refused.ErrorCode = 10061;
    refused.ErrorText = "Connection refused";
    const TPollOutcome still = JudgeReading(refused, {0, ""});
    EXPECT_EQ(still.FailedStep, TPollStep::psConnect);
    EXPECT_EQ(DescribeOutcome(still), "connect failed: 10061 Connection refused");
}

}  // namespace
