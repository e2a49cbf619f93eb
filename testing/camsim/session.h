// One client connection of the simulated camera: framing, login, heartbeat
// and the request handlers, run on the connection's own thread with a
// non-blocking socket so long transfers never stop it from reading.
#pragma once

#include "simulator_impl.h"
#include "wire.h"

#include <chrono>
#include <random>

namespace camsim {

class Session {
public:
  using Clock = std::chrono::steady_clock;
  // Download blocks are produced only while less than this is queued, so
  // pause and cancel take effect quickly.
  static constexpr size_t kOutHighWater = 256 * 1024;

  Session(CameraSimulator::Impl& sim, int fd, bool logged_in);
  ~Session();

  void run();  // thread body; closes the socket at the end
  // Any thread, with sim.sessions_mu held: wake the thread and make it quit.
  void request_close();
  bool finished() const { return done_.load(); }

  std::thread thread;

private:
  struct Transfer {
    enum State { Active, Paused, Finished };
    uint32_t transfer_id = 0, download_id = 0;
    Recording rec;
    uint32_t next = 0, end = 0;
    State state = Active;
  };
  struct Stream {
    bool on = false;
    Clock::time_point keepup, next_frame;
    uint32_t sequence = 0;
  };
  struct Play {
    uint32_t camera_play_id = 0, play_id = 0;
    Recording rec;
    uint32_t pos = 0;
    int frames_left = 0;
    bool paused = false;
    Clock::time_point next_frame;
  };

  // session.cpp
  bool read_input();
  bool write_output();
  void parse_input();
  void dispatch(const uint8_t* msg, uint32_t len);
  bool check_length(const char* what, uint32_t len, uint32_t want);
  void send(const void* data, size_t n);
  template <typename T>
  void send(const T& m) { send(&m, sizeof m); }
  void on_login(const uint8_t* msg, uint32_t len);
  void send_login_reply(uint32_t status, uint32_t challenge);
  uint32_t fresh_id();
  Clock::duration until_next_event(Clock::time_point now) const;

  // session_records.cpp
  void on_statistic(bool alarms_only, uint32_t len);
  void on_list_request(const uint8_t* msg, uint32_t len);
  void on_delete(const uint8_t* msg, uint32_t len);
  void on_download_request(const uint8_t* msg, uint32_t len);
  void on_download_pause(const uint8_t* msg, uint32_t len);
  void on_download_resume(const uint8_t* msg, uint32_t len);
  void on_download_cancel(const uint8_t* msg, uint32_t len);
  Transfer* find_transfer(uint32_t transfer_id, uint32_t download_id, const char* what);
  void check_same_entry(const char* what, const Transfer& t, const char (&name)[32], uint32_t key);
  void pump_transfers();
  void send_block(std::vector<uint8_t>& block, bool last);

  // session_media.cpp
  void on_stream(bool video, bool start);
  void on_video_settings(const uint8_t* msg, uint32_t len, bool set);
  void on_talk_audio(const uint8_t* msg, uint32_t len);
  void on_record_start(const uint8_t* msg, uint32_t len);
  void on_record_stop(const uint8_t* msg, uint32_t len);
  void on_record_delay(const uint8_t* msg, uint32_t len);
  void on_remote_play(const uint8_t* msg, uint32_t len);
  void on_remote_play_ctrl(const uint8_t* msg, uint32_t len);
  void pump_media(Clock::time_point now);
  void finish_recording(bool notify);

  // session_settings.cpp
  void on_config(const uint8_t* msg, uint32_t len);
  void send_config(uint8_t sub_type, const std::string& xml);
  void on_ptz_serial(const uint8_t* msg, uint32_t len);
  void on_signal_strength(uint32_t len);
  void on_goto_preset(const uint8_t* msg, uint32_t len);

  CameraSimulator::Impl& sim_;
  int fd_;  // written only under sim_.sessions_mu
  std::atomic<bool> close_requested_{false};
  std::atomic<bool> done_{false};
  std::mt19937 rng_;

  std::vector<uint8_t> in_;
  std::vector<uint8_t> out_;
  size_t out_pos_ = 0;
  bool closing_ = false;  // flush what is queued, then close
  Clock::time_point closing_since_;

  bool logged_in_;
  int64_t challenge_;  // outstanding challenge; -1 = none issued
  uint64_t data_bytes_sent_ = 0;

  // Faults of this connection (copied when it opens) and their counters.
  Faults faults_;
  uint64_t bytes_queued_ = 0;
  bool cut_ = false;
  bool stalled_ = false;
  int blocks_ = 0;        // data blocks produced
  int inner_blocks_ = 0;  // of those, not the last of their request
  int request_ends_ = 0;  // of those, the last of their request

  std::vector<Transfer> transfers_;  // kept after they finish, until cancelled
  std::set<uint32_t> used_download_ids_;
  size_t next_transfer_ = 0;

  Stream video_, audio_;
  Clock::time_point started_;
  std::vector<Play> plays_;
  std::set<uint32_t> ended_plays_;  // camera play ids that ran to their end

  bool recording_ = false;
  bool recording_open_ended_ = false;
  uint32_t record_transaction_ = 0;
  uint32_t record_seconds_ = 0;
  Clock::time_point record_end_;
};

}  // namespace camsim
