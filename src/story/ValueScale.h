#pragma once
// A value axis fitted to the data, not from zero.

struct TValueScale {
    double Min = 0;
    double Max = 1;
    // Between two labels: 1, 2 or 5 times a power of ten.
    double Step = 1;
    // Decimals the labels need to show the step.
    int Decimals = 0;
};

// The scale for values from lowest to highest on an axis of lengthPx pixels
// whose labels take labelExtentPx each along it: Min <= lowest, Max >=
// highest, both multiples of Step, and the labels (one per step) never
// overlap. A flat series gets a range around its value, so that a dip of a
// few bits out of thousands still shows.
TValueScale FitValueScale(double lowest, double highest, int lengthPx, int labelExtentPx);
