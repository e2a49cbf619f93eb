// The service's metrics in the Prometheus text format: per camera its last
// success, last outcome, what this process downloaded, its failures and
// whether it runs; the download folder's free space and the disk guard;
// the program's version and start time.
#pragma once

#include <QByteArray>

#include "web_state.h"

namespace velmora {

QByteArray metrics_text(WebState& state);
// A label value with backslash, quote and line end escaped.
QByteArray metric_label(const QByteArray& value);

}  // namespace velmora
