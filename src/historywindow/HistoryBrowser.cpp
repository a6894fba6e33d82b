#include "historywindow/HistoryBrowser.h"

#include "history/HistoryCsv.h"
#include "history/HistoryTime.h"
#include "monitor/HistoryDesign.h"

#include <algorithm>

namespace {

THistoryFilter PeriodFilter(int period, std::int64_t nowUtcMs)
{
    const int hours = design::HistoryPeriods[static_cast<std::size_t>(period)].Hours;
    return hours == 0 ? THistoryFilter::All() : THistoryFilter::Since(nowUtcMs - hours * 3600000LL);
}

std::string PeriodCaption(int period)
{
    return std::string(design::HistoryPeriods[static_cast<std::size_t>(period)].Caption);
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
    SetPeriod(fPeriod, nowUtcMs);
    return true;
}

void THistoryBrowser::SetPeriod(int period, std::int64_t nowUtcMs)
{
    fPeriod = std::clamp(period, 0, static_cast<int>(design::HistoryPeriods.size()) - 1);
    fFilter = PeriodFilter(fPeriod, nowUtcMs);
    fPlots = THistoryPlotData();
    if (!fStore.IsOpen())
        return;
    fListedCount = fStore.Count(fFilter);
    fModel.SetSource(&fStore, fFilter);
    DescribeList();
}

void THistoryBrowser::DescribeList()
{
    if (fListedCount < 0) {
        fMessage = fStore.LastError();
        return;
    }
    fMessage = Polls(fListedCount) + " (" + PeriodCaption(fPeriod) + ")";
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
    THistoryRecord record;
    if (!fStore.ReadRecord(fModel.SummaryAt(row).Id, record)) {
        fMessage = fStore.LastError();
        return false;
    }
    fMessage = "Poll of " + FormatLocalTime(record.TimeUtcMs).toStdString() + ": " + DescribeOutcome(record.Outcome);
    if (fOnPollChosen)
        fOnPollChosen(record);
    return true;
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
