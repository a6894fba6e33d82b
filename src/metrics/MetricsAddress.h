#pragma once
// Where the metrics feed listens, as written after --metrics or in the
// recorder's settings: "[ADDRESS:]PORT".
//   "9478"             port 9478 on the loopback address (Address empty)
//   "127.0.0.1:9478"   an IPv4 address
//   "0.0.0.0:9478"     every IPv4 address of the machine
//   "[::1]:9478"       an IPv6 address, always in brackets
// The address must be a numeric IP address (no host names: which address a
// name stands for is not for the feed to guess); the port a decimal number
// 1..65535. Nothing else is accepted: no blanks, no sign, no empty address
// before a colon.

#include <string>
#include <string_view>

struct TMetricsAddress {
    // The IP address without brackets, empty for the loopback address.
    std::string Address;
    int Port = 0;
};

// False, with error saying why, when text is not of that form.
bool ParseMetricsAddress(std::string_view text, TMetricsAddress& address, std::string& error);

// Whether text is a numeric IPv4 or IPv6 address (an IPv6 one without brackets).
bool IsNumericIpAddress(std::string_view text);
