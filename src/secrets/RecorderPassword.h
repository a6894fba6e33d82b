#pragma once
// The background recorder's router password in the Secret Service: written
// by the window's "Record in the background..." dialog, read by the
// recorder. One entry per router login, under the service
// "quillmont-monitor" and the key "recorder/USER@HOST".

#include "secrets/Keychain.h"

#include <string>

// The service every entry of the monitor is kept under.
inline constexpr char RecorderSecretService[] = "quillmont-monitor";

// "recorder/USER@HOST", the host as the recorder is given it (with its port, if any).
std::string RecorderPasswordKey(const std::string& host, const std::string& user);

// The password of user at host. False, with why (no Secret Service
// answering, no such entry, ...), when there is none to be had; waits at most
// TKeychain::DefaultTimeoutMs.
bool ReadRecorderPassword(const std::string& host, const std::string& user, std::string& password, std::string& why);

// Puts the password of user at host into the Secret Service, replacing the one there.
TSecretResult WriteRecorderPassword(const std::string& host, const std::string& user, const std::string& password,
                                    std::string& why, int timeoutMs = TKeychain::DefaultTimeoutMs);

// Removes the password of user at host.
TSecretResult DeleteRecorderPassword(const std::string& host, const std::string& user, std::string& why,
                                     int timeoutMs = TKeychain::DefaultTimeoutMs);
