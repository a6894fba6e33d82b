#pragma once

#include "chart/ChartEnums.h"

#include <string>
#include <vector>

class TChartSeries;

// One dimension of the points of a series (X, Y, ...). Every value read is the
// stored value times Multiplier. Statistics are computed lazily.
class TChartValueList {
public:
    // Registers itself in the owner's list of value lists (when an owner is given).
    TChartValueList(TChartSeries* owner, const std::string& name);
    virtual ~TChartValueList() = default;
    TChartValueList(const TChartValueList&) = delete;
    TChartValueList& operator=(const TChartValueList&) = delete;

    // --- values ------------------------------------------------------------------
    virtual double ValueAt(int index) const;  // throws std::out_of_range outside 0..count-1
    virtual void SetValueAt(int index, double value);
    virtual void ClearValueList();
    virtual int InsertSorted(double value);  // keeps Order; equal values go after existing ones
    virtual void InsertAt(int index, double value);
    virtual int ValueCount() const { return static_cast<int>(fValues.size()); }
    virtual void DeleteAt(int index);
    virtual void ScrollValues();  // first value moves to the end
    double LastValue() const { return ValueAt(ValueCount() - 1); }
    int LocateValue(double value) const;  // first index whose ValueAt equals value, or -1
    void NumberSequentially();            // value i = i
    void SortValues();                    // reorders all points of the owner by this list
    // Swaps the stored values at two indices (used by the owner's SwapPoints).
    void Exchange(int a, int b);
    const std::vector<double>& StoredValues() const { return fValues; }

    // --- statistics (recomputed when stale) ------------------------------------------
    double HighestValue() const;
    double LowestValue() const;
    double ValueSum() const;
    double AbsValueSum() const;
    bool StatsStale() const { return fStatsStale; }

    // --- properties ------------------------------------------------------------------
    bool DateTime() const { return fDateTime; }
    void SetDateTime(bool v);  // repaints the chart on a change
    const std::string& Name() const { return fName; }
    void SetName(const std::string& v) { fName = v; }
    double Multiplier() const { return fMultiplier; }
    void SetMultiplier(double v);  // on a change: stale statistics, dependents refresh, repaint
    TChartListOrder Order() const { return fOrder; }
    void SetOrder(TChartListOrder v) { fOrder = v; }  // does not re-sort
    const std::string& ValueSource() const { return fValueSource; }
    void SetValueSource(const std::string& v);  // the owner's chart re-checks its data source
    TChartSeries* Owner() const { return fOwner; }
    double PendingValue() const { return fPendingValue; }
    void SetPendingValue(double v) { fPendingValue = v; }

    // Takes Order, DateTime, Multiplier and ValueSource (not Name).
    virtual void Assign(const TChartValueList& other);

private:
    void RecalcStats() const;
    // Throws std::out_of_range outside 0..count-1 (the test inline, the throw not).
    void CheckIndex(int index) const
    {
        if (index < 0 || static_cast<std::size_t>(index) >= fValues.size())
            ThrowIndexError(index);
    }
    [[noreturn]] static void ThrowIndexError(int index);
    void QuickSort(int l, int r);

    TChartSeries* fOwner;
    std::string fName;
    std::vector<double> fValues;
    bool fDateTime = false;
    double fMultiplier = 1.0;
    TChartListOrder fOrder = loNone;
    std::string fValueSource;
    double fPendingValue = 0.0;

    mutable bool fStatsStale = true;
    mutable double fHighest = 0.0;
    mutable double fLowest = 0.0;
    mutable double fSum = 0.0;
    mutable double fAbsSum = 0.0;
};
