#pragma once
// What the plots read of a period, read in time slices from the newest poll
// back to the oldest, so that a reader on a worker thread can say how far it
// has come and stop between two slices. Each slice holds about
// HistorySlicePolls polls, however densely the period was polled.

#include "history/HistoryStore.h"

#include <cstdint>
#include <functional>
#include <vector>

// Told after each slice: polls read so far and polls of the period (counted
// when the read began; done may pass it when polls are kept meanwhile).
using THistoryReadProgress = std::function<void(std::int64_t done, std::int64_t total)>;
// Asked before each slice; true stops the read, which then answers false.
using THistoryReadCancelled = std::function<bool()>;

inline constexpr int HistorySlicePolls = 2000;

// Time, total bits and outcome of every poll of the period, oldest first
// (what THistoryStore::ReadTotalBits gives). False when the store cannot be
// read (its LastError says why) or the read was cancelled.
bool ReadStoredTotalBits(THistoryStore& store, const THistoryFilter& filter, std::vector<TTotalBitsPoint>& points,
                         const THistoryReadProgress& progress = {}, const THistoryReadCancelled& cancelled = {});

// The changes per tone between consecutive captured polls of the period
// (ToneCount numbers, what TToneChangeCounter gives fed every record oldest
// first). Records whose values are refused are left out and counted in
// refused. False when the store cannot be read or the read was cancelled.
// visit, when set, is given every record read (slices newest first, each
// oldest first inside), so that other views are built in the same pass.
bool CountStoredToneChanges(THistoryStore& store, const THistoryFilter& filter,
                            std::vector<std::int64_t>& changesPerTone, const THistoryReadProgress& progress = {},
                            const THistoryReadCancelled& cancelled = {}, std::int64_t* refused = nullptr,
                            const THistoryStore::TRecordVisitor& visit = {});
