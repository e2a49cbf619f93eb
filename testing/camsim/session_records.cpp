// Record statistic, list pages, deletion and downloads of the simulated
// camera.
#include "content.h"
#include "session.h"

#include <algorithm>
#include <cstring>

namespace camsim {

namespace {

using wire::view;

enum DownloadStatus : uint32_t {
  kAccepted = 0,
  kRefused = 1,      // the card will not hand this recording out
  kNoSuchFile = 2,   // not (or no longer) on the card
  kWrongKey = 3,     // the key does not belong to the name
  kBadRange = 4,     // offset or length outside the recording
  kBadRequest = 5,   // malformed or repeated download id
};

}  // namespace

void Session::on_statistic(bool alarms_only, uint32_t len) {
  if (!check_length("record statistic request", len, 6)) return;
  sim_.update_stats([](Stats& s) { ++s.statistic_requests; });
  auto m = wire::make<wire::RecordStatistic>(alarms_only ? wire::WARNING_RECORD_STATISTIC
                                                         : wire::RECORD_STATISTIC);
  uint64_t total = 0, alarms = 0, bytes = 0;
  {
    std::lock_guard<std::mutex> lock(sim_.card_mu);
    for (const Recording& r : sim_.card) {
      ++total;
      alarms += r.kind == 1;
      bytes += r.size;
    }
  }
  m.total = static_cast<uint16_t>(std::min<uint64_t>(alarms_only ? alarms : total, 0xFFFF) +
                                  faults_.statistic_delta);
  m.alarms = static_cast<uint16_t>(std::min<uint64_t>(alarms, 0xFFFF));
  m.bytes_kib = static_cast<uint32_t>(std::min<uint64_t>(bytes / 1024, 0xFFFFFFFFu));
  send(m);
}

void Session::on_list_request(const uint8_t* msg, uint32_t len) {
  if (!check_length("record list request", len, 14)) return;
  auto req = view<wire::RecordListRequest>(msg);
  bool alarms_only = req.h.type == wire::WARNING_RECORD_LIST_REQUEST;
  uint16_t want_code = alarms_only ? 40 : 20;
  if (req.one != 1 || req.kind_code != want_code)
    sim_.protocol_error("record list request with constants %u/%u, expected 1/%u", req.one,
                        req.kind_code, want_code);
  sim_.update_stats([](Stats& s) { ++s.list_requests; });

  std::vector<wire::RecordFileEntry> entries;
  {
    std::lock_guard<std::mutex> lock(sim_.card_mu);
    size_t index = 0;
    for (const Recording& r : sim_.card) {
      if (alarms_only && r.kind != 1) continue;
      if (index++ < req.first) continue;
      if (entries.size() >= req.count) break;
      wire::RecordFileEntry e{};
      wire::set_fixed_text(e.name, r.name);
      e.key = r.key;
      e.size = r.size;
      e.kind = r.kind;
      entries.push_back(e);
    }
  }
  sim_.note("record list: first %u count %u -> %zu entries", req.first, req.count, entries.size());

  // Keep every page within the client's 131072-byte receive buffer.
  size_t page = static_cast<size_t>(std::clamp(sim_.config.list_page_size, 1, 2730));
  uint8_t list_type = alarms_only ? wire::WARNING_RECORD_LIST : wire::RECORD_LIST;
  size_t at = 0;
  do {
    size_t n = std::min(page, entries.size() - at);
    auto head = wire::make<wire::RecordListHead>(
        list_type, static_cast<uint32_t>(sizeof(wire::RecordListHead) + n * 48));
    head.n = static_cast<uint16_t>(n + faults_.list_count_extra);
    head.last_page = (at + n == entries.size() && sim_.config.set_last_page_flag) ? 1 : 0;
    send(head);
    send(entries.data() + at, n * sizeof(wire::RecordFileEntry));
    at += n;
  } while (at < entries.size());
}

void Session::on_delete(const uint8_t* msg, uint32_t len) {
  if (len < sizeof(wire::RecordDeleteHead)) {
    sim_.protocol_error("delete request of %u bytes", len);
    return;
  }
  auto head = view<wire::RecordDeleteHead>(msg);
  if (static_cast<uint64_t>(head.n) * 48 + 10 != len) {
    sim_.protocol_error("delete request of %u bytes announces %u entries", len, head.n);
    return;
  }
  bool refuse, answer;
  {
    std::lock_guard<std::mutex> lock(sim_.card_mu);
    refuse = sim_.refuse_deletes;
    answer = sim_.answer_deletes;
  }
  sim_.update_stats([](Stats& s) { ++s.delete_requests; });
  std::vector<std::string> removed;
  for (uint32_t i = 0; i < head.n && !refuse; ++i) {
    auto e = view<wire::RecordFileEntry>(msg + 10 + 48 * i);
    std::string name;
    if (!wire::fixed_text(e.name, &name)) {
      sim_.protocol_error("delete entry %u has no NUL in its name", i);
      continue;
    }
    std::lock_guard<std::mutex> lock(sim_.card_mu);
    auto it = std::find_if(sim_.card.begin(), sim_.card.end(),
                           [&](const Recording& r) { return r.name == name; });
    if (it == sim_.card.end()) continue;  // already gone (another client deleted it)
    if (it->key != e.key) {
      sim_.protocol_error("delete of \"%s\" with key %u, the card has %u", name.c_str(), e.key,
                          it->key);
      continue;
    }
    sim_.card.erase(it);
    removed.push_back(name);
  }
  sim_.note("delete: %u requested, %zu removed%s", head.n, removed.size(),
            refuse ? " (refused)" : "");
  sim_.update_stats([&](Stats& s) { s.deleted.insert(s.deleted.end(), removed.begin(), removed.end()); });
  if (!answer) return;
  auto reply = wire::make<wire::RecordDeleteResponse>(wire::RECORD_DELETE_RESPONSE);
  reply.result = refuse ? 1 : 0;
  reply.deleted = static_cast<uint32_t>(removed.size());
  send(reply);
}

void Session::on_download_request(const uint8_t* msg, uint32_t len) {
  if (!check_length("download request", len, 58)) return;
  auto req = view<wire::DownloadRequest>(msg);
  std::string name;
  bool named = wire::fixed_text(req.name, &name);
  if (!named) name.assign(req.name, sizeof req.name);
  sim_.update_stats([&](Stats& s) {
    s.downloads.push_back({name, req.key, req.offset, req.length, Clock::now()});
  });
  if (req.zero != 0 || req.c2048 != 2048)
    sim_.protocol_error("download request with constants %u/%u, expected 0/2048", req.zero,
                        req.c2048);

  uint32_t status = kAccepted;
  Recording rec;
  bool refused_by_config = false;
  {
    std::lock_guard<std::mutex> lock(sim_.card_mu);
    refused_by_config = sim_.refuse.count(name) != 0;
  }
  if (!named) {
    sim_.protocol_error("download request name has no NUL");
    status = kBadRequest;
  } else if (!used_download_ids_.insert(uint32_t{req.download_id}).second) {
    sim_.protocol_error("download id %u used twice on one connection", req.download_id);
    status = kBadRequest;
  } else if (!sim_.find_recording(name, &rec)) {
    status = kNoSuchFile;
  } else if (rec.key != req.key) {
    sim_.protocol_error("download of \"%s\" with key %u, the card has %u", name.c_str(), req.key,
                        rec.key);
    status = kWrongKey;
  } else if (static_cast<uint64_t>(req.offset) + req.length > rec.size ||
             (req.length == 0 && req.offset != rec.size)) {
    // An empty range is only meaningful at the very end (an empty recording).
    sim_.protocol_error("download of \"%s\" range %u+%u outside its %u bytes", name.c_str(),
                        req.offset, req.length, rec.size);
    status = kBadRange;
  } else if (refused_by_config) {
    status = kRefused;
  }

  auto resp = wire::make<wire::DownloadResponse>(wire::DOWNLOAD_RESPONSE);
  resp.download_id = req.download_id;
  resp.status = status;
  if (status != kAccepted) {
    sim_.update_stats([](Stats& s) { ++s.downloads_refused; });
    sim_.note("download \"%s\" %u+%u refused (%u)", name.c_str(), req.offset, req.length, status);
    send(resp);
    return;
  }
  Transfer t;
  t.transfer_id = fresh_id();
  t.download_id = req.download_id;
  t.rec = std::move(rec);
  t.next = req.offset;
  t.end = req.offset + req.length;
  resp.transfer_id = t.transfer_id;
  sim_.note("download \"%s\" %u+%u accepted, transfer %u", name.c_str(), req.offset, req.length,
            t.transfer_id);
  send(resp);
  transfers_.push_back(std::move(t));
}

Session::Transfer* Session::find_transfer(uint32_t transfer_id, uint32_t download_id,
                                          const char* what) {
  for (Transfer& t : transfers_) {
    bool hit = transfer_id != 0 ? t.transfer_id == transfer_id : t.download_id == download_id;
    if (!hit) continue;
    if (t.download_id != download_id)
      sim_.protocol_error("%s: transfer %u belongs to download %u, not %u", what, transfer_id,
                          t.download_id, download_id);
    return &t;
  }
  sim_.protocol_error("%s: unknown transfer %u (download %u)", what, transfer_id, download_id);
  return nullptr;
}

void Session::check_same_entry(const char* what, const Transfer& t, const char (&name)[32],
                               uint32_t key) {
  std::string text;
  if (!wire::fixed_text(name, &text) || text != t.rec.name || key != t.rec.key)
    sim_.protocol_error("%s: name or key differ from transfer %u of \"%s\"", what, t.transfer_id,
                        t.rec.name.c_str());
}

void Session::on_download_pause(const uint8_t* msg, uint32_t len) {
  if (!check_length("download pause", len, 50)) return;
  auto m = view<wire::DownloadControl>(msg);
  sim_.update_stats([](Stats& s) { ++s.pauses; });
  Transfer* t = find_transfer(m.transfer_id, m.download_id, "pause");
  if (t == nullptr) return;
  check_same_entry("pause", *t, m.name, m.key);
  if (t->state == Transfer::Paused) {
    sim_.protocol_error("pause of transfer %u that is already paused", t->transfer_id);
    return;
  }
  // A finished transfer may still be paused (the client had not seen the
  // last block yet); it can be resumed with a new range.
  t->state = Transfer::Paused;
}

void Session::on_download_resume(const uint8_t* msg, uint32_t len) {
  if (!check_length("download resume", len, 58)) return;
  auto m = view<wire::DownloadResume>(msg);
  sim_.update_stats([](Stats& s) { ++s.resumes; });
  Transfer* t = find_transfer(m.transfer_id, m.download_id, "resume");
  if (t == nullptr) return;
  check_same_entry("resume", *t, m.name, m.key);
  if (t->state != Transfer::Paused) {
    sim_.protocol_error("resume of transfer %u that is not paused", t->transfer_id);
    return;
  }
  if (static_cast<uint64_t>(m.offset) + m.length > t->rec.size || m.length == 0) {
    sim_.protocol_error("resume of transfer %u with range %u+%u outside its %u bytes",
                        t->transfer_id, m.offset, m.length, t->rec.size);
    return;
  }
  t->next = m.offset;
  t->end = m.offset + m.length;
  t->state = Transfer::Active;
}

void Session::on_download_cancel(const uint8_t* msg, uint32_t len) {
  if (!check_length("download cancel", len, 50)) return;
  auto m = view<wire::DownloadControl>(msg);
  sim_.update_stats([](Stats& s) { ++s.cancels; });
  Transfer* t = find_transfer(m.transfer_id, m.download_id, "cancel");
  if (t == nullptr) return;
  check_same_entry("cancel", *t, m.name, m.key);
  transfers_.erase(transfers_.begin() + (t - transfers_.data()));
}

void Session::pump_transfers() {
  uint64_t drop_after;
  {
    std::lock_guard<std::mutex> lock(sim_.card_mu);
    drop_after = sim_.drop_after;
  }
  uint32_t block = sim_.config.block_size;
  std::vector<uint8_t> buf;
  while (!closing_ && out_.size() - out_pos_ < kOutHighWater) {
    // Round robin over the transfers that still have bytes to send.
    Transfer* t = nullptr;
    for (size_t i = 0; i < transfers_.size() && t == nullptr; ++i) {
      size_t k = (next_transfer_ + i) % transfers_.size();
      if (transfers_[k].state == Transfer::Active) {
        t = &transfers_[k];
        next_transfer_ = k + 1;
      }
    }
    if (t == nullptr || stalled_) return;
    uint32_t n = std::min(block, t->end - t->next);
    bool cut = false;
    if (drop_after > 0) {
      uint64_t left = drop_after > data_bytes_sent_ ? drop_after - data_bytes_sent_ : 0;
      if (left <= n) {
        n = static_cast<uint32_t>(left);
        cut = true;
      }
    }
    buf.resize(sizeof(wire::DownloadDataHead) + n);
    auto head = wire::make<wire::DownloadDataHead>(wire::DOWNLOAD_DATA,
                                                   static_cast<uint32_t>(buf.size()));
    head.transfer_id = t->transfer_id;
    head.download_id = t->download_id;
    head.offset = t->next;
    head.n = n;
    head.end_flag = t->next + n == t->end ? 1 : 0;
    ++blocks_;
    if (blocks_ == faults_.stall_at_block) {
      sim_.note("stalling before data block %d", blocks_);
      stalled_ = true;
      return;
    }
    if (blocks_ == faults_.misplace_block) head.offset = t->next > 0 ? 0 : t->end;
    std::memcpy(buf.data(), &head, sizeof head);
    if (!read_content(t->rec, t->next, n, buf.data() + sizeof head))
      sim_.note("recording file %s is shorter than listed", t->rec.path.c_str());
    if (blocks_ == faults_.skip_block) {
      sim_.note("leaving out data block %d", blocks_);
    } else if (n > 0 || head.end_flag) {
      send_block(buf, head.end_flag != 0);
    }
    t->next += n;
    data_bytes_sent_ += n;
    sim_.update_stats([&](Stats& s) { s.download_bytes_sent += n; });
    if (head.end_flag) t->state = Transfer::Finished;
    if (cut) {
      sim_.note("dropping the connection after %llu data bytes",
                static_cast<unsigned long long>(data_bytes_sent_));
      closing_ = true;
      closing_since_ = Clock::now();
    }
  }
}

void Session::send_block(std::vector<uint8_t>& block, bool last) {
  if (!last) ++inner_blocks_;
  if (last) ++request_ends_;
  const size_t k = faults_.fault_bytes;
  const size_t payload = block.size() - sizeof(wire::DownloadDataHead);
  const size_t middle = sizeof(wire::DownloadDataHead) + payload / 2;
  if (last && payload >= k && request_ends_ == faults_.insert_in_request_end) {
    sim_.note("inserting %zu stray bytes into the last block of request %d", k, request_ends_);
    std::vector<uint8_t> junk(k);
    for (auto& b : junk) b = static_cast<uint8_t>(rng_());
    block.insert(block.begin() + static_cast<std::ptrdiff_t>(middle), junk.begin(), junk.end());
  }
  if (!last && payload >= k) {
    if (inner_blocks_ == faults_.truncate_block) {
      block.resize(block.size() - k);
    } else if (inner_blocks_ == faults_.lose_in_block) {
      block.erase(block.begin() + static_cast<std::ptrdiff_t>(middle),
                  block.begin() + static_cast<std::ptrdiff_t>(middle + k));
    } else if (inner_blocks_ == faults_.insert_in_block) {
      std::vector<uint8_t> junk(k);
      for (auto& b : junk) b = static_cast<uint8_t>(rng_());
      block.insert(block.begin() + static_cast<std::ptrdiff_t>(middle), junk.begin(), junk.end());
    }
  }
  send(block.data(), block.size());
}

}  // namespace camsim
