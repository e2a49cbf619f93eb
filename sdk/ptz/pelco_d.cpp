#include "ptz/pelco_d.h"

#include <cstring>

namespace kestrune {
namespace {

using Template = std::uint8_t[6];

std::uint8_t build(std::uint8_t* buffer, std::uint8_t address, const Template& bytes) {
  std::memcpy(buffer, bytes, 6);
  buffer[1] = address;
  buffer[6] = pelco_d_checksum(buffer);
  return buffer[6];
}

std::uint8_t build_preset(std::uint8_t* buffer, std::uint8_t address, std::uint8_t command2, char digit) {
  const Template bytes = {0xFF, 0, 0x00, command2, 0x00, static_cast<std::uint8_t>(digit - '0')};
  return build(buffer, address, bytes);
}

}  // namespace

std::uint8_t pelco_d_checksum(const std::uint8_t* frame) {
  unsigned sum = 0;
  for (int i = 1; i <= 5; ++i) sum += frame[i];
  return static_cast<std::uint8_t>(sum & 0xFF);
}

int CPelco_d::frame_length() { return kFrameLength; }

std::uint8_t CPelco_d::zoom_tele(std::uint8_t* b, std::uint8_t a) { return build(b, a, {0xFF, 0, 0x00, 0x20, 0x00, 0x00}); }
std::uint8_t CPelco_d::zoom_wide(std::uint8_t* b, std::uint8_t a) { return build(b, a, {0xFF, 0, 0x00, 0x40, 0x00, 0x00}); }
std::uint8_t CPelco_d::focus_far(std::uint8_t* b, std::uint8_t a) { return build(b, a, {0xFF, 0, 0x00, 0x80, 0x00, 0x00}); }
std::uint8_t CPelco_d::focus_near(std::uint8_t* b, std::uint8_t a) { return build(b, a, {0xFF, 0, 0x01, 0x00, 0x00, 0x00}); }
std::uint8_t CPelco_d::unused6(std::uint8_t*, std::uint8_t) { return 0; }
std::uint8_t CPelco_d::stop(std::uint8_t* b, std::uint8_t a) { return build(b, a, {0xFF, 0, 0x00, 0x00, 0x00, 0x00}); }
std::uint8_t CPelco_d::pan_left(std::uint8_t* b, std::uint8_t a) { return build(b, a, {0xFF, 0, 0x00, 0x04, 0x30, 0x30}); }
std::uint8_t CPelco_d::pan_right(std::uint8_t* b, std::uint8_t a) { return build(b, a, {0xFF, 0, 0x00, 0x02, 0x30, 0x30}); }
std::uint8_t CPelco_d::tilt_up(std::uint8_t* b, std::uint8_t a) { return build(b, a, {0xFF, 0, 0x00, 0x08, 0x30, 0x30}); }
std::uint8_t CPelco_d::tilt_down(std::uint8_t* b, std::uint8_t a) { return build(b, a, {0xFF, 0, 0x00, 0x10, 0x30, 0x30}); }
// Command 1 with the sense bit and the scan bit set.
std::uint8_t CPelco_d::auto_scan(std::uint8_t* b, std::uint8_t a) { return build(b, a, {0xFF, 0, 0x90, 0x00, 0x00, 0x00}); }
std::uint8_t CPelco_d::set_preset(std::uint8_t* b, std::uint8_t a, char d) { return build_preset(b, a, 0x03, d); }
std::uint8_t CPelco_d::clear_preset(std::uint8_t* b, std::uint8_t a, char d) { return build_preset(b, a, 0x05, d); }
std::uint8_t CPelco_d::goto_preset(std::uint8_t* b, std::uint8_t a, char d) { return build_preset(b, a, 0x07, d); }
std::uint8_t CPelco_d::set_preset_51(std::uint8_t* b, std::uint8_t a) { return build(b, a, {0xFF, 0, 0x00, 0x03, 0x00, 0x33}); }
std::uint8_t CPelco_d::run_pattern(std::uint8_t* b, std::uint8_t a) { return build(b, a, {0xFF, 0, 0x00, 0x23, 0x00, 0x00}); }
std::uint8_t CPelco_d::unused18(std::uint8_t*, std::uint8_t, int) { return 0; }

}  // namespace kestrune
