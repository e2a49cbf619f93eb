#include "zrv_writer.h"

#include <cstdio>
#include <algorithm>
#include <cstring>

#include "zrv_format.h"

namespace zrvgen {

namespace {

void Put32(Bytes* out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*out)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t TimestampOf(const Bytes& packet) {
  if (packet.size() < 8) return 0;
  return uint32_t(packet[4]) << 24 | uint32_t(packet[5]) << 16 | uint32_t(packet[6]) << 8 | packet[7];
}

// Splits an Annex B access unit at its start codes, keeping them.
std::vector<Bytes> SplitNals(const Bytes& au) {
  std::vector<size_t> starts;
  for (size_t i = 0; i + 3 <= au.size(); ++i) {
    if (au[i] == 0 && au[i + 1] == 0 && au[i + 2] == 1) {
      starts.push_back(i > 0 && au[i - 1] == 0 ? i - 1 : i);
      i += 2;
    }
  }
  if (starts.empty() || starts[0] != 0) starts.insert(starts.begin(), 0);
  std::vector<Bytes> nals;
  for (size_t k = 0; k < starts.size(); ++k) {
    size_t end = k + 1 < starts.size() ? starts[k + 1] : au.size();
    if (end > starts[k]) nals.emplace_back(au.begin() + long(starts[k]), au.begin() + long(end));
  }
  return nals;
}

}  // namespace

Bytes RtpPacket(uint32_t timestamp, bool marker, const Bytes& payload, uint8_t payload_type,
                uint16_t sequence) {
  Bytes p(12 + payload.size());
  p[0] = 0x80;
  p[1] = static_cast<uint8_t>((marker ? 0x80 : 0) | (payload_type & 0x7F));
  p[2] = uint8_t(sequence >> 8);
  p[3] = uint8_t(sequence);
  for (int i = 0; i < 4; ++i) p[4 + i] = uint8_t(timestamp >> (24 - 8 * i));
  const uint32_t ssrc = 0x5A525600;
  for (int i = 0; i < 4; ++i) p[8 + i] = uint8_t(ssrc >> (24 - 8 * i));
  if (!payload.empty()) std::memcpy(p.data() + 12, payload.data(), payload.size());
  return p;
}

std::vector<Bytes> PacketizeVideo(const std::vector<Picture>& pictures, const Options& o) {
  const uint8_t pt = o.codec == Codec::kH264 ? 96 : 34;
  const size_t max = o.max_payload ? o.max_payload : 1400;
  std::vector<Bytes> entries;
  uint16_t seq = 12346;
  for (size_t i = 0; i < pictures.size(); ++i) {
    uint32_t ts = o.first_timestamp + static_cast<uint32_t>(i) * o.interval_ms;
    if (o.backwards_at >= 0 && i == static_cast<size_t>(o.backwards_at)) ts -= 2 * o.interval_ms;
    if (o.tiny_entries_at >= 0 && i == static_cast<size_t>(o.tiny_entries_at)) {
      entries.emplace_back();
      entries.push_back(RtpPacket(ts, false, {}, pt, seq++));
    }
    Bytes au = pictures[i].data;
    if (o.no_key && o.codec == Codec::kH264) {
      // An access unit delimiter in front: still valid, never a key entry.
      static const uint8_t aud[] = {0, 0, 0, 1, 0x09, 0xF0};
      au.insert(au.begin(), aud, aud + sizeof aud);
    }
    std::vector<Bytes> units = o.codec == Codec::kH264 ? SplitNals(au) : std::vector<Bytes>{au};
    if (o.no_key && units.size() > 1) {
      // The delimiter shares its packet with the parameter sets behind it.
      units[0].insert(units[0].end(), units[1].begin(), units[1].end());
      units.erase(units.begin() + 1);
    }
    std::vector<Bytes> chunks;
    for (const Bytes& u : units)
      for (size_t off = 0; off < u.size(); off += max)
        chunks.emplace_back(u.begin() + long(off), u.begin() + long(std::min(u.size(), off + max)));
    for (size_t c = 0; c < chunks.size(); ++c) {
      Bytes packet = RtpPacket(ts, c + 1 == chunks.size(), chunks[c], pt, seq++);
      if (o.csrc_count > 0) {
        // Contributing sources 1, 2 ... between the fixed header and the payload.
        const int n = std::min(o.csrc_count, 15);
        packet[0] = static_cast<uint8_t>(packet[0] | n);
        Bytes csrcs(4 * static_cast<size_t>(n), 0);
        for (int k = 0; k < n; ++k) csrcs[4 * static_cast<size_t>(k) + 3] = static_cast<uint8_t>(k + 1);
        packet.insert(packet.begin() + 12, csrcs.begin(), csrcs.end());
      }
      entries.push_back(std::move(packet));
    }
  }
  return entries;
}

std::vector<Bytes> MakeAudioEntries(size_t pictures, const Options& o) {
  std::vector<Bytes> entries;
  // A damaged timestamp step does not stretch the audio beyond a second a
  // picture.
  const uint64_t length_ms = uint64_t(pictures) * std::min<uint32_t>(o.interval_ms, 1000);
  uint16_t seq = 1;
  for (uint64_t t = 0; t < length_ms; t += 20) {
    Bytes frame(32, 0x3C);
    entries.push_back(RtpPacket(o.first_timestamp + static_cast<uint32_t>(t), true, frame, 97, seq++));
  }
  return entries;
}

bool WriteSegments(const std::string& path, const std::vector<Segment>& segments,
                   bool entry_beyond_end, bool broken_chain, std::string* error) {
  Damage damage;
  damage.entry_beyond_end = entry_beyond_end;
  damage.broken_chain = broken_chain;
  return WriteSegments(path, segments, damage, error);
}

bool WriteSegments(const std::string& path, const std::vector<Segment>& segments, const Damage& damage,
                   std::string* error) {
  const bool entry_beyond_end = damage.entry_beyond_end;
  const bool broken_chain = damage.broken_chain;
  using pellaquin::ZrvFileHeader;
  using pellaquin::ZrvSegmentHeader;
  Bytes file(sizeof(ZrvFileHeader), 0);
  std::vector<std::vector<std::pair<uint32_t, uint32_t>>> tables(segments.size());
  for (size_t s = 0; s < segments.size(); ++s) {
    for (const Bytes& e : segments[s].entries) {
      tables[s].emplace_back(static_cast<uint32_t>(file.size()), static_cast<uint32_t>(e.size()));
      file.insert(file.end(), e.begin(), e.end());
    }
  }
  // The first segment must lie past the header even when there is no data.
  if (file.size() == sizeof(ZrvFileHeader)) file.resize(file.size() + 4, 0);
  std::vector<size_t> seg_at(segments.size());
  size_t at = file.size();
  for (size_t s = 0; s < segments.size(); ++s) {
    seg_at[s] = at;
    at += sizeof(ZrvSegmentHeader) + 8 * tables[s].size();
  }
  const size_t total = at;
  for (size_t s = 0; s < segments.size(); ++s) {
    const Segment& seg = segments[s];
    Bytes h(sizeof(ZrvSegmentHeader), 0);
    uint32_t next = s + 1 < segments.size() ? static_cast<uint32_t>(seg_at[s + 1]) : 0;
    if (broken_chain && s == 0) next = static_cast<uint32_t>(total + 4096);
    if (damage.claimed_segments && s + 1 == segments.size()) next = static_cast<uint32_t>(seg_at[s]);
    Put32(&h, 0, next);
    Put32(&h, 4, seg.kind);
    Put32(&h, 8, seg.payload_type);
    Put32(&h, 12, 1000);
    Put32(&h, 16, seg.entries.empty() ? 0 : TimestampOf(seg.entries.front()));
    Put32(&h, 20, seg.entries.empty() ? 0 : TimestampOf(seg.entries.back()));
    uint32_t bytes = 0;
    for (auto& t : tables[s]) bytes += t.second;
    Put32(&h, 24, bytes);
    Put32(&h, 32, damage.claimed_entries && s == 0 ? damage.claimed_entries
                                                   : static_cast<uint32_t>(seg.entries.size()));
    file.insert(file.end(), h.begin(), h.end());
    for (size_t e = 0; e < tables[s].size(); ++e) {
      Bytes rec(8, 0);
      uint32_t offset = tables[s][e].first;
      if (entry_beyond_end && s == 0 && e + 1 == tables[s].size()) offset = static_cast<uint32_t>(total + 1000);
      Put32(&rec, 0, offset);
      Put32(&rec, 4, tables[s][e].second);
      file.insert(file.end(), rec.begin(), rec.end());
    }
  }
  Put32(&file, 0, 0x0056525A);
  Put32(&file, 4, 1);
  Put32(&file, 8, damage.claimed_segments ? damage.claimed_segments : static_cast<uint32_t>(segments.size()));
  Put32(&file, 12, static_cast<uint32_t>(seg_at.empty() ? total : seg_at[0]));
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    if (error) *error = "cannot create " + path;
    return false;
  }
  bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok && error) *error = "cannot write " + path;
  return ok;
}

bool WriteRecording(const std::string& path, const std::vector<Picture>& pictures,
                    const Options& o, std::string* error) {
  std::vector<Segment> segments;
  Segment video;
  video.kind = 0;
  video.payload_type = o.codec == Codec::kH264 ? 96 : 34;
  video.entries = PacketizeVideo(pictures, o);
  segments.push_back(std::move(video));
  for (int s = 1; s < o.segments; ++s) {
    Segment audio;
    audio.kind = s == 1 ? 1 : 2;
    audio.payload_type = 97;
    audio.entries = MakeAudioEntries(pictures.size(), o);
    segments.push_back(std::move(audio));
  }
  Damage damage;
  damage.entry_beyond_end = o.entry_beyond_end;
  damage.broken_chain = o.broken_chain;
  damage.claimed_segments = o.claimed_segments;
  damage.claimed_entries = o.claimed_entries;
  return WriteSegments(path, segments, damage, error);
}

}  // namespace zrvgen
