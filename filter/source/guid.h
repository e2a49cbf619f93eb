#pragma once
// 16-byte class and format identifiers, laid out as the media framework
// stores them.
#include <cstdint>
#include <cstring>
#include <string>

namespace pellaquin {

#pragma pack(push, 1)
struct Guid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
  bool operator==(const Guid& o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
};
#pragma pack(pop)
static_assert(sizeof(Guid) == 16);

// {xxxxxxxx-0000-0010-8000-00AA00389B71}: the subtype made from a FOURCC.
constexpr Guid FourccGuid(uint32_t fourcc) {
  return Guid{fourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}
constexpr uint32_t MakeFourcc(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
         uint32_t(uint8_t(d)) << 24;
}

inline constexpr Guid GUID_NULL{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr Guid MEDIATYPE_Video = FourccGuid(MakeFourcc('v', 'i', 'd', 's'));
inline constexpr Guid MEDIATYPE_Audio = FourccGuid(MakeFourcc('a', 'u', 'd', 's'));
inline constexpr Guid MEDIATYPE_Stream{0xe436eb83, 0x524f, 0x11ce, {0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70}};
inline constexpr Guid FORMAT_VideoInfo{0x05589f80, 0xc356, 0x11ce, {0xbf, 0x01, 0x00, 0xaa, 0x00, 0x55, 0x59, 0x5a}};
inline constexpr Guid FORMAT_WaveFormatEx{0x05589f81, 0xc356, 0x11ce, {0xbf, 0x01, 0x00, 0xaa, 0x00, 0x55, 0x59, 0x5a}};

// "{dc48363c-af04-4514-904c-c264e1e38157}" style, lower case.
std::string GuidToString(const Guid& g);

}  // namespace pellaquin
