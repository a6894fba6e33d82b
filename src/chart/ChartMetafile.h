#pragma once

#include <QByteArray>

// A recorded vector picture of a chart (SVG standing in for an enhanced
// metafile). Owned by whoever asked for it.
struct TChartMetafile {
    QByteArray Svg;  // the recording
    int Width = 1;   // pixels
    int Height = 1;  // pixels
    bool Enhanced = true;
};
