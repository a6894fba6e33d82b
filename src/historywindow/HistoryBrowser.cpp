#include "historywindow/HistoryBrowser.h"

#include "history/HistoryCsv.h"
#include "history/HistoryTime.h"
#include "monitor/HistoryDesign.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace {

THistoryFilter PeriodFilter(int period, std::int64_t nowUtcMs)
{
    const int hours = design::HistoryPeriods[static_cast<std::size_t>(period)].Hours;
    return hours == 0 ? THistoryFilter::All() : THistoryFilter::Since(nowUtcMs - hours * 3600000LL);
}

std::string Polls(std::int64_t n)
{
    return std::to_string(n) + (n == 1 ? " poll" : " polls");
}

}  // namespace

THistoryBrowser::THistoryBrowser(const QString& storePath)
    : fStorePath(storePath), fPeriod(design::HistoryDefaultPeriod)
{
    fModel.SetPageSize(design::HistoryPageSize);
}

bool THistoryBrowser::Reload(std::int64_t nowUtcMs)
{
    THistoryStoreOptions options;
    options.ReadOnly = true;
    fModel.SetSource(nullptr, THistoryFilter::All());
    if (!fStore.Open(fStorePath, options)) {
        fMessage = fStore.LastError();
        fListedCount = -1;
        fPlots = THistoryPlotData();
        return false;
    }
    if (fPeriod == CustomPeriod)
        ListFilter();
    else
        SetPeriod(fPeriod, nowUtcMs);
    return true;
}

void THistoryBrowser::SetPeriod(int period, std::int64_t nowUtcMs)
{
    fPeriod = std::clamp(period, 0, static_cast<int>(design::HistoryPeriods.size()) - 1);
    fFilter = PeriodFilter(fPeriod, nowUtcMs);
    ListFilter();
}

void THistoryBrowser::SetRange(std::int64_t fromUtcMs, std::int64_t toUtcMs)
{
    if (toUtcMs < fromUtcMs)
        std::swap(fromUtcMs, toUtcMs);
    // Within years 1970 to 9999, and never empty.
    constexpr std::int64_t lastUtcMs = 253402300799999;
    fromUtcMs = std::clamp<std::int64_t>(fromUtcMs, 0, lastUtcMs - 1000);
    toUtcMs = std::clamp<std::int64_t>(toUtcMs, fromUtcMs + 1000, lastUtcMs);
    fPeriod = CustomPeriod;
    fFilter = THistoryFilter{true, fromUtcMs, true, toUtcMs};
    ListFilter();
}

void THistoryBrowser::ListFilter()
{
    fPlots = THistoryPlotData();
    if (!fStore.IsOpen())
        return;
    fListedCount = fStore.Count(fFilter);
    fModel.SetSource(&fStore, fFilter);
    DescribeList();
}

std::string THistoryBrowser::PeriodText() const
{
    if (fPeriod != CustomPeriod)
        return std::string(design::HistoryPeriods[static_cast<std::size_t>(fPeriod)].Caption);
    return "from " + FormatLocalTime(fFilter.SinceUtcMs).toStdString() + " to " +
           FormatLocalTime(fFilter.UntilUtcMs).toStdString();
}

std::int64_t THistoryBrowser::AxisFromUtcMs() const
{
    if (fFilter.HasSince)
        return fFilter.SinceUtcMs;
    if (!fPlots.TotalBits.empty())
        return fPlots.TotalBits.front().TimeUtcMs;
    return AxisToUtcMs() - 3600000;
}

std::int64_t THistoryBrowser::AxisToUtcMs() const
{
    if (fFilter.HasUntil)
        return fFilter.UntilUtcMs;
    if (!fPlots.TotalBits.empty())
        // At least a second, so that one poll still has an axis.
        return std::max(fPlots.TotalBits.back().TimeUtcMs,
                        (fFilter.HasSince ? fFilter.SinceUtcMs : fPlots.TotalBits.front().TimeUtcMs) + 1000);
    return fFilter.HasSince ? fFilter.SinceUtcMs + 3600000 : 3600000;
}

void THistoryBrowser::DescribeList()
{
    if (fListedCount < 0) {
        fMessage = fStore.LastError();
        return;
    }
    fMessage = Polls(fListedCount) + " (" + PeriodText() + ")";
    if (fListedCount == 0 && fFilter.HasSince) {
        const std::int64_t all = fStore.Count(THistoryFilter::All());
        if (all > 0)
            fMessage += ", " + std::to_string(all) + " in all";
    }
    if (!fStore.Notice().empty())
        fMessage += ". " + fStore.Notice();
}

bool THistoryBrowser::ComputePlots()
{
    fPlots = THistoryPlotData();
    if (!fStore.IsOpen())
        return false;
    THistoryPlotData data;
    std::string error;
    if (!ReadHistoryPlotData(fStore, fFilter, data, error)) {
        PlotsFailed(error);
        return false;
    }
    SetPlots(data);
    return true;
}

void THistoryBrowser::SetPlots(const THistoryPlotData& data)
{
    fPlots = data;
    if (fPlots.Refused > 0) {
        DescribeList();
        fMessage += "; " + Polls(fPlots.Refused) + " with unreadable values left out of the change count";
    }
}

void THistoryBrowser::PlotsFailed(const std::string& why)
{
    fPlots = THistoryPlotData();
    fMessage = why;
}

bool THistoryBrowser::Choose(int row)
{
    if (row < 0 || row >= fModel.FetchedRows())
        return false;
    return ChooseId(fModel.SummaryAt(row).Id);
}

bool THistoryBrowser::ChooseId(std::int64_t id)
{
    THistoryRecord record;
    if (!fStore.ReadRecord(id, record)) {
        fMessage = fStore.LastError();
        return false;
    }
    fMessage = "Poll of " + FormatLocalTime(record.TimeUtcMs).toStdString() + ": " + DescribeOutcome(record.Outcome);
    if (fOnPollChosen)
        fOnPollChosen(record);
    return true;
}

bool THistoryBrowser::ReadPair(std::int64_t firstId, std::int64_t secondId, THistoryRecord& older,
                               THistoryRecord& newer)
{
    if (!fStore.ReadRecord(firstId, older) || !fStore.ReadRecord(secondId, newer)) {
        fMessage = fStore.LastError();
        return false;
    }
    if (std::make_pair(newer.TimeUtcMs, newer.Id) < std::make_pair(older.TimeUtcMs, older.Id))
        std::swap(older, newer);
    return true;
}

THistoryBrowser::TPollsAround THistoryBrowser::PollsAround(const TLineEvent& event) const
{
    TPollsAround around;
    const std::vector<TTotalBitsPoint>& points = fPlots.TotalBits;
    // Oldest first: the first poll after the start, and the first at or after the end.
    const auto byTime = [](const TTotalBitsPoint& p, std::int64_t t) { return p.TimeUtcMs < t; };
    auto afterStart = std::upper_bound(points.begin(), points.end(), event.StartUtcMs,
                                       [](std::int64_t t, const TTotalBitsPoint& p) { return t < p.TimeUtcMs; });
    for (auto it = afterStart; it != points.begin();) {
        --it;
        if (it->Captured) {
            around.BeforeId = it->Id;
            break;
        }
    }
    for (auto it = std::lower_bound(points.begin(), points.end(), event.EndUtcMs, byTime); it != points.end(); ++it)
        if (it->Captured) {
            around.AfterId = it->Id;
            break;
        }
    return around;
}

bool THistoryBrowser::Export(const std::vector<int>& rows, const std::string& path)
{
    THistoryExport result;
    bool ok = false;
    if (rows.empty()) {
        ok = ExportHistoryCsv(fStore, fFilter, path, result);
    } else {
        std::vector<std::int64_t> ids;
        for (int row : rows)
            if (row >= 0 && row < fModel.FetchedRows())
                ids.push_back(fModel.SummaryAt(row).Id);
        ok = ExportHistoryCsv(fStore, ids, path, result);
    }
    if (!ok) {
        fMessage = result.Error;
        return false;
    }
    fMessage = "Exported " + Polls(result.Written) + " to " + path;
    if (!result.Refused.empty())
        fMessage += "; left out " + Polls(static_cast<std::int64_t>(result.Refused.size())) + ": " +
                    result.Refused.front() + (result.Refused.size() > 1 ? " ..." : "");
    return true;
}
