// Reading what people type on the command line: camera ids in every spelling
// a camera announces, interval durations, addresses a camera cannot have, and
// passwords without putting them on the command line.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

// A camera id as decimal text: the signed 32-bit value or its unsigned
// spelling (4294967295 is -1).
bool parse_camera_id(const std::string& text, std::int32_t& id);

// An automatic-synchronisation interval: "off", "10m", "30m", "1h", "2h",
// "4h", "12h", "1d", "1w" or the code 0-8.
bool parse_interval(const std::string& text, std::int32_t& code);
// The duration name of a code ("off" for unknown codes).
const char* interval_name(std::int32_t code);

// A byte count: a whole number with an optional binary unit K, M, G or T
// (also KB/KiB...; any case): "2G", "500M", "0". False for negative,
// fractional or non-numeric text and for more than `max`.
bool parse_byte_size(const std::string& text, std::int64_t max, std::int64_t& bytes);
// A whole number of days from 0 to `max`.
bool parse_days(const std::string& text, std::int32_t max, std::int32_t& days);
// "2G", "500M", "1536K" or plain bytes: the shortest exact spelling.
std::string byte_size_text(std::int64_t bytes);

// Why no camera can have this address ("" when it can): the unspecified
// and "this network" addresses, multicast and broadcast.
std::string unusable_address(const std::uint8_t address[4]);
// A last byte of 255 is the broadcast address of the common /24 networks.
bool looks_like_broadcast(const std::uint8_t address[4]);

// Text that is digits and dots only: meant as an IPv4 address, never a
// host name or a password, even when it is not a valid one.
bool looks_like_ipv4(const std::string& text);
// The first IPv4 address of a host name as dotted text (asks the system's
// resolver once). False when the name does not resolve to one.
bool resolve_host_ipv4(const std::string& name, std::string& dotted);

// Reads a password from standard input: the first line, without its line
// end. False when nothing could be read.
bool read_password_line(std::string& password);
// Asks on the terminal, without echo. False when there is no terminal.
bool prompt_password(const std::string& prompt, std::string& password);

}  // namespace velmora
