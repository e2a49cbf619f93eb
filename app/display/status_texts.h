// What the console and the window show for the engine's numbers: the texts
// and icons of camera statuses, the names of the automatic intervals.
#pragma once

#include <cstdint>

namespace velmora {

// Program text of a status (the window shows these) and an English gloss.
const char* status_text(std::int32_t status);
const char* status_english(std::int32_t status);
// Icon index of the camera list row for a status.
int status_icon(std::int32_t status);
// Setting-dialog text of an interval code ("" for unknown codes).
const char* interval_text(std::int32_t code);

}  // namespace velmora
