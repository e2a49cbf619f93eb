// A .zrv recording as any program handed a file may meet it: the bytes are
// loaded by the recording source, both pins play to their end, seek to
// times taken from the input and play again, and the reader reads every
// entry of every segment. A hang is a finding too (run with -timeout).
//
// The seeds in corpus/zrv_file are written by testing/zrvgen with --plain
// (tiny black pictures), one damage option each as the names say (for
// example --claim-entries 2147483647, --interval 2147483647, --csrc 2), and
// two by hand: a header claiming 2^32-1 segments whose only segment points
// back to itself (89 bytes), and three entries under a count of 2^31-1.
#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "audio_source_stream.h"
#include "block_cached_source.h"
#include "pellaquin.h"
#include "video_source_stream.h"
#include "zrv_file_reader.h"

namespace {

using namespace pellaquin;

class MemorySource final : public BlockCachedSource {
public:
  MemorySource(const uint8_t* data, size_t size) : bytes_(data, data + size) {}
  int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }

protected:
  size_t ReadAt(uint64_t offset, void* buffer, size_t len) override {
    if (offset >= bytes_.size()) return 0;
    size_t n = std::min<size_t>(len, bytes_.size() - offset);
    std::memcpy(buffer, bytes_.data() + offset, n);
    return n;
  }

private:
  std::vector<uint8_t> bytes_;
};

// Downstream of one pin: reads every byte it is handed and, like a sink that
// has had enough, refuses samples after a limit (a claimed length of weeks
// is not played out here).
class Output final : public IPinOutput {
public:
  static constexpr int kMaxSamples = 3000;

  HRESULT Deliver(const MediaSample& s) override {
    uint8_t sum = 0;
    for (size_t i = 0; i < s.actual_length(); ++i) sum = static_cast<uint8_t>(sum + s.data()[i]);
    checksum_ += sum;
    std::lock_guard<std::mutex> l(m_);
    if (flushing_) return S_FALSE;
    if (++samples_ < kMaxSamples) return S_OK;
    done_ = true;
    cv_.notify_all();
    return S_FALSE;
  }
  HRESULT DeliverBeginFlush() override {
    std::lock_guard<std::mutex> l(m_);
    flushing_ = true;
    return S_OK;
  }
  HRESULT DeliverEndFlush() override {
    std::lock_guard<std::mutex> l(m_);
    flushing_ = false;
    return S_OK;
  }
  HRESULT DeliverEndOfStream() override {
    std::lock_guard<std::mutex> l(m_);
    if (!flushing_) done_ = true;
    cv_.notify_all();
    return S_OK;
  }
  void WaitDone() {
    std::unique_lock<std::mutex> l(m_);
    cv_.wait(l, [&] { return done_; });
  }
  void Reset() {
    std::lock_guard<std::mutex> l(m_);
    done_ = false;
    samples_ = 0;
  }

private:
  std::mutex m_;
  std::condition_variable cv_;
  bool done_ = false;
  bool flushing_ = false;
  int samples_ = 0;
  unsigned checksum_ = 0;
};

struct NullEvents final : IEventSink {
  void NotifyEvent(long, intptr_t, intptr_t) override {}
};

void ReadEverySegment(const uint8_t* data, size_t size) {
  CZRVFileReader reader;
  if (reader.Open(std::make_unique<MemorySource>(data, size)) != 0) return;
  std::vector<uint8_t> buffer(CVideoSourceStream::kPacketBufferSize);
  for (int s = 0; s < reader.SegmentCount(); ++s) {
    const int64_t count = reader.GetEntryCount(s);
    for (int64_t e = 0; e < count && e < 100000; ++e) {
      reader.ReadEntry(static_cast<int>(e), s, buffer.data(), static_cast<int>(buffer.size()));
      reader.ReadEntryPrefix(static_cast<int>(e), s, buffer.data(), 17);
    }
  }
}

// Plays both pins until each has ended (or had enough).
void PlayToTheEnd(CPellaquin* filter, Output* video, Output* audio) {
  video->WaitDone();
  if (filter->audio_pin()) audio->WaitDone();
}

void Seek(CPellaquin* filter, Output* video, Output* audio, int64_t time) {
  video->Reset();
  audio->Reset();
  // As the media framework's element does: a pin that reached its end is
  // sent back to streaming before the seek.
  if (filter->reader_state() == kReaderEnded) filter->set_reader_state(kReaderStreaming);
  int64_t at = time;
  if (filter->video_pin()->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr,
                                        AM_SEEKING_NoPositioning) != S_OK)
    return;
  if (CAudioSourceStream* pin = filter->audio_pin()) {
    int64_t audio_at = time;
    pin->SetPositions(&audio_at, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  }
  PlayToTheEnd(filter, video, audio);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 400000) return 0;
  // The seek search's debugger line would cost more than the search.
  static const bool quiet = (SetDebugOutput([](const char*) {}), true);
  (void)quiet;
  ReadEverySegment(data, size);

  NullEvents events;
  Output video, audio;
  CPellaquin filter(&events);
  if (filter.LoadFrom(std::make_unique<MemorySource>(data, size), "fuzz.zrv", nullptr) != S_OK) return 0;
  if (filter.video_pin()->Connect(&video) != S_OK) return 0;
  if (filter.audio_pin() && filter.audio_pin()->Connect(&audio) != S_OK) return 0;
  if (filter.Pause() != S_OK) return 0;
  PlayToTheEnd(&filter, &video, &audio);

  // Seek targets from the input: one inside the recording, one from its
  // last bytes (anywhere, the far end included).
  uint64_t hash = 1469598103934665603ULL;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 1099511628211ULL;
  const int64_t duration = filter.duration();
  Seek(&filter, &video, &audio, static_cast<int64_t>(hash % static_cast<uint64_t>(duration + 1)));
  if (size >= 4) {
    uint32_t ms;
    std::memcpy(&ms, data + size - 4, sizeof ms);
    Seek(&filter, &video, &audio, int64_t{ms} * 10000);
  }
  filter.Stop();
  return 0;
}
