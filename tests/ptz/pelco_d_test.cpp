// Pelco-D frames byte for byte, including the wrapping checksum and the two
// slots that must leave the buffer alone.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "ptz/pelco_d.h"

using kestrune::CPelco_d;
using kestrune::IMySerialPort;
using Frame = std::array<std::uint8_t, 7>;

namespace {

template <class F>
Frame built(F&& f, std::uint8_t* checksum = nullptr) {
  Frame out;
  out.fill(0xEE);  // nothing of an earlier frame may survive
  const std::uint8_t c = f(out.data());
  if (checksum) *checksum = c;
  return out;
}

}  // namespace

TEST(PelcoD, MovementFramesThroughTheInterface) {
  CPelco_d pelco;
  IMySerialPort& port = pelco;
  EXPECT_EQ(port.frame_length(), 7);
  std::uint8_t sum = 0;
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.stop(b, 1); }, &sum),
            (Frame{0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01}));
  EXPECT_EQ(sum, 0x01);
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.pan_left(b, 1); }, &sum),
            (Frame{0xFF, 0x01, 0x00, 0x04, 0x30, 0x30, 0x65}));
  EXPECT_EQ(sum, 0x65);
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.pan_right(b, 2); }),
            (Frame{0xFF, 0x02, 0x00, 0x02, 0x30, 0x30, 0x64}));
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.tilt_up(b, 1); }),
            (Frame{0xFF, 0x01, 0x00, 0x08, 0x30, 0x30, 0x69}));
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.tilt_down(b, 1); }),
            (Frame{0xFF, 0x01, 0x00, 0x10, 0x30, 0x30, 0x71}));
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.zoom_tele(b, 1); }),
            (Frame{0xFF, 0x01, 0x00, 0x20, 0x00, 0x00, 0x21}));
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.zoom_wide(b, 1); }),
            (Frame{0xFF, 0x01, 0x00, 0x40, 0x00, 0x00, 0x41}));
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.focus_far(b, 1); }),
            (Frame{0xFF, 0x01, 0x00, 0x80, 0x00, 0x00, 0x81}));
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.focus_near(b, 1); }),
            (Frame{0xFF, 0x01, 0x01, 0x00, 0x00, 0x00, 0x02}));
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.run_pattern(b, 1); }),
            (Frame{0xFF, 0x01, 0x00, 0x23, 0x00, 0x00, 0x24}));
}

TEST(PelcoD, ChecksumWrapsModulo256) {
  CPelco_d port;
  std::uint8_t sum = 0;
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.auto_scan(b, 0xFF); }, &sum),
            (Frame{0xFF, 0xFF, 0x90, 0x00, 0x00, 0x00, 0x8F}));
  EXPECT_EQ(sum, 0x8F);
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.tilt_down(b, 0xF0); }),
            (Frame{0xFF, 0xF0, 0x00, 0x10, 0x30, 0x30, 0x60}));
}

TEST(PelcoD, PresetsTakeADigitCharacter) {
  CPelco_d port;
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.goto_preset(b, 1, '3'); }),
            (Frame{0xFF, 0x01, 0x00, 0x07, 0x00, 0x03, 0x0B}));
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.set_preset(b, 1, '0'); }),
            (Frame{0xFF, 0x01, 0x00, 0x03, 0x00, 0x00, 0x04}));
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.clear_preset(b, 4, '9'); }),
            (Frame{0xFF, 0x04, 0x00, 0x05, 0x00, 0x09, 0x12}));
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.set_preset_51(b, 1); }),
            (Frame{0xFF, 0x01, 0x00, 0x03, 0x00, 0x33, 0x37}));
}

TEST(PelcoD, ReservedSlotsWriteNothing) {
  CPelco_d port;
  Frame untouched;
  untouched.fill(0xEE);
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.unused6(b, 1); }), untouched);
  EXPECT_EQ(built([&](std::uint8_t* b) { return port.unused18(b, 1, 5); }), untouched);
}
