#pragma once
// Media types, their format blocks and sample buffers of the filter layer.
#include <cstdint>
#include <vector>

#include "guid.h"
#include "hresult.h"

namespace pellaquin {

#pragma pack(push, 1)
struct RectL {
  int32_t left, top, right, bottom;
};
struct BitmapInfoHeader {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
};
struct VideoInfoHeader {
  RectL rcSource;
  RectL rcTarget;
  uint32_t dwBitRate;
  uint32_t dwBitErrorRate;
  int64_t AvgTimePerFrame;
  BitmapInfoHeader bmiHeader;
};
struct WaveFormatEx {
  uint16_t wFormatTag;
  uint16_t nChannels;
  uint32_t nSamplesPerSec;
  uint32_t nAvgBytesPerSec;
  uint16_t nBlockAlign;
  uint16_t wBitsPerSample;
  uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(BitmapInfoHeader) == 40);
static_assert(sizeof(VideoInfoHeader) == 88);
static_assert(sizeof(WaveFormatEx) == 18);

struct MediaType {
  Guid majortype = GUID_NULL;
  Guid subtype = GUID_NULL;
  bool fixed_size_samples = false;
  bool temporal_compression = false;
  uint32_t sample_size = 0;
  Guid formattype = GUID_NULL;
  std::vector<uint8_t> format;  // the format block

  template <typename T>
  const T* FormatAs() const {
    return format.size() >= sizeof(T) ? reinterpret_cast<const T*>(format.data()) : nullptr;
  }
  template <typename T>
  void SetFormat(const Guid& type, const T& block) {
    formattype = type;
    format.assign(reinterpret_cast<const uint8_t*>(&block),
                  reinterpret_cast<const uint8_t*>(&block) + sizeof block);
  }
};

struct AllocatorProperties {
  long cBuffers = 0;
  long cbBuffer = 0;
  long cbAlign = 0;
  long cbPrefix = 0;
};

// What a downstream allocator grants for a request.
class IMemAllocator {
public:
  virtual ~IMemAllocator() = default;
  virtual HRESULT SetProperties(const AllocatorProperties& request, AllocatorProperties* actual) = 0;
};

// One sample buffer: capacity fixed at connection, the pin fills a prefix.
class MediaSample {
public:
  explicit MediaSample(size_t capacity) : data_(capacity) {}
  uint8_t* data() { return data_.data(); }
  const uint8_t* data() const { return data_.data(); }
  size_t capacity() const { return data_.size(); }
  size_t actual_length() const { return actual_; }
  HRESULT SetActualDataLength(size_t n) {
    if (n > data_.size()) return E_INVALIDARG;
    actual_ = n;
    return S_OK;
  }
  void SetTime(int64_t start) { start_ = start; has_time_ = true; }
  bool has_time() const { return has_time_; }
  int64_t start_time() const { return start_; }
  // Set when the sample starts with a key picture.
  void SetSyncPoint(bool sync) { sync_ = sync; }
  bool sync_point() const { return sync_; }
  void Reset() { actual_ = 0; has_time_ = false; sync_ = false; start_ = 0; }

private:
  std::vector<uint8_t> data_;
  size_t actual_ = 0;
  int64_t start_ = 0;
  bool has_time_ = false;
  bool sync_ = false;
};

}  // namespace pellaquin
