// quillmont-routersim: a router stand-in on loopback for trying the monitor
// without a router. Prints the port it listens on as the first line of
// standard output, then serves until it receives SIGINT or SIGTERM. At most
// --max-clients connections (64 by default) are served at once.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include "routersim/RouterSimulator.h"

namespace {

const char Usage[] =
    "usage: quillmont-routersim [--port N] [--user U] [--password P] [--seed S] [--bind 127.0.0.1|::1]\n"
    "                           [--max-clients N] [--stall-after N]\n"
    "  --stall-after N  answer the bit-loading command N times, then never again (a router that hangs)\n";

bool ParseNumber(const char* text, unsigned long max, unsigned long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtoul(text, &end, 10);
    return *text >= '0' && *text <= '9' && *end == '\0' && errno == 0 && value <= max;
}

}  // namespace

int main(int argc, char** argv)
{
    TRouterSimulatorSettings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::cout << Usage;
            return 0;
        }
        if (i + 1 >= argc) {
            std::cerr << Usage;
            return 2;
        }
        const char* value = argv[++i];
        unsigned long number = 0;
        if (option == "--port" && ParseNumber(value, 65535, number)) {
            settings.Port = static_cast<uint16_t>(number);
        } else if (option == "--seed" && ParseNumber(value, 0xFFFFFFFFul, number)) {
            settings.Seed = static_cast<uint32_t>(number);
        } else if (option == "--max-clients" && ParseNumber(value, 65535, number) && number >= 1) {
            settings.MaxClients = static_cast<int>(number);
        } else if (option == "--stall-after" && ParseNumber(value, 0x7FFFFFFFul, number)) {
            settings.StallAfterReplies = static_cast<int>(number);
        } else if (option == "--user") {
            settings.User = value;
        } else if (option == "--password") {
            settings.Password = value;
        } else if (option == "--bind") {
            settings.BindAddress = value;
        } else {
            std::cerr << Usage;
            return 2;
        }
    }

    // Block the stop signals before any thread starts, so that only sigwait sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    TRouterSimulator simulator(settings);
    try {
        const uint16_t port = simulator.Start();
        std::printf("%u\n", static_cast<unsigned>(port));
        std::fflush(stdout);
    } catch (const std::exception& error) {
        std::cerr << "quillmont-routersim: " << error.what() << '\n';
        return 1;
    }

    int received = 0;
    sigwait(&stopSignals, &received);
    simulator.Stop();
    return 0;
}
