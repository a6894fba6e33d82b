// Pictures from the poll command: --png, --svg, --range, --size and --table,
// in process and as the built binary.
#include "SampleTables.h"
#include "Subprocess.h"

#include "jpeg/JPEGImage.h"
#include "monitor/MonitorChart.h"
#include "monitor/ToneTableFile.h"
#include "poll/PollArguments.h"
#include "poll/PollCommand.h"
#include "routersim/RouterSimulator.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <sstream>

namespace {

std::string TempPath(const std::string& name)
{
    return QDir::tempPath().toStdString() + "/qm-poll-pictures-" + std::to_string(::getpid()) + "-" + name;
}

std::string WriteTable(const ToneBits& table)
{
    std::ostringstream csv;
    ToneBits bits{};
    std::copy(table.begin(), table.end(), bits.begin());
    WriteToneBitsCsv(csv, bits);
    const std::string file = TempPath("table.csv");
    std::ofstream(file) << csv.str();
    return file;
}

}  // namespace

TEST(PollPictureArguments, OptionsAndDefaults)
{
    TPollArgumentsResult r = ParsePollArguments({"host"});
    ASSERT_EQ(r.Error, "");
    EXPECT_FALSE(r.Arguments.WantsPictures());
    EXPECT_EQ(r.Arguments.Range, design::RangeLow);
    EXPECT_EQ(r.Arguments.Width, 696);
    EXPECT_EQ(r.Arguments.Height, 237);

    r = ParsePollArguments({"--png", "a.png", "--svg=b.svg", "--range", "256-512", "--size=800x300", "host"});
    ASSERT_EQ(r.Error, "");
    EXPECT_EQ(r.Arguments.PngFile, "a.png");
    EXPECT_EQ(r.Arguments.SvgFile, "b.svg");
    EXPECT_EQ(r.Arguments.Range, design::RangeHigh);
    EXPECT_EQ(r.Arguments.Width, 800);
    EXPECT_EQ(r.Arguments.Height, 300);
    EXPECT_EQ(r.Arguments.Host, "host");

    r = ParsePollArguments({"--table", "t.csv", "--png", "a.png"});
    ASSERT_EQ(r.Error, "");
    EXPECT_EQ(r.Arguments.TableFile, "t.csv");
    EXPECT_TRUE(r.Arguments.Host.empty());

    EXPECT_NE(ParsePollArguments({"--range", "0-100", "host"}).Error, "");
    EXPECT_NE(ParsePollArguments({"--size", "696", "host"}).Error, "");
    EXPECT_NE(ParsePollArguments({"--size", "0x5", "host"}).Error, "");
    EXPECT_NE(ParsePollArguments({"--png", "host"}).Error, "");  // the file name takes the operand
    EXPECT_NE(ParsePollArguments({"--png="}).Error, "");
    EXPECT_NE(ParsePollArguments({"--table", "t.csv", "host"}).Error, "");
}

TEST(PollPictures, SavedTableInProcess)
{
    const ToneBits table = sample::RealisticLine();
    const std::string csv = WriteTable(table);
    const std::string png = TempPath("in.png");
    const std::string svg = TempPath("in.svg");
    std::istringstream in;
    std::ostringstream out, err;
    ASSERT_EQ(RunPollCommand({"--table", csv, "--png", png, "--svg", svg, "--range", "0-512", "--size", "900x300"}, in,
                             out, err, nullptr),
              PollExitCaptured)
        << err.str();
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(out.str().rfind("tone,bits\n0,0\n", 0), 0u);
    const QImage picture(QString::fromStdString(png));
    EXPECT_TRUE(picture.convertToFormat(QImage::Format_RGB32) == RenderMonitorChart(table, design::RangeAll, 900, 300));
    QFile file(QString::fromStdString(svg));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("viewBox=\"0 0 899 299\""));

    // Unreadable or malformed tables and unwritable pictures exit 1.
    std::ostringstream out2, err2;
    EXPECT_EQ(RunPollCommand({"--table", TempPath("missing.csv"), "--png", png}, in, out2, err2, nullptr),
              PollExitFailed);
    EXPECT_NE(err2.str().find("cannot read"), std::string::npos);
    std::ofstream(TempPath("bad.csv")) << "tone,bits\n1,x\n";
    std::ostringstream out3, err3;
    EXPECT_EQ(RunPollCommand({"--table", TempPath("bad.csv")}, in, out3, err3, nullptr), PollExitFailed);
    EXPECT_NE(err3.str().find("line 2"), std::string::npos);
    std::ostringstream outDir, errDir;
    EXPECT_EQ(RunPollCommand({"--table", "/"}, in, outDir, errDir, nullptr), PollExitFailed);
    EXPECT_EQ(errDir.str(), "quillmont-poll: cannot read /: Is a directory\n");
    EXPECT_EQ(outDir.str(), "");
    std::ostringstream out4, err4;
    EXPECT_EQ(RunPollCommand({"--table", csv, "--png", "/nonexistent-dir/x.png"}, in, out4, err4, nullptr),
              PollExitFailed);
    EXPECT_NE(err4.str().find("cannot write"), std::string::npos);

    for (const std::string& f : {csv, png, svg, TempPath("bad.csv")})
        std::remove(f.c_str());
}

// A picture that cannot be written is a failure with the system's reason, and
// the picture that was there before survives it.
TEST(PollPictures, AFailedWriteExitsOneAndKeepsTheOldPicture)
{
    const std::string csv = WriteTable(sample::RealisticLine());
    std::istringstream in;
    std::ostringstream out, err;
    EXPECT_EQ(RunPollCommand({"--table", csv, "--png", "/dev/full"}, in, out, err, nullptr), PollExitFailed);
    EXPECT_EQ(err.str(), "quillmont-poll: cannot write /dev/full: No space left on device\n");

    const std::string png = TempPath("kept.png");
    std::ofstream(png) << "the good old chart";
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;  // a full disk, as far as this process can tell
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::ostringstream out2, err2;
    const int exitCode = RunPollCommand({"--table", csv, "--png", png, "--size", "1200x800"}, in, out2, err2, nullptr);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(exitCode, PollExitFailed);
    EXPECT_EQ(err2.str(), "quillmont-poll: cannot write " + png + ": File too large\n");
    std::ifstream kept(png);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "the good old chart");
    const QStringList leftovers = QDir(QDir::tempPath()).entryList({"*kept.png*"}, QDir::Files | QDir::Hidden);
    EXPECT_EQ(leftovers, QStringList{QString::fromStdString(png).section('/', -1)});
    for (const std::string& f : {csv, png})
        std::remove(f.c_str());
}

// --jpeg writes the bytes the window's "Save As..." writes for the same
// chart bitmap, and fails like the other pictures.
TEST(PollPictures, JpegIsTheWindowsSaveAs)
{
    const ToneBits table = sample::RealisticLine();
    const std::string csv = WriteTable(table);
    const std::string jpg = TempPath("chart.jpg");
    std::istringstream in;
    std::ostringstream out, err;
    ASSERT_EQ(RunPollCommand({"--table", csv, "--jpeg", jpg, "--range", "256-512", "--size", "800x300"}, in, out, err,
                             nullptr),
              PollExitCaptured)
        << err.str();
    TJPEGImage expected;
    expected.Assign(RenderMonitorChart(table, design::RangeHigh, 800, 300));
    std::ifstream written(jpg, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), expected.JPEGBytes());
    const QImage decoded(QString::fromStdString(jpg));
    EXPECT_EQ(decoded.size(), QSize(800, 300));

    std::ostringstream out2, err2;
    EXPECT_EQ(RunPollCommand({"--table", csv, "--jpeg", "/dev/full"}, in, out2, err2, nullptr), PollExitFailed);
    const std::string failure = err2.str();
    EXPECT_EQ(std::count(failure.begin(), failure.end(), '\n'), 1);
    EXPECT_NE(failure.find("No space left on device"), std::string::npos) << failure;
    std::ostringstream out3, err3;
    EXPECT_EQ(RunPollCommand({"--table", csv, "--jpeg", jpg, "--png", jpg}, in, out3, err3, nullptr), PollExitUsage);
    for (const std::string& f : {csv, jpg})
        std::remove(f.c_str());
}

// Usage errors that would lose a file, and tables that are no tables.
TEST(PollPictures, RefusesOutputsThatReplaceEachOtherOrTheTable)
{
    const std::string csv = WriteTable(sample::RealisticLine());
    const std::string png = TempPath("same.png");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--table", csv, "--png", png, "--svg", png},
          std::vector<std::string>{"--table", csv, "--svg", csv},
          std::vector<std::string>{"--table", csv, "--png",
                                   QDir::tempPath().toStdString() + "/../" +
                                       QDir::tempPath().section('/', -1).toStdString() + "/" +
                                       csv.substr(csv.rfind('/') + 1)}}) {
        std::istringstream in;
        std::ostringstream out, err;
        EXPECT_EQ(RunPollCommand(args, in, out, err, nullptr), PollExitUsage) << args.back();
        EXPECT_EQ(out.str(), "");
    }
    std::ifstream table(csv);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(table), {}).rfind("tone,bits\n0,0\n", 0), 0u);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(png)));

    const std::string empty = TempPath("empty.csv");
    std::ofstream(empty).flush();
    std::istringstream in;
    std::ostringstream out, err;
    EXPECT_EQ(RunPollCommand({"--table", empty, "--png", png}, in, out, err, nullptr), PollExitFailed);
    EXPECT_EQ(err.str(), "quillmont-poll: no table in " + empty + "\n");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(png)));
    for (const std::string& f : {csv, empty})
        std::remove(f.c_str());
}

TEST(PollPictures, PolledTableAsTheBinary)
{
    TRouterSimulatorSettings settings;
    settings.Password = "pw";
    settings.Seed = 5;
    TRouterSimulator simulator(settings);
    const std::string host = "127.0.0.1:" + std::to_string(simulator.Start());
    const std::string png = TempPath("polled.png");

    std::vector<std::string> env = TestEnvironment({"QUILLMONT_PASSWORD=pw"});
    // The command picks the offscreen platform itself when none is named.
    std::erase_if(env, [](const std::string& e) { return e.rfind("QT_QPA_PLATFORM=", 0) == 0; });
    const TProcessResult r = RunProcess(QM_POLL_BINARY, {host, "--png", png, "--range", "256-512"}, env);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Err, "");

    // The picture shows the table the command printed.
    std::istringstream printed(r.Out);
    std::string error;
    const auto table = ReadToneTableCsv(printed, error);
    ASSERT_TRUE(table) << error;
    const QImage picture(QString::fromStdString(png));
    ASSERT_FALSE(picture.isNull());
    EXPECT_TRUE(picture.convertToFormat(QImage::Format_RGB32) ==
                RenderMonitorChart(*table, design::RangeHigh, 696, 237));
    std::remove(png.c_str());
}
