#pragma once
// The router simulator as the poll tests use it: started on a free loopback
// port when the test starts, stopped when it ends, with the host text that
// reaches it ("127.0.0.1:PORT").

#include "routersim/RouterSimulator.h"

#include <cstdint>
#include <string>
#include <utility>

class TSimulatedRouter {
public:
    explicit TSimulatedRouter(const TRouterSimulatorSettings& settings = {})
        : fSimulator(settings), fHost("127.0.0.1:" + std::to_string(fSimulator.Start()))
    {}

    // A simulator with this password and bit-loading seed that lets a client
    // try to log in maxLoginAttempts times.
    static TRouterSimulatorSettings Settings(std::string password, std::uint32_t seed,
                                             int maxLoginAttempts = TRouterSimulatorSettings{}.MaxLoginAttempts)
    {
        TRouterSimulatorSettings settings;
        settings.Password = std::move(password);
        settings.Seed = seed;
        settings.MaxLoginAttempts = maxLoginAttempts;
        return settings;
    }

    // --- getters ---------------------------------------------------------------------------------
    const std::string& Host() const { return fHost; }
    TRouterSimulator* operator->() { return &fSimulator; }
    TRouterSimulator& operator*() { return fSimulator; }

private:
    // --- data ------------------------------------------------------------------------------------
    TRouterSimulator fSimulator;
    std::string fHost;
};
