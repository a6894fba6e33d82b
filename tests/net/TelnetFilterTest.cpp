#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TelnetBytes.h"
#include "net/TelnetFilter.h"

using namespace telnet;

namespace {

// Runs a filter over chunks and collects the text and the replies.
struct FilterRun {
    TTelnetFilter filter;
    std::string text;
    std::vector<std::string> replies;

    void Feed(const std::string& chunk)
    {
        const std::string out = filter.Process(chunk, [this](const std::string& r) { replies.push_back(r); });
        EXPECT_LE(out.size(), chunk.size());
        text += out;
    }
};

// Input that leaves the filter in each state.
std::string PrefixFor(TTelnetState state)
{
    switch (state) {
    case FS_Data:
        return "";
    case FS_Command:
        return Bytes({IAC});
    case FS_Will:
        return Bytes({IAC, WILL});
    case FS_Wont:
        return Bytes({IAC, WONT});
    case FS_Do:
        return Bytes({IAC, DO});
    case FS_Dont:
        return Bytes({IAC, DONT});
    case FS_SubOption:
        return Bytes({IAC, SB});
    case FS_SubData:
        return Bytes({IAC, SB, 24, 1});
    case FS_SubDataCommand:
        return Bytes({IAC, SB, 24, 1, IAC});
    }
    return "";
}

struct Expected {
    std::string text;
    std::vector<std::string> replies;
    TTelnetState next;
    std::string subData;  // checked in the sub-negotiation states
};

// One row of the command table per state and byte.
Expected ExpectedRow(TTelnetState state, int b)
{
    const std::string termReply = Bytes({IAC, SB, 24, 0}) + "DUMB" + Bytes({IAC, SE});
    switch (state) {
    case FS_Data:
        return b == IAC ? Expected{"", {}, FS_Command, ""} : Expected{Bytes({b}), {}, FS_Data, ""};
    case FS_Command:
        if (b == IAC)
            return {Bytes({255}), {}, FS_Data, ""};
        if (b == SB)
            return {"", {}, FS_SubOption, ""};
        if (b == WILL)
            return {"", {}, FS_Will, ""};
        if (b == WONT)
            return {"", {}, FS_Wont, ""};
        if (b == DO)
            return {"", {}, FS_Do, ""};
        if (b == DONT)
            return {"", {}, FS_Dont, ""};
        return {"", {}, FS_Data, ""};
    case FS_Will:
        return {"", {Bytes({IAC, b == 3 ? DO : DONT, b})}, FS_Data, ""};
    case FS_Wont:
        return {"", {Bytes({IAC, DONT, b})}, FS_Data, ""};
    case FS_Do:
        return {"", {Bytes({IAC, b == 24 ? WILL : WONT, b})}, FS_Data, ""};
    case FS_Dont:
        return {"", {Bytes({IAC, WONT, b})}, FS_Data, ""};
    case FS_SubOption:
        return {"", {}, FS_SubData, ""};
    case FS_SubData:
        return b == IAC ? Expected{"", {}, FS_SubDataCommand, Bytes({1})} : Expected{"", {}, FS_SubData, Bytes({1, b})};
    case FS_SubDataCommand:
        if (b == IAC)
            return {"", {}, FS_SubData, Bytes({1, 255})};
        if (b == SE)
            return {"", {termReply}, FS_Data, Bytes({1})};
        return {"", {}, FS_Data, Bytes({1})};
    }
    return {};
}

}  // namespace

TEST(TelnetFilter, EveryStateAndByteFollowsTheCommandTable)
{
    const TTelnetState states[] = {FS_Data,      FS_Will,    FS_Wont,          FS_Do, FS_Dont, FS_Command,
                                   FS_SubOption, FS_SubData, FS_SubDataCommand};
    for (const TTelnetState state : states) {
        for (int b = 0; b < 256; ++b) {
            SCOPED_TRACE("state " + std::to_string(state) + " byte " + std::to_string(b));
            FilterRun run;
            run.Feed(PrefixFor(state));
            ASSERT_EQ(run.filter.State(), state);
            ASSERT_TRUE(run.replies.empty());
            run.Feed(Bytes({b}));
            const Expected expected = ExpectedRow(state, b);
            EXPECT_EQ(run.text, expected.text);
            EXPECT_EQ(run.replies, expected.replies);
            EXPECT_EQ(run.filter.State(), expected.next);
            if (state == FS_SubOption) {
                EXPECT_EQ(run.filter.SubOption(), b);
            }
            if (state == FS_SubData || state == FS_SubDataCommand) {
                EXPECT_EQ(run.filter.SubData(), expected.subData);
            }
        }
    }
}

TEST(TelnetFilter, NegotiationRepliesAreExact)
{
    struct Case {
        std::string received;
        std::vector<std::string> sent;
    };
    const std::vector<Case> cases = {
        {Bytes({IAC, WILL, 1}), {Bytes({IAC, DONT, 1})}},
        {Bytes({IAC, WILL, 3}), {Bytes({IAC, DO, 3})}},
        {Bytes({IAC, WONT, 3}), {Bytes({IAC, DONT, 3})}},
        {Bytes({IAC, DO, 24}), {Bytes({IAC, WILL, 24})}},
        {Bytes({IAC, DO, 31}), {Bytes({IAC, WONT, 31})}},
        {Bytes({IAC, DONT, 24}), {Bytes({IAC, WONT, 24})}},
        {Bytes({IAC, SB, 24, 1, IAC, SE}), {Bytes({IAC, SB, 24, 0, 'D', 'U', 'M', 'B', IAC, SE})}},
        {Bytes({IAC, SB, 24, 0, 'x', 'y', IAC, SE}), {Bytes({IAC, SB, 24, IAC, SE})}},
        {Bytes({IAC, SB, 31, 0, 80, 0, 24, IAC, SE}), {Bytes({IAC, SB, 31, IAC, SE})}},
        {Bytes({IAC, SB, 24, IAC, SE}), {Bytes({IAC, SB, 24, IAC, SE})}},
        // Requests are answered every time, also when repeated.
        {Bytes({IAC, DO, 24, IAC, DO, 24}), {Bytes({IAC, WILL, 24}), Bytes({IAC, WILL, 24})}},
        // IAC followed by anything but SE abandons a sub-negotiation silently.
        {Bytes({IAC, SB, 24, 1, IAC, 241}), {}},
        {Bytes({IAC, 241, IAC, 249, IAC, 239}), {}},
    };
    for (const Case& c : cases) {
        FilterRun run;
        run.Feed(c.received);
        EXPECT_EQ(run.replies, c.sent);
        EXPECT_EQ(run.text, "");
        EXPECT_EQ(run.filter.State(), FS_Data);
    }
}

TEST(TelnetFilter, TerminalTypeReplyUsesTermTypeAsIs)
{
    FilterRun run;
    run.filter.SetTermType("");
    run.Feed(Bytes({IAC, SB, 24, 1, IAC, SE}));
    EXPECT_EQ(run.replies, std::vector<std::string>{Bytes({IAC, SB, 24, 0, IAC, SE})});

    FilterRun custom;
    custom.filter.SetTermType(Bytes({'V', 255, 'T'}));  // not doubled
    custom.Feed(Bytes({IAC, SB, 24, 1, IAC, SE}));
    EXPECT_EQ(custom.replies, std::vector<std::string>{Bytes({IAC, SB, 24, 0, 'V', 255, 'T', IAC, SE})});
}

TEST(TelnetFilter, SubNegotiationDataDoublingAndReset)
{
    FilterRun run;
    run.Feed(Bytes({IAC, SB, 31, 'a', IAC, IAC, 'b', IAC, SE}));
    EXPECT_EQ(run.filter.SubOption(), 31);
    EXPECT_EQ(run.filter.SubData(), Bytes({'a', 255, 'b'}));
    // SubOption and SubData stay until the next IAC SB.
    run.Feed("text");
    EXPECT_EQ(run.filter.SubData(), Bytes({'a', 255, 'b'}));
    run.Feed(Bytes({IAC, SB}));
    EXPECT_EQ(run.filter.SubOption(), 0);
    EXPECT_EQ(run.filter.SubData(), "");
    EXPECT_EQ(run.text, "text");
}

TEST(TelnetFilter, TextAroundCommandsIsKeptInOrder)
{
    FilterRun run;
    run.Feed(Bytes({'a', 'b', 'c', IAC, IAC, 'd', 'e', 'f'}));
    EXPECT_EQ(run.text, Bytes({'a', 'b', 'c', 255, 'd', 'e', 'f'}));

    FilterRun mixed;
    mixed.Feed("login" + Bytes({IAC, DO, 24}) + " name" + Bytes({IAC, SB, 24, 1, IAC, SE}) + " :" +
               Bytes({IAC, WILL, 1, IAC, 241}) + "\r\n");
    EXPECT_EQ(mixed.text, "login name :\r\n");
    EXPECT_EQ(mixed.replies.size(), 3u);
}

// Every way of cutting a sequence into chunks gives the same text and the
// same replies as the whole sequence in one chunk.
TEST(TelnetFilter, EverySplitOfASequenceGivesTheSameResult)
{
    const std::vector<std::string> sequences = {
        Bytes({'a', 'b', 'c', IAC, IAC, 'd', 'e', 'f'}),  Bytes({IAC, DO, 24, 'x', IAC, WILL, 3}),
        Bytes({'p', IAC, SB, 24, 1, IAC, SE, 'q'}),       Bytes({IAC, SB, 31, IAC, IAC, 7, IAC, SE, IAC, DONT, 1}),
        Bytes({IAC, WONT, 255, IAC, IAC, IAC, 241, 'z'}),
    };
    for (const std::string& sequence : sequences) {
        FilterRun whole;
        whole.Feed(sequence);
        const unsigned cuts = static_cast<unsigned>(sequence.size() - 1);
        for (unsigned mask = 0; mask < (1u << cuts); ++mask) {
            FilterRun split;
            std::string chunk;
            for (std::size_t i = 0; i < sequence.size(); ++i) {
                chunk += sequence[i];
                if (i < cuts && (mask & (1u << i))) {
                    split.Feed(chunk);
                    chunk.clear();
                }
            }
            split.Feed(chunk);
            EXPECT_EQ(split.text, whole.text) << "mask " << mask;
            EXPECT_EQ(split.replies, whole.replies) << "mask " << mask;
            EXPECT_EQ(split.filter.State(), whole.filter.State());
        }
    }
}

TEST(TelnetFilter, SplitCommandRepliesWhenTheLastByteArrives)
{
    FilterRun run;
    run.Feed(Bytes({IAC}));
    run.Feed(Bytes({DO}));
    EXPECT_TRUE(run.replies.empty());
    EXPECT_EQ(run.text, "");
    run.Feed(Bytes({24}));
    EXPECT_EQ(run.replies, std::vector<std::string>{Bytes({IAC, WILL, 24})});

    FilterRun doubled;
    doubled.Feed(Bytes({'a', 'b', 'c', IAC}));
    doubled.Feed(Bytes({IAC, 'd', 'e', 'f'}));
    EXPECT_EQ(doubled.text, Bytes({'a', 'b', 'c', 255, 'd', 'e', 'f'}));
}

TEST(TelnetFilter, SubDataIsCappedAndStillAnswered)
{
    FilterRun run;
    run.Feed(Bytes({IAC, SB, 24, 1}));
    const std::string flood(3 * TTelnetFilter::MaxSubData, 'x');
    run.Feed(flood);
    run.Feed(Bytes({IAC, IAC}));
    EXPECT_EQ(run.filter.SubData().size(), TTelnetFilter::MaxSubData);
    run.Feed(Bytes({IAC, SE}) + "after");
    EXPECT_EQ(run.replies, std::vector<std::string>{Bytes({IAC, SB, 24, 0, 'D', 'U', 'M', 'B', IAC, SE})});
    EXPECT_EQ(run.text, "after");
}

TEST(TelnetFilter, ResetReturnsToPlainTextOnly)
{
    FilterRun run;
    run.Feed(Bytes({IAC, SB, 31, 'k', IAC}));
    run.filter.Reset();
    EXPECT_EQ(run.filter.State(), FS_Data);
    EXPECT_EQ(run.filter.SubOption(), 31);
    EXPECT_EQ(run.filter.SubData(), "k");
    run.Feed(Bytes({SE}));
    EXPECT_EQ(run.text, Bytes({SE}));
    EXPECT_TRUE(run.replies.empty());
}
