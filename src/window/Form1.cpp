#include "window/Form1.h"

#include "chart/BarSeries.h"
#include "chart/Chart.h"
#include "chart/ChartColors.h"
#include "history/HistoryRecorder.h"
#include "history/HistoryTime.h"
#include "historywindow/HistoryWindow.h"
#include "monitor/HistoryDesign.h"
#include "monitor/MonitorChart.h"
#include "text/QtText.h"
#include "window/AboutBox.h"
#include "window/Anchors.h"
#include "window/AppCursor.h"
#include "window/ChartOutput.h"
#include "window/ClickLabel.h"
#include "window/Form2.h"
#include "window/Logo.h"
#include "window/ReadoutPanel.h"
#include "window/RecordDesign.h"
#include "window/RecordDialog.h"
#include "window/Shape.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

QRect RectOf(const design::Bounds& b)
{
    return QRect(b.Left, b.Top, b.Width, b.Height);
}

QFont DesignFont(std::string_view name)
{
    QFont font(QStringFromUtf8(name));
    font.setPixelSize(design::FontPixelSize);
    return font;
}

QLabel* NewLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// Labels size themselves to their text; a design width never cuts a text off.
void FitLabelWidth(QLabel* label)
{
    const int textWidth = label->fontMetrics().horizontalAdvance(label->text());
    if (textWidth > label->width())
        label->resize(textWidth, label->height());
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringFromUtf8(design::Form1Caption));
    setFont(DesignFont(design::FontName));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);

    fClientArea = new QWidget(this);
    fClientArea->setAutoFillBackground(true);
    fClientArea->setMinimumSize(DesignClientWidth, DesignClientHeight);
    setCentralWidget(fClientArea);

    CreateControls();
    CreateMenu();
    CreatePopupMenu();

    // The window starts at its minimum size: the designed client area and the
    // status line under the menu bar.
    const int menuHeight = menuBar()->sizeHint().height();
    setMinimumSize(DesignClientWidth, DesignClientHeight + menuHeight);
    resize(DesignClientWidth, DesignClientHeight + menuHeight);
    move(design::Form1Bounds.Left, design::Form1Bounds.Top);
    fClientArea->installEventFilter(this);
    LayoutControls();
    SetHistoryPath(QString());
}

TForm1::~TForm1()
{
    // The application-wide cursor outlives the window; leave it as found.
    if (fSession.Cursor() != mcDefault)
        ApplyApplicationCursor(mcDefault);
}

template <class W> W* TForm1::Place(W* control, const design::Bounds& bounds)
{
    control->setGeometry(RectOf(bounds));
    fAnchored.emplace_back(control, bounds);
    return control;
}

void TForm1::CreateControls()
{
    QWidget* client = fClientArea;

    // In the order of their creation; later controls lie on top.
    Label1 = Place(NewLabel(QStringFromUtf8(design::Label1Caption), client), design::Label1Bounds);
    Label2 = Place(NewLabel(QStringFromUtf8(design::Label2Caption), client), design::Label2Bounds);
    Label3 = Place(NewLabel(QStringFromUtf8(design::Label3Caption), client), design::Label3Bounds);
    for (QLabel* label : {Label1, Label2, Label3})
        FitLabelWidth(label);

    Image1 = Place(new QLabel(client), design::Image1Bounds);
    Image1->setPixmap(LogoPixmap());

    Label4 = Place(new TClickLabel(client), design::Label4Bounds);
    Label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label4->setText(QStringFromUtf8(design::CreditText));
    QFont bold = DesignFont(design::FontName);
    bold.setBold(true);
    Label4->setFont(bold);
    QPalette creditPalette = Label4->palette();
    creditPalette.setColor(QPalette::WindowText, ToQColor(design::CreditColor));
    Label4->setPalette(creditPalette);
    connect(Label4, &TClickLabel::clicked, this, [this] { Label4Click(); });

    Shape1 = Place(new TShape(client), design::Shape1Bounds);
    Shape1->SetBrushColor(design::IndicatorStopped);

    Chart21 = new TChart(client);
    Chart21->setGeometry(RectOf(design::Chart21Bounds));
    Chart21->setFocusPolicy(Qt::NoFocus);
    LineSeries18 = &ConfigureMonitorChart(*Chart21);
    Chart21->OnMouseMove = [this](int shift, int x, int y) { Chart21MouseMove(shift, x, y); };

    edUsername = Place(new QLineEdit(QStringFromUtf8(design::EdUsernameText), client), design::EdUsernameBounds);
    edPassword = Place(new QLineEdit(client), design::EdPasswordBounds);  // shown as typed

    Button1 = Place(new QPushButton(QStringFromUtf8(design::Button1Caption), client), design::Button1Bounds);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

    // The reply buffer's control: hidden, it mirrors the last cut reply.
    Memo1 = Place(new QPlainTextEdit(QStringFromUtf8(design::Memo1Text), client), design::Memo1Bounds);
    Memo1->setFont(DesignFont(design::MemoFontName));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->hide();

    edHost = Place(new QLineEdit(QStringFromUtf8(design::EdHostText), client), design::EdHostBounds);

    // Range buttons: selecting another one polls; the selected one selected
    // again raises nothing (toggled, not clicked).
    rb1 = Place(new QRadioButton(QStringFromUtf8(design::Rb1Caption), client), design::Rb1Bounds);
    rb2 = Place(new QRadioButton(QStringFromUtf8(design::Rb2Caption), client), design::Rb2Bounds);
    rb3 = Place(new QRadioButton(QStringFromUtf8(design::Rb3Caption), client), design::Rb3Bounds);
    rb1->setChecked(true);
    const std::pair<QRadioButton*, design::ToneRange> ranges[] = {
        {rb1, design::RangeLow}, {rb2, design::RangeHigh}, {rb3, design::RangeAll}};
    for (const auto& [button, range] : ranges)
        connect(button, &QRadioButton::toggled, this, [this, r = range](bool on) {
            if (on)
                RangeButtonClick(r);
        });

    // The readout: a flat frame holding the tooltip-coloured panel with the labels.
    fReadout = std::make_unique<TReadoutPanel>(client);
    Panel35 = Place(fReadout->Frame(), design::Panel35Bounds);
    Panel36 = fReadout->Panel();
    Label56 = fReadout->ToneLabel();
    Label57 = fReadout->FrequencyLabel();
    Label58 = fReadout->BitsLabel();

    Button2 = Place(new QPushButton(QStringFromUtf8(design::Button2Caption), client), design::Button2Bounds);
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });

    StatusLine = new QLabel(QStringFromUtf8(fSession.StatusText()), client);
    StatusLine->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    StatusLine->setIndent(4);
    StatusLine->setTextFormat(Qt::PlainText);

    Timer1 = new QTimer(this);
    Timer1->setInterval(design::Timer1Interval);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

    // Tab order of the design; the chart and the panels take no focus, the
    // hidden buffer is skipped.
    QWidget* order[] = {edUsername, edPassword, Button1, Memo1, edHost, rb1, rb2, rb3, Button2};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    edUsername->setFocus();
}

void TForm1::CreateMenu()
{
    // The history's menu stands before Help, as Help comes last.
    History1 = menuBar()->addMenu(QStringFromUtf8(design::MenuHistory));
    ShowHistory1 = History1->addAction(QStringFromUtf8(design::MenuShowHistory));
    connect(ShowHistory1, &QAction::triggered, this, [this] { ShowHistory1Click(); });
    RecordInBackground1 = History1->addAction(QStringFromUtf8(design::MenuRecordInBackground));
    connect(RecordInBackground1, &QAction::triggered, this, [this] { RecordInBackground1Click(); });
    Help1 = menuBar()->addMenu(QStringFromUtf8(design::MenuHelp));
    Help2 = Help1->addAction(QStringFromUtf8(design::MenuHelpItem));
    Help1->addSeparator();
    About1 = Help1->addAction(QStringFromUtf8(design::MenuAbout));
    connect(Help2, &QAction::triggered, this, [this] { Help2Click(); });
    connect(About1, &QAction::triggered, this, [this] { About1Click(); });
}

void TForm1::LayoutControls()
{
    const int width = fClientArea->width();
    const int height = fClientArea->height();
    for (const auto& [control, bounds] : fAnchored) {
        const design::Bounds anchored = AnchorBottomLeft(bounds, width, height);
        // Keep a size the control took for itself (a label fitted to its text).
        control->move(anchored.Left, anchored.Top);
    }
    Chart21->setGeometry(RectOf(AnchorAllEdges(design::Chart21Bounds, width, height)));
    StatusLine->setGeometry(RectOf(StatusLineBounds(width, height)));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == fClientArea && event->type() == QEvent::Resize)
        LayoutControls();
    return QMainWindow::eventFilter(watched, event);
}

// ---- handlers -------------------------------------------------------------------------------------------

void TForm1::Button1Click()
{
    fSession.RequestPoll();
}

void TForm1::Timer1Timer()
{
    fSession.TimerTick();
}

void TForm1::RangeButtonClick(const design::ToneRange& range)
{
    fSession.SelectRange(range);
}

void TForm1::Button2Click()
{
    fSession.Stop();
}

bool TForm1::FormCloseQuery()
{
    return fSession.CloseQuery();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    event->setAccepted(FormCloseQuery());
}

void TForm1::Chart21MouseMove(int /*shift*/, int /*x*/, int /*y*/)
{
    // The tones of the bars on the chart start at the range's first tone.
    const int offset = fSession.PlottedRange().FirstTone;
    const int index = LineSeries18->DrawnBarAtCursor();
    if (index >= 0)
        fReadout->ShowBar(*LineSeries18, index, offset);
    else
        fReadout->ShowIdle();
    fSession.SetReadoutOnBar(index >= 0);
}

void TForm1::Help2Click()
{
    if (fHelpWindow == nullptr)
        return;
    // Centred on the main window less 190 pixels, 100 pixels below its top edge.
    const QRect frame = frameGeometry();
    fHelpWindow->move(frame.left() + frame.width() / 2 - design::HelpOffsetFromCentre,
                      frame.top() + design::HelpOffsetTop);
    fHelpWindow->exec();
}

void TForm1::About1Click()
{
    const std::unique_ptr<QMessageBox> box = CreateAboutBox(this);
    box->exec();
}

// ---- TMonitorView -----------------------------------------------------------------------------------------

TLoginFields TForm1::LoginFields()
{
    return {Utf8FromQString(edHost->text()), Utf8FromQString(edUsername->text()), Utf8FromQString(edPassword->text())};
}

void TForm1::PlotBars(const ToneBits& bits, const design::ToneRange& range)
{
    PlotToneTable(*Chart21, *LineSeries18, bits, range);
    QString reply = QStringFromUtf8(fSession.Reply().Text());
    reply.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Memo1->setPlainText(reply);
}

void TForm1::SetIndicator(std::uint32_t color)
{
    Shape1->SetBrushColor(color);
}

void TForm1::SetTimerEnabled(bool enabled)
{
    if (!enabled)
        Timer1->stop();
    else if (!Timer1->isActive())
        Timer1->start();  // never restarts a running period
}

void TForm1::ShowStatus(const std::string& text)
{
    StatusLine->setText(QStringFromUtf8(text));
}

void TForm1::SetHistoryPath(const QString& path)
{
    fHistoryPath = path;
    fHistory = std::make_unique<THistoryRecorder>(path.isEmpty() ? DefaultHistoryPath() : path);
    fHistory->SetOrigin(TPollOrigin::poWindow);
    // The history window, when open, shows each poll as soon as it is kept.
    fHistory->SetOnKept([this] {
        if (fHistoryWindow != nullptr && fHistoryWindow->isVisible())
            fHistoryWindow->PollRecorded();
    });
    fSession.SetRecorder(fHistory.get());
}

void TForm1::ShowHistory1Click()
{
    if (fHistoryWindow == nullptr) {
        fHistoryWindow = new THistoryWindow(fHistory->Path(), this);
        fHistoryWindow->SetOnPollChosen([this](const THistoryRecord& record) { ShowPastPoll(record); });
    } else {
        fHistoryWindow->Reload();
    }
    fHistoryWindow->show();
    fHistoryWindow->raise();
    fHistoryWindow->activateWindow();
}

void TForm1::RecordInBackground1Click()
{
    if (fRecordDialog == nullptr)
        fRecordDialog = new TRecordDialog(fHistory->Path(), this);
    fRecordDialog->SetHistoryPath(fHistory->Path());
    fRecordDialog->SetLogin(edHost->text(), edUsername->text());
    fRecordDialog->show();
    fRecordDialog->raise();
    fRecordDialog->activateWindow();
}

void TForm1::ShowPastPoll(const THistoryRecord& record)
{
    fSession.ShowPastPoll(record.Bits, {record.FirstTone, record.LastTone}, PastPollStatusText(record));
}

void TForm1::ApplyCursor(TMonitorCursor cursor)
{
    ApplyApplicationCursor(cursor);
}

void TForm1::ProcessMessages()
{
    QCoreApplication::processEvents();
}

void TForm1::Heartbeat()
{
    // Repaints, timers and the desktop's requests; clicks and keys wait.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
