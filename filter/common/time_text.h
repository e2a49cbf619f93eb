#pragma once
// Times typed on a command line ("90", "1:30", "1:02:03.5") and shown to a
// person ("1:02:03", "4:05").
#include <cstdint>
#include <string>

namespace pellaquin {

// Nanoseconds for SECONDS, MM:SS or HH:MM:SS (each with an optional
// fraction); false for anything else, a negative value included.
bool ParseTimeText(const std::string& text, int64_t* nanoseconds);

// M:SS below an hour, H:MM:SS from an hour on; negative times show as 0:00.
std::string FormatTime(int64_t nanoseconds);

}  // namespace pellaquin
