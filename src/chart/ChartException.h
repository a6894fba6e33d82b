#pragma once

#include <stdexcept>
#include <string>

// Error raised by the chart engine when a property write is refused; the
// property keeps its old value.
class ChartException : public std::runtime_error {
public:
    explicit ChartException(const std::string& message) : std::runtime_error(message) {}
};
