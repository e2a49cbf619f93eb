#include "video_source_stream.h"

#include <cstdio>
#include <cstring>

#include "key_entry.h"
#include "pellaquin.h"
#include "pellaquin_ids.h"

namespace pellaquin {

CVideoSourceStream::CVideoSourceStream(CPellaquin* filter)
    : CSourceStream(kVideoPinName, filter), CSourceSeeking(&pin_lock_), pellaquin_(filter),
      packet_(kPacketBufferSize) {
  rtp_.Setup(RtpConfig{34, 10, 1000, 0});
  if (filter->duration() != 0) {
    duration_ = filter->duration();
    stop_ = duration_;
    start_ = 0;
  }
}

CVideoSourceStream::~CVideoSourceStream() = default;

HRESULT CVideoSourceStream::GetMediaType(int position, MediaType* type) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  if (!type) return E_POINTER;
  VideoInfoHeader vih{};
  vih.bmiHeader.biSize = sizeof(BitmapInfoHeader);
  vih.bmiHeader.biWidth = kWidth;
  vih.bmiHeader.biHeight = kHeight;
  vih.bmiHeader.biPlanes = 1;
  vih.bmiHeader.biBitCount = 24;
  vih.bmiHeader.biCompression = MakeFourcc('H', 'M', 'I', 'X');
  vih.bmiHeader.biSizeImage = kSampleSize;
  *type = MediaType{};
  type->majortype = MEDIATYPE_Video;
  type->subtype = MEDIASUBTYPE_HMIX;
  type->fixed_size_samples = true;
  type->temporal_compression = false;
  type->sample_size = kSampleSize;
  type->SetFormat(FORMAT_VideoInfo, vih);
  return S_OK;
}

HRESULT CVideoSourceStream::CheckMediaType(const MediaType& type) {
  if (!(type.subtype == MEDIASUBTYPE_HMIX)) return E_INVALIDARG;
  if (type.majortype == MEDIATYPE_Video) {
    const VideoInfoHeader* vih = type.FormatAs<VideoInfoHeader>();
    if (!vih) return E_INVALIDARG;
    int64_t w = vih->bmiHeader.biWidth, h = vih->bmiHeader.biHeight;
    if ((w < 0 ? -w : w) < 20 || (h < 0 ? -h : h) < 20) return E_INVALIDARG;
  } else if (!type.fixed_size_samples) {
    return E_INVALIDARG;
  }
  return S_OK;
}

HRESULT CVideoSourceStream::DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) {
  return AgreeBuffers(allocator, request, 2, kSampleSize);
}

HRESULT CVideoSourceStream::OnThreadCreate() {
  std::lock_guard<std::recursive_mutex> lock(pin_lock_);
  previous_ts_ = 0;
  have_previous_ = false;
  stream_time_ = 0;
  first_key_ts_ = pellaquin_->first_key_timestamp();
  duration_ = pellaquin_->duration();
  pellaquin_->set_reader_state(kReaderStreaming);
  next_entry_ = located_ ? located_entry_ : pellaquin_->first_key_index();
  return NOERROR;
}

HRESULT CVideoSourceStream::FillBuffer(MediaSample* sample) {
  std::lock_guard<std::recursive_mutex> lock(pin_lock_);
  sample->SetActualDataLength(0);
  uint8_t* out = sample->data();
  size_t written = 0;
  bool begun = false;
  bool key = false;
  uint32_t picture_ts = 0;
  for (;;) {
    StreamWorker::Command cmd;
    if (CheckRequest(&cmd)) {
      Reply(NOERROR);
      stream_time_ = 1;
      return S_FALSE;
    }
    int n = pellaquin_->ReadEntry(next_entry_, packet_.data(), kPacketBufferSize);
    if (n == CZRVFileReader::kEntryTooLong) {
      // Longer than any stored packet can be: refused, the rest plays on.
      ++next_entry_;
      continue;
    }
    if (n < 0) {
      // The picture assembled so far is delivered; the end is signalled by
      // the next call.
      if (begun) break;
      filter_->NotifyEvent(EC_COMPLETE, S_OK, 0);
      pellaquin_->set_video_ended(stream_time_);
      return S_FALSE;
    }
    // Entries without payload carry nothing to show.
    if (n <= CSimpleRtp::kHeaderSize || rtp_.ParseHeader(&info_, packet_.data(), n) < 0) {
      ++next_entry_;
      continue;
    }
    if (begun && info_.timestamp != picture_ts) break;
    size_t payload = static_cast<size_t>(n - CSimpleRtp::kHeaderSize);
    if (written + payload > sample->capacity()) {
      // A picture larger than a sample goes on in the next sample.
      if (begun) break;
      ++next_entry_;
      continue;
    }
    if (!begun) key = IsKeyEntry(packet_.data(), n) == 1;
    std::memcpy(out + written, packet_.data() + CSimpleRtp::kHeaderSize, payload);
    written += payload;
    ++next_entry_;
    picture_ts = info_.timestamp;
    begun = true;
  }
  if (have_previous_) stream_time_ = AdvanceStreamTime(stream_time_, picture_ts - previous_ts_);
  previous_ts_ = picture_ts;
  have_previous_ = true;
  sample->SetActualDataLength(written);
  located_ = false;
  sample->SetTime(stream_time_);
  sample->SetSyncPoint(key);
  return S_OK;
}

int64_t CVideoSourceStream::AdvanceStreamTime(int64_t time, uint32_t step_ts) {
  int64_t step = int64_t{static_cast<int32_t>(step_ts)} * 10000;
  // A jump of hours between two pictures is a broken clock, not a pause:
  // the picture follows at the usual interval instead.
  if (step > kMaxPlausibleStep || step < -kMaxPlausibleStep) step = kNominalStep;
  if (step > 0 && time > INT64_MAX - step) return INT64_MAX;
  if (step < 0 && time < INT64_MIN - step) return INT64_MIN;
  return time + step;
}

bool CVideoSourceStream::ReadTimestamp(int entry, uint32_t* timestamp) {
  // Only the fixed header is read: the timestamp is all the search needs,
  // whatever CSRCs or extension follow it.
  uint8_t header[CSimpleRtp::kHeaderSize];
  RtpHeaderInfo info;
  if (pellaquin_->ReadEntryPrefix(entry, header, sizeof header) != CSimpleRtp::kHeaderSize ||
      rtp_.ParseFixedHeader(&info, header, sizeof header) < 0)
    return false;
  *timestamp = info.timestamp;
  return true;
}

HRESULT CVideoSourceStream::Locate(int64_t time) {
  std::lock_guard<std::recursive_mutex> lock(pin_lock_);
  if (time < 0) return E_FAIL;
  const int64_t target = time / 10000;
  const int64_t count = pellaquin_->EntryCount();
  if (count <= 0 || count > INT32_MAX) return E_FAIL;
  const int n = static_cast<int>(count);
  int lo = 0, hi = n - 1, mid = 0;
  if (n != 1) {
    for (;;) {
      mid = lo + (hi - lo) / 2;
      // An entry without a header (empty, cut short) does not stop the
      // search: the nearest readable one close by stands in for it.
      int probe = mid;
      uint32_t ts = 0;
      const int up_to = hi - mid > kProbeLimit ? mid + kProbeLimit : hi;
      while (probe <= up_to && !ReadTimestamp(probe, &ts)) ++probe;
      if (probe > up_to) {
        const int down_to = mid - lo > kProbeLimit ? mid - kProbeLimit : lo;
        probe = mid - 1;
        while (probe >= down_to && !ReadTimestamp(probe, &ts)) --probe;
        if (probe < down_to) return E_FAIL;
      }
      int64_t d = int64_t{static_cast<int32_t>(ts - first_key_ts_)} - target;
      if ((d < 0 ? -d : d) <= 100 || mid == lo || mid == hi) break;
      if (d <= 0)
        lo = mid;
      else
        hi = mid;
    }
  }
  int found = -1;
  for (int dist = 0; found < 0 && dist <= kKeySearchLimit && (mid - dist >= 0 || mid + dist < n); ++dist) {
    const int candidates[2] = {mid - dist, mid + dist};
    for (int c = 0; c < (dist == 0 ? 1 : 2); ++c) {
      int e = candidates[c];
      if (e < 0 || e >= n) continue;
      if (pellaquin_->KeyPictureAt(e) != VideoCodec::kUnknown) {
        found = e;
        break;
      }
    }
  }
  if (found >= 0) {
    located_entry_ = found;
    located_ = true;
  } else {
    OutputDebugText("无法定位！\n");
    located_entry_ = mid;
  }
  uint32_t ts = 0;
  located_time_ = ReadTimestamp(located_entry_, &ts)
                      ? int64_t{static_cast<int32_t>(ts - first_key_ts_)} * 10000
                      : time;
  if (located_time_ < 0) located_time_ = 0;
  previous_ts_ = 0;
  have_previous_ = false;
  return S_OK;
}

int64_t CVideoSourceStream::located_media_time() {
  std::lock_guard<std::recursive_mutex> lock(pin_lock_);
  return located_time_;
}

HRESULT CVideoSourceStream::SetPositions(int64_t* current, uint32_t current_flags, int64_t* stop,
                                         uint32_t stop_flags) {
  if ((current_flags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_NoPositioning) {
    if (!current) return E_POINTER;
    int64_t position = *current;
    {
      std::lock_guard<std::recursive_mutex> lock(pin_lock_);
      if ((current_flags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_RelativePositioning)
        position += start_;
    }
    if (pellaquin_->reader_state() != kReaderStreaming || Locate(position) != S_OK) return S_FALSE;
    std::lock_guard<std::recursive_mutex> lock(pin_lock_);
    stream_time_ = position;
  }
  return CSourceSeeking::SetPositions(current, current_flags, stop, stop_flags);
}

HRESULT CVideoSourceStream::ChangeStart() {
  if (!ThreadExists()) return S_OK;
  RestartAfterSeek([this] {
    std::lock_guard<std::recursive_mutex> lock(pin_lock_);
    next_entry_ = located_entry_;
    stream_time_ = 1;
    previous_ts_ = 0;
    have_previous_ = false;
  });
  return S_OK;
}

}  // namespace pellaquin
