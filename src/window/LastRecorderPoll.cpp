#include "window/LastRecorderPoll.h"

#include "history/HistoryStore.h"
#include "history/HistoryTime.h"
#include "text/QtText.h"

#include <QFileInfo>
#include <algorithm>
#include <vector>

namespace {

// Rows read from the store at a time.
constexpr int PageRows = 250;

}  // namespace

TLastRecorderPoll FindLastRecorderPoll(const QString& storePath, int maxRows)
{
    TLastRecorderPoll found;
    if (!QFileInfo::exists(storePath))
        return found;  // nothing has been kept yet
    THistoryStore store;
    THistoryStoreOptions options;
    options.ReadOnly = true;
    if (!store.Open(storePath, options)) {
        found.Kind = TLastRecorderPoll::TKind::lpUnreadable;
        found.Why = store.LastError();
        return found;
    }
    std::vector<THistorySummary> page;
    THistoryPageKey after;
    bool first = true;
    while (found.RowsLookedAt < maxRows) {
        const int limit = std::min(PageRows, maxRows - found.RowsLookedAt);
        if (!store.ReadPage(THistoryFilter::All(), first ? nullptr : &after, limit, page)) {
            found.Kind = TLastRecorderPoll::TKind::lpUnreadable;
            found.Why = store.LastError();
            return found;
        }
        first = false;
        for (const THistorySummary& poll : page) {
            ++found.RowsLookedAt;
            if (poll.Origin == TPollOrigin::poRecorder) {
                found.Kind = TLastRecorderPoll::TKind::lpFound;
                found.TimeUtcMs = poll.TimeUtcMs;
                return found;
            }
        }
        if (static_cast<int>(page.size()) < limit)
            return found;  // the oldest poll has been seen: not yet
        after = {page.back().TimeUtcMs, page.back().Id};
    }
    found.Kind = TLastRecorderPoll::TKind::lpNotAmongNewest;
    return found;
}

QString LastRecorderPollText(const TLastRecorderPoll& poll)
{
    const QString lead = QStringLiteral("Last poll by the recorder: ");
    switch (poll.Kind) {
    case TLastRecorderPoll::TKind::lpFound:
        return lead + FormatLocalTime(poll.TimeUtcMs);
    case TLastRecorderPoll::TKind::lpNotYet:
        return lead + QStringLiteral("not yet");
    case TLastRecorderPoll::TKind::lpNotAmongNewest:
        return lead + QStringLiteral("not among the newest %1 polls").arg(poll.RowsLookedAt);
    case TLastRecorderPoll::TKind::lpUnreadable:
        break;
    }
    return lead + QStringLiteral("unknown (the line history cannot be read: %1)").arg(QStringFromUtf8(poll.Why));
}
