#include "pellaquin.h"

#include <new>

#include "audio_source_stream.h"
#include "file_byte_source.h"
#include "simple_rtp.h"
#include "video_source_stream.h"

namespace pellaquin {

namespace {
uint32_t TimestampOf(const uint8_t* header) {
  return uint32_t(header[4]) << 24 | uint32_t(header[5]) << 16 | uint32_t(header[6]) << 8 | header[7];
}
}  // namespace

CPellaquin::CPellaquin(IEventSink* sink) : CSource(sink) {}

CPellaquin::~CPellaquin() {
  Stop();
  std::lock_guard<std::recursive_mutex> lock(state_lock_);
  pins_.clear();
}

HRESULT CPellaquin::Load(const char* name, const MediaType* type) {
  if (!name) return E_POINTER;
  auto file = FileByteSource::Open(name);
  if (!file) {
    // Keep the name so GetCurFile tells what was tried.
    return LoadFrom(nullptr, name, type);
  }
  return LoadFrom(std::move(file), name, type);
}

HRESULT CPellaquin::LoadFrom(std::unique_ptr<IByteSource> source, const char* name,
                             const MediaType* type) {
  std::lock_guard<std::recursive_mutex> state(state_lock_);
  try {
    return LoadLocked(std::move(source), name, type);
  } catch (const std::bad_alloc&) {
    // The host sees a result code, never the exception; no half-made pins
    // stay behind.
    pins_.clear();
    std::lock_guard<std::recursive_mutex> lock(file_lock_);
    if (reader_) reader_->Close();
    reader_state_ = kReaderNone;
    return E_OUTOFMEMORY;
  }
}

HRESULT CPellaquin::LoadLocked(std::unique_ptr<IByteSource> source, const char* name,
                               const MediaType* type) {
  // The old pins read through the old reader: stop and drop them first.
  Stop();
  pins_.clear();
  std::lock_guard<std::recursive_mutex> lock(file_lock_);
  name_ = name ? name : "";
  if (type) {
    type_ = *type;
  } else {
    type_ = MediaType{};
    type_.majortype = MEDIATYPE_Stream;
  }
  if (reader_)
    reader_->Close();
  else
    reader_ = std::make_unique<CZRVFileReader>();
  reader_state_ = kReaderLoaded;
  duration_ = 0;
  first_key_ts_ = 0;
  first_key_index_ = 0;
  codec_ = VideoCodec::kUnknown;
  video_end_time_ = 0;
  if (!source || reader_->Open(std::move(source)) != 0 || reader_->SegmentCount() > 2) {
    reader_->Close();
    reader_state_ = kReaderNone;
    return E_FAIL;
  }
  ScanKeyAndDuration();
  pins_.push_back(std::make_unique<CVideoSourceStream>(this));
  if (reader_->SegmentCount() == 2) pins_.push_back(std::make_unique<CAudioSourceStream>(this));
  return S_OK;
}

bool CPellaquin::StartsPicture(int entry) {
  // The nearest earlier entry with a payload tells: a picture ends with the
  // marker, and the next timestamp begins another. Entries without a
  // payload belong to no picture.
  uint8_t mine[CSimpleRtp::kHeaderSize], prev[CSimpleRtp::kHeaderSize + 1];
  if (reader_->ReadEntryPrefix(entry, 0, mine, sizeof mine) != static_cast<int>(sizeof mine)) return false;
  for (int e = entry - 1, looked = 0; e >= 0 && looked < kPictureStartLookBack; --e, ++looked) {
    int got = reader_->ReadEntryPrefix(e, 0, prev, sizeof prev);
    if (got <= CSimpleRtp::kHeaderSize || (prev[0] >> 6) != 2) continue;
    return (prev[1] & 0x80) != 0 || TimestampOf(prev) != TimestampOf(mine);
  }
  return true;
}

VideoCodec CPellaquin::KeyPictureAt(int entry) {
  std::lock_guard<std::recursive_mutex> lock(file_lock_);
  if (!reader_) return VideoCodec::kUnknown;
  uint8_t prefix[kKeyPrefixSize];
  int got = reader_->ReadEntryPrefix(entry, 0, prefix, kKeyPrefixSize);
  if (got < kKeyPrefixSize || (prefix[0] >> 6) != 2) return VideoCodec::kUnknown;
  VideoCodec codec = KeyEntryCodecForType(prefix, got);
  if (codec == VideoCodec::kUnknown || !StartsPicture(entry)) return VideoCodec::kUnknown;
  return codec;
}

void CPellaquin::ScanKeyAndDuration() {
  int64_t n = reader_->GetEntryCount(0);
  if (n > INT32_MAX) n = INT32_MAX;
  uint8_t prefix[kKeyPrefixSize];
  bool found = false;
  // An H.263 picture start code is only three bytes and may be met by
  // chance in H.264 data: unless the payload type says H.263, a parameter
  // set a little later still makes the recording H.264.
  int h263_at = -1;
  uint32_t h263_ts = 0;
  for (int e = 0; e < n; ++e) {
    if (h263_at >= 0 && e - h263_at > kH264PreferenceWindow) break;
    int got = reader_->ReadEntryPrefix(e, 0, prefix, kKeyPrefixSize);
    if (got < 0) break;
    VideoCodec codec = KeyPictureAt(e);
    if (codec == VideoCodec::kH264 ||
        (codec == VideoCodec::kH263 && (prefix[1] & 0x7F) == kH263PayloadType && h263_at < 0)) {
      first_key_ts_ = TimestampOf(prefix);
      first_key_index_ = e;
      codec_ = codec;
      found = true;
      break;
    }
    if (codec == VideoCodec::kH263 && h263_at < 0) {
      h263_at = e;
      h263_ts = TimestampOf(prefix);
    }
  }
  if (!found && h263_at >= 0) {
    first_key_ts_ = h263_ts;
    first_key_index_ = h263_at;
    codec_ = VideoCodec::kH263;
    found = true;
  }
  if (!found) {
    // No key picture: times count from the first entry (not from RTP time
    // 0, which would put every seek before the start and make the duration
    // the camera's clock), and the codec is guessed from the first payload
    // that starts a picture, or from the payload type.
    bool have_time = false;
    for (int e = 0; e < n && e < 16; ++e) {
      int got = reader_->ReadEntryPrefix(e, 0, prefix, kKeyPrefixSize);
      if (got < CSimpleRtp::kHeaderSize || (prefix[0] >> 6) != 2) continue;
      if (!have_time) {
        first_key_ts_ = TimestampOf(prefix);
        have_time = true;
      }
      if ((prefix[1] & 0x7F) == kH263PayloadType) codec_ = VideoCodec::kH263;
      if (got < kKeyPrefixSize || codec_ != VideoCodec::kUnknown || !StartsPicture(e)) continue;
      const uint8_t* p = prefix + 12;
      if (p[0] == 0 && p[1] == 0 && (p[2] & 0xFC) == 0x80) codec_ = VideoCodec::kH263;
      else if (p[0] == 0 && p[1] == 0 && (p[2] == 1 || (p[2] == 0 && p[3] == 1))) codec_ = VideoCodec::kH264;
    }
  }
  // The last entry that carries a header ends the recording.
  for (int64_t e = n - 1; e >= 0 && e >= n - 16; --e) {
    int got = reader_->ReadEntryPrefix(static_cast<int>(e), 0, prefix, CSimpleRtp::kHeaderSize);
    if (got == CSimpleRtp::kHeaderSize && (prefix[0] >> 6) == 2) {
      int32_t diff = static_cast<int32_t>(TimestampOf(prefix) - first_key_ts_);
      duration_ += int64_t{diff} * 10000;
      break;
    }
  }
  if (duration_ < 0) duration_ = 0;
}

HRESULT CPellaquin::GetCurFile(std::string* name, MediaType* type) {
  std::lock_guard<std::recursive_mutex> lock(file_lock_);
  if (name) *name = name_;
  if (type) *type = type_;
  return S_OK;
}

CVideoSourceStream* CPellaquin::video_pin() { return static_cast<CVideoSourceStream*>(GetPin(0)); }
CAudioSourceStream* CPellaquin::audio_pin() { return static_cast<CAudioSourceStream*>(GetPin(1)); }

int CPellaquin::ReadEntry(int entry, uint8_t* buffer, int capacity) {
  std::lock_guard<std::recursive_mutex> lock(file_lock_);
  return reader_ ? reader_->ReadEntry(entry, 0, buffer, capacity) : -1;
}

int CPellaquin::ReadEntryPrefix(int entry, uint8_t* buffer, int max_len) {
  std::lock_guard<std::recursive_mutex> lock(file_lock_);
  return reader_ ? reader_->ReadEntryPrefix(entry, 0, buffer, max_len) : -1;
}

int64_t CPellaquin::EntryCount() {
  std::lock_guard<std::recursive_mutex> lock(file_lock_);
  return reader_ ? reader_->GetEntryCount(0) : -1;
}

ReaderState CPellaquin::reader_state() {
  std::lock_guard<std::recursive_mutex> lock(file_lock_);
  return reader_state_;
}

void CPellaquin::set_reader_state(ReaderState state) {
  std::lock_guard<std::recursive_mutex> lock(file_lock_);
  reader_state_ = state;
}

void CPellaquin::set_video_ended(int64_t last_picture_time) {
  std::lock_guard<std::recursive_mutex> lock(file_lock_);
  video_end_time_ = last_picture_time;
  reader_state_ = kReaderEnded;
}

bool CPellaquin::VideoEndedBy(int64_t time) {
  std::lock_guard<std::recursive_mutex> lock(file_lock_);
  return reader_state_ == kReaderEnded && time >= video_end_time_;
}

}  // namespace pellaquin
