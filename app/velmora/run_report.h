// How the console reports cameras and their runs: JSON Lines (one compact
// JSON object per line, each with a "type") for --json of --headless --once,
// cameras list and status, and the shared pieces of their human lines.
// Keys and outcome words are never translated.
#pragma once

#include <QJsonObject>

#include <cstdint>
#include <cstdio>
#include <string>

#include "camera_record.h"
#include "run_result.h"

namespace velmora {

// Writes one object as one line and flushes, so a reader sees it at once.
void put_json_line(std::FILE* out, const QJsonObject& object);

// Who a camera is: id, kind, where it is reached, alias. Never a password.
QJsonObject camera_identity(const CameraRecord& record, const std::string& alias);

// "camera 12 (192.168.1.20)", "camera 7 (via server, serial X)", with the
// alias in front when there is one: "Porch [camera 12 (192.168.1.20)]".
// `record` may be null (a camera no longer configured).
std::string camera_label(std::int32_t id, const CameraRecord* record, const std::string& alias);

// A run as --once reports it: the run record with the camera's alias.
QJsonObject camera_run_json(const RunResult& run, const std::string& alias);

// Local date and time: "2026-12-09T03:10:00+01:00" (with_offset) or
// "2026-12-09 03:10:00". `seconds`: since 1970.
std::string local_time_text(std::int64_t seconds, bool with_offset);

// What went wrong in a run, for people: the engine's reason, else the
// status's text; "" for a run that completed or was stopped.
// `machine`: for JSON, whose words never follow the user's language.
std::string run_error_text(const RunResult& run, bool machine = false);

// A camera's last run under the keys of its status object (last_outcome,
// last_error, last_ended, last_run), each null or empty when it has none.
void put_last_run(QJsonObject& o, const RunResult* last);

// A run's outcome in one phrase for people: "complete, 3 new recording(s),
// 2.9 MB", "up to date", or what went wrong with its remedy.
std::string run_outcome_text(const RunResult& run);

// What the user can do about a failure: a wrong camera password (which is
// not retried) or a refused server login names the command that fixes it;
// "" for every other run.
std::string remedy_text(const RunResult& run);

}  // namespace velmora
