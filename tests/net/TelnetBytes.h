#pragma once

#include <initializer_list>
#include <string>

// A byte string from byte values, for writing telnet commands in tests.
inline std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (const int v : values)
        s += static_cast<char>(v);
    return s;
}
