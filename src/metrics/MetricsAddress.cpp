#include "metrics/MetricsAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include "app/HostPort.h"
#include "text/QtText.h"

#include <QHostAddress>

namespace {

// 1..65535 in decimal digits only.
bool ParsePort(std::string_view text, int& port)
{
    if (!IsValidPort(std::string(text)))
        return false;
    port = std::stoi(std::string(text));
    return true;
}

}  // namespace

bool IsNumericIpAddress(std::string_view text)
{
    if (text.empty() || text.find_first_of(" \t\r\n[]") != std::string_view::npos)
        return false;
    // IPv4 only in its full dotted form: "1.2.3" or "127.1" (which older
    // parsers take for 1.2.0.3 and 127.0.0.1) are refused, so the feed never
    // binds an address the user did not write.
    if (text.find(':') == std::string_view::npos) {
        in_addr v4{};
        return inet_pton(AF_INET, std::string(text).c_str(), &v4) == 1;
    }
    // IPv6, a scope ("fe80::1%lo") included.
    QHostAddress address;
    return address.setAddress(QStringFromUtf8(text)) && address.protocol() == QAbstractSocket::IPv6Protocol;
}

bool ParseMetricsAddress(std::string_view text, TMetricsAddress& address, std::string& error)
{
    const std::string quoted = "\"" + std::string(text) + "\"";
    TMetricsAddress parsed;
    std::string_view host;
    std::string_view port = text;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find("]:");
        if (close == std::string_view::npos) {
            error = quoted + " is not [ADDRESS:]PORT: an address in brackets needs \":PORT\" after it";
            return false;
        }
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
        if (host.find(':') == std::string_view::npos || !IsNumericIpAddress(host)) {
            error = quoted + " is not [ADDRESS:]PORT: \"" + std::string(host) + "\" is not an IPv6 address";
            return false;
        }
    } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        if (text.find(':') != colon) {
            error = quoted + " is not [ADDRESS:]PORT: write an IPv6 address in brackets, as in [::1]:9478";
            return false;
        }
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (!IsNumericIpAddress(host)) {
            error = quoted + " is not [ADDRESS:]PORT: \"" + std::string(host) +
                    "\" is not an IP address (such as 127.0.0.1, 0.0.0.0 or [::1])";
            return false;
        }
    }
    if (!ParsePort(port, parsed.Port)) {
        error = quoted + " is not [ADDRESS:]PORT: the port \"" + std::string(port) + "\" is not a number 1..65535";
        return false;
    }
    parsed.Address = std::string(host);
    address = parsed;
    return true;
}
