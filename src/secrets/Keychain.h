#pragma once
// Secrets in the desktop's Secret Service (GNOME Keyring, KWallet, or any
// other keyring on the session's D-Bus), through QtKeychain. The library's
// jobs are asynchronous; here each call waits for its job in a local event
// loop and gives up after a time-out, so that a Secret Service that never
// answers costs a bounded wait. Nothing ever falls back to a plaintext file.
//
// Calls need a QCoreApplication and are made on its thread (the library runs
// one job at a time, from an object that lives there). The GNOME side
// answers through GLib's main loop, which Qt runs on Linux unless QT_NO_GLIB
// is set.

#include <QString>
#include <string>

namespace QKeychain {
class Job;
}

// What became of a call.
enum class TSecretResult {
    srDone,         // read, written or deleted
    srNotFound,     // the Secret Service holds no such entry (read, delete)
    srDenied,       // the user refused access (a dismissed prompt)
    srUnavailable,  // no Secret Service took the call: no D-Bus session, none
                    // running, a locked keyring, no answer in time, or its own error
};

class TKeychain {
public:
    // How long a call waits for the Secret Service by default.
    static constexpr int DefaultTimeoutMs = 10000;

    // Entries under service (the keyring's "server" attribute); each call
    // waits at most timeoutMs.
    explicit TKeychain(const QString& service, int timeoutMs = DefaultTimeoutMs);

    // --- getters ---------------------------------------------------------------------------
    const QString& Service() const { return fService; }
    int TimeoutMs() const { return fTimeoutMs; }

    // --- calls -----------------------------------------------------------------------------
    // Each answers srDone or says in why what went wrong.
    // The secret under key, as UTF-8.
    TSecretResult Read(const QString& key, std::string& secret, std::string& why) const;
    // Puts secret (UTF-8; anything else is refused) under key, replacing what was there.
    TSecretResult Write(const QString& key, const std::string& secret, std::string& why) const;
    // Removes the entry under key.
    TSecretResult Remove(const QString& key, std::string& why) const;

private:
    // Starts job and waits for it. A job that has not finished in time is
    // left to finish and delete itself: the library would still call into it.
    TSecretResult Run(QKeychain::Job* job, std::string& why) const;

    // --- data ------------------------------------------------------------------------------
    QString fService;
    int fTimeoutMs;
};
