#pragma once

#include <stdexcept>

// Raised when the JPEG library gives up on a picture: "JPEG error #<code>",
// the code being the library's message number (jerror.h).
class EJPEG : public std::runtime_error {
public:
    explicit EJPEG(int code);

    // getters
    int Code() const { return fCode; }

private:
    int fCode;
};
