#pragma once

#include "app/MonitorSession.h"
#include "app/MonitorView.h"
#include "monitor/MonitorDesign.h"

#include <QMainWindow>
#include <QString>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QTimer;
class TBarSeries;
class TChart;
class TChartOutput;
class TClickLabel;
class TForm2;
class THistoryRecorder;
class THistoryWindow;
class TReadoutPanel;
class TRecordDialog;
class TShape;
struct THistoryRecord;

// The monitor's main window: host, user name and password, Plot and Stop,
// the three range buttons, the indicator square, the chart with its hover
// readout, the status line, the Help menu and the 60-second timer. Every
// event goes to the session (the poll, Stop, the close request) or to a
// handler here (readout, Help, About); the window shows what the session
// tells it.
class TForm1 : public QMainWindow, private TMonitorView {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // --- getters -------------------------------------------------------------------------------------
    TMonitorSession& Session() { return fSession; }
    TForm2* HelpWindow() const { return fHelpWindow; }
    // The client area below the menu bar, where the controls live.
    QWidget* ClientArea() const { return fClientArea; }
    // The history window, once "Show history..." has opened it.
    THistoryWindow* HistoryWindow() const { return fHistoryWindow; }
    // The "Record in the background..." dialog, once it has been opened.
    TRecordDialog* RecordDialog() const { return fRecordDialog; }
    const QString& HistoryPath() const { return fHistoryPath; }

    // --- setters -------------------------------------------------------------------------------------
    // The help window, created hidden after the main window.
    void SetHelpWindow(TForm2* helpWindow) { fHelpWindow = helpWindow; }
    // The line history's store (the user's data folder unless replaced); set
    // before the first poll.
    // The store the polls are kept in (until set: the default one).
    void SetHistoryPath(const QString& path);

    // --- handlers ------------------------------------------------------------------------------------
    // The poll: Plot, a click on the credit label, a range button (through
    // RangeButtonClick) and the timer.
    void Button1Click();
    void Label4Click() { Button1Click(); }
    void Timer1Timer();
    // A range button became the selected one.
    void RangeButtonClick(const design::ToneRange& range);
    // Stop.
    void Button2Click();
    // The close request: stops; closing is always allowed.
    bool FormCloseQuery();
    // The hover readout over the chart (the event's coordinates are not used:
    // the readout asks for the cursor's position now).
    void Chart21MouseMove(int shift, int x, int y);
    // Help... and About...: modal.
    void Help2Click();
    void About1Click();
    // History > Show history...: the history window, not modal.
    void ShowHistory1Click();
    // History > Record in the background...: the recorder's dialog, not
    // modal, with the host and user of this window.
    void RecordInBackground1Click();
    // A poll chosen in the history window: its bars over its range, until the
    // next poll.
    void ShowPastPoll(const THistoryRecord& record);

    // --- chart output (the chart's pop-up menu, Form1Output.cpp) ---------------------------------------
    // Forwarded to the window's TChartOutput (what each does is told there).
    // A failure raises; the menu's actions show it in the error box.
    void SaveAs1Click();
    void Copytoclipboard1Click();
    void Printersetup1Click();
    void Print1Click();
    // The program's one printer (the output's).
    QPrinter& Printer();

    // --- controls (design names) -------------------------------------------------------------------------
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Image1 = nullptr;
    TClickLabel* Label4 = nullptr;
    TShape* Shape1 = nullptr;
    TChart* Chart21 = nullptr;
    TBarSeries* LineSeries18 = nullptr;
    QLineEdit* edUsername = nullptr;
    QLineEdit* edPassword = nullptr;
    QPushButton* Button1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLineEdit* edHost = nullptr;
    QRadioButton* rb1 = nullptr;
    QRadioButton* rb2 = nullptr;
    QRadioButton* rb3 = nullptr;
    // The readout's widgets (fReadout), children of the client area.
    QLabel* Panel35 = nullptr;
    QFrame* Panel36 = nullptr;
    QLabel* Label56 = nullptr;
    QLabel* Label57 = nullptr;
    QLabel* Label58 = nullptr;
    QPushButton* Button2 = nullptr;
    QTimer* Timer1 = nullptr;
    QMenu* History1 = nullptr;
    QAction* ShowHistory1 = nullptr;
    QAction* RecordInBackground1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Help2 = nullptr;
    QAction* About1 = nullptr;
    QMenu* PopupMenu1 = nullptr;  // the chart's, on a right click
    QAction* SaveAs1 = nullptr;
    QAction* Copytoclipboard1 = nullptr;
    QAction* Printersetup1 = nullptr;
    QAction* Print1 = nullptr;
    QLabel* StatusLine = nullptr;

protected:
    // --- virtuals ------------------------------------------------------------------------------------
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // --- TMonitorView ------------------------------------------------------------------------------------
    TLoginFields LoginFields() override;
    void PlotBars(const ToneBits& bits, const design::ToneRange& range) override;
    void SetIndicator(std::uint32_t color) override;
    void SetTimerEnabled(bool enabled) override;
    void ShowStatus(const std::string& text) override;
    void ApplyCursor(TMonitorCursor cursor) override;
    void ProcessMessages() override;
    void Heartbeat() override;

    void CreateControls();
    void CreateMenu();
    void CreatePopupMenu();
    // Places a control at its design bounds and anchors it to the bottom-left corner.
    template <class W> W* Place(W* control, const design::Bounds& bounds);
    void LayoutControls();

    // --- data ---------------------------------------------------------------------------------------
    TMonitorSession fSession{*this, std::string(design::Memo1Text)};
    TForm2* fHelpWindow = nullptr;
    QString fHistoryPath;
    std::unique_ptr<THistoryRecorder> fHistory;  // the session's recorder; its store opens at the first poll
    THistoryWindow* fHistoryWindow = nullptr;
    TRecordDialog* fRecordDialog = nullptr;
    QWidget* fClientArea = nullptr;
    std::vector<std::pair<QWidget*, design::Bounds>> fAnchored;  // bottom-left
    std::unique_ptr<TReadoutPanel> fReadout;                     // the hover readout under the chart
    std::unique_ptr<TChartOutput> fOutput;                       // the pop-up menu's commands
};
