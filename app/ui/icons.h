// The program's pictures, drawn as SVG and built into the program.
#pragma once

#include <QIcon>

namespace velmora::ui {

enum class Tool { AddLocal, AddRemote, StartAll, StopAll, Remove, OpenFolder, Settings };

QIcon program_icon();
// Row icon by index: 0 idle, 1 synchronising, 2 stopped by the user,
// 3 waiting or connecting, 4 complete, 5 failed, 6 disk full. Other indexes
// give idle.
QIcon row_icon(int index);
QIcon tool_icon(Tool tool);

}  // namespace velmora::ui
