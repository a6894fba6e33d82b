#include "secrets/RecorderPassword.h"

#include "text/QtText.h"

namespace {

TKeychain RecorderKeychain(int timeoutMs)
{
    return TKeychain(QString::fromLatin1(RecorderSecretService), timeoutMs);
}

}  // namespace

std::string RecorderPasswordKey(const std::string& host, const std::string& user)
{
    return "recorder/" + user + "@" + host;
}

bool ReadRecorderPassword(const std::string& host, const std::string& user, std::string& password, std::string& why)
{
    const std::string key = RecorderPasswordKey(host, user);
    std::string secret;
    switch (RecorderKeychain(TKeychain::DefaultTimeoutMs).Read(QStringFromUtf8(key), secret, why)) {
    case TSecretResult::srDone:
        password = secret;
        return true;
    case TSecretResult::srNotFound:
        why = "the Secret Service holds no password under " + key + " (service " + RecorderSecretService + ")";
        return false;
    default:
        return false;
    }
}

TSecretResult WriteRecorderPassword(const std::string& host, const std::string& user, const std::string& password,
                                    std::string& why, int timeoutMs)
{
    return RecorderKeychain(timeoutMs).Write(QStringFromUtf8(RecorderPasswordKey(host, user)), password, why);
}

TSecretResult DeleteRecorderPassword(const std::string& host, const std::string& user, std::string& why, int timeoutMs)
{
    return RecorderKeychain(timeoutMs).Remove(QStringFromUtf8(RecorderPasswordKey(host, user)), why);
}
