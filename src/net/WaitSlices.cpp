#include "net/WaitSlices.h"

std::optional<TWaitSlice> PlanWaitSlice(int timeout, int heartbeatRate, uint64_t done)
{
    if (timeout < -1)
        timeout = 0;
    const int rate = heartbeatRate > 0 ? heartbeatRate : 0;
    TWaitSlice slice;
    slice.StopCheck = done > 0;
    slice.Heartbeat = done > 0 && rate > 0;
    if (rate == 0) {
        if (done > 1)
            return std::nullopt;
        slice.Wait = done == 0 ? timeout : 0;
        return slice;
    }
    if (timeout == -1) {
        slice.Wait = rate;
        return slice;
    }
    const uint64_t wholeSlices = static_cast<uint64_t>(timeout / rate);
    if (done > wholeSlices)
        return std::nullopt;
    slice.Wait = done == 0 ? timeout % rate : rate;
    return slice;
}
