#include <gtest/gtest.h>

#include <stdexcept>

#include "app/HostPort.h"
#include "app/ReplyBuffer.h"

TEST(ReplyBuffer, TextIsLinesEachEndedByCrLf)
{
    TReplyBuffer buffer;
    EXPECT_EQ(buffer.Count(), 0);
    EXPECT_EQ(buffer.Text(), "");
    buffer.SetText("a\r\nb");
    EXPECT_EQ(buffer.Count(), 2);
    EXPECT_EQ(buffer.Text(), "a\r\nb\r\n");
    // A final empty line after the last line break is no line; earlier ones are.
    buffer.SetText("a\r\n\r\nb\r\n");
    EXPECT_EQ(buffer.Count(), 3);
    EXPECT_EQ(buffer.Line(1), "");
    buffer.SetText("\r\n");
    EXPECT_EQ(buffer.Count(), 1);
    EXPECT_EQ(buffer.Text(), "\r\n");
    // Only CR LF breaks a line; a lone CR or LF stays in it.
    buffer.SetText("a\nb\rc");
    EXPECT_EQ(buffer.Count(), 1);
    EXPECT_EQ(buffer.Text(), "a\nb\rc\r\n");
}

TEST(ReplyBuffer, AppendKeepsLineBreaksInsideTheText)
{
    TReplyBuffer buffer("Memo1");
    buffer.Clear();
    buffer.Append("xdsl debug bitloadinginfo");
    buffer.Append("one\r\ntwo\r\n");
    EXPECT_EQ(buffer.Text(), "xdsl debug bitloadinginfo\r\none\r\ntwo\r\n\r\n");
    EXPECT_EQ(buffer.Count(), 4);
    buffer.Append("");
    EXPECT_EQ(buffer.Count(), 5);
}

TEST(ReplyBuffer, LineAccessIsChecked)
{
    TReplyBuffer buffer("a\r\nb");
    buffer.SetLine(1, "c");
    EXPECT_EQ(buffer.Line(1), "c");
    EXPECT_THROW(buffer.Line(2), std::out_of_range);
    EXPECT_THROW(buffer.Line(-1), std::out_of_range);
    EXPECT_THROW(buffer.SetLine(2, "x"), std::out_of_range);
}

TEST(SplitHostPort, NamedPortsAndDefaults)
{
    struct Case {
        const char* text;
        const char* host;
        const char* port;
    };
    const Case cases[] = {
        {"192.168.1.254", "192.168.1.254", "23"},
        {"192.168.1.254:2323", "192.168.1.254", "2323"},
        {"router.lan:telnet", "router.lan", "telnet"},
        {"router.lan", "router.lan", "23"},
        {"router.lan:", "router.lan", "23"},
        {"[::1]:2323", "::1", "2323"},
        {"[fe80::1%eth0]:23", "fe80::1%eth0", "23"},
        {"[::1]", "::1", "23"},
        {"[::1]:", "::1", "23"},
        {"::1", "::1", "23"},
        {"fe80::1", "fe80::1", "23"},
        {"2001:db8::2:1", "2001:db8::2:1", "23"},
        {"", "", "23"},
        {"[::1", "[::1", "23"},
        {"[::1]x", "[::1]x", "23"},
    };
    for (const Case& c : cases) {
        const THostPort split = SplitHostPort(c.text);
        EXPECT_EQ(split.Host, c.host) << c.text;
        EXPECT_EQ(split.Port, c.port) << c.text;
    }
    EXPECT_EQ(SplitHostPort("host", "2323").Port, "2323");
}
