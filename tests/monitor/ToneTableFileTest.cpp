// Saved tone tables and the tools' range and size options.
#include "monitor/ToneTableFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

TEST(ToneTableCsv, ReadsWhatThePollPrints)
{
    std::string csv = "tone,bits\n";
    for (int tone = 0; tone <= 512; ++tone)
        csv += std::to_string(tone) + "," + std::to_string(tone % 16 - (tone == 7 ? 20 : 0)) + "\n";
    std::istringstream in(csv);
    std::string error;
    const auto table = ReadToneTableCsv(in, error);
    ASSERT_TRUE(table) << error;
    EXPECT_EQ((*table)[0], 0);
    EXPECT_EQ((*table)[7], -13);
    EXPECT_EQ((*table)[31], 15);
    EXPECT_EQ((*table)[512], 0);
}

TEST(ToneTableCsv, MissingTonesAreZeroAndCrLfIsAccepted)
{
    std::istringstream in("tone,bits\r\n5,9\r\n\r\n 300 , 4 \r\n");
    std::string error;
    const auto table = ReadToneTableCsv(in, error);
    ASSERT_TRUE(table) << error;
    EXPECT_EQ((*table)[5], 9);
    EXPECT_EQ((*table)[300], 4);
    EXPECT_EQ((*table)[6], 0);
}

// Spreadsheet programs start their CSV with a byte-order mark; an input
// without any tone line is no table at all, not a table of zeros.
TEST(ToneTableCsv, AcceptsAByteOrderMarkAndRefusesAnEmptyTable)
{
    std::istringstream marked("\xEF\xBB\xBFtone,bits\r\n3,7\r\n");
    std::string error;
    const auto table = ReadToneTableCsv(marked, error);
    ASSERT_TRUE(table) << error;
    EXPECT_EQ((*table)[3], 7);
    std::istringstream markedRow("\xEF\xBB\xBF"
                                 "4,2\n");
    ASSERT_TRUE(ReadToneTableCsv(markedRow, error)) << error;

    for (const char* empty : {"", "tone,bits\n", "\n\r\n  \n", "\xEF\xBB\xBF"}) {
        std::istringstream in(empty);
        error.clear();
        EXPECT_FALSE(ReadToneTableCsv(in, error)) << empty;
        EXPECT_EQ(error, ToneTableMissing);
    }
}

TEST(ToneTableCsv, RejectsMalformedLinesWithTheLineNumber)
{
    for (const char* bad : {"tone,bits\n1,2\nabc\n", "tone,bits\n1,2\n513,1\n", "tone,bits\n1,2\n-1,1\n",
                            "tone,bits\n1,2\n3,99999999999\n", "tone,bits\n1,2\n3,\n", "tone,bits\n1,2\n3,4,5\n"}) {
        std::istringstream in(bad);
        std::string error;
        EXPECT_FALSE(ReadToneTableCsv(in, error)) << bad;
        EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    }
    std::istringstream longLine(std::string(1000, '1') + "\n");
    std::string error;
    EXPECT_FALSE(ReadToneTableCsv(longLine, error));
}

TEST(ToolOptions, RangesAndSizes)
{
    EXPECT_EQ(ParseToneRange("0-255"), design::RangeLow);
    EXPECT_EQ(ParseToneRange("256-512"), design::RangeHigh);
    EXPECT_EQ(ParseToneRange("0 - 512"), design::RangeAll);
    EXPECT_FALSE(ParseToneRange("0-256"));
    EXPECT_FALSE(ParseToneRange("all"));
    EXPECT_FALSE(ParseToneRange(""));

    const auto size = ParseChartSize("696x237");
    ASSERT_TRUE(size);
    EXPECT_EQ(size->Width, 696);
    EXPECT_EQ(size->Height, 237);
    EXPECT_TRUE(ParseChartSize("1920X1080"));
    EXPECT_FALSE(ParseChartSize("0x10"));
    EXPECT_FALSE(ParseChartSize("10x"));
    EXPECT_FALSE(ParseChartSize("20000x10"));
    EXPECT_FALSE(ParseChartSize("-5x10"));
}

namespace {

// An endless stream of one character without a line end (as /dev/zero reads),
// counting what the reader takes from it.
class EndlessLine : public std::streambuf {
public:
    std::size_t Taken() const { return fTaken; }

protected:
    int_type underflow() override
    {
        if (fTaken >= kGiveUpAfter)
            return traits_type::eof();  // keeps a faulty reader from running forever
        fTaken += sizeof fChunk;
        std::fill(std::begin(fChunk), std::end(fChunk), '7');
        setg(fChunk, fChunk, fChunk + sizeof fChunk);
        return traits_type::to_int_type(fChunk[0]);
    }

private:
    static constexpr std::size_t kGiveUpAfter = std::size_t{64} << 20;
    char fChunk[4096];
    std::size_t fTaken = 0;
};

}  // namespace

TEST(ToneTableCsv, AnEndlessLineEndsTheReadAtTheLineLimit)
{
    EndlessLine source;
    std::istream in(&source);
    std::string error;
    EXPECT_FALSE(ReadToneTableCsv(in, error));
    EXPECT_EQ(error, "line 1: too long");
    EXPECT_LE(source.Taken(), 8192u) << "the reader went on past the line limit";
}

TEST(ToneTableCsv, AReadErrorIsReportedNotTakenForAnEmptyTable)
{
    std::ifstream directory("/", std::ios::binary);  // opens, but reading fails
    ASSERT_TRUE(directory.is_open());
    std::string error;
    EXPECT_FALSE(ReadToneTableCsv(directory, error));
    EXPECT_EQ(error, "read error");
}
