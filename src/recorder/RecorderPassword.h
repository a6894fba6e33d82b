#pragma once
// Where the recorder's password comes from: never the command line, always
// the first of four sources that has one.

#include <functional>
#include <string>

// The desktop's Secret Service: true with the password stored for the
// router's host and user; false with why (nothing stored, no service
// answering) otherwise.
using TSecretServiceLookup =
    std::function<bool(const std::string& host, const std::string& user, std::string& password, std::string& why)>;

// The file name systemd's LoadCredential= gives the password under
// $CREDENTIALS_DIRECTORY ("LoadCredential=quillmont-password:/path/to/file").
inline const std::string PasswordCredentialName = "quillmont-password";

struct TPasswordSources {
    // The value of QUILLMONT_PASSWORD; null when it is not set.
    const char* Variable = nullptr;
    // --password-file, or recorder.conf's password_file (empty: none).
    std::string PasswordFile;
    // The value of CREDENTIALS_DIRECTORY; null when it is not set.
    const char* CredentialsDirectory = nullptr;
    // Empty: no Secret Service is asked.
    TSecretServiceLookup SecretService;
};

enum class TPasswordSource { psNone, psVariable, psPasswordFile, psCredential, psSecretService };

struct TPasswordFound {
    // psNone when no source had one; Error then says why.
    TPasswordSource Source = TPasswordSource::psNone;
    std::string Password;
    std::string Error;
};

// The password from the first source that has one, in this order:
// QUILLMONT_PASSWORD (set, even empty); the password file, which must be the
// user's alone (ReadPasswordFile's private rule); the credential
// quillmont-password in CREDENTIALS_DIRECTORY (set up by systemd, so any
// owner and mode); the Secret Service, asked for host and user. A password
// file that is named but refused, or a credential that is there but cannot
// be read, ends the search with its reason: a source the user named is not
// passed over for another. None: the error names all four ways.
TPasswordFound FindRecorderPassword(const TPasswordSources& sources, const std::string& host, const std::string& user);

// Where the password came from, for the recorder's first log line:
// "QUILLMONT_PASSWORD", "the password file FILE", ...
std::string PasswordSourceText(const TPasswordSources& sources, TPasswordSource source);
