#pragma once
// Hostile JPEG files made with the library itself: small files that ask the
// decoder for a great deal of work.

#include "BareJPEG.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace hostile {

// A flat grey progressive picture (the library's standard scan script, its
// default quality of 75).
inline std::string ProgressiveGrey(int width, int height)
{
    return bare::CompressRgbRows(width, height, 75, true,
                                 [&](int, std::uint8_t* row) { std::fill(row, row + 3 * width, 128); });
}

// The file with its last scan (a pass over every block of the picture's
// brightness) repeated extra times before the end marker; "" when the file
// has no scan to repeat.
inline std::string RepeatLastScan(const std::string& file, int extra)
{
    const std::size_t lastScan = file.rfind("\xFF\xDA");
    if (lastScan == std::string::npos || file.size() < lastScan + 2)
        return {};
    const std::string scan = file.substr(lastScan, file.size() - 2 - lastScan);
    std::string out = file.substr(0, file.size() - 2);
    out.reserve(out.size() + scan.size() * static_cast<std::size_t>(extra) + 2);
    for (int i = 0; i < extra; ++i)
        out += scan;
    out += "\xFF\xD9";
    return out;
}

// 7000 x 7000 pixels, just under the decoder's picture limit, in the usual
// ten scans: 6 128 502 blocks decoded in all.
inline const std::string& Largest()
{
    static const std::string file = ProgressiveGrey(7000, 7000);
    return file;
}

// The same with its last scan repeated 480 times: 490 scans, under the
// decoder's scan limit, each extra one a pass over the picture's 765 625
// brightness blocks (373 628 502 blocks in all).
inline const std::string& RepeatedScans7000()
{
    static const std::string file = RepeatLastScan(Largest(), 480);
    return file;
}

}  // namespace hostile
