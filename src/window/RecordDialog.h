#pragma once
// History > "Record in the background...": starts and stops the background
// recorder, a systemd user unit. "Start" puts the password into the Secret
// Service (or, where none answers, into a file only the user can read),
// writes recorder.conf and runs `systemctl --user enable --now`; "Stop" runs
// `systemctl --user disable --now`. The dialog shows whether the recorder
// runs and when it last polled (from the line history); where there is no
// user systemd it says so and shows the command line to run instead.
//
// systemctl runs through a TCommandRunner, never blocking the window; the
// password is written through a replaceable writer (the Secret Service by
// default), which waits for its answer for at most a bounded time.

#include "secrets/Keychain.h"
#include "window/LastRecorderPoll.h"
#include "window/RecorderStatus.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;
class TCommandRunner;

class TRecordDialog : public QDialog {
    Q_OBJECT
public:
    // Puts password for user at host where the recorder will find it.
    using TPasswordWriter = std::function<TSecretResult(const std::string& host, const std::string& user,
                                                        const std::string& password, std::string& why)>;
    // How long the dialog waits for the Secret Service: long enough for the
    // user to answer the keyring's own unlock prompt.
    static constexpr int SecretServiceTimeoutMs = 30000;

    // The recorder keeps its polls in the store at historyPath (the main window's).
    explicit TRecordDialog(const QString& historyPath, QWidget* parent = nullptr);
    ~TRecordDialog() override;

    // --- setters ---------------------------------------------------------------------------
    // The main window's host and user, filled in each time the dialog opens.
    void SetLogin(const QString& host, const QString& user);
    void SetHistoryPath(const QString& path) { fHistoryPath = path; }
    // Where recorder.conf and the fallback password file go (by default the
    // user's configuration folder).
    void SetConfigPath(const QString& path) { fConfigPath = path; }
    void SetPasswordFilePath(const QString& path) { fPasswordFilePath = path; }
    void SetPasswordWriter(TPasswordWriter writer) { fWritePassword = std::move(writer); }
    void SetCommandRunner(std::unique_ptr<TCommandRunner> runner);
    // How often the open dialog asks again (0: only when opened and after Start and Stop).
    void SetRefreshInterval(int ms);

    // --- getters ---------------------------------------------------------------------------
    const QString& ConfigPath() const { return fConfigPath; }
    const QString& PasswordFilePath() const { return fPasswordFilePath; }
    const TRecorderStatus& Status() const { return fStatus; }
    // No command runs and no answer is awaited.
    bool IsIdle() const { return !fBusy && !fAsking; }

    // --- handlers --------------------------------------------------------------------------
    void StartClick();
    void StopClick();
    // Asks systemd whether the recorder runs and the store when it last polled.
    void Refresh();

    // --- controls --------------------------------------------------------------------------
    QLineEdit* HostEdit = nullptr;
    QLineEdit* UserEdit = nullptr;
    QLineEdit* PasswordEdit = nullptr;
    QSpinBox* IntervalBox = nullptr;
    QPushButton* StartButton = nullptr;
    QPushButton* StopButton = nullptr;
    QPushButton* CloseButton = nullptr;
    QLabel* StateLabel = nullptr;      // running or not, or no user systemd
    QLineEdit* CommandEdit = nullptr;  // the command to run instead (shown without user systemd)
    QLabel* LastPollLabel = nullptr;   // when the recorder last polled
    QLabel* PasswordLabel = nullptr;   // where Start put the password
    QLabel* ActionLabel = nullptr;     // how the last Start or Stop went

protected:
    // --- virtuals --------------------------------------------------------------------------
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // What the last systemctl command was for.
    enum class TAction { aStart, aStop };

    // Writes the password and recorder.conf for Start; false (the reason
    // shown) when the recorder must not be started.
    bool KeepPasswordAndSettings();
    void RunSystemctl(TAction action);
    void SystemctlDone(TAction action, const QString& command, const TCommandResult& result);
    void ShowStatus(const TRecorderStatus& status);
    void SetBusy(bool busy);
    // Grows the dialog, once the event loop runs, to what its notes need
    // now (word-wrapped labels ask for more height than at first).
    void FitToNotes();

    // --- data ------------------------------------------------------------------------------
    QString fHistoryPath;
    QString fConfigPath;
    QString fPasswordFilePath;
    TPasswordWriter fWritePassword;
    TRecorderStatus fStatus;
    bool fBusy = false;    // Start or Stop under way
    bool fAsking = false;  // is-active under way
    // A Start whose systemctl failed: said again when the state shows there is no user systemd.
    bool fStartFailed = false;
    QTimer* fRefreshTimer = nullptr;
    // Last: goes first, so that no answer arrives at a dialog half gone.
    std::unique_ptr<TCommandRunner> fRunner;
};
