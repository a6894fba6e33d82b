#include <gtest/gtest.h>

#include <string>

#include "app/ReplyBuffer.h"
#include "app/ReplyCut.h"
#include "app/RouterPoll.h"

namespace {

// The first 55 characters of a reply, before the first line of cells.
const std::string Heading = "\r\n" + std::string(51, '-') + "\r\n";

// A line of the reply: an 11-character label, then the cells.
std::string Line(int firstTone, const std::string& cells)
{
    std::string label = "tone " + std::to_string(firstTone);
    label.resize(10, ' ');
    return label + ":" + cells + "\r\n";
}

// The buffer as FetchReply leaves it: command line, then the reply, then CR LF.
TReplyBuffer BufferWithReply(const std::string& reply)
{
    TReplyBuffer buffer;
    buffer.Append(BitLoadingCommand);
    buffer.Append(reply);
    return buffer;
}

std::string Cells(int from, int count)
{
    std::string cells;
    for (int i = 0; i < count; ++i) {
        const int value = (from + i) % 16;
        cells += (value < 10 ? " " : "") + std::to_string(value) + " ";
    }
    return cells;
}

// Tones 0..512 with value tone % 16, ten per line.
std::string FullReply()
{
    std::string reply = Heading;
    for (int first = 0; first < ToneCount; first += 10)
        reply += Line(first, Cells(first, std::min(10, ToneCount - first)));
    return reply + "{Administrator}";
}

TEST(ReplyCut, HeadingIs55Characters)
{
    ASSERT_EQ(Heading.size(), 55u);
}

TEST(ReadCellValue, ReadsTrimmedDecimalAndHexadecimal)
{
    EXPECT_EQ(ReadCellValue("15"), 15);
    EXPECT_EQ(ReadCellValue(" 9"), 9);
    EXPECT_EQ(ReadCellValue("  "), 0);
    EXPECT_EQ(ReadCellValue(""), 0);
    EXPECT_EQ(ReadCellValue("ab"), 0);
    EXPECT_EQ(ReadCellValue("-1"), -1);
    EXPECT_EQ(ReadCellValue("+7"), 7);
    EXPECT_EQ(ReadCellValue("$F"), 15);
    EXPECT_EQ(ReadCellValue("xA"), 10);
    EXPECT_EQ(ReadCellValue("Xb"), 11);
    EXPECT_EQ(ReadCellValue("0x1f"), 31);
    EXPECT_EQ(ReadCellValue("-$10"), -16);
    EXPECT_EQ(ReadCellValue("\t3\x01"), 3);
    EXPECT_EQ(ReadCellValue("$"), 0);
    EXPECT_EQ(ReadCellValue("x"), 0);
    EXPECT_EQ(ReadCellValue("-"), 0);
    EXPECT_EQ(ReadCellValue("1 2"), 0);
    EXPECT_EQ(ReadCellValue("9z"), 0);
    // Hexadecimal digits count only after a hexadecimal prefix.
    EXPECT_EQ(ReadCellValue("1a"), 0);
    EXPECT_EQ(ReadCellValue(" F"), 0);
    EXPECT_EQ(ReadCellValue("$1a"), 26);
    EXPECT_EQ(ReadCellValue("x1A"), 26);
    EXPECT_EQ(ReadCellValue("\xB9"), 0);
}

TEST(ReadCellValue, KeepsTo32Bits)
{
    EXPECT_EQ(ReadCellValue("2147483647"), 2147483647);
    EXPECT_EQ(ReadCellValue("-2147483648"), INT32_MIN);
    EXPECT_EQ(ReadCellValue("2147483648"), 0);
    EXPECT_EQ(ReadCellValue("99999999999999999999999"), 0);
    EXPECT_EQ(ReadCellValue("$FFFFFFFF"), -1);
    EXPECT_EQ(ReadCellValue("$100000000"), 0);
}

TEST(CutReply, HeadAndLineCuts)
{
    EXPECT_EQ(CutReplyHead(std::string(82, 'a')), "");
    EXPECT_EQ(CutReplyHead(std::string(82, 'a') + "bc"), "bc");
    EXPECT_EQ(CutReplyLine("0123456789A"), "");
    EXPECT_EQ(CutReplyLine("0123456789AB"), "B");
    EXPECT_EQ(CutReplyLine(std::string(11, '-') + std::string(40, 'x')), std::string(32, 'x'));
    EXPECT_EQ(RemoveLineBreaks("a\r\nb\rc\nd"), "abcd");
}

TEST(ParseReply, ReadsTheCellsOfOneLine)
{
    TReplyBuffer buffer = BufferWithReply(Heading + Line(0, "15  9    ab -1 $F xA 07 +3 1a ") + "=");
    ToneBits bits;
    bits.fill(77);
    ParseReply(buffer, bits);
    const int expected[] = {15, 9, 0, 0, -1, 15, 10, 7, 3, 0};
    for (int tone = 0; tone < 10; ++tone)
        EXPECT_EQ(bits[tone], expected[tone]) << "tone " << tone;
    for (int tone = 10; tone < ToneCount; ++tone)
        ASSERT_EQ(bits[tone], 0) << "tone " << tone;
    // The buffer keeps the cut lines: the cells of the one line, then the rest.
    ASSERT_EQ(buffer.Count(), 2);
    EXPECT_EQ(buffer.Line(0), "15  9    ab -1 $F xA 07 +3 1a ");
    EXPECT_EQ(buffer.Line(1), "");
}

TEST(ParseReply, FillsTonesInOrderAcrossLines)
{
    TReplyBuffer buffer = BufferWithReply(FullReply());
    ToneBits bits{};
    ParseReply(buffer, bits);
    for (int tone = 0; tone < ToneCount; ++tone)
        ASSERT_EQ(bits[tone], tone % 16) << "tone " << tone;
}

TEST(ParseReply, ShortOrMissingRepliesGiveZeros)
{
    for (const std::string& reply : {std::string(), std::string(55, '7'), std::string(54, '7')}) {
        TReplyBuffer buffer = BufferWithReply(reply);
        ToneBits bits;
        bits.fill(5);
        ParseReply(buffer, bits);
        for (int tone = 0; tone < ToneCount; ++tone)
            ASSERT_EQ(bits[tone], 0);
        EXPECT_LE(buffer.Text().size(), 2u);
    }
    // The buffer before the first poll.
    TReplyBuffer untouched("Memo1");
    ToneBits bits;
    bits.fill(5);
    ParseReply(untouched, bits);
    for (int tone = 0; tone < ToneCount; ++tone)
        ASSERT_EQ(bits[tone], 0);
    EXPECT_EQ(untouched.Count(), 0);
}

TEST(ParseReply, CellsWithoutSeparatorShiftTheLaterCells)
{
    // The first line's last cell lacks its separator (29 characters kept), so
    // the second line's cells are read one character late.
    std::string first = "15 15 15 15 15 15 15 15 15 15";
    TReplyBuffer buffer = BufferWithReply(Heading + Line(0, first) + Line(10, "10 11 12 13 "));
    ToneBits bits{};
    ParseReply(buffer, bits);
    for (int tone = 0; tone < 10; ++tone)
        EXPECT_EQ(bits[tone], 15);
    EXPECT_EQ(bits[10], 0);  // "0 "
    EXPECT_EQ(bits[11], 1);  // "1 "
    EXPECT_EQ(bits[12], 2);
    EXPECT_EQ(bits[13], 3);
}

TEST(ParseReply, LongLinesKeepOnly32Characters)
{
    // 12 cells on a line: only the first 32 characters count, so the 11th cell
    // loses its separator, the 12th is dropped, and the next line's first cell
    // "14 " is read one character late.
    TReplyBuffer buffer = BufferWithReply(Heading + Line(0, Cells(0, 12)) + Line(12, "14 "));
    ToneBits bits{};
    ParseReply(buffer, bits);
    for (int tone = 0; tone < 10; ++tone)
        EXPECT_EQ(bits[tone], tone);
    EXPECT_EQ(bits[10], 10);
    EXPECT_EQ(bits[11], 4);
}

}  // namespace
