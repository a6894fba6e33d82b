// The main window under the offscreen platform, polling the router simulator
// on loopback: design texts and bounds, anchoring and minimum size, the poll
// and its bars, ranges, Stop, the close request, a refused port, the busy
// cursor and repaints while a poll waits, the help window and the About box.
#include "UnusedPort.h"
#include "WindowTestUtil.h"

#include "ScriptedRouter.h"
#include "app/MonitorSession.h"
#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "history/HistoryStore.h"
#include "monitor/MonitorDesign.h"
#include "routersim/RouterProfile.h"
#include "window/AboutBox.h"
#include "window/Anchors.h"
#include "window/ClickLabel.h"
#include "window/Form1.h"
#include "window/Form2.h"
#include "window/Shape.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProperty>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using windowtest::Seed;
using windowtest::TMonitorFixture;

constexpr QRgb Green = 0xFF008000;
constexpr QRgb Blue = 0xFF0000FF;

QRect RectOf(const design::Bounds& b)
{
    return QRect(b.Left, b.Top, b.Width, b.Height);
}

int CountPixels(const QImage& image, QRgb color)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == color;
    return n;
}

std::vector<std::string> Labels(TBarSeries& series)
{
    std::vector<std::string> labels;
    for (int i = 0; i < series.PointCount(); ++i)
        labels.push_back(series.PointLabel(i));
    return labels;
}

std::vector<std::string> ToneLabels(int first, int last)
{
    std::vector<std::string> labels;
    for (int tone = first; tone <= last; ++tone)
        labels.push_back(std::to_string(tone));
    return labels;
}

TEST(MonitorWindowDesign, EveryTextToTheCharacter)
{
    TForm1 form;
    TForm2 help(&form);
    EXPECT_EQ(form.windowTitle(), "Quillmont Bitloading Monitor");
    EXPECT_EQ(form.Label1->text(), "Username");
    EXPECT_EQ(form.Label2->text(), "Password");
    EXPECT_EQ(form.Label3->text(), "Host");
    EXPECT_EQ(form.Label4->text(), "By the Quillmont developers");
    EXPECT_EQ(form.edUsername->text(), "Administrator");
    EXPECT_EQ(form.edPassword->text(), "");
    EXPECT_EQ(form.edPassword->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(form.edHost->text(), "192.168.1.254");
    EXPECT_EQ(form.Button1->text(), "Plot");
    EXPECT_EQ(form.Button2->text(), "Stop");
    EXPECT_EQ(form.rb1->text(), "0 - 255");
    EXPECT_EQ(form.rb2->text(), "256 - 512");
    EXPECT_EQ(form.rb3->text(), "0 - 512");
    EXPECT_TRUE(form.rb1->isChecked());
    EXPECT_EQ(form.Panel35->text(), "Panel35");
    EXPECT_EQ(form.Label56->text(), "Tone number: ");
    EXPECT_EQ(form.Label57->text(), "Frequency:");
    EXPECT_EQ(form.Label58->text(), "Bits:");
    EXPECT_EQ(form.Memo1->toPlainText(), "Memo1");
    EXPECT_TRUE(form.Memo1->isHidden());
    EXPECT_EQ(form.StatusLine->text(), "No poll yet");

    EXPECT_EQ(form.Help1->title(), "Help");
    const QList<QAction*> items = form.Help1->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), "Help...");
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->text(), "About...");
    // The history's menu stands before Help.
    ASSERT_EQ(form.menuBar()->actions().size(), 2);
    EXPECT_EQ(form.menuBar()->actions()[0]->text(), "History");
    EXPECT_EQ(form.menuBar()->actions()[1]->text(), "Help");
    ASSERT_EQ(form.History1->actions().size(), 2);
    EXPECT_EQ(form.History1->actions()[0]->text(), "Show history...");
    EXPECT_EQ(form.History1->actions()[1]->text(), "Record in the background...");

    EXPECT_EQ(help.windowTitle(), "Quillmont Monitor Help");
    EXPECT_EQ(help.Button1->text(), "OK");
    EXPECT_EQ(help.Memo1->toPlainText(), "Enter your router's address in the Host box.\n"
                                         "Enter the Username and Password you use to log into your router.\n"
                                         "Press 'Plot' to start the 60 second timer.\n"
                                         "Press 'Stop' to end.\n"
                                         "\n"
                                         "\n"
                                         "Right-click on the graph for it's popup menu.");
    EXPECT_EQ(help.Memo1->document()->blockCount(), 7);
    EXPECT_TRUE(help.Memo1->isReadOnly());

    const std::unique_ptr<QMessageBox> about = CreateAboutBox(&form);
    EXPECT_EQ(about->text(), "Simple Bitloading plotter for the Quillmont\n\rBy the Quillmont developers");
    EXPECT_EQ(about->windowTitle(), "Quillmont Monitor");
    EXPECT_EQ(about->standardButtons(), QMessageBox::Ok);
}

TEST(MonitorWindowDesign, ControlsFontsAndStateAtStart)
{
    TForm1 form;
    form.show();
    QApplication::processEvents();
    ASSERT_EQ(form.ClientArea()->size(), QSize(699, 410 + design::StatusLineHeight));
    EXPECT_EQ(form.pos(), QPoint(393, 239));

    // Every control at its design bounds (labels may be wider to fit their text).
    const std::pair<QWidget*, design::Bounds> placed[] = {
        {form.Image1, design::Image1Bounds},
        {form.Label4, design::Label4Bounds},
        {form.Shape1, design::Shape1Bounds},
        {form.Chart21, design::Chart21Bounds},
        {form.edUsername, design::EdUsernameBounds},
        {form.edPassword, design::EdPasswordBounds},
        {form.Button1, design::Button1Bounds},
        {form.Memo1, design::Memo1Bounds},
        {form.edHost, design::EdHostBounds},
        {form.rb1, design::Rb1Bounds},
        {form.rb2, design::Rb2Bounds},
        {form.rb3, design::Rb3Bounds},
        {form.Panel35, design::Panel35Bounds},
        {form.Panel36, design::Panel36Bounds},
        {form.Button2, design::Button2Bounds},
        {form.Label56, design::Label56Bounds},
        {form.Label57, design::Label57Bounds},
        {form.Label58, design::Label58Bounds},
    };
    for (const auto& [control, bounds] : placed)
        EXPECT_EQ(control->geometry(), RectOf(bounds)) << control->metaObject()->className();
    for (const auto& [label, bounds] : {std::pair{form.Label1, design::Label1Bounds},
                                        {form.Label2, design::Label2Bounds},
                                        {form.Label3, design::Label3Bounds}}) {
        EXPECT_EQ(label->pos(), QPoint(bounds.Left, bounds.Top));
        EXPECT_EQ(label->height(), bounds.Height);
        EXPECT_GE(label->width(), bounds.Width);
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
    }
    EXPECT_EQ(form.StatusLine->geometry(), QRect(0, 410, 699, design::StatusLineHeight));
    EXPECT_EQ(form.Panel36->parentWidget(), form.Panel35);
    EXPECT_EQ(form.Label56->parentWidget(), form.Panel36);

    // Arial 8 (11 pixels), the credit bold and blue, the buffer in Courier New.
    EXPECT_EQ(form.edHost->font().family(), "Arial");
    EXPECT_EQ(form.edHost->font().pixelSize(), 11);
    EXPECT_TRUE(form.Label4->font().bold());
    EXPECT_EQ(form.Label4->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(form.Memo1->font().family(), "Courier New");

    // Tab order of the design: the controls that take focus by Tab, in chain order.
    const std::vector<QWidget*> order = {form.edUsername, form.edPassword, form.Button1, form.Memo1,  form.edHost,
                                         form.rb1,        form.rb2,        form.rb3,     form.Button2};
    std::vector<QWidget*> chain;
    QWidget* w = form.edUsername;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->parentWidget() == form.ClientArea())
            chain.push_back(w);
        w = w->nextInFocusChain();
    } while (w != form.edUsername && chain.size() < order.size());
    EXPECT_EQ(chain, order);
    EXPECT_EQ(form.Chart21->focusPolicy(), Qt::NoFocus);

    // Idle: the timer disabled at 60 s, the indicator red, the cursor the default.
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer1->interval(), 60000);
    EXPECT_EQ(form.Shape1->BrushColor(), 0x0000FFu);
    EXPECT_EQ(form.Session().State(), msIdle);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(form.LineSeries18->PointCount(), 0);

    // The logo: 208 x 37, 24 bits, the bottom-left pixel's colour transparent.
    const QImage logo(QString::fromUtf8(design::LogoResource.data(), design::LogoResource.size()));
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(logo.size(), QSize(208, 37));
    EXPECT_FALSE(logo.hasAlphaChannel());
    const QPixmap shown = form.Image1->pixmap();
    ASSERT_FALSE(shown.mask().isNull());
    const QImage mask = shown.mask().toImage();
    EXPECT_EQ(mask.pixelIndex(0, 36), 0) << "bottom-left corner transparent";
    EXPECT_EQ(mask.pixelIndex(104, 20), 1) << "the plate opaque";
}

TEST(MonitorWindowLayout, MinimumSizeIsRefusedAndResizingGrowsOnlyTheChart)
{
    TForm1 form;
    form.show();
    QApplication::processEvents();
    const QSize start = form.size();
    EXPECT_EQ(form.minimumSize(), start);

    form.resize(400, 300);
    QApplication::processEvents();
    EXPECT_EQ(form.size(), start);
    EXPECT_EQ(form.ClientArea()->size(), QSize(699, 410 + design::StatusLineHeight));

    const std::vector<QWidget*> anchored = {
        form.Label1,  form.Label2, form.Label3, form.Image1, form.Label4, form.Shape1, form.edUsername, form.edPassword,
        form.Button1, form.Memo1,  form.edHost, form.rb1,    form.rb2,    form.rb3,    form.Panel35,    form.Button2};
    std::vector<QRect> before;
    for (QWidget* w : anchored)
        before.push_back(w->geometry());
    const QRect chartBefore = form.Chart21->geometry();
    const QRect panelInside = form.Panel36->geometry();

    form.resize(start.width() + 200, start.height() + 150);
    QApplication::processEvents();
    ASSERT_EQ(form.ClientArea()->size(), QSize(899, 560 + design::StatusLineHeight));
    for (std::size_t i = 0; i < anchored.size(); ++i)
        EXPECT_EQ(anchored[i]->geometry(), before[i].translated(0, 150)) << anchored[i]->metaObject()->className();
    EXPECT_EQ(form.Chart21->geometry(), QRect(chartBefore.topLeft(), chartBefore.size() + QSize(200, 150)));
    EXPECT_EQ(form.Panel36->geometry(), panelInside);
    EXPECT_EQ(form.StatusLine->geometry(), QRect(0, 560, 899, design::StatusLineHeight));
}

TEST(MonitorWindowPoll, NothingPollsAtStartAndPlotFillsTheChartInBothColours)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    EXPECT_EQ(f.simulator->PollsServed(), 0u);
    EXPECT_EQ(f.simulator->ClientsAccepted(), 0u);

    form.Button1->click();
    EXPECT_EQ(f.simulator->PollsServed(), 1u);
    const ToneBits expected = SimulatedBitLoading(Seed, 0);
    ASSERT_EQ(Labels(*form.LineSeries18), ToneLabels(0, 255));
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(form.LineSeries18->YValues().ValueAt(i), expected[static_cast<std::size_t>(i)]);
        ASSERT_EQ(form.LineSeries18->PointColor(i), i <= 31 ? 0x008000u : 0xFF0000u);
    }
    EXPECT_EQ(form.Chart21->BottomAxis().Maximum(), 255.0);
    EXPECT_EQ(form.Shape1->BrushColor(), 0x008000u);
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.StatusLine->text(), "Read 513 tones at 10:20:30");
    // The hidden buffer control holds the cut reply.
    EXPECT_EQ(
        form.Memo1->toPlainText(),
        QString::fromStdString(form.Session().Reply().Text()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // On screen: green upstream and blue downstream bars.
    const QImage chart = f.PaintChart();
    EXPECT_GT(CountPixels(chart, Green), 100);
    EXPECT_GT(CountPixels(chart, Blue), 1000);

    // The credit label polls too, and the running timer's period is not
    // restarted: a restart stops and starts the timer, which its "active"
    // property reports however little time has passed.
    int activeChanges = 0;
    const QPropertyNotifier restarts = form.Timer1->bindableActive().addNotifier([&] { ++activeChanges; });
    const int remaining = form.Timer1->remainingTime();
    form.Label4Click();
    EXPECT_EQ(f.simulator->PollsServed(), 2u);
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(activeChanges, 0) << "the period was restarted";
    EXPECT_LE(form.Timer1->remainingTime(), remaining);
    EXPECT_EQ(form.Timer1->interval(), 60000);
    // A range button and a tick of the timer do not restart it either.
    form.rb3->click();
    form.Timer1Timer();
    EXPECT_EQ(f.simulator->PollsServed(), 4u);
    EXPECT_EQ(activeChanges, 0) << "the period was restarted";
}

// A router that answers the command with an error: the status line says so,
// the history keeps a failed poll, and chart, indicator and timer behave as
// after any poll.
TEST(MonitorWindowPoll, ReplyWithoutTheBitLoadingIsAFailedPoll)
{
    TMonitorFixture f(false);
    TForm1& form = *f.form;
    form.Button1->click();
    EXPECT_EQ(form.StatusLine->text(), "No bit loading in the router's reply: Error : unknown command (at 10:20:30)");
    ASSERT_EQ(form.LineSeries18->PointCount(), 256);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(form.LineSeries18->YValues().ValueAt(i), 0.0);
    EXPECT_EQ(form.Shape1->BrushColor(), 0x008000u);
    EXPECT_TRUE(form.Timer1->isActive());

    THistoryStore history;
    ASSERT_TRUE(history.Open(form.HistoryPath())) << history.LastError();
    std::vector<THistorySummary> page;
    ASSERT_TRUE(history.ReadPage(THistoryFilter::All(), nullptr, 10, page));
    ASSERT_EQ(page.size(), 1u);
    EXPECT_FALSE(page[0].Captured);
    EXPECT_EQ(page[0].OutcomeText, "No bit loading in the router's reply: Error : unknown command");
}

TEST(MonitorWindowPoll, RangeButtonsPollAndTheSelectedOneAgainDoesNot)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    form.rb2->click();
    EXPECT_EQ(f.simulator->PollsServed(), 1u);
    ASSERT_EQ(Labels(*form.LineSeries18), ToneLabels(256, 512));
    for (int i = 0; i < 257; ++i)
        ASSERT_EQ(form.LineSeries18->PointColor(i), 0xFF0000u);
    EXPECT_EQ(form.Chart21->BottomAxis().Maximum(), 256.0);
    const QImage high = f.PaintChart();
    EXPECT_EQ(CountPixels(high, Green), 0);
    EXPECT_GT(CountPixels(high, Blue), 1000);

    form.rb2->click();  // already selected
    EXPECT_EQ(f.simulator->PollsServed(), 1u);

    form.rb3->click();
    EXPECT_EQ(f.simulator->PollsServed(), 2u);
    EXPECT_EQ(form.LineSeries18->PointCount(), 513);
    EXPECT_EQ(form.Chart21->BottomAxis().Maximum(), 512.0);

    form.rb1->click();
    EXPECT_EQ(f.simulator->PollsServed(), 3u);
    EXPECT_EQ(form.LineSeries18->PointCount(), 256);
    EXPECT_EQ(form.Chart21->BottomAxis().Maximum(), 255.0);
}

TEST(MonitorWindowPoll, StopAndTheCloseRequest)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    form.Button1->click();
    ASSERT_TRUE(form.Timer1->isActive());

    form.Button2->click();
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_EQ(form.Shape1->BrushColor(), 0x0000FFu);
    EXPECT_EQ(form.LineSeries18->PointCount(), 256);  // the chart keeps its bars

    form.Button1->click();
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_EQ(form.Shape1->BrushColor(), 0x0000FFu);
    EXPECT_EQ(form.Session().State(), msStopped);
}

TEST(MonitorWindowPoll, StopDuringThePollWins)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    // A Stop click handled while the poll waits for the router.
    QTimer::singleShot(0, &form, [&form] { form.Button2->click(); });
    form.Button1->click();
    EXPECT_EQ(f.simulator->PollsServed(), 1u);
    EXPECT_EQ(form.LineSeries18->PointCount(), 256);
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_EQ(form.Shape1->BrushColor(), 0x0000FFu);
}

TEST(MonitorWindowPoll, RefusedPortCompletesWithZerosGreenAndTheFailureInTheStatus)
{
    TForm1 form;
    // A store of its own: the test folder's default one may hold anything
    // (another build's layout, for one), which the status line would report.
    QTemporaryDir historyDir;
    form.SetHistoryPath(historyDir.filePath(QStringLiteral("history.sqlite")));
    const std::string host = "127.0.0.1:" + std::to_string(UnusedPort());
    form.edHost->setText(QString::fromStdString(host));
    form.Session().SetClock([] { return std::string("10:20:30"); });
    form.show();
    form.Button1->click();
    ASSERT_EQ(form.LineSeries18->PointCount(), 256);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(form.LineSeries18->YValues().ValueAt(i), 0.0);
    EXPECT_EQ(form.Shape1->BrushColor(), 0x008000u);
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.StatusLine->text().toStdString(),
              "Could not connect to " + host + ": Connection refused (at 10:20:30)");
}

TEST(MonitorWindowPoll, BusyCursorAndRepaintsWhileThePollWaits)
{
    // The router holds its reply back until the test has seen the chart
    // repainted during the poll (or gives up with the poll's time-out).
    std::atomic<bool> release{false};
    TScriptedRouter router([&](TScriptedConnection& c) {
        if (!c.Login())
            return;
        while (!release && !c.Stopped())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        c.Send(BitLoadingReplyText(SimulatedBitLoading(3, 0)) + "=>");
        c.ReadUntil("never sent");
    });
    TForm1 form;
    form.edHost->setText(QString::fromStdString(router.Host()));
    form.show();
    QApplication::processEvents();

    bool busy = false;
    int passesAtStart = -1;
    bool repainted = false;
    std::function<void()> watch = [&] {
        if (!form.Session().Polling())
            return;
        busy = QGuiApplication::overrideCursor() != nullptr &&
               QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
        if (passesAtStart < 0) {
            passesAtStart = form.Chart21->DrawingPassCount();
            form.Chart21->RequestRepaint();
        } else if (form.Chart21->DrawingPassCount() > passesAtStart) {
            repainted = true;
            release = true;
            return;
        }
        QTimer::singleShot(1, &form, watch);
    };
    QTimer::singleShot(0, &form, watch);
    form.Button1->click();
    EXPECT_TRUE(busy);
    EXPECT_TRUE(repainted);
    EXPECT_TRUE(form.Session().LastOutcome().Captured);
    // After the poll the readout's rule applies again: no bar was under the mouse.
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(MonitorDialogs, HelpWindowIsPlacedByTheMainWindowAndModal)
{
    TForm1 form;
    TForm2 help(&form);
    form.SetHelpWindow(&help);
    form.show();
    form.move(100, 80);
    QApplication::processEvents();
    const QRect frame = form.frameGeometry();

    bool modal = false;
    QPoint placed;
    QTimer::singleShot(0, &form, [&] {
        modal = QApplication::activeModalWidget() == &help && help.isVisible();
        placed = help.frameGeometry().topLeft();
        help.Button1->click();
    });
    form.Help2Click();
    EXPECT_TRUE(modal);
    EXPECT_EQ(placed, QPoint(frame.left() + frame.width() / 2 - 190, frame.top() + 100));
    EXPECT_FALSE(help.isVisible());
    EXPECT_EQ(help.size(), QSize(372, 228));
}

TEST(MonitorDialogs, AboutBoxIsModalAndCentredOnTheScreen)
{
    TForm1 form;
    form.show();
    // Looks for the box until it shows, for at most 5 s; then closes whatever
    // modal window is open instead, so that a missing box fails the test
    // rather than leaving it waiting.
    bool found = false;
    bool gaveUp = false;
    QString text, title;
    QMessageBox::StandardButtons buttons;
    QRect where;
    QElapsedTimer waited;
    waited.start();
    QTimer look;
    look.setInterval(10);
    QObject::connect(&look, &QTimer::timeout, &form, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr && box->isVisible()) {
            found = true;
            text = box->text();
            title = box->windowTitle();
            buttons = box->standardButtons();
            where = box->geometry();
            look.stop();
            box->accept();
        } else if (waited.elapsed() > 5000) {
            gaveUp = true;
            look.stop();
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
            for (QWidget* window : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QDialog*>(window); dialog != nullptr && dialog->isVisible())
                    dialog->reject();
        }
    });
    look.start();
    form.About1Click();
    look.stop();
    ASSERT_TRUE(found) << (gaveUp ? "no About box within 5 s" : "About... returned without showing a box");
    EXPECT_EQ(text, "Simple Bitloading plotter for the Quillmont\n\rBy the Quillmont developers");
    EXPECT_EQ(title, "Quillmont Monitor");
    EXPECT_EQ(buttons, QMessageBox::Ok);
    const QPoint centre = form.screen()->availableGeometry().center();
    EXPECT_LE((where.center() - centre).manhattanLength(), 2);
}

}  // namespace
