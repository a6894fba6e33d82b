#pragma once

#include <stdexcept>
#include <string>

// A print that did not happen: no printer, or a printer that did not take
// the document. Shown to the user like any other failed command.
class EPrintError : public std::runtime_error {
public:
    explicit EPrintError(const std::string& message) : std::runtime_error(message) {}
};
