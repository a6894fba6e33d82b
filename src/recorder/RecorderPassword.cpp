#include "recorder/RecorderPassword.h"

#include <sys/stat.h>

#include <cerrno>

#include "recorder/PasswordFile.h"

namespace {

std::string CredentialPath(const char* directory)
{
    return std::string(directory) + "/" + PasswordCredentialName;
}

}  // namespace

TPasswordFound FindRecorderPassword(const TPasswordSources& sources, const std::string& host, const std::string& user)
{
    TPasswordFound found;
    if (sources.Variable != nullptr) {
        found.Source = TPasswordSource::psVariable;
        found.Password = sources.Variable;
        return found;
    }
    if (!sources.PasswordFile.empty()) {
        std::string why;
        if (!ReadPasswordFile(sources.PasswordFile, TPasswordFileRule::pfrPrivate, found.Password, why)) {
            found.Error = "the password file " + sources.PasswordFile + " " + why;
            return found;
        }
        found.Source = TPasswordSource::psPasswordFile;
        return found;
    }
    if (sources.CredentialsDirectory != nullptr && *sources.CredentialsDirectory != '\0') {
        const std::string path = CredentialPath(sources.CredentialsDirectory);
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 || errno != ENOENT) {
            std::string why;
            if (!ReadPasswordFile(path, TPasswordFileRule::pfrManaged, found.Password, why)) {
                found.Error = "the credential " + path + " " + why;
                return found;
            }
            found.Source = TPasswordSource::psCredential;
            return found;
        }
    }
    std::string secretWhy;
    if (sources.SecretService) {
        if (sources.SecretService(host, user, found.Password, secretWhy)) {
            found.Source = TPasswordSource::psSecretService;
            return found;
        }
        found.Password.clear();
    }
    found.Error = "no password: set QUILLMONT_PASSWORD, give --password-file FILE (or password_file in "
                  "recorder.conf) with a file only you may read, let systemd hand it over with "
                  "LoadCredential=" +
                  PasswordCredentialName +
                  ":FILE, or keep it in the desktop's Secret Service (the window's History > Record in the "
                  "background... does)";
    if (!sources.SecretService)
        found.Error += "; this recorder cannot ask a Secret Service";
    else if (!secretWhy.empty())
        found.Error += "; the Secret Service: " + secretWhy;
    return found;
}

std::string PasswordSourceText(const TPasswordSources& sources, TPasswordSource source)
{
    switch (source) {
    case TPasswordSource::psNone:
        return "nowhere";
    case TPasswordSource::psVariable:
        return "QUILLMONT_PASSWORD";
    case TPasswordSource::psPasswordFile:
        return "the password file " + sources.PasswordFile;
    case TPasswordSource::psCredential:
        return "the credential " +
               (sources.CredentialsDirectory ? CredentialPath(sources.CredentialsDirectory) : PasswordCredentialName);
    case TPasswordSource::psSecretService:
        return "the Secret Service";
    }
    return "";
}
