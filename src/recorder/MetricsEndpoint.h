#pragma once
// Where the recorder's metrics feed listens: an address literal and a port,
// as "--metrics [ADDRESS:]PORT" or recorder.conf's metrics key give them.

#include <string>

struct TMetricsEndpoint {
    // An IPv4 or IPv6 literal; loopback unless the user named another.
    std::string Address = "127.0.0.1";
    int Port = 0;

    bool operator==(const TMetricsEndpoint&) const = default;
};

// Reads "PORT" (on 127.0.0.1), "ADDRESS:PORT" with an IPv4 literal, or
// "[ADDRESS]:PORT" with an IPv6 literal ("[::1]:9478"; the brackets keep the
// port apart from the address). The port is plain decimal digits naming
// 1..65535. Host names are refused: the feed binds an address, and a name
// could stand for several. False, with error, for anything else.
bool ParseMetricsEndpoint(const std::string& text, TMetricsEndpoint& endpoint, std::string& error);

// "127.0.0.1:9478" or "[::1]:9478".
std::string MetricsEndpointText(const TMetricsEndpoint& endpoint);
