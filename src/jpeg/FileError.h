#pragma once

#include <stdexcept>
#include <string>

// Raised when a picture file cannot be written or read, with the file's name
// and the system's reason.
class EFileError : public std::runtime_error {
public:
    // "Cannot create file "<name>". <reason>"
    static EFileError CannotCreate(const std::string& fileName, const std::string& reason);
    // "Cannot open file "<name>". <reason>"
    static EFileError CannotOpen(const std::string& fileName, const std::string& reason);

    // getters
    const std::string& FileName() const { return fFileName; }

private:
    EFileError(const std::string& message, const std::string& fileName)
        : std::runtime_error(message), fFileName(fileName)
    {}

    std::string fFileName;
};

inline EFileError EFileError::CannotCreate(const std::string& fileName, const std::string& reason)
{
    return EFileError("Cannot create file \"" + fileName + "\". " + reason, fileName);
}

inline EFileError EFileError::CannotOpen(const std::string& fileName, const std::string& reason)
{
    return EFileError("Cannot open file \"" + fileName + "\". " + reason, fileName);
}
