#pragma once
// Every file the programs write (pictures, tables, exports) goes through here,
// so that a failed write never costs the user the file that was there before.

#include <string>
#include <string_view>

// Replaces the file at path by bytes. The bytes go to a temporary file in the
// same folder, which is flushed to disk and then renamed over path, so a
// reader sees the old file or the new one, never a part of either. A symbolic
// link is followed and stays a link. A path that names something other than a
// regular file (a device such as /dev/null or /dev/stdout) is written in place.
// An existing file that the user may not write is refused ("Permission
// denied"), although the folder would let it be replaced.
//
// Answers false when anything fails, with reason set to the system's text
// ("No space left on device"); path is then untouched and no temporary file
// is left behind.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& reason);
