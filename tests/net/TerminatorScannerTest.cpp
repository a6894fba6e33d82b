#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/TerminatorScanner.h"

namespace {

// The outcome of feeding a scanner a list of chunks.
struct ScanRun {
    TScanState state;
    std::string line;
    std::string rest;
    bool loneCR;
    bool loneLF;
};

ScanRun Scan(TTerminatorScanner scanner, const std::vector<std::string>& chunks)
{
    for (const std::string& chunk : chunks)
        scanner.Feed(chunk);
    ScanRun run{scanner.State(), "", "", scanner.LoneCR(), scanner.LoneLF()};
    scanner.Take(run.line, run.rest);
    return run;
}

// `text` cut at the given positions (ascending).
std::vector<std::string> Cut(const std::string& text, const std::vector<std::size_t>& cuts)
{
    std::vector<std::string> chunks;
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        chunks.push_back(text.substr(from, cut - from));
        from = cut;
    }
    chunks.push_back(text.substr(from));
    return chunks;
}

}  // namespace

TEST(TerminatorScanner, FindsTheTerminatorHoweverTheTextIsCut)
{
    // Every way of cutting the text at up to two places, empty chunks
    // included, gives the same line and rest.
    const std::string text = "Login: user\r\nfoo=bar\r\n=>tail";
    for (const std::string terminator : {"=>", "\r\n=>", "Login:"}) {
        const std::size_t at = text.find(terminator);
        for (std::size_t a = 0; a <= text.size(); ++a)
            for (std::size_t b = a; b <= text.size(); ++b) {
                const ScanRun run = Scan(TTerminatorScanner(terminator), Cut(text, {a, b}));
                ASSERT_EQ(run.state, SS_Found) << terminator << " " << a << " " << b;
                EXPECT_EQ(run.line, text.substr(0, at));
                EXPECT_EQ(run.rest, text.substr(at + terminator.size()));
            }
    }
    // Byte by byte, the match ends with the byte that completes it.
    TTerminatorScanner scanner("\r\n=>");
    const std::string prompt = "x\r\n=>";
    for (std::size_t i = 0; i < prompt.size(); ++i)
        EXPECT_EQ(scanner.Feed(prompt.substr(i, 1)), i + 1 < prompt.size() ? SS_Searching : SS_Found) << i;
    EXPECT_EQ(scanner.MatchPos(), 1u);
    EXPECT_EQ(scanner.MatchLength(), 4u);
}

TEST(TerminatorScanner, OverlappingPartialMatchesAreNotLost)
{
    // A mismatch in the middle of a partial match may itself begin the
    // terminator: "==>" holds "=>", "aaab" holds "aab", "abaabab" holds "abab".
    struct Case {
        const char* terminator;
        std::vector<std::string> chunks;
        const char* line;
        std::size_t partialBeforeLast;
    };
    const Case cases[] = {
        {"=>", {"=", "=", ">"}, "=", 1},         {"=>", {"x===", ">y"}, "x==", 1},
        {"aab", {"a", "a", "a", "b"}, "a", 2},   {"abab", {"abaaba", "b"}, "aba", 3},
        {"abcabd", {"abcab", "cabd"}, "abc", 5},
    };
    for (const Case& c : cases) {
        TTerminatorScanner scanner(c.terminator);
        for (std::size_t i = 0; i + 1 < c.chunks.size(); ++i)
            EXPECT_EQ(scanner.Feed(c.chunks[i]), SS_Searching) << c.terminator;
        EXPECT_EQ(scanner.Partial(), c.partialBeforeLast) << c.terminator;
        EXPECT_EQ(scanner.Feed(c.chunks.back()), SS_Found) << c.terminator;
        std::string line, rest;
        scanner.Take(line, rest);
        EXPECT_EQ(line, c.line) << c.terminator;
    }
    // The first occurrence counts and bytes are compared exactly.
    EXPECT_EQ(Scan(TTerminatorScanner("=>"), {"a=>b", "=>c"}).line, "a");
    const ScanRun caseSensitive = Scan(TTerminatorScanner("name :"), {"xNAME :", "name :"});
    EXPECT_EQ(caseSensitive.line, "xNAME :");
    const std::string binary("a\0=\0>b", 6);
    EXPECT_EQ(Scan(TTerminatorScanner(std::string("\0>", 2)), {binary}).line, std::string("a\0=", 3));
}

TEST(TerminatorScanner, EmptyTerminatorAndTextAfterTheEnd)
{
    // An empty terminator is found before any text; what is fed is the rest.
    TTerminatorScanner empty("");
    EXPECT_EQ(empty.State(), SS_Found);
    EXPECT_EQ(empty.Feed("abc"), SS_Found);
    std::string line = "old", rest;
    empty.Take(line, rest);
    EXPECT_EQ(line, "");
    EXPECT_EQ(rest, "abc");
    EXPECT_EQ(empty.State(), SS_Found);  // starts over
    // Chunks after the match are kept, unscanned, behind it.
    const ScanRun after = Scan(TTerminatorScanner("=>"), {"a=>b", "c=>d"});
    EXPECT_EQ(after.line, "a");
    EXPECT_EQ(after.rest, "bc=>d");
    // Without a match the whole text is the rest, and Take starts over.
    TTerminatorScanner scanner("=>");
    scanner.Feed("ab=");
    scanner.Take(line, rest);
    EXPECT_EQ(line, "");
    EXPECT_EQ(rest, "ab=");
    EXPECT_EQ(scanner.Text(), "");
    EXPECT_EQ(scanner.Partial(), 0u);
    EXPECT_EQ(scanner.Feed(">x=>"), SS_Found);  // the old "=" is gone
    EXPECT_EQ(scanner.MatchPos(), 2u);
}

TEST(TerminatorScanner, LineLengthLimit)
{
    // Limit 10: ten bytes without terminator wait for more, eleven are too
    // long; a partly received terminator counts as line.
    EXPECT_EQ(Scan(TTerminatorScanner("=>", false, 10), {"0123456789"}).state, SS_Searching);
    const ScanRun flood = Scan(TTerminatorScanner("=>", false, 10), {"0123456789", "A"});
    EXPECT_EQ(flood.state, SS_TooLong);
    EXPECT_EQ(flood.line, "");
    EXPECT_EQ(flood.rest, "0123456789A");  // nothing is lost
    EXPECT_EQ(Scan(TTerminatorScanner("=>", false, 10), {"0123456789="}).state, SS_TooLong);
    // A line of exactly the limit is fine, even with more text behind it in
    // the same chunk; a line one longer is not, though its terminator came.
    const ScanRun full = Scan(TTerminatorScanner("=>", false, 10), {"01234", "56789=>", "more text"});
    EXPECT_EQ(full.state, SS_Found);
    EXPECT_EQ(full.line, "0123456789");
    EXPECT_EQ(full.rest, "more text");
    const ScanRun over = Scan(TTerminatorScanner("=>", false, 10), {"0123456789A=>"});
    EXPECT_EQ(over.state, SS_TooLong);
    EXPECT_EQ(over.rest, "0123456789A=>");
    // The limit is checked after each chunk: a terminator in the chunk that
    // crosses the limit still counts.
    EXPECT_EQ(Scan(TTerminatorScanner("=>", false, 3), {"ab=>cdefgh"}).state, SS_Found);
    // Once too long, nothing more is scanned.
    TTerminatorScanner stopped("=>", false, 2);
    EXPECT_EQ(stopped.Feed("abc"), SS_TooLong);
    EXPECT_EQ(stopped.Feed("=>"), SS_TooLong);
    EXPECT_EQ(stopped.Text(), "abc=>");
    // 0 means no limit.
    EXPECT_EQ(Scan(TTerminatorScanner("=>", false, 0), {std::string(100000, 'x')}).state, SS_Searching);
}

TEST(TerminatorScanner, LineEndModeAcceptsEveryLineEnd)
{
    struct Case {
        std::vector<std::string> chunks;
        const char* line;
        const char* rest;
        bool loneCR;
        bool loneLF;
    };
    const Case cases[] = {
        {{"one\r\ntwo"}, "one", "two", false, false},
        {{"one\n\rtwo"}, "one", "two", false, false},
        {{"one\ntwo"}, "one", "two", false, true},
        {{"one\rtwo"}, "one", "two", true, false},
        {{"one\r\rtwo"}, "one", "\rtwo", true, false},  // CR CR is two line ends
        {{"one\n\ntwo"}, "one", "\ntwo", false, true},
        {{"one", "\r", "\ntwo"}, "one", "\ntwo", true, false},  // the partner comes later
        {{"one\n", "\rtwo"}, "one", "\rtwo", false, true},
        {{"", "\r\n"}, "", "", false, false},
    };
    for (const Case& c : cases) {
        const ScanRun run = Scan(TTerminatorScanner("\r\n", true), c.chunks);
        EXPECT_EQ(run.state, SS_Found) << c.line << c.rest;
        EXPECT_EQ(run.line, c.line);
        EXPECT_EQ(run.rest, c.rest);
        EXPECT_EQ(run.loneCR, c.loneCR) << c.rest;
        EXPECT_EQ(run.loneLF, c.loneLF) << c.rest;
    }
    // Only "\r\n" with conversion on is line-end mode.
    EXPECT_TRUE(TTerminatorScanner("\r\n", true).LineEndMode());
    EXPECT_FALSE(TTerminatorScanner("\r\n", false).LineEndMode());
    EXPECT_FALSE(TTerminatorScanner("\n", true).LineEndMode());
    EXPECT_EQ(Scan(TTerminatorScanner("\r\n", false), {"a\nb\rc\r\nd"}).line, "a\nb\rc");
    EXPECT_EQ(Scan(TTerminatorScanner("\n", true), {"a\rb\nc"}).line, "a\rb");
    // The limit applies to the line before the line end.
    EXPECT_EQ(Scan(TTerminatorScanner("\r\n", true, 3), {"abcd\n"}).state, SS_TooLong);
    EXPECT_EQ(Scan(TTerminatorScanner("\r\n", true, 3), {"abc\nlonger rest"}).state, SS_Found);
}
