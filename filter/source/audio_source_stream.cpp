#include "audio_source_stream.h"

#include <cstring>

#include "pellaquin.h"
#include "pellaquin_ids.h"

namespace pellaquin {

CAudioSourceStream::CAudioSourceStream(CPellaquin* filter)
    : CSourceStream(kAudioPinName, filter), CSourceSeeking(&pin_lock_), pellaquin_(filter) {
  if (filter->duration() != 0) duration_ = filter->duration();
}

CAudioSourceStream::~CAudioSourceStream() = default;

HRESULT CAudioSourceStream::GetMediaType(int position, MediaType* type) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  if (!type) return E_POINTER;
  WaveFormatEx wfx{};
  wfx.wFormatTag = 1;
  wfx.nChannels = 1;
  wfx.nSamplesPerSec = 8000;
  wfx.nAvgBytesPerSec = 16000;
  wfx.nBlockAlign = 2;
  wfx.wBitsPerSample = 16;
  wfx.cbSize = 0;
  *type = MediaType{};
  type->majortype = MEDIATYPE_Audio;
  type->subtype = MEDIASUBTYPE_AMR;
  type->fixed_size_samples = true;
  type->sample_size = kSampleBytes;
  type->SetFormat(FORMAT_WaveFormatEx, wfx);
  return S_OK;
}

HRESULT CAudioSourceStream::CheckMediaType(const MediaType& type) {
  if (!(type.majortype == MEDIATYPE_Audio) && !type.fixed_size_samples) return E_INVALIDARG;
  if (!(type.subtype == MEDIASUBTYPE_AMR)) return E_FAIL;
  return S_OK;
}

HRESULT CAudioSourceStream::DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) {
  return AgreeBuffers(allocator, request, 10, kSampleBytes);
}

HRESULT CAudioSourceStream::OnThreadCreate() {
  std::lock_guard<std::recursive_mutex> lock(pin_lock_);
  sample_time_ = 0;
  duration_ = pellaquin_->duration();
  remaining_ = duration_;
  return NOERROR;
}

HRESULT CAudioSourceStream::FillBuffer(MediaSample* sample) {
  std::lock_guard<std::recursive_mutex> lock(pin_lock_);
  // Silence ends with the recording rather than running on for ever, and
  // with the video when that ends first: the length the file claims may be
  // far longer than its pictures.
  if ((remaining_ > 0 && sample_time_ >= remaining_) || pellaquin_->VideoEndedBy(sample_time_))
    return S_FALSE;
  if (sample->capacity() < static_cast<size_t>(kSampleBytes)) return E_FAIL;
  std::memset(sample->data(), 0, sample->capacity());
  sample_time_ += kSampleDuration;
  sample->SetActualDataLength(kSampleBytes);
  sample->SetTime(sample_time_);
  sample->SetSyncPoint(true);
  return S_OK;
}

HRESULT CAudioSourceStream::ChangeStart() {
  if (!ThreadExists()) return S_OK;
  RestartAfterSeek([this] {
    // Samples after a seek count from the new start, like the video's, and
    // the silence lasts for what is left of the recording.
    std::lock_guard<std::recursive_mutex> lock(pin_lock_);
    sample_time_ = 0;
    remaining_ = duration_ > start_ ? duration_ - start_ : (duration_ > 0 ? 1 : 0);
  });
  return S_OK;
}

}  // namespace pellaquin
