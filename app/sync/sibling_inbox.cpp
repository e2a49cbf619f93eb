#include "sibling_inbox.h"

#include <cstring>

#include "link_records.h"
#include "window_messages.h"

namespace velmora {

namespace {

constexpr qsizetype kRecord = sizeof(DiscoveryRecord);

std::int32_t id_of(const char* record) {
  DiscoveryRecord r;
  std::memcpy(&r, record, sizeof r);
  return r.camera_id;
}

}  // namespace

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

bool SiblingInbox::on_copy_data(std::int32_t code, const QByteArray& data) {
  if (code == COPYDATA_CAMERA_FOUND && data.size() >= kRecord) {
    discovered_[id_of(data.constData())] = data.left(kRecord);
  } else if (code == COPYDATA_CAMERA_LOST && data.size() >= kRecord) {
    discovered_.erase(id_of(data.constData()));
  } else if (code == COPYDATA_CAMERA_LIST &&
             data.size() >= static_cast<qsizetype>(kDiscoveryListHeader)) {
    std::int32_t count;
    std::memcpy(&count, data.constData(), sizeof count);
    const qsizetype header = kDiscoveryListHeader;
    for (qsizetype i = 0; i < count && header + (i + 1) * kRecord <= data.size(); ++i) {
      const char* rec = data.constData() + header + i * kRecord;
      discovered_[id_of(rec)] = QByteArray(rec, kRecord);
    }
  } else {
    return false;
  }
  return true;
}

}  // namespace velmora
