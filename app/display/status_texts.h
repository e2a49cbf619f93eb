// What the console and the window show for the engine's numbers: the texts
// and icons of camera statuses, the names of the automatic intervals, the
// kind of a camera. The program's own texts are the Chinese ones; these
// functions return them in the user's language (see translation.h).
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace velmora {

// Every status a camera can show, in the order of their texts.
std::vector<std::int32_t> shown_statuses();
// Text of a status; empty for a camera that never ran (idle).
QString status_label(std::int32_t status);
// Icon index of a camera list row (0 idle, 1 synchronising, 2 stopped by the
// user, 3 waiting or connecting, 4 complete, 5 failed, 6 disk full).
int status_icon(std::int32_t status);
// Setting-dialog text of an interval code (empty for unknown codes).
QString interval_label(std::int32_t code);
// "local" or "remote".
QString kind_label(bool local);

}  // namespace velmora
