#include <benchmark/benchmark.h>

#include "app/RouterPoll.h"
#include "routersim/RouterProfile.h"
#include "routersim/RouterSimulator.h"

namespace {

// A whole poll of the simulator on loopback: connect, negotiation, login,
// command, reply, close, and the cut of the reply. The simulator answers at
// once, so this measures the dialogue, not any time-out.
void BM_PollSimulator(benchmark::State& state)
{
    TRouterSimulator simulator(TRouterSimulatorSettings{});
    const std::string host = "127.0.0.1:" + std::to_string(simulator.Start());
    TReplyBuffer buffer;
    ToneBits bits{};
    for (auto _ : state) {
        const TPollOutcome outcome = FetchReply(host, "Administrator", "", buffer);
        if (!outcome.Captured) {
            state.SkipWithError("poll failed");
            break;
        }
        ParseReply(buffer, bits);
        benchmark::DoNotOptimize(bits);
    }
}
BENCHMARK(BM_PollSimulator)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The cut of a realistic reply into the tone table.
void BM_ParseReply(benchmark::State& state)
{
    TReplyBuffer filled;
    filled.Append(BitLoadingCommand);
    filled.Append(BitLoadingReplyText(SimulatedBitLoading(1, 0)) + "{Administrator}");
    ToneBits bits{};
    for (auto _ : state) {
        TReplyBuffer buffer = filled;
        ParseReply(buffer, bits);
        benchmark::DoNotOptimize(bits);
    }
}
BENCHMARK(BM_ParseReply)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
