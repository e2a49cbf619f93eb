// The VIFs wire layout as the simulated server reads and writes it; kept
// apart from the client library so each side checks the other.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace nvssim::wire {

constexpr int kHeader = 18;
constexpr uint16_t kFormat = 2;
constexpr uint16_t kPairRequest = 1;
constexpr uint16_t kPairLogout = 0x1000;
constexpr uint32_t kNoSession = 0xFFFFFFFFu;
constexpr int kMaxWhole = 128000;

enum : uint16_t {
  LOGIN_REQ_1 = 3, LOGIN_RESP_1 = 4, LOGIN_REQ_2 = 5, LOGIN_RESP_2 = 6,
  LIST_REQ = 7, LIST_RESP = 8, STAMP_REQ = 9, STAMP_RESP = 10,
  RELAY_KEY_REQ = 11, RELAY_KEY_RESP = 12, LIST_UPDATE = 13, NOTICE_14 = 14,
  ALIVE = 17, GET_ALL_USER_REQ = 18, GET_ALL_USER_RESP = 19,
  ADD_USER_REQ = 20, ADD_USER_RESP = 21, DEL_USER_REQ = 22, DEL_USER_RESP = 23,
  UPDATE_USER_REQ = 24, UPDATE_USER_RESP = 25, SEIZE = 27, FLOW_CONTROL = 28,
  COMMON_ERROR = 0x0FFF,
};

struct Header {
  uint16_t format = kFormat;
  uint16_t pairing = 0;
  uint16_t id = 0;
  uint32_t body_length = 0;
  uint32_t txn = 0;
  uint32_t session = kNoSession;
};

inline uint16_t get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t get32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
inline void put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}
// A fixed text field: the text cut to width - 1 bytes, zero-padded.
inline void put_text(std::vector<uint8_t>& v, const std::string& s, size_t width) {
  size_t n = std::min(s.size(), width - 1);
  v.insert(v.end(), s.begin(), s.begin() + static_cast<long>(n));
  v.insert(v.end(), width - n, 0);
}
// Text of a received fixed field, up to its first NUL.
inline std::string get_text(const uint8_t* p, size_t width) {
  size_t n = 0;
  while (n < width && p[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(p), n);
}

inline Header parse_header(const uint8_t* p) {
  Header h;
  h.format = get16(p);
  h.pairing = get16(p + 2);
  h.id = get16(p + 4);
  h.body_length = get32(p + 6);
  h.txn = get32(p + 10);
  h.session = get32(p + 14);
  return h;
}

inline std::vector<uint8_t> message(uint16_t pairing, uint16_t id, uint32_t txn, uint32_t session,
                                    const std::vector<uint8_t>& body) {
  std::vector<uint8_t> m;
  m.reserve(kHeader + body.size());
  put16(m, kFormat);
  put16(m, pairing);
  put16(m, id);
  put32(m, static_cast<uint32_t>(body.size()));
  put32(m, txn);
  put32(m, session);
  m.insert(m.end(), body.begin(), body.end());
  return m;
}

}  // namespace nvssim::wire
