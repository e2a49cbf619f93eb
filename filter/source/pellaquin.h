#pragma once
// The .zrv recording source: loads a file, exposes a video pin and, for
// files with an audio segment, an audio pin, and serialises their reads.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "key_entry.h"
#include "source_filter.h"
#include "zrv_file_reader.h"

namespace pellaquin {

class CVideoSourceStream;
class CAudioSourceStream;

enum ReaderState { kReaderNone = 0, kReaderLoaded = 1, kReaderStreaming = 2, kReaderEnded = 3 };

class CPellaquin : public CSource {
public:
  explicit CPellaquin(IEventSink* sink = nullptr);
  ~CPellaquin() override;

  // Opens the named file. Loading again replaces the file and the pins
  // (the filter is stopped first).
  HRESULT Load(const char* name, const MediaType* type);
  // The same for a byte source the host opened (a framework pad, say).
  HRESULT LoadFrom(std::unique_ptr<IByteSource> source, const char* name, const MediaType* type);
  HRESULT GetCurFile(std::string* name, MediaType* type);

  CVideoSourceStream* video_pin();
  CAudioSourceStream* audio_pin();

  // Pins' side, each call under the file lock.
  int ReadEntry(int entry, uint8_t* buffer, int capacity);
  int ReadEntryPrefix(int entry, uint8_t* buffer, int max_len);
  int64_t EntryCount();
  ReaderState reader_state();
  void set_reader_state(ReaderState state);
  // The video pin ran out of entries; its last picture was stamped
  // last_picture_time (the reader state becomes "ended").
  void set_video_ended(int64_t last_picture_time);
  // Whether the video has ended and a sample stamped time would outlast it.
  bool VideoEndedBy(int64_t time);
  // The codec of the key picture that entry starts: its payload starts a
  // key picture and the entry starts a picture (a fragment that happens to
  // look like one does not). kUnknown otherwise.
  VideoCodec KeyPictureAt(int entry);

  int64_t duration() const { return duration_; }
  uint32_t first_key_timestamp() const { return first_key_ts_; }
  int first_key_index() const { return first_key_index_; }
  // Codec of the first key entry, else guessed from the first payload.
  VideoCodec codec() const { return codec_; }

private:
  // How many entries back StartsPicture looks for one with a payload.
  static constexpr int kPictureStartLookBack = 16;
  // How far past an H.263-looking key under a dynamic payload type the
  // scan still looks for an H.264 parameter set.
  static constexpr int kH264PreferenceWindow = 65536;

  HRESULT LoadLocked(std::unique_ptr<IByteSource> source, const char* name, const MediaType* type);
  void ScanKeyAndDuration();
  bool StartsPicture(int entry);  // under the file lock

  std::string name_;
  MediaType type_;
  std::recursive_mutex file_lock_;  // guards reader_ and reader_state_
  std::unique_ptr<CZRVFileReader> reader_;
  ReaderState reader_state_ = kReaderNone;
  int64_t duration_ = 0;
  uint32_t first_key_ts_ = 0;
  int first_key_index_ = 0;
  VideoCodec codec_ = VideoCodec::kUnknown;
  int64_t video_end_time_ = 0;  // guarded by file_lock_
};

}  // namespace pellaquin
