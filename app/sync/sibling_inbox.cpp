#include "sibling_inbox.h"

#include "window_messages.h"

namespace velmora {

void SiblingInbox::on_frame(const LinkFrame& f) {
  if (f.kind == LinkFrame::CopyData) {
    mailbox_.post_message(WM_COPYDATA_MSG, static_cast<std::intptr_t>(f.msg), 0, f.data);
    return;
  }
  // Only what the sibling (or the auto-start module) may send is accepted:
  // worker messages from outside could fake statuses and free heap payloads.
  switch (f.msg) {
    case WM_RELOAD_CAMERAS:
    case WM_RELOAD_DOWNLOAD_ROOT:
    case WM_SERVER_HANDOVER:
    case WM_PAUSE_DISCOVERY:
    case WM_RESUME_DISCOVERY:
    case WM_AUTOSTART_RESULT:
      mailbox_.post_message(f.msg, static_cast<std::intptr_t>(f.wparam),
                            static_cast<std::intptr_t>(f.lparam));
      break;
    default:
      break;
  }
}

}  // namespace velmora
