// Builders of the 7-byte frames a pan/tilt head on a camera's serial line
// understands (sync byte, address, two command bytes, two data bytes,
// checksum). The library never drives a serial port itself: the camera puts
// the frame on its own line.
#pragma once

#include <cstdint>

namespace kestrune {

// Slot order is fixed. Each builder fills `buffer` (at least frame_length()
// bytes) for the head at `address` and returns the checksum byte.
class IMySerialPort {
public:
  virtual ~IMySerialPort() = default;
  virtual int frame_length() = 0;
  virtual std::uint8_t zoom_tele(std::uint8_t* buffer, std::uint8_t address) = 0;
  virtual std::uint8_t zoom_wide(std::uint8_t* buffer, std::uint8_t address) = 0;
  virtual std::uint8_t focus_far(std::uint8_t* buffer, std::uint8_t address) = 0;
  virtual std::uint8_t focus_near(std::uint8_t* buffer, std::uint8_t address) = 0;
  virtual std::uint8_t unused6(std::uint8_t* buffer, std::uint8_t address) = 0;  // writes nothing
  virtual std::uint8_t stop(std::uint8_t* buffer, std::uint8_t address) = 0;
  virtual std::uint8_t pan_left(std::uint8_t* buffer, std::uint8_t address) = 0;
  virtual std::uint8_t pan_right(std::uint8_t* buffer, std::uint8_t address) = 0;
  virtual std::uint8_t tilt_up(std::uint8_t* buffer, std::uint8_t address) = 0;
  virtual std::uint8_t tilt_down(std::uint8_t* buffer, std::uint8_t address) = 0;
  virtual std::uint8_t auto_scan(std::uint8_t* buffer, std::uint8_t address) = 0;
  // Presets are named by a decimal digit character: '3' is preset 3.
  virtual std::uint8_t set_preset(std::uint8_t* buffer, std::uint8_t address, char digit) = 0;
  virtual std::uint8_t clear_preset(std::uint8_t* buffer, std::uint8_t address, char digit) = 0;
  virtual std::uint8_t goto_preset(std::uint8_t* buffer, std::uint8_t address, char digit) = 0;
  virtual std::uint8_t set_preset_51(std::uint8_t* buffer, std::uint8_t address) = 0;
  virtual std::uint8_t run_pattern(std::uint8_t* buffer, std::uint8_t address) = 0;
  virtual std::uint8_t unused18(std::uint8_t* buffer, std::uint8_t address, int value) = 0;  // writes nothing
};

}  // namespace kestrune
