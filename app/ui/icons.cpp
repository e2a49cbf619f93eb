#include "icons.h"

#include <QString>

namespace velmora::ui {

namespace {

QIcon from_resource(const char* name) {
  return QIcon(QStringLiteral(":/velmora/icons/") + QLatin1String(name) +
               QStringLiteral(".svg"));
}

}  // namespace

QIcon program_icon() { return from_resource("velmora"); }

QIcon row_icon(int index) {
  static const char* const names[] = {"status_idle",    "status_syncing",  "status_stopped",
                                      "status_waiting", "status_complete", "status_failed",
                                      "status_disk_full"};
  if (index < 0 || index > 6) index = 0;
  return from_resource(names[index]);
}

QIcon tool_icon(Tool tool) {
  switch (tool) {
    case Tool::AddLocal: return from_resource("tool_add_local");
    case Tool::AddRemote: return from_resource("tool_add_remote");
    case Tool::StartAll: return from_resource("tool_start_all");
    case Tool::StopAll: return from_resource("tool_stop_all");
    case Tool::Remove: return from_resource("tool_remove");
    case Tool::OpenFolder: return from_resource("tool_open_folder");
    case Tool::Settings: return from_resource("tool_settings");
  }
  return {};
}

}  // namespace velmora::ui
