#include "secrets/Keychain.h"

#include "text/QtText.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <memory>
#include <qt6keychain/keychain.h>

namespace {

std::string SecondsText(int ms)
{
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

// Why a job failed, and what that means for the caller.
TSecretResult Explain(const QKeychain::Job& job, std::string& why)
{
    const std::string detail = Utf8FromQString(job.errorString());
    switch (job.error()) {
    case QKeychain::NoError:
        return TSecretResult::srDone;
    case QKeychain::EntryNotFound:
        why = "the Secret Service holds no entry " + Utf8FromQString(job.key());
        return TSecretResult::srNotFound;
    case QKeychain::AccessDeniedByUser:
        why = "access to the Secret Service was refused (" + detail + ")";
        return TSecretResult::srDenied;
    case QKeychain::AccessDenied:
        why = "the Secret Service denied access (" + detail + ")";
        return TSecretResult::srUnavailable;
    case QKeychain::NoBackendAvailable:
        why = "no Secret Service is available (" + detail + ")";
        return TSecretResult::srUnavailable;
    default:
        why = "the Secret Service failed: " + (detail.empty() ? std::string("no reason given") : detail);
        return TSecretResult::srUnavailable;
    }
}

// The GNOME keyring's replies arrive through GLib's main loop, which Qt's own
// event loop (QT_NO_GLIB) never runs.
bool RunsGLibLoop()
{
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    return dispatcher != nullptr && dispatcher->inherits("QEventDispatcherGlib");
}

}  // namespace

TKeychain::TKeychain(const QString& service, int timeoutMs) : fService(service), fTimeoutMs(timeoutMs) {}

TSecretResult TKeychain::Read(const QString& key, std::string& secret, std::string& why) const
{
    auto* job = new QKeychain::ReadPasswordJob(fService);
    job->setKey(key);
    // Held until the job is known to have finished (Run releases it otherwise).
    std::unique_ptr<QKeychain::ReadPasswordJob> owner(job);
    const TSecretResult result = Run(job, why);
    if (job->autoDelete())
        (void)owner.release();
    else if (result == TSecretResult::srDone)
        secret = Utf8FromQString(job->textData());
    return result;
}

TSecretResult TKeychain::Write(const QString& key, const std::string& secret, std::string& why) const
{
    const QString text = QStringFromUtf8(secret);
    if (Utf8FromQString(text) != secret) {
        why = "the secret is not UTF-8 text";
        return TSecretResult::srUnavailable;
    }
    auto* job = new QKeychain::WritePasswordJob(fService);
    job->setKey(key);
    job->setTextData(text);
    std::unique_ptr<QKeychain::WritePasswordJob> owner(job);
    const TSecretResult result = Run(job, why);
    if (job->autoDelete())
        (void)owner.release();
    return result;
}

TSecretResult TKeychain::Remove(const QString& key, std::string& why) const
{
    auto* job = new QKeychain::DeletePasswordJob(fService);
    job->setKey(key);
    std::unique_ptr<QKeychain::DeletePasswordJob> owner(job);
    const TSecretResult result = Run(job, why);
    if (job->autoDelete())
        (void)owner.release();
    return result;
}

TSecretResult TKeychain::Run(QKeychain::Job* job, std::string& why) const
{
    // Never a plaintext file in the user's settings in place of the keyring.
    job->setInsecureFallback(false);
    job->setAutoDelete(false);
    const QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) {
        why = "the Secret Service cannot be asked without a running Qt application";
        return TSecretResult::srUnavailable;
    }
    if (QThread::currentThread() != application->thread()) {
        why = "the Secret Service is asked from the application's main thread only";
        return TSecretResult::srUnavailable;
    }

    bool finished = false;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&finished, &loop] {
        finished = true;
        loop.quit();
    });
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    job->start();
    timer.start(fTimeoutMs);
    // User input waits until the answer is in: nothing clicked meanwhile
    // runs inside this call.
    loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (finished)
        return Explain(*job, why);
    // The library still holds the job and will finish it some time: it
    // deletes itself then.
    job->setAutoDelete(true);
    if (timer.isActive()) {
        why = "the wait for the Secret Service was cut short (the application is ending)";
    } else {
        why = "the Secret Service did not answer within " + SecondsText(fTimeoutMs);
        if (!RunsGLibLoop() && qEnvironmentVariableIsSet("QT_NO_GLIB"))
            why += " (the GNOME keyring answers through GLib's main loop, which QT_NO_GLIB turns off)";
    }
    return TSecretResult::srUnavailable;
}
