// The monitor's session without a window: polls against the router simulator
// and scripted routers on loopback, drawn into a headless monitor chart; the
// rules for Stop, the close request and requests that arrive during a poll;
// the status line and readout texts.
#include "SimulatedRouter.h"
#include "UnusedPort.h"
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

#include "ScriptedRouter.h"
#include "app/MonitorSession.h"
#include "app/PollStatusText.h"
#include "app/ReadoutText.h"
#include "app/ReplyCut.h"
#include "chart/BarSeries.h"
#include "chart/CustomChart.h"
#include "monitor/MonitorChart.h"
#include "routersim/RouterProfile.h"
#include "routersim/RouterSimulator.h"

namespace {

constexpr std::uint32_t Green = 0x008000;
constexpr std::uint32_t Blue = 0xFF0000;
constexpr std::uint32_t Red = 0x0000FF;
const std::string Clock = "12:34:56";

// The window's part, recorded: a headless Chart21 for the bars, and every
// call the session makes.
class TRecordingView : public TMonitorView, public TPollRecorder {
public:
    TRecordingView() : series(ConfigureMonitorChart(chart)) {}

    TLoginFields LoginFields() override { return login; }
    void PlotBars(const ToneBits& bits, const design::ToneRange& range) override
    {
        if (failPlot)
            throw std::runtime_error("plot failed");
        PlotToneTable(chart, series, bits, range);
        ++plots;
    }
    void SetIndicator(std::uint32_t color) override { indicator = color; }
    void SetTimerEnabled(bool enabled) override
    {
        timerOn = enabled;
        (enabled ? timerStarts : timerStops)++;
    }
    void ShowStatus(const std::string& text) override { statuses.push_back(text); }
    void ApplyCursor(TMonitorCursor cursor) override { cursors.push_back(cursor); }
    std::string KeepPoll(const TPollOutcome& outcome, const std::string& host, const ToneBits& bits,
                         const design::ToneRange& range) override
    {
        if (failKeep)
            throw std::runtime_error("history failed");
        kept.push_back({outcome.Captured, host, bits, range, outcome});
        return keepNote;
    }
    void ProcessMessages() override
    {
        ++messageRounds;
        if (onMessages)
            onMessages(messageRounds);
    }
    void Heartbeat() override
    {
        ++heartbeats;
        if (onHeartbeat)
            onHeartbeat();
    }

    // The bars on the chart: labels, colours and values.
    std::vector<std::string> Labels() const
    {
        std::vector<std::string> labels;
        for (int i = 0; i < series.PointCount(); ++i)
            labels.push_back(series.PointLabel(i));
        return labels;
    }

    TCustomChart chart;
    TBarSeries& series;
    TLoginFields login{"", "Administrator", "pw"};
    bool failPlot = false;
    bool failKeep = false;
    int plots = 0;
    std::uint32_t indicator = Red;
    bool timerOn = false;
    int timerStarts = 0;
    int timerStops = 0;
    std::vector<std::string> statuses;
    std::vector<TMonitorCursor> cursors;
    int messageRounds = 0;
    int heartbeats = 0;
    std::function<void(int round)> onMessages;
    std::function<void()> onHeartbeat;
    struct TKept {
        bool Captured;
        std::string Host;
        ToneBits Bits;
        design::ToneRange Range;
        TPollOutcome Outcome;
    };
    std::vector<TKept> kept;
    std::string keepNote;
};

std::vector<std::string> ToneLabels(int first, int last)
{
    std::vector<std::string> labels;
    for (int tone = first; tone <= last; ++tone)
        labels.push_back(std::to_string(tone));
    return labels;
}

class MonitorSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.login.Host = simulator.Host();
        session.SetClock([] { return Clock; });
        session.SetRecorder(&view);
    }

    static constexpr uint32_t Seed = 5;
    TSimulatedRouter simulator{TSimulatedRouter::Settings("pw", Seed)};
    TRecordingView view;
    TMonitorSession session{view, std::string(design::Memo1Text)};
};

TEST_F(MonitorSessionTest, StartsIdleAndAPollReadsTheRouterIntoTheChart)
{
    // Before any poll: Idle, red, no timer, the reply buffer as designed, no bars.
    EXPECT_EQ(session.State(), msIdle);
    EXPECT_EQ(session.Indicator(), Red);
    EXPECT_FALSE(session.TimerEnabled());
    EXPECT_EQ(session.Reply().Text(), "Memo1\r\n");
    EXPECT_EQ(session.Range(), design::RangeLow);
    EXPECT_EQ(session.StatusText(), "No poll yet");
    EXPECT_EQ(session.Cursor(), mcDefault);
    EXPECT_EQ(view.series.PointCount(), 0);

    session.RequestPoll();

    const ToneBits expected = SimulatedBitLoading(Seed, 0);
    EXPECT_EQ(session.Bits(), expected);
    EXPECT_EQ(simulator->PollsServed(), 1u);
    EXPECT_EQ(session.State(), msRunning);
    EXPECT_EQ(session.Indicator(), Green);
    EXPECT_EQ(view.indicator, Green);
    EXPECT_TRUE(session.TimerEnabled());
    EXPECT_EQ(view.timerStarts, 1);
    EXPECT_EQ(view.messageRounds, 1);  // the one event-handling point
    EXPECT_TRUE(session.LastOutcome().Captured);
    EXPECT_EQ(session.TonesRead(), 513);

    // 256 bars "0" to "255", green up to tone 31, blue above, with the table's values.
    EXPECT_EQ(view.chart.BottomAxis().Maximum(), 255.0);
    ASSERT_EQ(view.Labels(), ToneLabels(0, 255));
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(view.series.PointColor(i), i <= 31 ? Green : Blue) << i;
        ASSERT_EQ(view.series.YValues().ValueAt(i), expected[static_cast<std::size_t>(i)]) << i;
    }

    // The status line said what runs, then what it read; the cursor was busy meanwhile.
    EXPECT_EQ(view.statuses,
              (std::vector<std::string>{"Polling " + view.login.Host + "...", "Read 513 tones at 12:34:56"}));
    EXPECT_EQ(view.cursors, (std::vector<TMonitorCursor>{mcBusy, mcDefault}));
}

// Every poll is handed to the history once, a failed one too; a history that
// cannot keep it adds a note to the status line and stops nothing. A past
// poll on the chart renumbers the readout until the next poll.
TEST_F(MonitorSessionTest, EveryPollIsKeptAndAPastPollRenumbersTheReadout)
{
    session.RequestPoll();
    ASSERT_EQ(view.kept.size(), 1u);
    EXPECT_TRUE(view.kept[0].Captured);
    EXPECT_EQ(view.kept[0].Host, view.login.Host);
    EXPECT_EQ(view.kept[0].Bits, SimulatedBitLoading(Seed, 0));
    EXPECT_EQ(view.kept[0].Range, design::RangeLow);

    view.keepNote = "History not written: database is locked";
    const std::string routerHost = view.login.Host;
    view.login.Host = "127.0.0.1:" + std::to_string(UnusedPort());
    session.RequestPoll();
    ASSERT_EQ(view.kept.size(), 2u);
    EXPECT_FALSE(view.kept[1].Captured);
    EXPECT_EQ(view.kept[1].Bits, ToneBits{});
    EXPECT_EQ(session.StatusText(), "Could not connect to " + view.login.Host +
                                        ": Connection refused (at 12:34:56); History not written: database is locked");
    EXPECT_TRUE(session.TimerEnabled());

    // The session alone plots the past poll: its bits over its range.
    const int plotsBefore = view.plots;
    ToneBits past{};
    past[300] = 7;
    session.ShowPastPoll(past, design::RangeHigh, "Showing a past poll");
    EXPECT_EQ(view.plots, plotsBefore + 1);
    ASSERT_EQ(view.series.PointCount(), design::RangeHigh.BarCount());
    EXPECT_EQ(view.series.YValues().ValueAt(300 - 256), 7.0);
    EXPECT_EQ(session.PlottedRange(), design::RangeHigh);
    EXPECT_EQ(session.Range(), design::RangeLow);
    EXPECT_EQ(session.StatusText(), "Showing a past poll");
    EXPECT_EQ(view.kept.size(), 2u);
    EXPECT_TRUE(session.TimerEnabled());
    EXPECT_EQ(session.Indicator(), Green);

    view.keepNote.clear();
    view.login.Host = routerHost;
    session.RequestPoll();
    EXPECT_EQ(session.PlottedRange(), design::RangeLow);
    EXPECT_EQ(session.StatusText(), "Read 513 tones at 12:34:56");
}

TEST_F(MonitorSessionTest, RangesSetBarsColoursAndAxisAndReselectingPollsNot)
{
    session.SelectRange(design::RangeHigh);
    EXPECT_EQ(simulator->PollsServed(), 1u);
    EXPECT_EQ(view.chart.BottomAxis().Maximum(), 256.0);
    ASSERT_EQ(view.Labels(), ToneLabels(256, 512));
    for (int i = 0; i < 257; ++i)
        ASSERT_EQ(view.series.PointColor(i), Blue) << i;
    EXPECT_EQ(view.series.YValues().ValueAt(16), SimulatedBitLoading(Seed, 0)[272]);
    EXPECT_EQ(session.PlottedRange(), design::RangeHigh);

    // The selected range again: nothing happens.
    session.SelectRange(design::RangeHigh);
    EXPECT_EQ(simulator->PollsServed(), 1u);
    EXPECT_EQ(view.plots, 1);

    session.SelectRange(design::RangeAll);
    EXPECT_EQ(simulator->PollsServed(), 2u);
    EXPECT_EQ(view.chart.BottomAxis().Maximum(), 512.0);
    ASSERT_EQ(view.Labels(), ToneLabels(0, 512));
    EXPECT_EQ(view.series.PointColor(31), Green);
    EXPECT_EQ(view.series.PointColor(32), Blue);

    session.SelectRange(design::RangeLow);
    EXPECT_EQ(simulator->PollsServed(), 3u);
    EXPECT_EQ(view.chart.BottomAxis().Maximum(), 255.0);
    EXPECT_EQ(view.series.PointCount(), 256);
}

TEST_F(MonitorSessionTest, TimerIsEnabledOnceAndStopDisablesIt)
{
    session.RequestPoll();
    session.RequestPoll();  // Plot while running: the period runs on
    session.TimerTick();
    EXPECT_EQ(simulator->PollsServed(), 3u);
    EXPECT_EQ(view.timerStarts, 1);

    session.Stop();
    EXPECT_EQ(session.State(), msStopped);
    EXPECT_FALSE(view.timerOn);
    EXPECT_EQ(view.indicator, Red);
    EXPECT_EQ(view.timerStops, 1);
    // Stop touches neither chart nor table.
    EXPECT_EQ(view.series.PointCount(), 256);
    EXPECT_EQ(session.Bits(), SimulatedBitLoading(Seed, 2));

    session.RequestPoll();  // the first poll after Stop starts a new period
    EXPECT_EQ(view.timerStarts, 2);
    EXPECT_EQ(session.State(), msRunning);
}

TEST_F(MonitorSessionTest, StopDuringAPollWins)
{
    session.RequestPoll();
    // Stop handled at the event-handling point of the next poll.
    view.onMessages = [this](int) { session.Stop(); };
    session.RequestPoll();
    EXPECT_EQ(session.State(), msStopped);
    EXPECT_EQ(view.indicator, Red);
    EXPECT_FALSE(view.timerOn);
    EXPECT_FALSE(session.TimerEnabled());
    // The poll itself completed: its reply is on the chart.
    EXPECT_EQ(simulator->PollsServed(), 2u);
    EXPECT_EQ(session.Bits(), SimulatedBitLoading(Seed, 1));
    EXPECT_EQ(view.plots, 2);
}

TEST_F(MonitorSessionTest, TheLastOfStopAndPlotDuringAPollDecides)
{
    // Plot, then Stop: the remembered poll is dropped.
    view.onMessages = [this](int round) {
        if (round == 1) {
            session.RequestPoll();
            session.Stop();
        }
    };
    session.RequestPoll();
    EXPECT_EQ(simulator->PollsServed(), 1u);
    EXPECT_EQ(session.State(), msStopped);
    EXPECT_EQ(view.indicator, Red);

    // Stop, then Plot: the remembered poll runs and ends in Running.
    view.messageRounds = 0;
    view.onMessages = [this](int round) {
        if (round == 1) {
            session.Stop();
            session.RequestPoll();
        }
    };
    session.RequestPoll();
    EXPECT_EQ(simulator->PollsServed(), 3u);
    EXPECT_EQ(session.State(), msRunning);
    EXPECT_EQ(view.indicator, Green);
    EXPECT_TRUE(view.timerOn);
}

TEST_F(MonitorSessionTest, RequestsDuringAPollRunOnceAfterItWithTheNewRange)
{
    std::vector<bool> nested;
    view.onMessages = [&](int round) {
        nested.push_back(round > 1 && session.PollPending());
        if (round == 1) {
            // Plot, the credit label, a timer tick and another range: one more poll.
            session.RequestPoll();
            session.TimerTick();
            session.RequestPoll();
            session.SelectRange(design::RangeHigh);
            EXPECT_EQ(simulator->PollsServed(), 0u) << "no poll inside the running one";
        }
    };
    session.RequestPoll();
    EXPECT_EQ(view.messageRounds, 2);
    EXPECT_EQ(simulator->PollsServed(), 2u);
    EXPECT_EQ(nested, (std::vector<bool>{false, false}));
    EXPECT_FALSE(session.PollPending());
    // The chart shows the second poll alone, over the range selected meanwhile.
    EXPECT_EQ(view.plots, 2);
    ASSERT_EQ(view.Labels(), ToneLabels(256, 512));
    EXPECT_EQ(session.Bits(), SimulatedBitLoading(Seed, 1));
    EXPECT_EQ(view.timerStarts, 1);
}

TEST_F(MonitorSessionTest, CloseRequestDuringAPollEndsThePolling)
{
    session.RequestPoll();
    view.onMessages = [this](int) {
        EXPECT_TRUE(session.CloseQuery());
        session.RequestPoll();  // a click queued behind the close request
    };
    session.RequestPoll();
    EXPECT_TRUE(session.Closing());
    EXPECT_EQ(simulator->PollsServed(), 2u);
    EXPECT_EQ(session.State(), msStopped);
    EXPECT_EQ(view.indicator, Red);
    EXPECT_FALSE(view.timerOn);

    // Nothing polls any more.
    view.onMessages = nullptr;
    session.RequestPoll();
    session.TimerTick();
    EXPECT_EQ(simulator->PollsServed(), 2u);
}

TEST_F(MonitorSessionTest, ExceptionAfterTheDialogueSkipsTheRestOfThePoll)
{
    view.failPlot = true;
    view.onMessages = [this](int) { session.RequestPoll(); };
    EXPECT_THROW(session.RequestPoll(), std::runtime_error);
    // The timer is not enabled by that poll, the remembered request is
    // dropped, and the busy cursor is gone.
    EXPECT_FALSE(view.timerOn);
    EXPECT_FALSE(session.Polling());
    EXPECT_FALSE(session.PollPending());
    EXPECT_EQ(simulator->PollsServed(), 1u);
    EXPECT_EQ(view.cursors, (std::vector<TMonitorCursor>{mcBusy, mcDefault}));
    // Nor does the status line still say that a poll runs.
    const std::string brokenOff = "The poll of " + view.login.Host + " ended with an error (at 12:34:56)";
    EXPECT_EQ(view.statuses, (std::vector<std::string>{"Polling " + view.login.Host + "...", brokenOff}));
    EXPECT_EQ(session.StatusText(), brokenOff);

    // The same when keeping the poll in the history throws.
    view.failPlot = false;
    view.failKeep = true;
    view.onMessages = nullptr;
    EXPECT_THROW(session.RequestPoll(), std::runtime_error);
    EXPECT_EQ(session.StatusText(), brokenOff);
    EXPECT_EQ(view.plots, 1);
    view.failKeep = false;

    // The next request polls normally.
    view.failPlot = false;
    view.onMessages = nullptr;
    session.RequestPoll();
    EXPECT_EQ(session.State(), msRunning);
}

TEST_F(MonitorSessionTest, CursorFollowsTheReadoutOutsidePolls)
{
    session.SetReadoutOnBar(true);
    EXPECT_EQ(session.Cursor(), mcCrosshair);
    // During the poll the cursor is busy, whatever the readout says; after it
    // the readout's last word counts.
    view.onMessages = [this](int) {
        EXPECT_EQ(session.Cursor(), mcBusy);
        session.SetReadoutOnBar(false);
        EXPECT_EQ(session.Cursor(), mcBusy);
    };
    session.RequestPoll();
    EXPECT_EQ(session.Cursor(), mcDefault);
    EXPECT_EQ(view.cursors, (std::vector<TMonitorCursor>{mcCrosshair, mcBusy, mcDefault}));
}

TEST(MonitorSession, RefusedPortCompletesWithZerosGreenAndTheFailureInTheStatus)
{
    TRecordingView view;
    view.login.Host = "127.0.0.1:" + std::to_string(UnusedPort());
    TMonitorSession session(view);
    session.SetClock([] { return Clock; });
    session.SetRecorder(&view);
    session.SelectRange(design::RangeAll);

    for (int32_t v : session.Bits())
        ASSERT_EQ(v, 0);
    EXPECT_EQ(view.series.PointCount(), 513);
    EXPECT_EQ(view.indicator, Green);
    EXPECT_TRUE(view.timerOn);
    EXPECT_EQ(session.State(), msRunning);
    EXPECT_FALSE(session.LastOutcome().Captured);
    EXPECT_EQ(session.StatusText(), "Could not connect to " + view.login.Host + ": Connection refused (at 12:34:56)");
}

// A poll called off (the program is told to end) is no poll of the line:
// the session hands it to no recorder, not even as a failure.
TEST(MonitorSession, ACalledOffPollIsKeptNowhere)
{
    TRouterSimulatorSettings settings = TSimulatedRouter::Settings("pw", 5);
    settings.StallAfterReplies = 1;
    TSimulatedRouter router(settings);
    TRecordingView view;
    view.login.Host = router.Host();
    TMonitorSession session(view);
    session.SetClock([] { return Clock; });
    session.SetRecorder(&view);
    TPollSettings pollSettings;
    pollSettings.Cancelled = [&] { return router->CommandsStalled() > 0; };
    session.SetPollSettings(pollSettings);

    session.RequestPoll();
    ASSERT_EQ(view.kept.size(), 1u);
    EXPECT_TRUE(view.kept[0].Captured);
    session.RequestPoll();
    EXPECT_EQ(session.PollCount(), 2);
    EXPECT_TRUE(session.LastOutcome().Cancelled);
    EXPECT_EQ(view.kept.size(), 1u);
}

// A router that answers the command with an error message: a failed poll in
// the status line and in the history, while chart, indicator and timer go
// on as after any poll.
TEST(MonitorSession, ReplyWithoutTheBitLoadingIsAFailedPoll)
{
    TRouterSimulatorSettings settings;
    settings.Password = "pw";
    settings.KnowsBitLoading = false;
    TRouterSimulator simulator(settings);
    TRecordingView view;
    view.login.Host = "127.0.0.1:" + std::to_string(simulator.Start());
    TMonitorSession session(view);
    session.SetClock([] { return Clock; });
    session.SetRecorder(&view);
    session.RequestPoll();

    EXPECT_EQ(session.StatusText(), "No bit loading in the router's reply: Error : unknown command (at 12:34:56)");
    EXPECT_FALSE(session.LastOutcome().Captured);
    EXPECT_EQ(session.LastOutcome().FailedStep, TPollStep::psReadBits);
    EXPECT_EQ(session.TonesRead(), 0);
    ASSERT_EQ(view.kept.size(), 1u);
    EXPECT_FALSE(view.kept[0].Captured);
    EXPECT_EQ(DescribeOutcome(view.kept[0].Outcome), "No bit loading in the router's reply: Error : unknown command");
    EXPECT_EQ(view.series.PointCount(), 256);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(view.series.YValues().ValueAt(i), 0.0) << i;
    EXPECT_EQ(view.indicator, Green);
    EXPECT_TRUE(view.timerOn);
    EXPECT_EQ(session.State(), msRunning);
}

// A reply cut short after 120 tones: a failed poll whose bars show the 120.
TEST(MonitorSession, ReplyWithTooFewTonesIsAFailedPollShownAsRead)
{
    const ToneBits bits = SimulatedBitLoading(4, 0);
    const std::string text = BitLoadingReplyText(bits);
    std::size_t end = BitLoadingReplyHeadLength;
    for (int line = 0; line < 12; ++line)
        end = text.find("\r\n", end) + 2;
    TScriptedRouter router([&](TScriptedConnection& c) {
        if (c.Login())
            c.Send(text.substr(0, end) + "=>");
        c.ReadUntil("never sent");
    });
    TRecordingView view;
    view.login.Host = router.Host();
    TMonitorSession session(view);
    session.SetClock([] { return Clock; });
    session.SetRecorder(&view);
    session.SelectRange(design::RangeAll);

    EXPECT_EQ(session.StatusText(), "The router's reply held only 120 of 513 tones (at 12:34:56)");
    EXPECT_EQ(session.LastOutcome().FailedStep, TPollStep::psReadBits);
    EXPECT_EQ(session.TonesRead(), 120);
    ASSERT_EQ(view.series.PointCount(), 513);
    for (int i = 0; i < 513; ++i)
        ASSERT_EQ(view.series.YValues().ValueAt(i), i < 120 ? bits[static_cast<std::size_t>(i)] : 0) << i;
    EXPECT_EQ(view.indicator, Green);
    EXPECT_TRUE(view.timerOn);
}

// The status line names the deadline the poll ran under.
TEST(MonitorSession, DeadlineInTheStatusIsThePolls)
{
    TScriptedRouter router([](TScriptedConnection& c) {
        while (!c.Stopped() && c.Send("x"))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    });
    TRecordingView view;
    view.login.Host = router.Host();
    TMonitorSession session(view);
    session.SetClock([] { return Clock; });
    session.SetRecorder(&view);
    TPollSettings settings;
    settings.DeadlineMs = 400;
    session.SetPollSettings(settings);
    session.RequestPoll();
    EXPECT_EQ(session.StatusText(), "Gave up after connecting: the poll took longer than 0.4 s (at 12:34:56)");
}

TEST(MonitorSession, WaitsHeartbeatWhileTheRouterIsSilentAndTicksThenAreRemembered)
{
    // The router holds its reply back until the poll has had a heartbeat.
    std::atomic<bool> heartbeatSeen{false};
    TScriptedRouter router([&](TScriptedConnection& c) {
        if (!c.Login())
            return;
        while (!heartbeatSeen && !c.Stopped())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        c.Send(BitLoadingReplyText(SimulatedBitLoading(3, 0)) + "=>");
        c.ReadUntil("never sent");
    });
    TRecordingView view;
    view.login.Host = router.Host();
    TMonitorSession session(view);
    int requests = 0;
    view.onHeartbeat = [&] {
        EXPECT_TRUE(session.Polling());
        EXPECT_EQ(session.Cursor(), mcBusy);
        if (!heartbeatSeen) {
            // A timer tick delivered while the poll waits; its poll will find
            // nothing listening.
            session.TimerTick();
            view.login.Host = "127.0.0.1:" + std::to_string(UnusedPort());
            ++requests;
        }
        heartbeatSeen = true;
    };
    session.SetClock([] { return Clock; });
    session.SetRecorder(&view);
    session.RequestPoll();
    EXPECT_GE(view.heartbeats, 1);
    EXPECT_EQ(requests, 1);
    // The first poll read the router; the remembered tick ran a second poll
    // once the first had ended.
    EXPECT_EQ(session.PollCount(), 2);
    ASSERT_EQ(view.statuses.size(), 4u);
    EXPECT_EQ(view.statuses[1], "Read 513 tones at 12:34:56");
    EXPECT_EQ(view.statuses[3].substr(0, 21), "Could not connect to ");
    EXPECT_EQ(view.plots, 2);
}

TEST(PollStatusText, SaysWhatFailedInPlainWordsForEveryStep)
{
    const auto failed = [](TPollStep step, int code, const std::string& text, bool deadline = false,
                           int deadlineMs = 30000) {
        TPollOutcome outcome;
        outcome.FailedStep = step;
        outcome.ErrorCode = code;
        outcome.ErrorText = text;
        outcome.DeadlineExceeded = deadline;
        outcome.DeadlineMs = deadlineMs;
        return PollStatusText(outcome, "192.168.1.254", 0, "14:03:12");
    };
    TPollOutcome captured;
    captured.Captured = true;
    EXPECT_EQ(PollStatusText(captured, "192.168.1.254", 513, "14:03:12"), "Read 513 tones at 14:03:12");
    EXPECT_EQ(PollStatusText(captured, "192.168.1.254", 1, "14:03:12"), "Read 1 tone at 14:03:12");

    EXPECT_EQ(failed(TPollStep::psConnect, 10061, "Connection refused"),
              "Could not connect to 192.168.1.254: Connection refused (at 14:03:12)");
    EXPECT_EQ(failed(TPollStep::psConnect, 11001, "Host not found"),
              "Could not connect to 192.168.1.254: Host not found (at 14:03:12)");
    EXPECT_EQ(failed(TPollStep::psWaitUserPrompt, 10060, "Connection timed out"),
              "No reply within 2 s after connecting (at 14:03:12)");
    EXPECT_EQ(failed(TPollStep::psWaitPasswordPrompt, 10060, "Connection timed out"),
              "No reply within 2 s after the user name (at 14:03:12)");
    EXPECT_EQ(failed(TPollStep::psWaitCommandPrompt, 10060, "Connection timed out"),
              "No reply within 2 s after the password (at 14:03:12)");
    EXPECT_EQ(failed(TPollStep::psWaitCommandPrompt, 10054, "Connection reset by peer"),
              "The router closed the connection after the password (at 14:03:12)");
    EXPECT_EQ(failed(TPollStep::psReceiveReply, 10055, "No buffer space available"),
              "Lost the router after the command: No buffer space available (at 14:03:12)");
    EXPECT_EQ(failed(TPollStep::psReceiveReply, 0, "no reply before the prompt"),
              "No bit loading in the router's reply after the command (at 14:03:12)");
    EXPECT_EQ(failed(TPollStep::psSendPassword, 10054, "Connection reset by peer"),
              "Could not send the password: Connection reset by peer (at 14:03:12)");
    EXPECT_EQ(failed(TPollStep::psWaitUserPrompt, 10053, "Software caused connection abort", true),
              "Gave up after connecting: the poll took longer than 30 s (at 14:03:12)");
    EXPECT_EQ(failed(TPollStep::psReceiveReply, 10053, "Software caused connection abort", true, 2500),
              "Gave up after the command: the poll took longer than 2.5 s (at 14:03:12)");
    EXPECT_EQ(failed(TPollStep::psWaitUserPrompt, 10053, "Software caused connection abort", true, 0),
              "Gave up after connecting: the poll ran out of time (at 14:03:12)");
    EXPECT_EQ(failed(TPollStep::psReadBits, 0, "No bit loading in the router's reply: Syntax error"),
              "No bit loading in the router's reply: Syntax error (at 14:03:12)");
    EXPECT_EQ(failed(TPollStep::psCheckSettings, 0, "the password contains a line break or NUL character"),
              "Not polled: the password contains a line break or NUL character (at 14:03:12)");
    // A step this text does not know by name still reads well.
    EXPECT_EQ(failed(static_cast<TPollStep>(99), 0, "the password holds a line break"),
              "The poll failed (unknown step): the password holds a line break (at 14:03:12)");
    EXPECT_EQ(failed(TPollStep::psLogout, 0, ""), "The poll failed (logout) (at 14:03:12)");
}

TEST(PollStatusText, TonesReadCountsTheCellsOfTheCutReply)
{
    const ToneBits bits = SimulatedBitLoading(4, 0);
    TReplyBuffer full;
    full.Append(BitLoadingCommand);
    full.Append(BitLoadingReplyText(bits));
    ToneBits read{};
    ParseReply(full, read);
    EXPECT_EQ(TonesInCutReply(full), 513);

    // A reply cut off after the first 12 lines: 120 cells.
    TReplyBuffer partial;
    partial.Append(BitLoadingCommand);
    const std::string text = BitLoadingReplyText(bits);
    std::size_t end = BitLoadingReplyHeadLength;
    for (int line = 0; line < 12; ++line)
        end = text.find("\r\n", end) + 2;
    partial.Append(text.substr(0, end - 2));
    ParseReply(partial, read);
    EXPECT_EQ(TonesInCutReply(partial), 120);

    TReplyBuffer empty("Memo1");
    ParseReply(empty, read);
    EXPECT_EQ(TonesInCutReply(empty), 0);
}

TEST(ReadoutText, ShortestDecimalForm)
{
    EXPECT_EQ(ShortestDecimal(4.3125), "4.3125");
    EXPECT_EQ(ShortestDecimal(2208.0), "2208");
    EXPECT_EQ(ShortestDecimal(1173.0), "1173");
    EXPECT_EQ(ShortestDecimal(0.0), "0");
    EXPECT_EQ(ShortestDecimal(-0.0), "0");
    EXPECT_EQ(ShortestDecimal(-1.0), "-1");
    EXPECT_EQ(ShortestDecimal(0.1 + 0.2), "0.3");
    EXPECT_EQ(ShortestDecimal(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(ShortestDecimal(123456789012345.0), "123456789012345");
    EXPECT_EQ(ShortestDecimal(1e15), "1E+15");
    EXPECT_EQ(ShortestDecimal(1234567890123456789.0), "1.23456789012346E+18");
    EXPECT_EQ(ShortestDecimal(0.0001), "0.0001");
    EXPECT_EQ(ShortestDecimal(0.00001), "1E-5");
    EXPECT_EQ(ShortestDecimal(4.3125, ','), "4,3125");
}

TEST(ReadoutText, TextsToTheCharacter)
{
    EXPECT_EQ(ReadoutToneText(272), "Tone number:   272");
    EXPECT_EQ(ReadoutFrequencyText(272), "Frequency:       1173 KHz");
    EXPECT_EQ(ReadoutFrequencyText(64), "Frequency:       276 KHz");
    EXPECT_EQ(ReadoutFrequencyText(1), "Frequency:       4.3125 KHz");
    EXPECT_EQ(ReadoutFrequencyText(512), "Frequency:       2208 KHz");
    EXPECT_EQ(ReadoutFrequencyText(3, ','), "Frequency:       12,9375 KHz");
    EXPECT_EQ(ReadoutBitsText(12.0), "Bits:                  12");
    EXPECT_EQ(ReadoutBitsText(0.0), "Bits:                  0");
}

}  // namespace
