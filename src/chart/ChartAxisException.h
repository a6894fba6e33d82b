#pragma once

#include "chart/ChartException.h"

// Error raised by an axis property writer.
class ChartAxisException : public ChartException {
public:
    explicit ChartAxisException(const std::string& message) : ChartException(message) {}
};
