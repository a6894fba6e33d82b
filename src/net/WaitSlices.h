#pragma once

#include <cstdint>
#include <optional>

// One slice of a wait for a socket event.
struct TWaitSlice {
    int Wait = 0;            // milliseconds to wait; -1 = without limit
    bool Heartbeat = false;  // the heartbeat handler runs before this slice
    bool StopCheck = false;  // StopFlag is looked at before this slice
};

// Plans slice number `done` (0 = the first) of a wait of `timeout` ms with
// heartbeats every `heartbeatRate` ms, or std::nullopt once the slices are
// used up (the wait has timed out). Every slice after the first checks
// StopFlag and, with heartbeats, runs the heartbeat first.
//
// With heartbeats (a rate above 0) the time-out is cut into a first part of
// (timeout mod rate) ms and then timeout / rate whole slices, which add up to
// exactly the time-out; a time-out of -1 gives whole slices without end.
// Without heartbeats (a rate of 0 or below) the whole time-out is waited and
// followed by one more check that does not wait. A time-out below -1 counts
// as 0.
std::optional<TWaitSlice> PlanWaitSlice(int timeout, int heartbeatRate, uint64_t done);
