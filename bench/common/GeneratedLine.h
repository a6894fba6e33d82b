#pragma once
// Ninety days of one poll a minute on a line with the usual troubles, made up
// poll by poll from its number: a three-poll no-reply every 1000 polls, a
// five-poll line-down every 7919 polls followed by a resync onto another
// table, ten tones lost for twenty polls every 500 polls, a tone at the top
// of the band that flips between 0 and 1 bit, two hours without polls every
// 10,000 polls, and up to 1.5 s of jitter on the interval.

#include "app/LineEvents.h"

#include <array>
#include <cstdint>

class TGeneratedLine {
public:
    static constexpr int Polls = 90 * 24 * 60;
    // 2024-05-01T03:00:00Z.
    static constexpr std::int64_t StartUtcMs = 1714532400000LL;

    TGeneratedLine()
    {
        for (int table = 0; table < 4; ++table)
            for (int tone = 0; tone < ToneCount; ++tone) {
                const bool used = (tone >= 6 && tone <= 31) || (tone >= 38 && tone <= 450);
                fTables[table][tone] = used ? 2 + (tone * (7 + table) + table) % 11 : 0;
            }
    }

    // Poll n (0 <= n < Polls) into poll.
    void Fill(int n, TLinePoll& poll) const
    {
        poll.TimeUtcMs = StartUtcMs + 60000LL * n + (n / 10000) * 7200000LL + (n * 7919LL) % 1500;
        poll.Reading = n % 1000 < 500 || n % 1000 > 502;
        poll.Reason = poll.Reading ? "" : "connect failed: 10060 Connection timed out";
        if (!poll.Reading)
            return;
        if (n % 7919 < 5) {
            poll.Bits = ToneBits{};
            return;
        }
        poll.Bits = fTables[(n / 7919) % 4];
        if (n % 500 >= 100 && n % 500 < 120)
            for (int tone = 200; tone < 210; ++tone)
                poll.Bits[tone] = 0;
        poll.Bits[451] = n % 2;
    }

private:
    std::array<ToneBits, 4> fTables{};
};
