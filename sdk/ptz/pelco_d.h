// The Pelco-D frame builder: the one IMySerialPort the library uses.
#pragma once

#include "ptz/serial_port.h"

namespace kestrune {

class CPelco_d : public IMySerialPort {
public:
  static constexpr int kFrameLength = 7;

  int frame_length() override;
  std::uint8_t zoom_tele(std::uint8_t* buffer, std::uint8_t address) override;
  std::uint8_t zoom_wide(std::uint8_t* buffer, std::uint8_t address) override;
  std::uint8_t focus_far(std::uint8_t* buffer, std::uint8_t address) override;
  std::uint8_t focus_near(std::uint8_t* buffer, std::uint8_t address) override;
  std::uint8_t unused6(std::uint8_t* buffer, std::uint8_t address) override;
  std::uint8_t stop(std::uint8_t* buffer, std::uint8_t address) override;
  std::uint8_t pan_left(std::uint8_t* buffer, std::uint8_t address) override;
  std::uint8_t pan_right(std::uint8_t* buffer, std::uint8_t address) override;
  std::uint8_t tilt_up(std::uint8_t* buffer, std::uint8_t address) override;
  std::uint8_t tilt_down(std::uint8_t* buffer, std::uint8_t address) override;
  std::uint8_t auto_scan(std::uint8_t* buffer, std::uint8_t address) override;
  std::uint8_t set_preset(std::uint8_t* buffer, std::uint8_t address, char digit) override;
  std::uint8_t clear_preset(std::uint8_t* buffer, std::uint8_t address, char digit) override;
  std::uint8_t goto_preset(std::uint8_t* buffer, std::uint8_t address, char digit) override;
  std::uint8_t set_preset_51(std::uint8_t* buffer, std::uint8_t address) override;
  std::uint8_t run_pattern(std::uint8_t* buffer, std::uint8_t address) override;
  std::uint8_t unused18(std::uint8_t* buffer, std::uint8_t address, int value) override;
};

// The checksum: bytes 1 to 5 summed modulo 256.
std::uint8_t pelco_d_checksum(const std::uint8_t* frame);

}  // namespace kestrune
