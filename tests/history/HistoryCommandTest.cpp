// quillmont-poll --history against the router simulator on loopback: polls
// are kept, exported, and a store that cannot take them never stops a poll.
#include "HistoryTestUtil.h"
#include "SimulatedRouter.h"
#include "Subprocess.h"

#include "history/HistoryCsv.h"
#include "history/HistoryEvents.h"
#include "history/HistoryStore.h"
#include "history/HistoryTime.h"
#include "history/ToneChangeCounter.h"
#include "poll/PollArguments.h"
#include "poll/PollCommand.h"
#include "routersim/RouterProfile.h"
#include "routersim/RouterSimulator.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <sstream>

namespace {

std::string TableCsv(const ToneBits& bits)
{
    std::ostringstream out;
    WriteToneBitsCsv(out, bits);
    return out.str();
}

std::string ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

class HistoryCommandTest : public ::testing::Test {
protected:
    void SetUp() override { store = dir.filePath(QStringLiteral("history.sqlite")).toStdString(); }

    int Run(const std::vector<std::string>& args, std::string& out, std::string& err, const char* password = "s3cret")
    {
        std::istringstream in;
        std::ostringstream o, e;
        const int code = RunPollCommand(args, in, o, e, password);
        out = o.str();
        err = e.str();
        return code;
    }

    QTemporaryDir dir;
    TSimulatedRouter simulator{TSimulatedRouter::Settings("s3cret", 5, 1)};
    std::string host = simulator.Host();
    std::string store;
};

}  // namespace

TEST_F(HistoryCommandTest, PollsAreKeptAndExportedByTheBinary)
{
    // A good poll over 256-512 and one with the wrong password: the output
    // and exit codes are those of plain polls.
    const TProcessResult good = RunProcess(QM_POLL_BINARY, {"--history", store, "--range", "256-512", host},
                                           TestEnvironment({"QUILLMONT_PASSWORD=s3cret"}));
    EXPECT_EQ(good.ExitCode, 0);
    EXPECT_EQ(good.Out, TableCsv(SimulatedBitLoading(5, 0)));
    EXPECT_EQ(good.Err, "");
    const TProcessResult wrong =
        RunProcess(QM_POLL_BINARY, {host, "--history", store}, TestEnvironment({"QUILLMONT_PASSWORD=nope"}));
    EXPECT_EQ(wrong.ExitCode, 1);
    EXPECT_EQ(wrong.Err, "quillmont-poll: wait for \"=>\" failed: 10054 Connection reset by peer\n");

    THistoryStore history;
    ASSERT_TRUE(history.Open(QString::fromStdString(store)));
    std::vector<THistoryRecord> kept;
    ASSERT_TRUE(history.ForEachRecord(THistoryFilter::All(), [&](const THistoryRecord& r) { kept.push_back(r); }, {}));
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_TRUE(kept[0].Outcome.Captured);
    EXPECT_EQ(kept[0].Host, host);
    EXPECT_EQ(kept[0].FirstTone, 256);
    EXPECT_EQ(kept[0].LastTone, 512);
    EXPECT_EQ(kept[0].Bits, SimulatedBitLoading(5, 0));
    EXPECT_FALSE(kept[1].Outcome.Captured);
    EXPECT_EQ(kept[1].Outcome.FailedStep, TPollStep::psWaitCommandPrompt);
    EXPECT_EQ(kept[1].Bits, ToneBits{});
    EXPECT_LE(kept[0].TimeUtcMs, kept[1].TimeUtcMs);
    EXPECT_LE(std::abs(kept[1].TimeUtcMs - CurrentUtcMs()), 60000);
    history.Close();

    // Export without polling: the CSV of both polls, nothing on the router.
    const std::string out = dir.filePath(QStringLiteral("polls.csv")).toStdString();
    const std::size_t served = simulator->ClientsAccepted();
    const TProcessResult exported =
        RunProcess(QM_POLL_BINARY, {"--history", store, "--export-csv", out}, TestEnvironment({}));
    EXPECT_EQ(exported.ExitCode, 0);
    EXPECT_EQ(exported.Out, "");
    EXPECT_EQ(exported.Err, "");
    EXPECT_EQ(ReadAll(QString::fromStdString(out)),
              HistoryCsvHeader() + HistoryCsvRow(kept[0]) + HistoryCsvRow(kept[1]));
    EXPECT_EQ(simulator->ClientsAccepted(), served);

    // --since after both polls leaves the header alone.
    const TProcessResult none = RunProcess(
        QM_POLL_BINARY, {"--history", store, "--export-csv", out, "--since", FormatUtcIso(kept[1].TimeUtcMs + 2000)},
        TestEnvironment({}));
    EXPECT_EQ(none.ExitCode, 0);
    EXPECT_EQ(ReadAll(QString::fromStdString(out)), HistoryCsvHeader());
}

// A router that answers the command with an error: the poll is kept as a
// failed one, which every reader of the history skips or counts as failed.
TEST_F(HistoryCommandTest, AReplyWithoutTheBitLoadingIsKeptAsAFailedPoll)
{
    TRouterSimulatorSettings settings;
    settings.KnowsBitLoading = false;
    TRouterSimulator noBits(settings);
    const std::string noBitsHost = "127.0.0.1:" + std::to_string(noBits.Start());
    std::string out, err;
    EXPECT_EQ(Run({"--history", store, host}, out, err), PollExitCaptured);
    EXPECT_EQ(Run({"--history", store, noBitsHost}, out, err, ""), PollExitFailed);
    EXPECT_EQ(out, TableCsv(ToneBits{}));
    EXPECT_EQ(err, "quillmont-poll: No bit loading in the router's reply: Error : unknown command\n");
    EXPECT_EQ(Run({"--history", store, host}, out, err), PollExitCaptured);

    THistoryStore history;
    ASSERT_TRUE(history.Open(QString::fromStdString(store)));
    std::vector<THistoryRecord> kept;
    ASSERT_TRUE(history.ForEachRecord(THistoryFilter::All(), [&](const THistoryRecord& r) { kept.push_back(r); }, {}));
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_FALSE(kept[1].Outcome.Captured);
    EXPECT_EQ(kept[1].Outcome.FailedStep, TPollStep::psReadBits);
    EXPECT_EQ(kept[1].Outcome.ErrorText, "No bit loading in the router's reply: Error : unknown command");

    // The list (failed rows are coloured by the captured column), the total-bits plot and the CSV.
    std::vector<THistorySummary> page;
    ASSERT_TRUE(history.ReadPage(THistoryFilter::All(), nullptr, 10, page));
    ASSERT_EQ(page.size(), 3u);
    EXPECT_FALSE(page[1].Captured);
    EXPECT_EQ(page[1].OutcomeText, "No bit loading in the router's reply: Error : unknown command");
    std::vector<TTotalBitsPoint> totals;
    ASSERT_TRUE(history.ReadTotalBits(THistoryFilter::All(), totals));
    ASSERT_EQ(totals.size(), 3u);
    EXPECT_EQ(std::vector<bool>({totals[0].Captured, totals[1].Captured, totals[2].Captured}),
              std::vector<bool>({true, false, true}));
    EXPECT_NE(HistoryCsvRow(kept[1]).find(",No bit loading in the router's reply: Error : unknown command,"),
              std::string::npos);

    // The change count skips the failed poll: only the two readings are compared.
    std::vector<TToneSample> samples;
    for (const THistoryRecord& r : kept)
        samples.push_back({r.Outcome.Captured, r.Bits});
    const ToneBits first = SimulatedBitLoading(5, 0), second = SimulatedBitLoading(5, 1);
    const ToneChangeCounts counts = CountToneChanges(samples);
    for (int tone = 0; tone < ToneCount; ++tone)
        ASSERT_EQ(counts[tone], first[tone] != second[tone] ? 1 : 0) << tone;
}

// Several polls started at once on a store that does not exist yet: one of
// them lays it out, and every poll is kept, each with the table it printed.
TEST_F(HistoryCommandTest, PollsStartedAtOnceOnANewStoreAreAllKept)
{
    constexpr int Rounds = 5;
    constexpr int Polls = 6;
    for (int round = 0; round < Rounds; ++round) {
        const std::string path = dir.filePath(QStringLiteral("round-%1/history.sqlite").arg(round)).toStdString();
        struct TStarted {
            pid_t Pid;
            int In, Out, Err;
        };
        std::vector<TStarted> started(Polls);
        for (TStarted& s : started)
            s.Pid = StartProcess(QM_POLL_BINARY, {"--history", path, host},
                                 TestEnvironment({"QUILLMONT_PASSWORD=s3cret"}), s.In, s.Out, s.Err);
        std::multiset<std::string> printed;
        for (const TStarted& s : started) {
            const TProcessResult r = FinishProcess(s.Pid, s.In, s.Out, s.Err);
            EXPECT_EQ(r.ExitCode, 0) << "round " << round << ": " << r.Err;
            EXPECT_EQ(r.Err, "") << "round " << round;
            printed.insert(r.Out);
        }

        THistoryStore history;
        ASSERT_TRUE(history.Open(QString::fromStdString(path))) << history.LastError();
        std::multiset<std::string> kept;
        ASSERT_TRUE(history.ForEachRecord(THistoryFilter::All(),
                                          [&](const THistoryRecord& r) {
                                              EXPECT_TRUE(r.Outcome.Captured);
                                              kept.insert(TableCsv(r.Bits));
                                          },
                                          {}));
        EXPECT_EQ(kept.size(), static_cast<std::size_t>(Polls)) << "round " << round;
        EXPECT_EQ(kept, printed) << "round " << round;
    }
    EXPECT_EQ(simulator->PollsServed(), static_cast<std::size_t>(Rounds * Polls));
}

TEST_F(HistoryCommandTest, AStoreThatCannotBeWrittenCostsOneLine)
{
    std::string out, err;
    // Locked by another writer.
    {
        THistoryStore history;
        ASSERT_TRUE(history.Open(QString::fromStdString(store)));
    }
    {
        TRawConnection other(QString::fromStdString(store));
        ASSERT_TRUE(other.Exec(QStringLiteral("BEGIN IMMEDIATE")));
        EXPECT_EQ(Run({"--history", store, host}, out, err), PollExitCaptured);
        EXPECT_EQ(out, TableCsv(SimulatedBitLoading(5, 0)));
        EXPECT_EQ(err, "quillmont-poll: History not written: database is locked\n");
        ASSERT_TRUE(other.Exec(QStringLiteral("ROLLBACK")));
    }
    // A folder where the store should be.
    const std::string folder = dir.path().toStdString();
    EXPECT_EQ(Run({"--history", folder, host}, out, err), PollExitCaptured);
    EXPECT_EQ(out, TableCsv(SimulatedBitLoading(5, 1)));
    EXPECT_EQ(err, "quillmont-poll: History not written: " + folder + " is not a file\n");

    // A damaged store is set aside and the poll kept in a new one; the line says where the old one went.
    QFile damaged(QString::fromStdString(store));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(QByteArray(4096, '\x07'));
    damaged.close();
    EXPECT_EQ(Run({"--history", store, host}, out, err), PollExitCaptured);
    EXPECT_EQ(err.rfind("quillmont-poll: The history store " + store + " was damaged", 0), 0u) << err;
    EXPECT_NE(err.find("moved to " + store + ".damaged-"), std::string::npos);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    THistoryStore history;
    ASSERT_TRUE(history.Open(QString::fromStdString(store)));
    EXPECT_EQ(history.Count(THistoryFilter::All()), 1);
}

TEST_F(HistoryCommandTest, ExportFailuresAndUsage)
{
    std::string out, err;
    const std::string csv = dir.filePath(QStringLiteral("x.csv")).toStdString();
    // No store yet: nothing is created by an export.
    EXPECT_EQ(Run({"--history", store, "--export-csv", csv}, out, err), PollExitFailed);
    EXPECT_EQ(err, "quillmont-poll: no history yet: " + store + " does not exist\n");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(store)));

    // A refused record leaves the export with the others, a line naming it, and exit 1.
    {
        THistoryStore history;
        ASSERT_TRUE(history.Open(QString::fromStdString(store)));
        for (int n = 0; n < 3; ++n) {
            THistoryRecord r = GeneratedRecord(n);
            ASSERT_TRUE(history.Append(r));
        }
        TRawConnection other(QString::fromStdString(store));
        ASSERT_TRUE(other.Exec(QStringLiteral("UPDATE polls SET tone_values = '7' WHERE id = 2")));
    }
    EXPECT_EQ(Run({"--history", store, "--export-csv", csv}, out, err), PollExitFailed);
    EXPECT_EQ(err, "quillmont-poll: left out of the export: poll 2 refused: 1 values where 513 belong\n");
    EXPECT_EQ(ReadAll(QString::fromStdString(csv)),
              HistoryCsvHeader() + HistoryCsvRow(GeneratedRecord(0)) + HistoryCsvRow(GeneratedRecord(2)));
    EXPECT_EQ(Run({"--history", store, "--events"}, out, err), PollExitFailed);
    // The refused poll is left out as if never polled: the two others are compared.
    EXPECT_EQ(out, HistoryEventsCsvHeader() +
                       "2024-05-01T03:00:00Z,2024-05-01T03:02:00Z,resync,,,2,513 tones changed (of 513 loaded)\n");
    EXPECT_EQ(err, "quillmont-poll: left out of the events: poll 2 refused: 1 values where 513 belong\n");

    const std::vector<std::string> usage[] = {
        {"--export-csv", csv},
        {"--history", store, "--since", "2024-05-01"},
        {"--history", store, "--export-csv", csv, host},
        {"--history", store, "--export-csv", csv, "--png", csv + ".png"},
        {"--history", store, "--export-csv", store},
        {"--history", store, "--export-csv", csv, "--since", "last tuesday"},
        {"--history", store, "--table", csv},
        {"--history", store, "--png", store, host},
        {"--history", "", host},
        {"--events"},
        {"--history", store, "--until", "2024-05-01"},
        {"--history", store, "--events", "--export-csv", csv},
        {"--history", store, "--events", host},
        {"--history", store, "--events", "--since", "2024-05-02", "--until", "2024-05-01"},
        {"--history", store, "--events", "--until", "soon"},
    };
    for (const auto& args : usage) {
        EXPECT_EQ(Run(args, out, err), PollExitUsage) << args.back();
        EXPECT_EQ(err.rfind("quillmont-poll: ", 0), 0u);
        EXPECT_NE(err.find("usage: quillmont-poll"), std::string::npos);
    }
    EXPECT_EQ(simulator->ClientsAccepted(), 0u);
    EXPECT_NE(PollUsage().find("--history FILE --export-csv OUT [--since ISO-TIME]"), std::string::npos);
}

// The events of a small store as CSV, by the binary and without polling;
// --since and --until choose the polls, for --export-csv too.
TEST_F(HistoryCommandTest, EventsOfTheStoredPolls)
{
    const std::string router = "192.168.1.254";
    ToneBits inSync{};
    for (int tone = 0; tone < ToneCount; ++tone)
        inSync[tone] = 2 + tone % 5;
    ToneBits lost = inSync;
    lost[0] = lost[1] = lost[2] = 0;
    TPollOutcome captured;
    captured.Captured = true;
    // A reason comes from the router: it may hold anything a CSV cell must keep whole.
    TPollOutcome hostile;
    hostile.FailedStep = TPollStep::psReadBits;
    hostile.ErrorText = "=cmd|\"x\", y\nz";
    const std::int64_t t0 = 1714532400000LL;  // 2024-05-01T03:00:00Z
    std::vector<THistoryRecord> records = {
        MakeHistoryRecord(t0, router, captured, 0, 255, inSync),
        MakeHistoryRecord(t0 + 60000, router, hostile, 0, 255, ToneBits{}),
        MakeHistoryRecord(t0 + 120000, router, captured, 0, 255, lost),
        MakeHistoryRecord(t0 + 180000, router, captured, 0, 255, ToneBits{}),
        MakeHistoryRecord(t0 + 240000, router, captured, 0, 255, inSync),
    };
    {
        THistoryStore history;
        ASSERT_TRUE(history.Open(QString::fromStdString(store)));
        ASSERT_TRUE(history.AppendAll(records));
    }

    const TProcessResult all = RunProcess(QM_POLL_BINARY, {"--history", store, "--events"}, TestEnvironment({}));
    EXPECT_EQ(all.ExitCode, 0);
    EXPECT_EQ(all.Err, "");
    EXPECT_EQ(
        all.Out,
        "start,end,kind,first_tone,last_tone,polls,detail\n"
        "2024-05-01T03:00:00Z,2024-05-01T03:02:00Z,tones-lost,0,2,3,\"3 tones, 9 bits\"\n"
        "2024-05-01T03:01:00Z,2024-05-01T03:01:00Z,no-reply,,,1,\"'=cmd|\"\"x\"\", y\nz\"\n"
        "2024-05-01T03:03:00Z,2024-05-01T03:03:00Z,line-down,,,1,\n"
        "2024-05-01T03:03:00Z,2024-05-01T03:04:00Z,resync,,,2,\"in sync again after line-down, 513 tones loaded\"\n");
    EXPECT_EQ(simulator->ClientsAccepted(), 0u);

    // From 03:02 until 03:04: the poll at 03:04 itself is left out, and so is
    // the reading at 03:00 the loss was found against.
    std::string out, err;
    EXPECT_EQ(Run({"--history", store, "--events", "--since", "2024-05-01T03:02", "--until", "2024-05-01T05:04+02:00"},
                  out, err),
              PollExitCaptured);
    EXPECT_EQ(out, HistoryEventsCsvHeader() + "2024-05-01T03:03:00Z,2024-05-01T03:03:00Z,line-down,,,1,\n");

    const std::string csv = dir.filePath(QStringLiteral("until.csv")).toStdString();
    EXPECT_EQ(Run({"--history", store, "--export-csv", csv, "--until", "2024-05-01T03:01:00Z"}, out, err),
              PollExitCaptured);
    EXPECT_EQ(ReadAll(QString::fromStdString(csv)), HistoryCsvHeader() + HistoryCsvRow(records[0]));
    EXPECT_EQ(
        Run({"--history", store, "--export-csv", csv, "--since", "2024-05-01T03:01", "--until", "2024-05-01T03:03"},
            out, err),
        PollExitCaptured);
    EXPECT_EQ(ReadAll(QString::fromStdString(csv)),
              HistoryCsvHeader() + HistoryCsvRow(records[1]) + HistoryCsvRow(records[2]));

    // A second host: each host's polls on their own (its failure does not
    // break the first host's comparisons), merged in time order, each detail naming its host.
    {
        THistoryStore history;
        ASSERT_TRUE(history.Open(QString::fromStdString(store)));
        TPollOutcome refused;
        refused.FailedStep = TPollStep::psConnect;
        refused.ErrorCode = 10061;
        refused.ErrorText = "Connection refused";
        THistoryRecord other = MakeHistoryRecord(t0 + 90000, "[::1]:2323", refused, 0, 255, ToneBits{});
        ASSERT_TRUE(history.Append(other));
    }
    EXPECT_EQ(Run({"--history", store, "--events"}, out, err), PollExitCaptured);
    EXPECT_EQ(out,
              "start,end,kind,first_tone,last_tone,polls,detail\n"
              "2024-05-01T03:00:00Z,2024-05-01T03:02:00Z,tones-lost,0,2,3,\"host 192.168.1.254; 3 tones, 9 bits\"\n"
              "2024-05-01T03:01:00Z,2024-05-01T03:01:00Z,no-reply,,,1,\"host 192.168.1.254; =cmd|\"\"x\"\", y\nz\"\n"
              "2024-05-01T03:01:30Z,2024-05-01T03:01:30Z,no-reply,,,1,"
              "host [::1]:2323; connect failed: 10061 Connection refused\n"
              "2024-05-01T03:03:00Z,2024-05-01T03:03:00Z,line-down,,,1,host 192.168.1.254\n"
              "2024-05-01T03:03:00Z,2024-05-01T03:04:00Z,resync,,,2,"
              "\"host 192.168.1.254; in sync again after line-down, 513 tones loaded\"\n");
}
