#pragma once
// A readable byte stream with one shared position: what the recording reader
// needs from a C file or from a media framework pad that hands out ranges.
#include <cstddef>
#include <cstdint>

namespace pellaquin {

class IByteSource {
public:
  virtual ~IByteSource() = default;
  // Total length in bytes, or -1 when it cannot be told.
  virtual int64_t Size() = 0;
  // Moves the position; false when the position is negative.
  virtual bool Seek(int64_t position) = 0;
  // Reads up to len bytes at the position and advances it; returns the count
  // read (short at the end of the data or on error).
  virtual size_t Read(void* buffer, size_t len) = 0;
};

}  // namespace pellaquin
