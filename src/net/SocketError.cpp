#include "net/SocketError.h"

ESocketError::ESocketError(const std::string& message, int errorCode, const std::string& errorMessage)
    : std::runtime_error(message), fErrorCode(errorCode), fErrorMessage(errorMessage)
{}

ESocketError ESocketError::FromCode(int errorCode, const std::string& description)
{
    return ESocketError("TCP/IP Socket error " + std::to_string(errorCode) + ": " + description, errorCode,
                        description);
}
