// User input while a poll waits for the router: a key typed then is held back
// and runs at the poll's one event-handling point (right before the command
// is sent) or after the poll, never in the middle of a wait. The keys are
// queued the way a platform queues what the user types, so that they go
// through the same filter as real input.
#include "ScriptedRouter.h"

#include "app/MonitorSession.h"
#include "routersim/RouterProfile.h"
#include "window/Form1.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>
#include <qpa/qwindowsysteminterface.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace {

// Where the scripted router's side of the dialogue stands.
enum TRouterStage {
    rsNone,
    rsConnected,    // holds the user-name prompt back
    rsPromptSent,   // the command prompt goes out: the poll reaches its event-handling point
    rsCommandRead,  // holds the reply back
};

// A key press as the line edit received it, and what went on at that moment.
struct TKeySeen {
    int Key;
    bool Polling;
    int Stage;
};

class TKeyRecorder : public QObject {
public:
    TKeyRecorder(TForm1& form, const std::atomic<int>& stage) : fForm(form), fStage(stage) {}
    std::vector<TKeySeen> Seen;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            Seen.push_back({static_cast<QKeyEvent*>(event)->key(), fForm.Session().Polling(), fStage.load()});
        return QObject::eventFilter(watched, event);
    }

private:
    TForm1& fForm;
    const std::atomic<int>& fStage;
};

void WaitUntil(const std::atomic<bool>& flag, TScriptedConnection& c)
{
    while (!flag && !c.Stopped())
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

// Queues a typed character for the window, as the platform does with a key
// the user pressed; it is delivered by the next event handling that takes
// user input.
void QueueKey(QWindow* window, Qt::Key key, const QString& text)
{
    QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(window, QEvent::KeyPress, key,
                                                                                         Qt::NoModifier, text);
    QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(window, QEvent::KeyRelease,
                                                                                         key, Qt::NoModifier, text);
}

TEST(MonitorInput, KeysTypedWhileThePollWaitsRunAtItsEventPointOrAfterIt)
{
    std::atomic<int> stage{rsNone};
    std::atomic<bool> releaseLogin{false};
    std::atomic<bool> releaseReply{false};
    TScriptedRouter router([&](TScriptedConnection& c) {
        stage = rsConnected;
        WaitUntil(releaseLogin, c);
        if (!(c.Send("Username : ") && c.ReadUntil("\r\n") && c.Send("Password : ") && c.ReadUntil("\r\n")))
            return;
        stage = rsPromptSent;
        if (!(c.Send("\r\n{Administrator}=>") && c.ReadUntil(BitLoadingCommand + "\r\n")))
            return;
        stage = rsCommandRead;
        WaitUntil(releaseReply, c);
        c.Send(BitLoadingReplyText(SimulatedBitLoading(3, 0)) + "=>");
        c.ReadUntil("never sent");
    });

    QTemporaryDir historyDir;
    TForm1 form;
    form.SetHistoryPath(historyDir.filePath(QStringLiteral("history.sqlite")));
    form.edHost->setText(QString::fromStdString(router.Host()));
    TPollSettings settings;
    settings.HeartbeatRateMs = 5;
    form.Session().SetPollSettings(settings);
    form.show();
    form.activateWindow();
    form.edUsername->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), form.edUsername);
    TKeyRecorder recorder(form, stage);
    form.edUsername->installEventFilter(&recorder);

    // Runs at every event handling during the poll (the heartbeats of its
    // waits handle timers): types "a" while the poll waits for the user-name
    // prompt and "b" while it waits for the reply, and lets each wait go on
    // for three more heartbeats before the router answers.
    int phase = 0;
    int heartbeatsSinceKey = 0;
    std::function<void()> drive = [&] {
        if (phase == 0 && stage == rsConnected) {
            QueueKey(form.windowHandle(), Qt::Key_A, QStringLiteral("a"));
            phase = 1;
            heartbeatsSinceKey = 0;
        } else if (phase == 1 && ++heartbeatsSinceKey == 3) {
            releaseLogin = true;
            phase = 2;
        } else if (phase == 2 && stage == rsCommandRead) {
            QueueKey(form.windowHandle(), Qt::Key_B, QStringLiteral("b"));
            phase = 3;
            heartbeatsSinceKey = 0;
        } else if (phase == 3 && ++heartbeatsSinceKey == 3) {
            releaseReply = true;
            return;
        }
        QTimer::singleShot(1, &form, drive);
    };
    QTimer::singleShot(0, &form, drive);
    form.Button1->click();
    ASSERT_EQ(phase, 3) << "the poll ended before both keys were typed";
    EXPECT_TRUE(form.Session().LastOutcome().Captured);
    const std::size_t seenDuringThePoll = recorder.Seen.size();
    QApplication::processEvents();

    ASSERT_EQ(recorder.Seen.size(), 2u);
    // "a" at the event-handling point: the prompt had come, the command not yet gone.
    EXPECT_EQ(recorder.Seen[0].Key, Qt::Key_A);
    EXPECT_TRUE(recorder.Seen[0].Polling);
    EXPECT_EQ(recorder.Seen[0].Stage, rsPromptSent);
    // "b" only after the poll.
    EXPECT_EQ(seenDuringThePoll, 1u);
    EXPECT_EQ(recorder.Seen[1].Key, Qt::Key_B);
    EXPECT_FALSE(recorder.Seen[1].Polling);
    EXPECT_EQ(form.edUsername->text(), "Administratorab");
}

}  // namespace
