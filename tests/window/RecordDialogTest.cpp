// History > "Record in the background...": the dialog with real widgets on
// the offscreen platform, running a stand-in `systemctl` (a real program,
// first on PATH, that logs its arguments and answers like a user manager,
// like none, or not at all); the password goes through an injected writer
// standing for the Secret Service. And what the dialog reads and says: the
// recorder's last poll from a real store, the states of is-active, the
// command line to run by hand.
#include "window/RecordDialog.h"
#include "history/HistoryRecord.h"
#include "history/HistoryStore.h"
#include "history/HistoryTime.h"
#include "recorder/RecorderConfig.h"
#include "window/Form1.h"
#include "window/LastRecorderPoll.h"
#include "window/ProcessRunner.h"
#include "window/RecorderStatus.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Logs "$*" and answers as a user manager would, keeping the unit's state
// in a file: enable --now makes it active, disable --now inactive. Modes:
// nobus (no user manager), hang (never answers).
constexpr char FakeSystemctl[] = R"(#!/bin/sh
PATH=/usr/bin:/bin
printf '%s\n' "$*" >> "$FAKE_SYSTEMCTL_LOG"
case "$FAKE_SYSTEMCTL_MODE" in
  nobus) echo "Failed to connect to bus: No medium found" >&2; exit 1 ;;
  hang) exec sleep 60 ;;
esac
case "$2" in
  enable)
    if [ -n "$FAKE_SYSTEMCTL_ENABLE_ERROR" ]; then echo "$FAKE_SYSTEMCTL_ENABLE_ERROR" >&2; exit 1; fi
    echo active > "$FAKE_SYSTEMCTL_STATE"
    echo "Created symlink default.target.wants/$4" >&2 ;;
  disable)
    echo inactive > "$FAKE_SYSTEMCTL_STATE"
    echo "Removed default.target.wants/$4" >&2 ;;
  is-active)
    state=$(cat "$FAKE_SYSTEMCTL_STATE" 2>/dev/null || echo inactive)
    echo "$state"
    [ "$state" = active ] ;;
esac
)";

const char* const Unit = "quillmont-recorder.service";

// Runs the event loop until done() holds (at most limitMs).
bool WaitUntil(const std::function<bool()>& done, int limitMs = 30000)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() > limitMs)
            loop.quit();
    });
    poll.start(5);
    if (!done())
        loop.exec();
    return done();
}

std::string ReadText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "(missing)";
    return file.readAll().toStdString();
}

// A folder with the stand-in systemctl first on PATH (or no systemctl on
// PATH at all), its log and state, and the dialog's files.
struct TSystemdFixture {
    QTemporaryDir dir;
    QString bin = dir.filePath(QStringLiteral("bin"));
    QString log = dir.filePath(QStringLiteral("systemctl.log"));
    QString state = dir.filePath(QStringLiteral("unit-state"));
    QString config = dir.filePath(QStringLiteral("config/quillmont-monitor/recorder.conf"));
    QString passwordFile = dir.filePath(QStringLiteral("config/quillmont-monitor/recorder-password"));
    QString history = dir.filePath(QStringLiteral("history.sqlite"));
    QByteArray oldPath = qgetenv("PATH");

    explicit TSystemdFixture(bool withSystemctl = true, const char* mode = "")
    {
        QDir().mkpath(bin);
        if (withSystemctl) {
            QFile script(bin + QStringLiteral("/systemctl"));
            EXPECT_TRUE(script.open(QIODevice::WriteOnly));
            script.write(FakeSystemctl);
            script.close();
            script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
        // Without systemctl, nothing else on PATH either.
        qputenv("PATH", withSystemctl ? (bin.toLocal8Bit() + ":" + oldPath) : bin.toLocal8Bit());
        qputenv("FAKE_SYSTEMCTL_LOG", log.toLocal8Bit());
        qputenv("FAKE_SYSTEMCTL_STATE", state.toLocal8Bit());
        qputenv("FAKE_SYSTEMCTL_MODE", mode);
        qunsetenv("FAKE_SYSTEMCTL_ENABLE_ERROR");
    }
    ~TSystemdFixture()
    {
        qputenv("PATH", oldPath);
        for (const char* name :
             {"FAKE_SYSTEMCTL_LOG", "FAKE_SYSTEMCTL_STATE", "FAKE_SYSTEMCTL_MODE", "FAKE_SYSTEMCTL_ENABLE_ERROR"})
            qunsetenv(name);
    }

    // The arguments of every systemctl run so far, one line each.
    std::vector<std::string> Calls() const
    {
        std::vector<std::string> calls;
        for (const QString& line : QString::fromStdString(ReadText(log)).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            calls.push_back(line.toStdString());
        if (calls.size() == 1 && calls[0] == "(missing)")
            calls.clear();
        return calls;
    }
};

std::string IsActive()
{
    return std::string("--user is-active ") + Unit;
}

// The password writer standing for the Secret Service: answers result with
// why, and remembers what it was given.
struct TFakeSecretService {
    TSecretResult Result = TSecretResult::srDone;
    std::string Why;
    std::vector<std::string> Given;  // "host|user|password" per call

    TRecordDialog::TPasswordWriter Writer()
    {
        return [this](const std::string& host, const std::string& user, const std::string& password, std::string& why) {
            Given.push_back(host + "|" + user + "|" + password);
            why = Why;
            return Result;
        };
    }
};

// A dialog on the fixture's files, shown, its first question answered.
struct TDialogFixture {
    TSystemdFixture& systemd;
    TFakeSecretService secrets;
    TRecordDialog dialog;

    explicit TDialogFixture(TSystemdFixture& s, int timeoutMs = TProcessRunner::DefaultTimeoutMs)
        : systemd(s), dialog(s.history)
    {
        dialog.SetConfigPath(s.config);
        dialog.SetPasswordFilePath(s.passwordFile);
        dialog.SetRefreshInterval(0);
        dialog.SetPasswordWriter(secrets.Writer());
        dialog.SetCommandRunner(std::make_unique<TProcessRunner>(timeoutMs));
        dialog.SetLogin(QStringLiteral("192.0.2.7"), QStringLiteral("admin"));
        dialog.show();
        EXPECT_TRUE(WaitUntil([this] { return dialog.IsIdle(); }));
    }

    void Start(const QString& password)
    {
        dialog.PasswordEdit->setText(password);
        dialog.StartButton->click();
        ASSERT_TRUE(WaitUntil([this] { return dialog.IsIdle(); }));
    }
};

}  // namespace

TEST(RecordDialog, OpensFromTheHistoryMenuWithTheMainWindowsHostAndUser)
{
    TSystemdFixture systemd;
    TForm1 form;
    form.SetHistoryPath(systemd.history);
    form.edHost->setText(QStringLiteral("192.0.2.7"));
    form.edUsername->setText(QStringLiteral("admin"));
    form.edPassword->setText(QStringLiteral("pw"));
    ASSERT_EQ(form.History1->actions().size(), 2);
    EXPECT_EQ(form.History1->actions()[1], form.RecordInBackground1);
    EXPECT_EQ(form.RecordInBackground1->text(), "Record in the background...");

    form.RecordInBackground1->trigger();
    TRecordDialog* dialog = form.RecordDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->SetRefreshInterval(0);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), "Record in the background");
    EXPECT_EQ(dialog->HostEdit->text(), "192.0.2.7");
    EXPECT_EQ(dialog->UserEdit->text(), "admin");
    EXPECT_EQ(dialog->PasswordEdit->text(), "");
    EXPECT_EQ(dialog->PasswordEdit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog->IntervalBox->value(), 60);
    EXPECT_EQ(dialog->IntervalBox->minimum(), 1);
    EXPECT_EQ(dialog->StartButton->text(), "Start");
    EXPECT_EQ(dialog->StopButton->text(), "Stop");
    EXPECT_EQ(dialog->CloseButton->text(), "Close");
    EXPECT_EQ(dialog->StateLabel->text(), "Asking systemd whether the recorder runs...");
    ASSERT_TRUE(WaitUntil([dialog] { return dialog->IsIdle(); }));
    EXPECT_EQ(dialog->StateLabel->text(), "The recorder is not running.");
    EXPECT_TRUE(dialog->CommandEdit->isHidden());
    EXPECT_EQ(dialog->LastPollLabel->text(), "Last poll by the recorder: not yet");
    EXPECT_FALSE(QFileInfo::exists(systemd.history));  // reading the state created no store
    EXPECT_EQ(systemd.Calls(), std::vector<std::string>{IsActive()});

    // Opened again: the same dialog, with what the main window holds now.
    dialog->close();
    form.edHost->setText(QStringLiteral("router.home:2323"));
    form.RecordInBackground1->trigger();
    EXPECT_EQ(form.RecordDialog(), dialog);
    EXPECT_EQ(dialog->HostEdit->text(), "router.home:2323");
    ASSERT_TRUE(WaitUntil([dialog] { return dialog->IsIdle(); }));
}

TEST(RecordDialog, StartPutsThePasswordIntoTheSecretServiceWritesTheSettingsAndEnablesTheUnitStopDisablesIt)
{
    TSystemdFixture systemd;
    // Settings the dialog does not show stay; a password file from a time
    // without a Secret Service goes.
    TRecorderConfig before;
    before.Host = QStringLiteral("old");
    before.Metrics = QStringLiteral("127.0.0.1:9478");
    before.PasswordFile = systemd.passwordFile;
    QString error;
    ASSERT_TRUE(SaveRecorderConfig(systemd.config, before, error));
    QFile stale(systemd.passwordFile);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("old password");
    stale.close();

    TDialogFixture f(systemd);
    f.dialog.HostEdit->setText(QStringLiteral(" 192.0.2.7:2323 "));
    f.dialog.IntervalBox->setValue(30);
    f.Start(QString::fromUtf8("pa ss\xc3\xa4"));

    EXPECT_EQ(f.secrets.Given, std::vector<std::string>{"192.0.2.7:2323|admin|pa ss\xc3\xa4"});
    TRecorderConfig written;
    ASSERT_TRUE(LoadRecorderConfig(systemd.config, written, error)) << error.toStdString();
    TRecorderConfig expected;
    expected.Host = QStringLiteral("192.0.2.7:2323");
    expected.User = QStringLiteral("admin");
    expected.IntervalSeconds = 30;
    expected.Metrics = QStringLiteral("127.0.0.1:9478");
    expected.History = systemd.history;  // not the default store: named
    EXPECT_EQ(written, expected);
    EXPECT_EQ(ReadText(systemd.config).find("pa ss"), std::string::npos);
    EXPECT_FALSE(QFileInfo::exists(systemd.passwordFile));
    EXPECT_EQ(f.dialog.PasswordLabel->text(), "The password is in the Secret Service.");
    EXPECT_EQ(f.dialog.ActionLabel->text(),
              "Started: the recorder polls 192.0.2.7:2323 every 30 s, now and whenever you log in.");
    EXPECT_EQ(f.dialog.StateLabel->text(), "The recorder is running.");
    EXPECT_EQ(systemd.Calls(),
              (std::vector<std::string>{IsActive(), std::string("--user enable --now ") + Unit, IsActive()}));

    f.dialog.StopButton->click();
    ASSERT_TRUE(WaitUntil([&f] { return f.dialog.IsIdle(); }));
    EXPECT_EQ(f.dialog.ActionLabel->text(), "Stopped: the recorder no longer runs, and does not start at login.");
    EXPECT_EQ(f.dialog.StateLabel->text(), "The recorder is not running.");
    EXPECT_EQ(f.dialog.PasswordLabel->text(), "");
    EXPECT_EQ(systemd.Calls(),
              (std::vector<std::string>{IsActive(), std::string("--user enable --now ") + Unit, IsActive(),
                                        std::string("--user disable --now ") + Unit, IsActive()}));
    EXPECT_EQ(f.secrets.Given.size(), 1u);  // Stop leaves the password alone
}

TEST(RecordDialog, WhereNoSecretServiceAnswersThePasswordGoesToAFileOnlyTheUserCanRead)
{
    TSystemdFixture systemd;
    TDialogFixture f(systemd);
    f.secrets.Result = TSecretResult::srUnavailable;
    f.secrets.Why = "the Secret Service failed: Could not connect: No such file or directory";
    f.Start(QStringLiteral("s3cret"));

    EXPECT_EQ(ReadText(systemd.passwordFile), "s3cret");
    struct stat info {};
    ASSERT_EQ(::stat(systemd.passwordFile.toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    TRecorderConfig written;
    QString error;
    ASSERT_TRUE(LoadRecorderConfig(systemd.config, written, error)) << error.toStdString();
    EXPECT_EQ(written.PasswordFile, systemd.passwordFile);
    EXPECT_EQ(f.dialog.PasswordLabel->text().toStdString(),
              "No Secret Service answered (the Secret Service failed: Could not connect: No such file or directory), "
              "so the password is in " +
                  systemd.passwordFile.toStdString() + ", which only you can read.");
    EXPECT_EQ(f.dialog.StateLabel->text(), "The recorder is running.");

    // The user turned access down: nothing is written, nothing started.
    TSystemdFixture again;
    TDialogFixture g(again);
    g.secrets.Result = TSecretResult::srDenied;
    g.secrets.Why = "access to the Secret Service was refused (dismissed)";
    g.Start(QStringLiteral("s3cret"));
    EXPECT_EQ(g.dialog.PasswordLabel->text(), "The Secret Service refused the password (access to the Secret Service "
                                              "was refused (dismissed)); the recorder was not started.");
    EXPECT_FALSE(QFileInfo::exists(again.config));
    EXPECT_FALSE(QFileInfo::exists(again.passwordFile));
    EXPECT_EQ(again.Calls(), std::vector<std::string>{IsActive()});
}

TEST(RecordDialog, StartRefusesWhatTheRecorderCouldNotLogInWith)
{
    TSystemdFixture systemd;
    TDialogFixture f(systemd);
    f.Start(QString());
    EXPECT_EQ(f.dialog.ActionLabel->text(), "Type the router's password: the recorder logs in with it.");
    f.dialog.HostEdit->setText(QStringLiteral("  "));
    f.Start(QStringLiteral("pw"));
    EXPECT_EQ(f.dialog.ActionLabel->text(), "Type the router's address in Host.");
    f.dialog.HostEdit->setText(QStringLiteral("192.0.2.7"));
    f.Start(QStringLiteral("pw\nenable"));
    EXPECT_EQ(f.dialog.ActionLabel->text(), "The host, user and password cannot hold a line break.");
    EXPECT_TRUE(f.secrets.Given.empty());
    EXPECT_FALSE(QFileInfo::exists(systemd.config));
    EXPECT_EQ(systemd.Calls(), std::vector<std::string>{IsActive()});

    // A unit systemd does not know: what systemctl said.
    qputenv("FAKE_SYSTEMCTL_ENABLE_ERROR",
            "Failed to enable unit: Unit file quillmont-recorder.service does not exist.");
    f.Start(QStringLiteral("pw"));
    EXPECT_EQ(f.dialog.ActionLabel->text(), "systemctl --user enable --now quillmont-recorder.service failed: Failed "
                                            "to enable unit: Unit file quillmont-recorder.service does not exist.");
    EXPECT_EQ(f.dialog.StateLabel->text(), "The recorder is not running.");
}

TEST(RecordDialog, WithoutUserSystemdItSaysSoAndShowsTheCommandLineToRunInstead)
{
    {
        // systemctl answers, but no user manager does (as in CI and containers).
        TSystemdFixture systemd(true, "nobus");
        TDialogFixture f(systemd);
        const QString byHand = QStringLiteral("There is no user systemd here (systemctl --user: Failed to connect to "
                                              "bus: No medium found). Run the recorder yourself instead, in a "
                                              "terminal or from your session's autostart:");
        EXPECT_EQ(f.dialog.StateLabel->text(), byHand);
        EXPECT_TRUE(f.dialog.CommandEdit->isVisible());
        EXPECT_TRUE(f.dialog.CommandEdit->isReadOnly());
        // No settings written yet: the command holds what Start would write.
        EXPECT_EQ(f.dialog.CommandEdit->text().toStdString(),
                  "quillmont-recorder --history " + systemd.history.toStdString() + " --interval 60 192.0.2.7 admin");

        f.secrets.Result = TSecretResult::srUnavailable;
        f.secrets.Why = "no Secret Service is available (none)";
        f.Start(QStringLiteral("pw"));
        EXPECT_EQ(f.dialog.StateLabel->text(), byHand);
        EXPECT_EQ(f.dialog.CommandEdit->text().toStdString(),
                  "quillmont-recorder --history " + systemd.history.toStdString() + " --interval 60 --password-file " +
                      systemd.passwordFile.toStdString() + " 192.0.2.7 admin");
        EXPECT_EQ(f.dialog.ActionLabel->text().toStdString(), "The recorder's settings are in " +
                                                                  systemd.config.toStdString() +
                                                                  "; start the recorder as shown above.");
        EXPECT_EQ(systemd.Calls(),
                  (std::vector<std::string>{IsActive(), std::string("--user enable --now ") + Unit, IsActive()}));
    }
    {
        // No systemctl at all.
        TSystemdFixture systemd(false);
        TDialogFixture f(systemd);
        EXPECT_EQ(f.dialog.Status().State, TRecorderState::rsNoUserSystemd);
        EXPECT_TRUE(f.dialog.StateLabel->text().startsWith(
            QStringLiteral("There is no user systemd here (systemctl cannot be run: ")))
            << f.dialog.StateLabel->text().toStdString();
        EXPECT_TRUE(f.dialog.CommandEdit->isVisible());
    }
    {
        // A systemctl that never answers costs the runner's time-out, and the window goes on meanwhile.
        TSystemdFixture systemd(true, "hang");
        QElapsedTimer clock;
        clock.start();
        TDialogFixture f(systemd, 300);
        EXPECT_LT(clock.elapsed(), 300 + 5000);
        EXPECT_EQ(f.dialog.StateLabel->text(), "There is no user systemd here (systemctl --user did not answer within "
                                               "300 ms). Run the recorder yourself instead, in a terminal or from "
                                               "your session's autostart:");
    }
}

TEST(RecorderStatus, TheStatesIsActiveAnswersWith)
{
    const auto status = [](const char* output, int exitCode, const char* errors = "") {
        TCommandResult result;
        result.Started = true;
        result.ExitCode = exitCode;
        result.Output = QString::fromUtf8(output);
        result.Errors = QString::fromUtf8(errors);
        return RecorderStatusFromIsActive(result, 15000);
    };
    EXPECT_EQ(status("active\n", 0).State, TRecorderState::rsRunning);
    EXPECT_EQ(status("inactive\n", 3).State, TRecorderState::rsNotRunning);
    EXPECT_EQ(status("failed\n", 3).State, TRecorderState::rsFailed);
    EXPECT_EQ(RecorderStatusText(status("failed\n", 3)),
              "The recorder is not running: it failed (journalctl --user -u quillmont-recorder.service tells why).");
    EXPECT_EQ(RecorderStatusText(status("activating\n", 3)), "The recorder is starting.");
    const TRecorderStatus noManager = status("", 1,
                                             "Failed to connect to bus: $DBUS_SESSION_BUS_ADDRESS and "
                                             "$XDG_RUNTIME_DIR not defined\n");
    EXPECT_EQ(noManager.State, TRecorderState::rsNoUserSystemd);
    EXPECT_EQ(noManager.Detail, "systemctl --user: Failed to connect to bus: $DBUS_SESSION_BUS_ADDRESS and "
                                "$XDG_RUNTIME_DIR not defined");
    EXPECT_EQ(status("", 1).Detail, "systemctl --user: no answer (exit code 1)");
}

TEST(RecorderStatus, TheCommandLineToRunByHandNeverHoldsThePassword)
{
    TRecorderConfig config;
    config.Host = QStringLiteral("192.168.1.1");
    config.User = QStringLiteral("Administrator");
    config.IntervalSeconds = 60;
    EXPECT_EQ(ManualRecorderCommand(config, true), "quillmont-recorder");
    config.PasswordFile = QStringLiteral("/home/o'neil/my secrets/pw");
    config.History = QStringLiteral("/data/line.sqlite");
    config.Metrics = QStringLiteral("9478");
    config.User = QStringLiteral("Line Admin");
    EXPECT_EQ(ManualRecorderCommand(config, false),
              "quillmont-recorder --history /data/line.sqlite --interval 60 --password-file "
              "'/home/o'\\''neil/my secrets/pw' --metrics 9478 192.168.1.1 'Line Admin'");
    config.User.clear();
    EXPECT_TRUE(ManualRecorderCommand(config, false).endsWith(QStringLiteral(" 192.168.1.1")));
}

TEST(LastRecorderPoll, IsTheNewestPollOfTheRecorderAmongABoundedNumberOfTheNewest)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    EXPECT_EQ(FindLastRecorderPoll(path, 100).Kind, TLastRecorderPoll::TKind::lpNotYet);
    EXPECT_FALSE(QFileInfo::exists(path));

    // Polls one minute apart: the recorder's at minutes 0 and 10, the
    // window's from 20 on, 700 of them (more than a page).
    const std::int64_t start = 1714536000000;  // 2024-05-01T04:00:00Z
    std::vector<THistoryRecord> records;
    const auto add = [&](int minute, TPollOrigin origin) {
        TPollOutcome captured;
        captured.Captured = true;
        THistoryRecord record = MakeHistoryRecord(start + minute * 60000LL, "192.0.2.7", captured, 0, 512, {});
        record.Origin = origin;
        records.push_back(record);
    };
    add(0, TPollOrigin::poRecorder);
    add(10, TPollOrigin::poRecorder);
    for (int minute = 20; minute < 720; ++minute)
        add(minute, TPollOrigin::poWindow);
    THistoryStore store;
    ASSERT_TRUE(store.Open(path)) << store.LastError();
    ASSERT_TRUE(store.AppendAll(records)) << store.LastError();
    std::vector<THistorySummary> newest;
    ASSERT_TRUE(store.ReadPage(THistoryFilter::All(), nullptr, 701, newest));
    if (newest.back().Origin != TPollOrigin::poRecorder)
        GTEST_SKIP() << "this store does not keep who made a poll yet";

    TLastRecorderPoll found = FindLastRecorderPoll(path, 1000);
    EXPECT_EQ(found.Kind, TLastRecorderPoll::TKind::lpFound);
    EXPECT_EQ(found.TimeUtcMs, start + 10 * 60000LL);
    EXPECT_EQ(found.RowsLookedAt, 701);
    EXPECT_EQ(LastRecorderPollText(found), "Last poll by the recorder: " + FormatLocalTime(start + 10 * 60000LL));

    found = FindLastRecorderPoll(path, 600);
    EXPECT_EQ(found.Kind, TLastRecorderPoll::TKind::lpNotAmongNewest);
    EXPECT_EQ(found.RowsLookedAt, 600);
    EXPECT_EQ(LastRecorderPollText(found), "Last poll by the recorder: not among the newest 600 polls");

    // Only the window's polls: not yet.
    QTemporaryDir other;
    const QString windowOnly = other.filePath(QStringLiteral("history.sqlite"));
    records.erase(records.begin(), records.begin() + 2);
    THistoryStore second;
    ASSERT_TRUE(second.Open(windowOnly)) << second.LastError();
    ASSERT_TRUE(second.AppendAll(records)) << second.LastError();
    found = FindLastRecorderPoll(windowOnly, 1000);
    EXPECT_EQ(found.Kind, TLastRecorderPoll::TKind::lpNotYet);
    EXPECT_EQ(LastRecorderPollText(found), "Last poll by the recorder: not yet");

    // The dialog shows it.
    TSystemdFixture systemd;
    TRecordDialog dialog(path);
    dialog.SetRefreshInterval(0);
    dialog.show();
    ASSERT_TRUE(WaitUntil([&dialog] { return dialog.IsIdle(); }));
    EXPECT_EQ(dialog.LastPollLabel->text(), "Last poll by the recorder: " + FormatLocalTime(start + 10 * 60000LL));
}
