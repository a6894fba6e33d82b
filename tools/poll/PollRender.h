#pragma once

#include <iosfwd>

#include "app/ToneBits.h"
#include "poll/PollArguments.h"

// Draws the monitor chart of the table into the PNG, SVG and JPEG files the
// arguments name, without a window (on the offscreen platform unless
// QT_QPA_PLATFORM names another). A GUI application is created for the
// drawing when the process has none. Failures go to err, one line each;
// false when a file was not written.
// Writes the evidence report (--report) or the waterfall picture
// (--waterfall) of the stored polls the arguments choose. False, with a line
// on err, when the store cannot be read or the file cannot be written.
bool RenderHistoryPictures(const TPollArguments& arguments, std::ostream& err);

bool RenderPollPictures(const ToneBits& bits, const TPollArguments& arguments, std::ostream& err);
