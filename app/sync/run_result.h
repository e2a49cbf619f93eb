// What one camera's run ended with: its status, why it failed, what it
// fetched and how long it took. The engine makes one when a run ends; the
// history log keeps them and the console prints them as JSON. Fields added
// later are optional in the JSON, so older logs and readers keep working.
#pragma once

#include <QJsonObject>

#include <cstdint>
#include <string>
#include <vector>

#include "window_messages.h"

namespace velmora {

struct RunResult {
  std::int32_t camera_id = 0;
  bool local = true;
  std::int32_t status = 0;       // the final SyncStatus
  std::int32_t failure = FAILURE_OTHER;
  std::string error;             // why it failed ("" when the status says it)
  std::int32_t queued = 0;       // recordings missing when the run started
  std::int32_t fetched = 0;      // recordings completed (resumed ones included)
  std::int32_t resumed = 0;      // of those, continued from a partial file
  std::int32_t skipped = 0;      // recordings that could not be stored
  std::uint64_t bytes = 0;       // written this run: a resumed file counts its new part,
                                 // a file left partial what it gained
  std::int32_t card_deleted = 0;  // deleted from the camera after a verified copy
  std::int32_t card_kept = 0;     // deletes the camera refused or left unanswered
  std::int32_t removed_files = 0;  // old recordings removed by retention
  std::uint64_t removed_bytes = 0;
  double seconds = 0;
  std::int64_t started = 0;      // seconds since 1970 (UTC)
  std::int64_t ended = 0;
  // When the automatic run this run belonged to began (seconds since 1970);
  // 0 for a run started by hand, by a retry or by --once.
  std::int64_t auto_started = 0;
  std::string outcome;           // read back from a log: the word it was written with
};

// The stable machine word of a run's outcome: "complete", "up-to-date",
// "wrong-password", "server-login-refused", ... ("unknown" for a status no
// table row names).
std::string outcome_word(const RunResult& r);
// The run completed and stored everything it found missing.
bool run_ok(const RunResult& r);
// Every outcome word, from the same table outcome_word() reads.
std::vector<std::string> outcome_words();
bool status_completes(std::int32_t status);

// Adds r's counts (recordings, bytes, card deletions, retention) to `into`.
void add_counts(RunResult& into, const RunResult& r);
// Writes r's counts under the keys of the JSON form.
void put_counts(QJsonObject& o, const RunResult& r);
// The JSON form (keys never change meaning; new ones may be added).
QJsonObject run_to_json(const RunResult& r);
// False when the object is not a run record (no camera id or status).
bool run_from_json(const QJsonObject& o, RunResult& r);

}  // namespace velmora
