// Throughput of the telnet command filter on the kinds of input a router
// sends: plain text, text with doubled 255 bytes, and negotiation-heavy
// streams where most bytes are commands that must be answered.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "net/TelnetFilter.h"

namespace {

std::string PlainText(std::size_t size)
{
    const std::string line = "  17    3    4    5    6    7    8    9   10   11   12   13   14   15   16\r\n";
    std::string s;
    while (s.size() < size)
        s += line;
    s.resize(size);
    return s;
}

std::string WithDoubledIAC(std::size_t size)
{
    std::string s;
    while (s.size() < size) {
        s += "bits \xff\xff ";
    }
    s.resize(size);
    return s;
}

std::string NegotiationHeavy(std::size_t size)
{
    // A login banner's worth of options, repeated.
    const std::string block = std::string("\xff\xfd\x18\xff\xfb\x01\xff\xfb\x03\xff\xfd\x1f\xff\xfe\x05", 15) +
                              std::string("\xff\xfa\x18\x01\xff\xf0", 6) + "ok" +
                              std::string("\xff\xfa\x1f\x00\x50\x00\x18\xff\xf0", 9) + "\r\n";
    std::string s;
    while (s.size() < size)
        s += block;
    s.resize(size);
    return s;
}

void RunFilter(benchmark::State& state, const std::string& input)
{
    const std::size_t chunk = static_cast<std::size_t>(state.range(0));
    std::size_t replies = 0;
    const TTelnetFilter::TReplySink sink = [&replies](const std::string&) { ++replies; };
    TTelnetFilter filter;
    std::string output;
    output.reserve(chunk);
    for (auto _ : state) {
        for (std::size_t pos = 0; pos < input.size(); pos += chunk) {
            output.clear();
            filter.Process(input.data() + pos, std::min(chunk, input.size() - pos), output, sink);
            benchmark::DoNotOptimize(output.data());
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(input.size()));
    state.counters["replies/iter"] =
        benchmark::Counter(static_cast<double>(replies) / static_cast<double>(state.iterations()));
}

void BM_FilterPlainText(benchmark::State& state)
{
    static const std::string input = PlainText(1 << 20);
    RunFilter(state, input);
}

void BM_FilterDoubledIAC(benchmark::State& state)
{
    static const std::string input = WithDoubledIAC(1 << 20);
    RunFilter(state, input);
}

void BM_FilterNegotiationHeavy(benchmark::State& state)
{
    static const std::string input = NegotiationHeavy(1 << 20);
    RunFilter(state, input);
}

}  // namespace

// Chunk sizes: a typical prompt-sized read and the largest single read.
BENCHMARK(BM_FilterPlainText)->Arg(1460)->Arg(65536);
BENCHMARK(BM_FilterDoubledIAC)->Arg(1460)->Arg(65536);
BENCHMARK(BM_FilterNegotiationHeavy)->Arg(1460)->Arg(65536);

BENCHMARK_MAIN();
