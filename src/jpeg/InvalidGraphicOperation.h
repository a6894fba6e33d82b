#pragma once

#include <stdexcept>
#include <string>

// Raised when a picture is asked for something its kind cannot do, such as
// resizing a JPEG image.
class EInvalidGraphicOperation : public std::runtime_error {
public:
    explicit EInvalidGraphicOperation(const std::string& message) : std::runtime_error(message) {}
};
