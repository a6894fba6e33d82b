#include "app/HostPort.h"

bool IsValidPort(const std::string& port)
{
    if (port.empty() || port.size() > 5)
        return false;
    int value = 0;
    for (char c : port) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= 65535;
}

THostPort SplitHostPort(const std::string& text, const std::string& defaultPort)
{
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close != std::string::npos) {
            std::string host = text.substr(1, close - 1);
            const std::string rest = text.substr(close + 1);
            if (rest.empty())
                return {host, defaultPort};
            if (rest.front() == ':') {
                std::string port = rest.substr(1);
                return {host, port.empty() ? defaultPort : port};
            }
        }
        // Unbalanced or followed by something other than ":port": not ours to fix.
        return {text, defaultPort};
    }

    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || text.find(':', colon + 1) != std::string::npos)
        return {text, defaultPort};
    std::string port = text.substr(colon + 1);
    return {text.substr(0, colon), port.empty() ? defaultPort : port};
}

std::string HostOperandError(const std::string& host)
{
    if (host.empty())
        return "empty HOST";
    const std::string port = SplitHostPort(host).Port;
    if (!IsValidPort(port))
        return "bad port \"" + port + "\" in " + host + " (a number from 1 to 65535)";
    return std::string();
}
