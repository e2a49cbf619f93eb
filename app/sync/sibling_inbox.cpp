#include "sibling_inbox.h"

#include "link_messages.h"

namespace velmora {

void SiblingInbox::on_frame(const LinkFrame& f) {
  if (f.kind == LinkFrame::CopyData) {
    mailbox_.post(CopyDataEvent{static_cast<std::int32_t>(f.msg), f.data});
    return;
  }
  // Only what the sibling (or the auto-start module) may send is accepted:
  // worker events from outside could fake statuses.
  switch (f.msg) {
    case WM_RELOAD_CAMERAS: mailbox_.post(ReloadCamerasEvent{}); break;
    case WM_RELOAD_DOWNLOAD_ROOT: mailbox_.post(ReloadDownloadRootEvent{}); break;
    case WM_SERVER_HANDOVER:
      mailbox_.post(ServerHandoverEvent{f.wparam != 0, static_cast<std::int32_t>(f.lparam)});
      break;
    case WM_PAUSE_DISCOVERY: mailbox_.post(PauseDiscoveryEvent{}); break;
    case WM_RESUME_DISCOVERY: mailbox_.post(ResumeDiscoveryEvent{}); break;
    case WM_AUTOSTART_RESULT: mailbox_.post(AutostartResultEvent{f.lparam == 1}); break;
    default: break;
  }
}

}  // namespace velmora
