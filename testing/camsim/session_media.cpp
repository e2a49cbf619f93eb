// Live streams, talk-back, video settings, remote playback and recording
// control of the simulated camera.
#include "content.h"
#include "session.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace camsim {

namespace {

using wire::view;

constexpr auto kStreamKeepup = std::chrono::seconds(12);  // clients repeat every 5 s
constexpr size_t kMediaBacklog = 1024 * 1024;  // a slow reader loses frames beyond this
constexpr int kPlayFrames = 50;                // two seconds of playback at 25 fps
constexpr uint32_t kPlayChunk = 4096;

}  // namespace

void Session::on_stream(bool video, bool start) {
  Stream& s = video ? video_ : audio_;
  sim_.update_stats([&](Stats& st) {
    ++(video ? (start ? st.video_starts : st.video_stops) : (start ? st.audio_starts : st.audio_stops));
  });
  Clock::time_point now = Clock::now();
  if (!start) {
    if (s.on) sim_.note("%s stream stopped", video ? "video" : "audio");
    s.on = false;
    return;
  }
  if (!s.on) {
    sim_.note("%s stream started", video ? "video" : "audio");
    s.on = true;
    s.next_frame = now;
  }
  s.keepup = now;
}

void Session::pump_media(Clock::time_point now) {
  bool backlog = out_.size() - out_pos_ > kMediaBacklog;
  auto frame_due = [&](Stream& s, int fps, const char* what) {
    if (!s.on) return false;
    if (now - s.keepup > kStreamKeepup) {
      sim_.note("%s stream stopped: no keep-up request for %lld s", what,
                static_cast<long long>(kStreamKeepup.count()));
      s.on = false;
      return false;
    }
    if (fps <= 0 || now < s.next_frame) return false;
    s.next_frame += std::chrono::microseconds(1000000 / fps);
    if (s.next_frame < now - std::chrono::seconds(1)) s.next_frame = now;  // no catch-up burst
    ++s.sequence;
    return !backlog;
  };
  uint32_t stamp = static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now - started_).count());

  int vfps = sim_.config.video_fps;
  if (frame_due(video_, vfps, "video")) {
    bool key = (video_.sequence - 1) % static_cast<uint32_t>(vfps) == 0;
    uint32_t n = key ? 8192 : 2048;
    std::vector<uint8_t> buf(sizeof(wire::VideoFrameHead) + n);
    auto head = wire::make<wire::VideoFrameHead>(wire::VIDEO_FRAME, static_cast<uint32_t>(buf.size()));
    head.key_frame = key ? 1 : 0;
    head.value = stamp;
    head.sequence = video_.sequence;
    std::memcpy(buf.data(), &head, sizeof head);
    for (uint32_t i = 0; i < n; ++i) buf[sizeof head + i] = generated_byte(video_.sequence, i);
    send(buf.data(), buf.size());
    sim_.update_stats([](Stats& s) { ++s.video_frames_sent; });
  }
  if (frame_due(audio_, sim_.config.audio_fps, "audio")) {
    constexpr uint32_t n = 320;
    uint8_t buf[sizeof(wire::AudioFrameHead) + n];
    auto head = wire::make<wire::AudioFrameHead>(wire::AUDIO_FRAME, sizeof buf);
    head.codec = 0x27;
    head.channel = 0x01;
    head.stamp = stamp;
    head.value_low = static_cast<uint16_t>(audio_.sequence);
    std::memcpy(buf, &head, sizeof head);
    for (uint32_t i = 0; i < n; ++i) buf[sizeof head + i] = generated_byte(~audio_.sequence, i);
    send(buf, sizeof buf);
    sim_.update_stats([](Stats& s) { ++s.audio_frames_sent; });
  }

  for (size_t i = 0; i < plays_.size();) {
    Play& p = plays_[i];
    if (p.paused || now < p.next_frame) {
      ++i;
      continue;
    }
    p.next_frame += std::chrono::milliseconds(40);
    if (p.next_frame < now) p.next_frame = now;
    uint32_t n = std::min(kPlayChunk, p.rec.size - p.pos);
    std::vector<uint8_t> buf(sizeof(wire::VideoFrameHead) + n);
    auto head = wire::make<wire::VideoFrameHead>(wire::VIDEO_FRAME, static_cast<uint32_t>(buf.size()));
    head.key_frame = p.frames_left == kPlayFrames ? 1 : 0;
    head.value = p.pos;
    head.sequence = static_cast<uint32_t>(kPlayFrames - p.frames_left);
    std::memcpy(buf.data(), &head, sizeof head);
    read_content(p.rec, p.pos, n, buf.data() + sizeof head);
    send(buf.data(), buf.size());
    p.pos += n;
    if (--p.frames_left > 0 && p.pos < p.rec.size) {
      ++i;
      continue;
    }
    auto end = wire::make<wire::IdNotify>(wire::REMOTE_PLAY_END);
    end.id = p.camera_play_id;
    send(end);
    sim_.note("playback of \"%s\" ended", p.rec.name.c_str());
    ended_plays_.insert(p.camera_play_id);
    plays_.erase(plays_.begin() + static_cast<std::ptrdiff_t>(i));
  }

  if (recording_ && !recording_open_ended_ && now >= record_end_) finish_recording(true);
}

void Session::on_video_settings(const uint8_t* msg, uint32_t len, bool set) {
  if (!check_length(set ? "video settings" : "video settings request", len, 18)) return;
  uint16_t words[6];  // aligned copy of the packed words
  std::memcpy(words, msg + sizeof(wire::Header), sizeof words);
  if (words[0] != 2) sim_.protocol_error("video settings message with word 0 = %u, expected 2", words[0]);
  auto reply = wire::make<wire::VideoSettings>(wire::VIDEO_SETTINGS);
  {
    std::lock_guard<std::mutex> lock(sim_.card_mu);
    if (set) std::copy(words + 1, words + 6, sim_.video_words + 1);
    std::memcpy(reply.w, sim_.video_words, sizeof reply.w);
  }
  if (!set && std::any_of(words + 1, words + 6, [](uint16_t w) { return w != 0; }))
    sim_.protocol_error("video settings request with non-zero words");
  sim_.update_stats([&](Stats& s) { ++(set ? s.settings_sets : s.settings_requests); });
  // A set is confirmed by reporting the settings now in force.
  send(reply);
}

void Session::on_talk_audio(const uint8_t* msg, uint32_t len) {
  if (len < sizeof(wire::AudioFrameHead) || len - sizeof(wire::AudioFrameHead) > wire::kMaxTalkAudio) {
    sim_.protocol_error("talk audio frame of %u bytes, expected 20 to %u", len,
                        20 + wire::kMaxTalkAudio);
    return;
  }
  auto m = view<wire::AudioFrameHead>(msg);
  if (m.codec != 0x27 || m.channel != 0x01)
    sim_.protocol_error("talk audio frame with format bytes %02x %02x, expected 27 01", m.codec,
                        m.channel);
  sim_.update_stats([](Stats& s) { ++s.talk_frames; });
}

void Session::on_record_start(const uint8_t* msg, uint32_t len) {
  if (!check_length("record start", len, 22)) return;
  auto m = view<wire::RecordStart>(msg);
  static const uint8_t zeros[7] = {};
  if (m.b6 != 0 || m.b7 != 1 || m.b8 != 1 || m.b9 != 0 || m.b10 != 9 ||
      std::memcmp(m.zero, zeros, sizeof zeros) != 0)
    sim_.protocol_error("record start with unexpected constant bytes");
  sim_.update_stats([](Stats& s) { ++s.record_starts; });
  auto reply = wire::make<wire::RecordStartResponse>(wire::RECORD_START_RESPONSE);
  if (recording_) {
    reply.result = 1;  // busy: one recording at a time
    send(reply);
    return;
  }
  recording_ = true;
  record_transaction_ = fresh_id();
  record_seconds_ = m.duration;
  recording_open_ended_ = m.duration == 0;
  record_end_ = Clock::now() + std::chrono::seconds(uint32_t{m.duration});
  reply.transaction_id = record_transaction_;
  sim_.note("recording started for %u s, transaction %u", m.duration, record_transaction_);
  send(reply);
}

void Session::on_record_stop(const uint8_t* msg, uint32_t len) {
  if (!check_length("record stop", len, 10)) return;
  auto m = view<wire::IdNotify>(msg);
  sim_.update_stats([](Stats& s) { ++s.record_stops; });
  if (!recording_ || m.id != record_transaction_) {
    sim_.protocol_error("record stop for transaction %u, running: %u", m.id,
                        recording_ ? record_transaction_ : 0);
    return;
  }
  // The client already considers the recording stopped: no end notice.
  finish_recording(false);
}

void Session::on_record_delay(const uint8_t* msg, uint32_t len) {
  if (!check_length("record delay", len, 14)) return;
  auto m = view<wire::RecordDelay>(msg);
  sim_.update_stats([](Stats& s) { ++s.record_delays; });
  if (!recording_ || m.transaction_id != record_transaction_) {
    sim_.protocol_error("record delay for transaction %u, running: %u", m.transaction_id,
                        recording_ ? record_transaction_ : 0);
    return;
  }
  int32_t seconds = static_cast<int32_t>(m.value);
  if (seconds > 0 && !recording_open_ended_) {
    record_end_ += std::chrono::seconds(seconds);
    record_seconds_ += static_cast<uint32_t>(seconds);
  }
}

void Session::finish_recording(bool notify) {
  recording_ = false;
  Recording rec;
  {
    std::lock_guard<std::mutex> lock(sim_.card_mu);
    char name[32];
    std::snprintf(name, sizeof name, "REC_M%05u.avi", sim_.next_recording_number++);
    rec.name = name;
    rec.key = fresh_id();
    while (std::any_of(sim_.card.begin(), sim_.card.end(),
                       [&](const Recording& r) { return r.key == rec.key; }))
      rec.key = fresh_id();
    rec.size = 65536u * std::clamp<uint32_t>(record_seconds_, 1, 64);
    rec.kind = 0;
    sim_.card.push_back(rec);
  }
  sim_.note("recording %u finished as \"%s\"", record_transaction_, rec.name.c_str());
  if (notify) {
    auto m = wire::make<wire::IdNotify>(wire::RECORD_END_NOTIFY);
    m.id = record_transaction_;
    send(m);
  }
}

void Session::on_remote_play(const uint8_t* msg, uint32_t len) {
  if (!check_length("remote play", len, 62)) return;
  auto m = view<wire::RemotePlay>(msg);
  sim_.update_stats([](Stats& s) { ++s.plays; });
  auto reply = wire::make<wire::RemotePlayResponse>(wire::REMOTE_PLAY_RESPONSE);
  reply.play_id = m.play_id;
  std::string name;
  Recording rec;
  if (!wire::fixed_text(m.name, &name)) {
    sim_.protocol_error("remote play name has no NUL");
    reply.status = 1;
  } else if (!sim_.find_recording(name, &rec)) {
    reply.status = 2;
  } else if (rec.key != m.key) {
    sim_.protocol_error("remote play of \"%s\" with key %u, the card has %u", name.c_str(), m.key,
                        rec.key);
    reply.status = 3;
  }
  if (reply.status != 0) {
    send(reply);
    return;
  }
  Play p;
  p.camera_play_id = fresh_id();
  p.play_id = m.play_id;
  p.rec = std::move(rec);
  p.frames_left = kPlayFrames;
  p.next_frame = Clock::now();
  reply.camera_play_id = p.camera_play_id;
  reply.extra = p.rec.size;
  sim_.note("playback of \"%s\" started", name.c_str());
  send(reply);
  plays_.push_back(std::move(p));
}

void Session::on_remote_play_ctrl(const uint8_t* msg, uint32_t len) {
  if (!check_length("remote play control", len, 70)) return;
  auto m = view<wire::RemotePlayCtrl>(msg);
  sim_.update_stats([](Stats& s) { ++s.play_ctrls; });
  auto it = std::find_if(plays_.begin(), plays_.end(),
                         [&](const Play& p) { return p.camera_play_id == m.camera_play_id; });
  if (it == plays_.end()) {
    // A control crossing the end notice on the wire is no client fault.
    if (!ended_plays_.count(uint32_t{m.camera_play_id}))
      sim_.protocol_error("play control for unknown playback %u", m.camera_play_id);
    return;
  }
  std::string name;
  if (it->play_id != m.play_id || !wire::fixed_text(m.name, &name) || name != it->rec.name ||
      m.key != it->rec.key)
    sim_.protocol_error("play control for playback %u with other play id, name or key",
                        m.camera_play_id);
  switch (m.ctrl) {
    case 1:
      plays_.erase(it);
      break;
    case 2:
      it->paused = true;
      break;
    case 3:
      it->paused = false;
      it->next_frame = Clock::now();
      break;
    default:
      sim_.protocol_error("play control value %u", m.ctrl);
  }
}

}  // namespace camsim
