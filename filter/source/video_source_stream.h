#pragma once
// The video pin: one compressed picture per sample, stamped from the
// recorded RTP timestamps, with seeking to the nearest key picture.
#include <cstdint>
#include <mutex>
#include <vector>

#include "simple_rtp.h"
#include "source_seeking.h"
#include "source_stream.h"

namespace pellaquin {

class CPellaquin;

class CVideoSourceStream : public CSourceStream, public CSourceSeeking {
public:
  static constexpr int kPacketBufferSize = 230400;
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 480;
  static constexpr uint32_t kSampleSize = kWidth * kHeight * 3;
  // 100-ns units: the picture interval at the recordings' 10 pictures a
  // second, and the largest step between two pictures taken as recorded.
  static constexpr int64_t kNominalStep = 1000000;
  static constexpr int64_t kMaxPlausibleStep = 3600LL * 10000000;
  // Seek search bounds, in entries: how far an unreadable entry is stepped
  // over, and how far from the target a key picture is looked for.
  static constexpr int kProbeLimit = 4096;
  static constexpr int kKeySearchLimit = 65536;

  // The stream time of a picture whose timestamp lies step_ts (1 ms units,
  // a signed 32-bit difference) after the previous one; saturating.
  static int64_t AdvanceStreamTime(int64_t time, uint32_t step_ts);

  explicit CVideoSourceStream(CPellaquin* filter);
  ~CVideoSourceStream() override;

  HRESULT GetMediaType(int position, MediaType* type) override;
  HRESULT CheckMediaType(const MediaType& type) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) override;

  HRESULT SetPositions(int64_t* current, uint32_t current_flags, int64_t* stop,
                       uint32_t stop_flags) override;
  // Media time (100 ns from the first key picture) of the entry the last
  // successful seek located.
  int64_t located_media_time();

protected:
  HRESULT FillBuffer(MediaSample* sample) override;
  HRESULT OnThreadCreate() override;
  HRESULT ChangeStart() override;
  HRESULT ChangeStop() override { return S_OK; }
  HRESULT ChangeRate() override { return S_OK; }

private:
  HRESULT Locate(int64_t time);
  bool ReadTimestamp(int entry, uint32_t* timestamp);

  CPellaquin* pellaquin_;
  std::recursive_mutex pin_lock_;  // held for each sample and each locate
  std::vector<uint8_t> packet_;
  CSimpleRtp rtp_;
  RtpHeaderInfo info_{};
  int next_entry_ = 0;
  int located_entry_ = 0;
  bool located_ = false;
  int64_t located_time_ = 0;
  int64_t stream_time_ = 0;
  uint32_t previous_ts_ = 0;
  // Whether previous_ts_ holds a picture: a recorded timestamp of 0 is a
  // real one.
  bool have_previous_ = false;
  uint32_t first_key_ts_ = 0;
};

}  // namespace pellaquin
