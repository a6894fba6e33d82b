#pragma once

#include <string>

// Telnet's port, used when the host text names none.
inline const std::string DefaultTelnetPort = "23";

struct THostPort {
    std::string Host;
    std::string Port;
};

// Splits the host text typed by the user into host and port:
// "host:port" and "[ipv6]:port" name a port; a plain host, "[ipv6]" and a bare
// IPv6 literal such as "::1" or "fe80::1" (more than one colon) use
// defaultPort, as does an empty port after the colon.
THostPort SplitHostPort(const std::string& text, const std::string& defaultPort = DefaultTelnetPort);

// A TCP port as the user may type it: plain decimal digits naming 1..65535.
bool IsValidPort(const std::string& port);

// Why HOST[:PORT] as given on a command line cannot be polled ("empty HOST",
// or the bad port), or "" when it can.
std::string HostOperandError(const std::string& host);
