#pragma once

#include <stdexcept>
#include <string>

// Raised by the socket classes when RaiseExcept is set, and by a failed start
// of the socket interface.
class ESocketError : public std::runtime_error {
public:
    ESocketError(const std::string& message, int errorCode, const std::string& errorMessage);

    // Builds the error of a failed operation: "TCP/IP Socket error <code>: <text>".
    static ESocketError FromCode(int errorCode, const std::string& description);

    // getters
    int ErrorCode() const { return fErrorCode; }
    const std::string& ErrorMessage() const { return fErrorMessage; }

private:
    int fErrorCode;
    std::string fErrorMessage;
};
