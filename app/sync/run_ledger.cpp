#include "run_ledger.h"

#include <algorithm>

#include "window_messages.h"

namespace velmora {

void RunLedger::status(std::int32_t id, std::int32_t status, std::int64_t now_ms) {
  if (status != STATUS_WAITING && status != STATUS_CONNECTING && status != STATUS_SYNCING) return;
  auto it = runs_.find(id);
  if (it != runs_.end()) {
    // The clock runs from the connect, not from the wait for a free slot.
    if (status == STATUS_CONNECTING) it->second.started_ms = now_ms;
    return;
  }
  Open run;
  run.started_ms = now_ms;
  run.result.camera_id = id;
  runs_.emplace(id, run);
}

void RunLedger::file_started(std::int32_t id, std::uint32_t offset, std::uint32_t size) {
  auto it = runs_.find(id);
  if (it == runs_.end()) return;
  it->second.file_open = true;
  it->second.offset = offset;
  it->second.size = size;
  it->second.position = offset;
}

void RunLedger::progress(std::int32_t id, std::uint64_t position) {
  auto it = runs_.find(id);
  if (it == runs_.end() || !it->second.file_open) return;
  it->second.position = std::max(it->second.position, position);
}

void RunLedger::counts(std::int32_t id, std::int32_t done, std::int32_t total) {
  auto it = runs_.find(id);
  if (it == runs_.end()) return;
  Open& run = it->second;
  run.result.queued = total;
  // A higher done count means the file being fetched is now stored.
  if (done > run.last_done && run.file_open) {
    run.result.fetched += done - run.last_done;
    if (run.offset > 0) ++run.result.resumed;
    if (run.size > run.offset) run.result.bytes += run.size - run.offset;
    run.file_open = false;
  }
  run.last_done = done;
}

void RunLedger::file_failed(std::int32_t id) {
  auto it = runs_.find(id);
  if (it == runs_.end()) return;
  ++it->second.result.skipped;
  it->second.result.bytes += it->second.unfinished();
  it->second.file_open = false;
}

void RunLedger::failure(std::int32_t id, std::int32_t kind, const std::string& text) {
  auto it = runs_.find(id);
  if (it == runs_.end()) return;
  it->second.result.failure = kind;
  it->second.result.error = text;
}

bool RunLedger::finish(std::int32_t id, std::int32_t status, bool local, std::int64_t now_ms,
                       RunResult& out) {
  auto it = runs_.find(id);
  if (it == runs_.end()) return false;
  out = it->second.result;
  out.bytes += it->second.unfinished();
  out.status = status;
  out.local = local;
  out.started = it->second.started_ms / 1000;
  out.ended = now_ms / 1000;
  out.seconds = static_cast<double>(now_ms - it->second.started_ms) / 1000.0;
  if (out.seconds < 0) out.seconds = 0;
  // A completed run has no failure left to report.
  if (status_completes(status)) {
    out.failure = FAILURE_OTHER;
    out.error.clear();
  }
  runs_.erase(it);
  return true;
}

bool RunLedger::open(std::int32_t id) const { return runs_.count(id) != 0; }

std::uint64_t RunLedger::bytes_written(std::int32_t id) const {
  auto it = runs_.find(id);
  return it == runs_.end() ? 0 : it->second.result.bytes + it->second.unfinished();
}

std::vector<std::int32_t> RunLedger::open_ids() const {
  std::vector<std::int32_t> ids;
  for (const auto& [id, run] : runs_) {
    (void)run;
    ids.push_back(id);
  }
  return ids;
}

}  // namespace velmora
