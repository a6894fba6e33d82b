#pragma once
// What the metrics feed's server grants each client. Qt HTTP Server 6.4 sets
// no bounds of its own: it keeps an idle connection open for ever, reads a
// request line, headers or body of any size into memory (twice over: its
// socket's transaction and its parser's copy), and queues answers for a client
// that does not read them without limit. These bounds keep a slow or hostile
// client from holding memory or connections beyond them; none of them can
// stall a poll, which only ever takes the feed's lock for a copy.

#include <cstdint>

struct TMetricsLimits {
    // Connections open at once; one more is closed as soon as it is accepted.
    int MaxConnections = 16;
    // Each request must have arrived whole within this time of the connection
    // or of the answer before it; the connection is closed otherwise. A
    // scraper sends its request at once and reconnects after an idle
    // connection was closed.
    int RequestTimeoutMs = 10000;
    // A request (request line, headers and any body) of this size or more is
    // not read further and its connection is closed. A scrape takes a few
    // hundred bytes.
    std::int64_t MaxRequestBytes = 64 * 1024;
    // Answer bytes not yet taken by the client beyond which the next request
    // closes the connection instead of being answered (an answer is about
    // 50 KB; only a client that sends requests without reading the answers
    // gets there).
    std::int64_t MaxUnsentBytes = 1024 * 1024;
};
