// The window's texts that belong to numbers (camera statuses, interval
// codes, camera kinds): the ones the console shows too, in the user's
// language (app/display holds them and the catalogues).
#pragma once

#include <QString>

#include "status_texts.h"
#include "translation.h"

namespace velmora::ui {

using velmora::install_translation;
using velmora::interval_label;
using velmora::kind_label;
using velmora::shown_statuses;
using velmora::status_label;

// Icon index of a camera list row (see status_icon).
inline int status_icon_index(int status) { return status_icon(status); }

}  // namespace velmora::ui
