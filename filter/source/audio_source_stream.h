#pragma once
// The audio pin: 20 ms samples of silence for as long as the recording lasts
// and its video goes on (the recorded audio itself is not decoded).
#include <cstdint>
#include <mutex>

#include "source_seeking.h"
#include "source_stream.h"

namespace pellaquin {

class CPellaquin;

class CAudioSourceStream : public CSourceStream, public CSourceSeeking {
public:
  static constexpr int kSampleBytes = 320;
  static constexpr int64_t kSampleDuration = 200000;  // 20 ms in 100 ns

  explicit CAudioSourceStream(CPellaquin* filter);
  ~CAudioSourceStream() override;

  HRESULT GetMediaType(int position, MediaType* type) override;
  HRESULT CheckMediaType(const MediaType& type) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) override;

protected:
  HRESULT FillBuffer(MediaSample* sample) override;
  HRESULT OnThreadCreate() override;
  HRESULT ChangeStart() override;
  HRESULT ChangeStop() override { return S_OK; }
  HRESULT ChangeRate() override { return S_OK; }

private:
  CPellaquin* pellaquin_;
  std::recursive_mutex pin_lock_;
  int64_t sample_time_ = 0;
  // How much silence the stream still has to give from its start or the
  // last seek; 0 = until the video ends.
  int64_t remaining_ = 0;
};

}  // namespace pellaquin
