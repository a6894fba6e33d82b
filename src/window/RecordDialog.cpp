#include "window/RecordDialog.h"

#include "history/HistoryRecorder.h"
#include "recorder/RecorderConfig.h"
#include "secrets/PrivateFile.h"
#include "secrets/RecorderPassword.h"
#include "text/QtText.h"
#include "window/ProcessRunner.h"
#include "window/RecordDesign.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString DefaultPasswordFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/quillmont-monitor/recorder-password");
}

QLabel* NoteLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

bool HasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

}  // namespace

TRecordDialog::TRecordDialog(const QString& historyPath, QWidget* parent)
    : QDialog(parent), fHistoryPath(historyPath), fConfigPath(DefaultRecorderConfigPath()),
      fPasswordFilePath(DefaultPasswordFilePath()), fRunner(std::make_unique<TProcessRunner>())
{
    setWindowTitle(QStringFromUtf8(design::RecordCaption));
    setMinimumWidth(design::RecordMinWidth);
    fWritePassword = [](const std::string& host, const std::string& user, const std::string& password,
                        std::string& why) {
        return WriteRecorderPassword(host, user, password, why, SecretServiceTimeoutMs);
    };

    auto* intro = NoteLabel(this);
    intro->setText(QStringFromUtf8(design::RecordIntro));
    HostEdit = new QLineEdit(this);
    UserEdit = new QLineEdit(this);
    PasswordEdit = new QLineEdit(this);
    PasswordEdit->setEchoMode(QLineEdit::Password);
    IntervalBox = new QSpinBox(this);
    IntervalBox->setRange(design::RecordIntervalMinimum, design::RecordIntervalMaximum);
    IntervalBox->setValue(design::RecordIntervalDefault);
    IntervalBox->setSuffix(QStringFromUtf8(design::RecordIntervalSuffix));
    auto* fields = new QFormLayout;
    fields->addRow(QStringFromUtf8(design::RecordHostLabel), HostEdit);
    fields->addRow(QStringFromUtf8(design::RecordUserLabel), UserEdit);
    fields->addRow(QStringFromUtf8(design::RecordPasswordLabel), PasswordEdit);
    fields->addRow(QStringFromUtf8(design::RecordIntervalLabel), IntervalBox);

    auto* buttons = new QDialogButtonBox(this);
    StartButton = buttons->addButton(QStringFromUtf8(design::RecordStart), QDialogButtonBox::ActionRole);
    StopButton = buttons->addButton(QStringFromUtf8(design::RecordStop), QDialogButtonBox::ActionRole);
    CloseButton = buttons->addButton(QStringFromUtf8(design::RecordClose), QDialogButtonBox::RejectRole);
    StartButton->setDefault(true);
    connect(StartButton, &QPushButton::clicked, this, [this] { StartClick(); });
    connect(StopButton, &QPushButton::clicked, this, [this] { StopClick(); });
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);

    StateLabel = NoteLabel(this);
    CommandEdit = new QLineEdit(this);
    CommandEdit->setReadOnly(true);
    CommandEdit->hide();
    LastPollLabel = NoteLabel(this);
    PasswordLabel = NoteLabel(this);
    ActionLabel = NoteLabel(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    for (QWidget* note :
         std::initializer_list<QWidget*>{StateLabel, CommandEdit, LastPollLabel, PasswordLabel, ActionLabel})
        layout->addWidget(note);
    layout->addStretch();

    fRefreshTimer = new QTimer(this);
    fRefreshTimer->setInterval(design::RecordRefreshMs);
    connect(fRefreshTimer, &QTimer::timeout, this, [this] {
        if (IsIdle())
            Refresh();
    });
    ShowStatus(fStatus);
}

TRecordDialog::~TRecordDialog() = default;

void TRecordDialog::SetLogin(const QString& host, const QString& user)
{
    HostEdit->setText(host);
    UserEdit->setText(user);
}

void TRecordDialog::SetCommandRunner(std::unique_ptr<TCommandRunner> runner)
{
    fRunner = std::move(runner);
}

void TRecordDialog::SetRefreshInterval(int ms)
{
    fRefreshTimer->stop();
    fRefreshTimer->setInterval(ms);
    if (ms > 0 && isVisible())
        fRefreshTimer->start();
}

void TRecordDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (fRefreshTimer->interval() > 0)
        fRefreshTimer->start();
    if (IsIdle())
        Refresh();
}

void TRecordDialog::hideEvent(QHideEvent* event)
{
    fRefreshTimer->stop();
    QDialog::hideEvent(event);
}

// ---- Start and Stop ---------------------------------------------------------------------------------

void TRecordDialog::StartClick()
{
    if (fBusy)
        return;
    fStartFailed = false;
    PasswordLabel->clear();
    const QString host = HostEdit->text().trimmed();
    QString refusal;
    if (host.isEmpty())
        refusal = QStringLiteral("Type the router's address in Host.");
    else if (PasswordEdit->text().isEmpty())
        refusal = QStringLiteral("Type the router's password: the recorder logs in with it.");
    else if (HasLineBreak(host) || HasLineBreak(UserEdit->text()) || HasLineBreak(PasswordEdit->text()))
        refusal = QStringLiteral("The host, user and password cannot hold a line break.");
    if (!refusal.isEmpty()) {
        ActionLabel->setText(refusal);
        FitToNotes();
        return;
    }
    SetBusy(true);
    if (!KeepPasswordAndSettings()) {
        SetBusy(false);
        return;
    }
    RunSystemctl(TAction::aStart);
}

void TRecordDialog::StopClick()
{
    if (fBusy)
        return;
    fStartFailed = false;
    PasswordLabel->clear();
    SetBusy(true);
    RunSystemctl(TAction::aStop);
}

bool TRecordDialog::KeepPasswordAndSettings()
{
    // What the dialog does not set (the metrics address) stays as it was.
    TRecorderConfig config;
    QString error;
    if (QFileInfo::exists(fConfigPath) && !LoadRecorderConfig(fConfigPath, config, error))
        config = TRecorderConfig();
    config.Host = HostEdit->text().trimmed();
    config.User = UserEdit->text();
    config.IntervalSeconds = IntervalBox->value();
    // Empty: the recorder's default, which is the window's own store.
    config.History = fHistoryPath == DefaultHistoryPath() ? QString() : fHistoryPath;

    ActionLabel->setText(QStringLiteral("Putting the password into the Secret Service..."));
    std::string why;
    const TSecretResult kept = fWritePassword(Utf8FromQString(config.Host), Utf8FromQString(config.User),
                                              Utf8FromQString(PasswordEdit->text()), why);
    ActionLabel->clear();
    const QString reason = QStringFromUtf8(why);
    if (kept == TSecretResult::srDenied) {
        PasswordLabel->setText(
            QStringLiteral("The Secret Service refused the password (%1); the recorder was not started.").arg(reason));
        return false;
    }
    if (kept == TSecretResult::srDone) {
        config.PasswordFile.clear();
        QString note = QStringLiteral("The password is in the Secret Service.");
        // A password file left from a time without a Secret Service goes.
        if (QFileInfo::exists(fPasswordFilePath) && !QFile::remove(fPasswordFilePath))
            note += QStringLiteral(" The old password file %1 could not be removed.").arg(fPasswordFilePath);
        PasswordLabel->setText(note);
    } else {
        if (!WritePrivateFile(fPasswordFilePath, Utf8FromQString(PasswordEdit->text()), error)) {
            PasswordLabel->setText(
                QStringLiteral("No Secret Service answered (%1), and the password file cannot be written (%2); the "
                               "recorder was not started.")
                    .arg(reason, error));
            return false;
        }
        config.PasswordFile = fPasswordFilePath;
        PasswordLabel->setText(
            QStringLiteral("No Secret Service answered (%1), so the password is in %2, which only you can read.")
                .arg(reason, fPasswordFilePath));
    }
    if (!SaveRecorderConfig(fConfigPath, config, error)) {
        ActionLabel->setText(
            QStringLiteral("The recorder's settings cannot be written (%1); the recorder was not started.").arg(error));
        return false;
    }
    return true;
}

void TRecordDialog::RunSystemctl(TAction action)
{
    const QStringList arguments{QStringLiteral("--user"),
                                action == TAction::aStart ? QStringLiteral("enable") : QStringLiteral("disable"),
                                QStringLiteral("--now"), QStringFromUtf8(design::RecorderUnit)};
    const QString command = QStringLiteral("systemctl ") + arguments.join(QLatin1Char(' '));
    ActionLabel->setText(action == TAction::aStart ? QStringLiteral("Starting the recorder...")
                                                   : QStringLiteral("Stopping the recorder..."));
    fRunner->Run(QStringLiteral("systemctl"), arguments,
                 [this, action, command](const TCommandResult& result) { SystemctlDone(action, command, result); });
}

void TRecordDialog::SystemctlDone(TAction action, const QString& command, const TCommandResult& result)
{
    const QString failure = CommandFailureText(command, result, fRunner->TimeoutMs());
    if (!failure.isEmpty())
        ActionLabel->setText(failure);
    else if (action == TAction::aStart)
        ActionLabel->setText(QStringLiteral("Started: the recorder polls %1 every %2 s, now and whenever you log in.")
                                 .arg(HostEdit->text().trimmed())
                                 .arg(IntervalBox->value()));
    else
        ActionLabel->setText(QStringLiteral("Stopped: the recorder no longer runs, and does not start at login."));
    fStartFailed = action == TAction::aStart && !failure.isEmpty();
    SetBusy(false);
    Refresh();
}

// ---- the recorder's state ---------------------------------------------------------------------------------

void TRecordDialog::Refresh()
{
    // The store first: it answers at once (a bounded number of rows).
    LastPollLabel->setText(LastRecorderPollText(FindLastRecorderPoll(fHistoryPath, design::RecordLastPollRows)));
    if (fAsking)
        return;
    fAsking = true;
    fRunner->Run(QStringLiteral("systemctl"),
                 {QStringLiteral("--user"), QStringLiteral("is-active"), QStringFromUtf8(design::RecorderUnit)},
                 [this](const TCommandResult& result) {
                     fAsking = false;
                     ShowStatus(RecorderStatusFromIsActive(result, fRunner->TimeoutMs()));
                 });
}

void TRecordDialog::ShowStatus(const TRecorderStatus& status)
{
    fStatus = status;
    QString text = RecorderStatusText(status);
    const bool byHand = status.State == TRecorderState::rsNoUserSystemd;
    if (byHand) {
        TRecorderConfig config;
        QString error;
        const bool written = LoadRecorderConfig(fConfigPath, config, error);
        if (!written) {
            // No settings written yet: what Start would write.
            config.Host = HostEdit->text().trimmed();
            config.User = UserEdit->text();
            config.IntervalSeconds = IntervalBox->value();
            config.History = fHistoryPath == DefaultHistoryPath() ? QString() : fHistoryPath;
        }
        const bool readsConfig = fConfigPath == DefaultRecorderConfigPath();
        CommandEdit->setText(ManualRecorderCommand(config, readsConfig));
        CommandEdit->setCursorPosition(0);
        if (!written && readsConfig) {
            text.chop(1);  // the colon
            text += QStringLiteral(", once Start has written the settings it reads:");
        }
        if (fStartFailed)
            ActionLabel->setText(QStringLiteral("The recorder's settings are in %1; start the recorder as shown above.")
                                     .arg(fConfigPath));
    }
    StateLabel->setText(text);
    CommandEdit->setVisible(byHand);
    FitToNotes();
}

void TRecordDialog::SetBusy(bool busy)
{
    fBusy = busy;
    StartButton->setEnabled(!busy);
    StopButton->setEnabled(!busy);
    FitToNotes();
}

void TRecordDialog::FitToNotes()
{
    QTimer::singleShot(0, this, [this] {
        layout()->activate();
        const int needed = layout()->totalHeightForWidth(width());
        if (needed > height())
            resize(width(), needed);
    });
}
