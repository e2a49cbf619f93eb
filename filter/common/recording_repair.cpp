#include "recording_repair.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "key_entry.h"
#include "output_file.h"
#include "zrv_format.h"

namespace pellaquin {

namespace {

// The player's packet buffer: no stored packet can be longer.
constexpr size_t kMaxPacket = 230400;
constexpr size_t kRtpHeader = 12;
// A second chain is believed only when three linked packets, each at most
// this long, start where the first chain ends.
constexpr size_t kMaxSecondChainPacket = 8192;

struct Packet {
  uint64_t offset;
  uint64_t length;
};

uint16_t Seq(const uint8_t* p) { return static_cast<uint16_t>(p[2] << 8 | p[3]); }
uint32_t Be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
bool Version2(const uint8_t* p) { return (p[0] >> 6) == 2; }

class Mapping {
public:
  bool Open(const std::string& path, std::string* error) {
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0) {
      *error = "cannot read " + path + ": " + std::strerror(errno);
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      *error = path + " is not a file";
      return false;
    }
    size_ = static_cast<size_t>(st.st_size);
    dev_ = st.st_dev;
    ino_ = st.st_ino;
    if (size_ == 0) return true;
    void* m = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd_, 0);
    if (m == MAP_FAILED) {
      *error = "cannot read " + path + ": " + std::strerror(errno);
      return false;
    }
    data_ = static_cast<const uint8_t*>(m);
    return true;
  }
  ~Mapping() {
    if (data_) munmap(const_cast<uint8_t*>(data_), size_);
    if (fd_ >= 0) close(fd_);
  }
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool SameFile(const std::string& other) const {
    struct stat st;
    return stat(other.c_str(), &st) == 0 && st.st_dev == dev_ && st.st_ino == ino_;
  }

private:
  int fd_ = -1;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  dev_t dev_ = 0;
  ino_t ino_ = 0;
};

// The header of the packet that follows the one at `at` (same SSRC, next
// sequence number), searched up to `limit` bytes on; end when none.
uint64_t FindNext(const uint8_t* d, uint64_t at, uint64_t end, size_t limit, uint64_t* scanned = nullptr) {
  const uint8_t* h = d + at;
  const uint16_t want = static_cast<uint16_t>(Seq(h) + 1);
  uint64_t from = at + kRtpHeader;
  uint64_t stop = end - at > limit + kRtpHeader ? at + limit + kRtpHeader : end;
  if (scanned) *scanned += stop - from;
  // Search for the SSRC bytes; a header starts 8 bytes before them.
  const uint8_t* ssrc = h + 8;
  uint64_t pos = from + 8;
  while (pos + 4 <= stop) {
    const void* hit = memmem(d + pos, stop - pos, ssrc, 4);
    if (!hit) break;
    uint64_t q = static_cast<uint64_t>(static_cast<const uint8_t*>(hit) - d) - 8;
    if (q + kRtpHeader <= end && Version2(d + q) && Seq(d + q) == want) return q;
    pos = q + 9;
  }
  return end;
}

// Walks a chain from `start`; each packet ends where the next begins, the
// last at `end`. Returns the packets; the last one's length is to `end`.
std::vector<Packet> WalkChain(const uint8_t* d, uint64_t start, uint64_t end, size_t limit) {
  std::vector<Packet> out;
  uint64_t at = start;
  while (at + kRtpHeader <= end && Version2(d + at)) {
    uint64_t next = FindNext(d, at, end, limit);
    out.push_back({at, next - at});
    if (next == end) break;
    at = next;
  }
  return out;
}

// Where a second chain starts inside the last packet of the first one:
// a version 2 header followed by two more packets linked to it. The search
// gives up after a fixed amount of scanning, which data built to look like
// headers everywhere would otherwise stretch to hours.
uint64_t FindSecondChain(const uint8_t* d, const Packet& last, uint64_t end) {
  constexpr uint64_t kBudget = 64ull << 20;
  uint64_t scanned = 0;
  const uint64_t stop = end - last.offset > kMaxPacket ? last.offset + kMaxPacket : end;
  for (uint64_t q = last.offset + kRtpHeader; q + kRtpHeader <= stop && scanned < kBudget; ++q) {
    if (!Version2(d + q)) continue;
    uint64_t q2 = FindNext(d, q, end, kMaxSecondChainPacket, &scanned);
    if (q2 == end) continue;
    uint64_t q3 = FindNext(d, q2, end, kMaxSecondChainPacket, &scanned);
    if (q3 != end) return q;
  }
  return end;
}

void Put32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool WriteAll(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    ssize_t w = write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

// Whether the file's header and segment chain lead to tables inside it.
bool TablesReadable(const uint8_t* d, size_t size) {
  if (size < sizeof(ZrvFileHeader)) return false;
  uint32_t count = Le32(d + 8);
  uint64_t at = Le32(d + 12);
  if (count < 1 || at <= sizeof(ZrvFileHeader)) return false;
  for (uint32_t s = 0; s < count && s < 16; ++s) {
    if (at + sizeof(ZrvSegmentHeader) > size) return false;
    uint64_t entries = Le32(d + at + 32);
    if (at + sizeof(ZrvSegmentHeader) + entries * sizeof(ZrvEntryRecord) > size) return false;
    at = Le32(d + at);
  }
  return true;
}

}  // namespace

bool RecordingLacksTables(const std::string& path) {
  Mapping m;
  std::string error;
  if (!m.Open(path, &error) || m.size() < sizeof(ZrvFileHeader)) return false;
  // Only a file that starts like a recording is one repair can help.
  if (m.size() < sizeof(ZrvFileHeader) + kRtpHeader || !Version2(m.data() + sizeof(ZrvFileHeader)))
    return false;
  return !TablesReadable(m.data(), m.size());
}

RepairResult RepairRecording(const std::string& in_path, const std::string& out_path, bool replace,
                             RepairReport* report, std::string* error) {
  *report = RepairReport();
  Mapping m;
  if (!m.Open(in_path, error)) return RepairResult::kFailed;
  if (m.SameFile(out_path)) {
    *error = "the repaired copy must not replace the damaged file; name another output";
    return RepairResult::kFailed;
  }
  const uint8_t* d = m.data();
  const uint64_t size = m.size();
  if (size < sizeof(ZrvFileHeader) + kRtpHeader || !Version2(d + sizeof(ZrvFileHeader))) {
    *error = in_path + " does not start like a ZRV recording: no packet follows its header";
    return RepairResult::kRefused;
  }
  if (TablesReadable(d, size)) {
    *error = in_path + " has its tables; there is nothing to repair";
    return RepairResult::kIntact;
  }
  // The data ends where the header says the tables begin, when that lies
  // inside the file (a copy cut within the tables); otherwise at the end.
  uint64_t end = size;
  uint32_t first_segment = Le32(d + 12);
  if (first_segment > sizeof(ZrvFileHeader) + kRtpHeader && first_segment < size) end = first_segment;

  std::vector<Packet> video = WalkChain(d, sizeof(ZrvFileHeader), end, kMaxPacket);
  std::vector<Packet> audio;
  if (!video.empty()) {
    Packet& last = video.back();
    uint64_t second = FindSecondChain(d, last, end);
    if (second != end) {
      last.length = second - last.offset;
      audio = WalkChain(d, second, end, kMaxSecondChainPacket);
      if (!audio.empty() && audio.back().length > kMaxPacket) {
        report->ignored_bytes += audio.back().length;
        audio.pop_back();
      }
    } else {
      // The last packet runs to the end of the data. Without the marker
      // that closes a picture, its picture was still being written: it is
      // left out rather than handed to a decoder half-made.
      const uint8_t* h = d + last.offset;
      if (!(h[1] & 0x80) || last.length > kMaxPacket) {
        uint32_t ts = Be32(h + 4);
        while (!video.empty() && Be32(d + video.back().offset + 4) == ts) {
          report->ignored_bytes += video.back().length;
          video.pop_back();
        }
      }
    }
  }
  // Pictures and key pictures of the video chain.
  uint32_t pictures = 0, keys = 0;
  bool have_ts = false;
  uint32_t prev_ts = 0;
  for (const Packet& p : video) {
    uint32_t ts = Be32(d + p.offset + 4);
    if (have_ts && ts == prev_ts) continue;
    ++pictures;
    if (!have_ts) report->first_timestamp = ts;
    have_ts = true;
    prev_ts = ts;
    // A key picture starts with a key entry.
    uint8_t prefix[kKeyPrefixSize] = {};
    int n = static_cast<int>(p.length < kKeyPrefixSize ? p.length : kKeyPrefixSize);
    std::memcpy(prefix, d + p.offset, static_cast<size_t>(n));
    if (IsKeyEntry(prefix, n) == 1) ++keys;
  }
  if (pictures == 0 || keys == 0) {
    *error = in_path + (pictures == 0 ? ": no whole picture could be found in it"
                                      : ": it holds no key picture, so none of its pictures can be shown");
    return RepairResult::kRefused;
  }
  const uint64_t tables = 2 * sizeof(ZrvSegmentHeader) + (video.size() + audio.size()) * sizeof(ZrvEntryRecord);
  uint64_t data_end = (audio.empty() ? video.back() : audio.back()).offset +
                      (audio.empty() ? video.back() : audio.back()).length;
  if (data_end + tables > 0xFFFFFFFFull) {
    *error = in_path + " is too large for the recording format's 32-bit offsets";
    return RepairResult::kRefused;
  }
  report->pictures = pictures;
  report->key_pictures = keys;
  report->video_packets = static_cast<uint32_t>(video.size());
  report->audio_packets = static_cast<uint32_t>(audio.size());
  report->last_timestamp = prev_ts;
  report->seconds = static_cast<int32_t>(prev_ts - report->first_timestamp) / 1000.0;
  report->ignored_bytes += end - data_end;

  // Header, the kept data as it is, then each segment header and its table.
  std::vector<const std::vector<Packet>*> segments{&video};
  if (!audio.empty()) segments.push_back(&audio);
  std::vector<uint8_t> head;
  Put32(&head, 0x0056525A);  // "ZRV\0"
  Put32(&head, 1);
  Put32(&head, static_cast<uint32_t>(segments.size()));
  Put32(&head, static_cast<uint32_t>(data_end));
  std::vector<uint8_t> tail;
  uint64_t seg_at = data_end;
  for (size_t s = 0; s < segments.size(); ++s) {
    const std::vector<Packet>& packets = *segments[s];
    uint64_t next = seg_at + sizeof(ZrvSegmentHeader) + packets.size() * sizeof(ZrvEntryRecord);
    uint64_t bytes = 0;
    for (const Packet& p : packets) bytes += p.length;
    Put32(&tail, s + 1 < segments.size() ? static_cast<uint32_t>(next) : 0);
    Put32(&tail, static_cast<uint32_t>(s));                  // media kind: 0 video, 1 audio
    Put32(&tail, d[packets.front().offset + 1] & 0x7Fu);     // payload type
    Put32(&tail, 1000);                                      // clock rate
    Put32(&tail, Be32(d + packets.front().offset + 4));
    Put32(&tail, Be32(d + packets.back().offset + 4));
    Put32(&tail, static_cast<uint32_t>(bytes));
    Put32(&tail, 0);
    Put32(&tail, static_cast<uint32_t>(packets.size()));
    Put32(&tail, 0);
    Put32(&tail, 0);
    for (const Packet& p : packets) {
      Put32(&tail, static_cast<uint32_t>(p.offset));
      Put32(&tail, static_cast<uint32_t>(p.length));
    }
    seg_at = next;
  }
  OutputFile out;
  if (!out.Create(out_path, error)) return RepairResult::kFailed;
  if (!WriteAll(out.fd(), head.data(), head.size()) ||
      !WriteAll(out.fd(), d + sizeof(ZrvFileHeader), data_end - sizeof(ZrvFileHeader)) ||
      !WriteAll(out.fd(), tail.data(), tail.size())) {
    *error = "cannot write " + out_path + ": " + std::strerror(errno);
    return RepairResult::kFailed;
  }
  if (!out.Commit(replace, error)) return RepairResult::kFailed;
  return RepairResult::kRepaired;
}

}  // namespace pellaquin
