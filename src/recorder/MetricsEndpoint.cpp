#include "recorder/MetricsEndpoint.h"

#include "metrics/MetricsAddress.h"

bool ParseMetricsEndpoint(const std::string& text, TMetricsEndpoint& endpoint, std::string& error)
{
    TMetricsAddress parsed;
    if (!ParseMetricsAddress(text, parsed, error))
        return false;
    endpoint.Address = parsed.Address.empty() ? "127.0.0.1" : parsed.Address;
    endpoint.Port = parsed.Port;
    return true;
}

std::string MetricsEndpointText(const TMetricsEndpoint& endpoint)
{
    const bool ipv6 = endpoint.Address.find(':') != std::string::npos;
    return (ipv6 ? "[" + endpoint.Address + "]" : endpoint.Address) + ":" + std::to_string(endpoint.Port);
}
