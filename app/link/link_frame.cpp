#include "link_frame.h"

#include <QtEndian>

namespace velmora {

namespace {

constexpr std::uint32_t kMaxFrame = 1u << 20;

void put_u32(QByteArray& b, std::uint32_t v) {
  char tmp[4];
  qToLittleEndian(v, tmp);
  b.append(tmp, 4);
}
void put_i64(QByteArray& b, std::int64_t v) {
  char tmp[8];
  qToLittleEndian(v, tmp);
  b.append(tmp, 8);
}

}  // namespace

QByteArray encode_frame(const LinkFrame& f) {
  QByteArray body;
  put_u32(body, f.kind);
  put_u32(body, f.msg);
  if (f.kind == LinkFrame::Posted) {
    put_i64(body, f.wparam);
    put_i64(body, f.lparam);
  } else {
    put_u32(body, static_cast<std::uint32_t>(f.data.size()));
    body.append(f.data);
  }
  QByteArray out;
  put_u32(out, static_cast<std::uint32_t>(body.size()));
  out.append(body);
  return out;
}

bool decode_frames(QByteArray& buffer, std::vector<LinkFrame>& out) {
  while (buffer.size() >= 4) {
    const auto* p = reinterpret_cast<const uchar*>(buffer.constData());
    std::uint32_t len = qFromLittleEndian<std::uint32_t>(p);
    if (len < 8 || len > kMaxFrame) return false;
    if (static_cast<std::uint64_t>(buffer.size()) < 4ull + len) return true;
    const uchar* b = p + 4;
    LinkFrame f;
    std::uint32_t kind = qFromLittleEndian<std::uint32_t>(b);
    f.msg = qFromLittleEndian<std::uint32_t>(b + 4);
    if (kind == LinkFrame::Posted) {
      if (len != 24) return false;
      f.kind = LinkFrame::Posted;
      f.wparam = qFromLittleEndian<std::int64_t>(b + 8);
      f.lparam = qFromLittleEndian<std::int64_t>(b + 16);
    } else if (kind == LinkFrame::CopyData) {
      if (len < 12) return false;
      std::uint32_t size = qFromLittleEndian<std::uint32_t>(b + 8);
      if (size != len - 12) return false;
      f.kind = LinkFrame::CopyData;
      f.data = QByteArray(reinterpret_cast<const char*>(b + 12), static_cast<qsizetype>(size));
    } else {
      return false;
    }
    out.push_back(std::move(f));
    buffer.remove(0, static_cast<qsizetype>(4 + len));
  }
  return true;
}

}  // namespace velmora
