#include "chart/ChartValueList.h"

#include "chart/ChartSeries.h"
#include "chart/CustomAxisPanel.h"

#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

TChartValueList::TChartValueList(TChartSeries* owner, const std::string& name) : fOwner(owner), fName(name) {}

void TChartValueList::ThrowIndexError(int index)
{
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

double TChartValueList::ValueAt(int index) const
{
    CheckIndex(index);
    return fValues[static_cast<std::size_t>(index)] * fMultiplier;
}

void TChartValueList::SetValueAt(int index, double value)
{
    CheckIndex(index);
    fValues[static_cast<std::size_t>(index)] = value;
    fStatsStale = true;
    if (fOwner)
        fOwner->NotifyLinked(slkModify, index);
}

void TChartValueList::ClearValueList()
{
    std::vector<double>().swap(fValues);  // release the storage too
    fStatsStale = true;
}

int TChartValueList::InsertSorted(double value)
{
    int index;
    const int count = ValueCount();
    if (fOrder == loNone || count == 0) {
        fValues.push_back(value);
        index = count;
    } else if (fOrder == loAscending) {
        if (!(value < fValues.back())) {
            fValues.push_back(value);
            index = count;
        } else {
            int i = count - 1;
            while (i >= 0 && value < fValues[static_cast<std::size_t>(i)])
                --i;
            index = i + 1;
            fValues.insert(fValues.begin() + index, value);
        }
    } else {
        if (!(value > fValues.back())) {
            fValues.push_back(value);
            index = count;
        } else {
            int i = count - 1;
            while (i >= 0 && value > fValues[static_cast<std::size_t>(i)])
                --i;
            index = i + 1;
            fValues.insert(fValues.begin() + index, value);
        }
    }
    fStatsStale = true;
    return index;
}

void TChartValueList::InsertAt(int index, double value)
{
    if (index < 0 || index > ValueCount())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    fValues.insert(fValues.begin() + index, value);
    fStatsStale = true;
}

void TChartValueList::DeleteAt(int index)
{
    CheckIndex(index);
    fValues.erase(fValues.begin() + index);
    fStatsStale = true;
}

void TChartValueList::ScrollValues()
{
    if (fValues.size() < 2)
        return;
    const double first = fValues.front();
    fValues.erase(fValues.begin());
    fValues.push_back(first);
    fStatsStale = true;
}

int TChartValueList::LocateValue(double value) const
{
    for (int i = 0; i < ValueCount(); ++i)
        if (fValues[static_cast<std::size_t>(i)] * fMultiplier == value)
            return i;
    return -1;
}

void TChartValueList::NumberSequentially()
{
    for (std::size_t i = 0; i < fValues.size(); ++i)
        fValues[i] = static_cast<double>(i);
    fStatsStale = true;
}

void TChartValueList::Exchange(int a, int b)
{
    CheckIndex(a);
    CheckIndex(b);
    std::swap(fValues[static_cast<std::size_t>(a)], fValues[static_cast<std::size_t>(b)]);
    fStatsStale = true;
}

void TChartValueList::SortValues()
{
    if (fOrder == loNone || ValueCount() < 2)
        return;
    QuickSort(0, ValueCount() - 1);
}

// Quicksort over point indices; swaps whole points of the owner so that they stay together.
void TChartValueList::QuickSort(int l, int r)
{
    while (l < r) {
        int i = l, j = r;
        int pivot = (l + r) / 2;
        const auto compare = [this](int a, int b) {
            const double va = ValueAt(a), vb = ValueAt(b);
            const int c = va < vb ? -1 : (va > vb ? 1 : 0);
            return fOrder == loDescending ? -c : c;
        };
        while (i <= j) {
            while (compare(i, pivot) < 0)
                ++i;
            while (compare(pivot, j) < 0)
                --j;
            if (i <= j) {
                if (i != j) {
                    if (fOwner)
                        fOwner->SwapPoints(i, j);
                    else
                        Exchange(i, j);
                    // Follow the pivot to its new place.
                    if (pivot == i)
                        pivot = j;
                    else if (pivot == j)
                        pivot = i;
                }
                ++i;
                --j;
            }
        }
        // Recurse into the smaller part, loop over the larger one.
        if (j - l < r - i) {
            QuickSort(l, j);
            l = i;
        } else {
            QuickSort(i, r);
            r = j;
        }
    }
}

void TChartValueList::RecalcStats() const
{
    if (!fStatsStale)
        return;
    if (fValues.empty()) {
        fHighest = fLowest = fSum = fAbsSum = 0.0;
    } else {
        const double first = ValueAt(0);
        fHighest = fLowest = fSum = first;
        fAbsSum = std::fabs(first);
        for (int i = 1; i < ValueCount(); ++i) {
            const double v = ValueAt(i);
            if (v < fLowest)
                fLowest = v;
            else if (v > fHighest)
                fHighest = v;
            fSum += v;
            fAbsSum += std::fabs(v);
        }
    }
    fStatsStale = false;
}

double TChartValueList::HighestValue() const
{
    RecalcStats();
    return fHighest;
}

double TChartValueList::LowestValue() const
{
    RecalcStats();
    return fLowest;
}

double TChartValueList::ValueSum() const
{
    RecalcStats();
    return fSum;
}

double TChartValueList::AbsValueSum() const
{
    RecalcStats();
    return fAbsSum;
}

void TChartValueList::SetDateTime(bool v)
{
    if (v == fDateTime)
        return;
    fDateTime = v;
    if (fOwner)
        fOwner->InvalidateChart();
}

void TChartValueList::SetMultiplier(double v)
{
    if (v == fMultiplier)
        return;
    fMultiplier = v;
    fStatsStale = true;
    if (fOwner) {
        fOwner->NotifyLinked(slkRefresh, -1);
        fOwner->InvalidateChart();
    }
}

void TChartValueList::SetValueSource(const std::string& v)
{
    if (v == fValueSource)
        return;
    fValueSource = v;
    // The field a list takes from the series' data source has changed.
    if (fOwner && fOwner->ParentChart())
        fOwner->ParentChart()->CheckDataSource(*fOwner);
}

void TChartValueList::Assign(const TChartValueList& o)
{
    fOrder = o.fOrder;
    fDateTime = o.fDateTime;
    fMultiplier = o.fMultiplier;
    fValueSource = o.fValueSource;
    fStatsStale = true;
}
