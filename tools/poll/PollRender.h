#pragma once

#include <iosfwd>

#include "app/ToneBits.h"
#include "history/HistoryStore.h"
#include "poll/PollArguments.h"

// Draws the monitor chart of the table into the PNG, SVG and JPEG files the
// arguments name, without a window (on the offscreen platform unless
// QT_QPA_PLATFORM names another). A GUI application is created for the
// drawing when the process has none. Failures go to err, one line each;
// false when a file was not written.
// Writes the evidence report (--report) or the waterfall picture
// (--waterfall) of the stored polls the arguments choose. False, with a line
// on err, when the store cannot be read or the file cannot be written.
bool RenderHistoryPictures(THistoryStore& store, const THistoryFilter& filter, const TPollArguments& arguments,
                           std::ostream& err);

bool RenderPollPictures(const ToneBits& bits, const TPollArguments& arguments, std::ostream& err);

class TWaterfallGrid;

// Draws the waterfall of grid at the arguments' size into the PNG of
// --waterfall, in the local time zone, written whole or not at all.
// Failures go to err; false when the file was not written.
bool RenderWaterfallPicture(const TWaterfallGrid& grid, const TPollArguments& arguments, std::ostream& err);
