// What the engine's threads, the sibling program and the window's dialogs
// tell the main thread: one type per event, carried as one variant through
// the main thread's mailbox, so that sender and receiver agree on every
// field. The window-message names these events go by are the type names
// without "Event" (SyncStatusEvent is WM_SYNC_STATUS, and so on); only the
// sibling link still speaks in message numbers.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <string>
#include <variant>

#include "camera_record.h"
#include "window_messages.h"

namespace velmora {

// ---- from the camera and server workers ----

// A camera's status changed (WM_SYNC_STATUS).
struct SyncStatusEvent {
  std::int32_t camera_id = 0;
  SyncStatus status = STATUS_NONE;
};

// Recordings done and to do in the camera's run (WM_SYNC_COUNTS).
struct SyncCountsEvent {
  std::int32_t camera_id = 0;
  std::int32_t done = 0;
  std::int32_t total = 0;
  std::uint64_t bytes_queued = 0;  // sizes of the recordings still to fetch
};

// Progress of the recording in transfer, 0..100 (WM_FILE_PROGRESS).
struct FileProgressEvent {
  std::int32_t camera_id = 0;
  int percent = 0;
  std::uint64_t position = 0;  // bytes of the file on disk now
};

// The camera refused the password; the status that follows ends the run
// (WM_WRONG_PASSWORD).
struct WrongPasswordEvent {
  std::int32_t camera_id = 0;
};

// A recording's download starts (WM_CURRENT_FILE): its name on the camera,
// where the download starts (a resumed partial file) and its size.
struct CurrentFileEvent {
  std::int32_t camera_id = 0;
  std::string name;
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
};

// A recording could not be stored this run and is not counted as done
// (WM_FILE_FAILED).
struct FileFailedEvent {
  std::int32_t camera_id = 0;
  std::string name;
  std::string reason;  // UTF-8, already translated
};

// Why the camera's run is failing, sent before the status that ends it
// (WM_FAILURE_REASON).
struct FailureReasonEvent {
  std::int32_t camera_id = 0;
  FailureKind kind = FAILURE_OTHER;
  std::string text;  // UTF-8
};

// The answer to one delete request made after a verified copy
// (WM_CARD_DELETE).
struct CardDeleteEvent {
  std::int32_t camera_id = 0;
  CardDeleteResult result = CARD_DELETED;
  std::string name;
};

// Another client took over a server login (WM_SERVER_SEIZED).
struct ServerSeizedEvent {
  std::string serial;
};

// The discovered-camera table changed (WM_DISCOVERY_CHANGED).
struct DiscoveryChangedEvent {};

// ---- from the sibling program and the auto-start module ----

struct ReloadCamerasEvent {};        // WM_RELOAD_CAMERAS
struct ReloadDownloadRootEvent {};   // WM_RELOAD_DOWNLOAD_ROOT
// The sibling's answer to a server offer (WM_SERVER_HANDOVER).
struct ServerHandoverEvent {
  bool connect_ourselves = false;  // false: the sibling holds the cameras
  std::int32_t camera_id = 0;
};
struct PauseDiscoveryEvent {};   // WM_PAUSE_DISCOVERY
struct ResumeDiscoveryEvent {};  // WM_RESUME_DISCOVERY
// The auto-start module ran (WM_AUTOSTART_RESULT).
struct AutostartResultEvent {
  bool succeeded = false;
};
// A data copy from the sibling: the code and its data, read by the table
// of discovered cameras.
struct CopyDataEvent {
  std::int32_t code = 0;
  QByteArray data;
};

// ---- from the window's dialogs ----

struct AddLocalCameraEvent {  // WM_ADD_LOCAL_CAMERA
  CameraRecord record{};
};
struct AddRemoteCameraEvent {  // WM_ADD_REMOTE_CAMERA
  CameraRecord record{};
};
struct IntervalChangedEvent {};  // WM_INTERVAL_CHANGED

using EngineEvent =
    std::variant<SyncStatusEvent, SyncCountsEvent, FileProgressEvent, WrongPasswordEvent,
                 CurrentFileEvent, FileFailedEvent, FailureReasonEvent, CardDeleteEvent,
                 ServerSeizedEvent, DiscoveryChangedEvent, ReloadCamerasEvent,
                 ReloadDownloadRootEvent, ServerHandoverEvent, PauseDiscoveryEvent,
                 ResumeDiscoveryEvent, AutostartResultEvent, CopyDataEvent,
                 AddLocalCameraEvent, AddRemoteCameraEvent, IntervalChangedEvent>;

}  // namespace velmora
