#include "recorder/MetricsEndpoint.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include "app/HostPort.h"

bool ParseMetricsEndpoint(const std::string& text, TMetricsEndpoint& endpoint, std::string& error)
{
    const std::string expected = " (PORT, IPV4:PORT or [IPV6]:PORT, the port from 1 to 65535)";
    TMetricsEndpoint read;
    std::string port = text;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find("]:");
        if (close == std::string::npos) {
            error = "bad metrics address \"" + text + "\"" + expected;
            return false;
        }
        read.Address = text.substr(1, close - 1);
        port = text.substr(close + 2);
        in6_addr address{};
        if (inet_pton(AF_INET6, read.Address.c_str(), &address) != 1) {
            error = "\"" + read.Address + "\" in --metrics " + text + " is not an IPv6 address";
            return false;
        }
    } else if (const std::size_t colon = text.find(':'); colon != std::string::npos) {
        if (text.find(':', colon + 1) != std::string::npos) {
            error = "an IPv6 address for --metrics goes in brackets, as in [::1]:9478";
            return false;
        }
        read.Address = text.substr(0, colon);
        port = text.substr(colon + 1);
        in_addr address{};
        if (inet_pton(AF_INET, read.Address.c_str(), &address) != 1) {
            error = "\"" + read.Address + "\" in --metrics " + text + " is not an IPv4 address" + expected;
            return false;
        }
    }
    if (!IsValidPort(port)) {
        error = "bad metrics port \"" + port + "\"" + expected;
        return false;
    }
    read.Port = std::stoi(port);
    endpoint = read;
    return true;
}

std::string MetricsEndpointText(const TMetricsEndpoint& endpoint)
{
    const bool ipv6 = endpoint.Address.find(':') != std::string::npos;
    return (ipv6 ? "[" + endpoint.Address + "]" : endpoint.Address) + ":" + std::to_string(endpoint.Port);
}
