// The record of one configured camera, exactly as the camera list file stores
// it (shared byte for byte with the sibling program), plus small helpers.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

#pragma pack(push, 1)
struct CameraRecord {
  std::int32_t camera_id;      // 0
  std::uint8_t is_local;       // 4: 1 direct, 0 through the video server
  std::uint8_t address[4];     // 5: IPv4, network byte order (local only)
  char local_password[16];     // 9
  std::uint8_t reserved[4];    // 25
  char user[50];               // 29
  char server_password[20];    // 79
  char serial[32];             // 99
  char server_address[16];     // 131
};
#pragma pack(pop)
static_assert(sizeof(CameraRecord) == 147, "CameraRecord is a 147-byte file record");

// A zero-filled record; every unused byte of a stored record is zero.
CameraRecord make_empty_record();

// Builds a local camera record. Fails (returns false, with a reason) for an
// address that is not dotted IPv4 text or a password over 15 bytes, which
// would not fit the 16-byte field with its terminator.
bool make_local_record(std::int32_t id, const std::string& ipv4, const std::string& password,
                       CameraRecord& out, std::string& error);

// Builds a remote camera record (reached through the video server). The
// limits are those of the add-remote dialog: server address 15 bytes (dotted
// IPv4), user 49, password 19, serial 31; a longer field is refused with a
// reason rather than cut.
bool make_remote_record(std::int32_t id, const std::string& server_ipv4, const std::string& user,
                        const std::string& password, const std::string& serial,
                        CameraRecord& out, std::string& error);

// Text of a fixed-width field up to its first NUL (never past the field).
std::string field_text(const char* field, std::size_t width);
template <std::size_t N>
std::string field_text(const char (&field)[N]) { return field_text(field, N); }

// Copies text into a fixed-width field, zero-padding; false if it does not
// fit with its terminator (the field is then left all zero).
bool set_field_text(char* field, std::size_t width, const std::string& text);

// "a.b.c.d" of the record's address bytes.
std::string address_text(const CameraRecord& r);

// Parses strict dotted-quad IPv4 text into network-order bytes.
bool parse_ipv4(const std::string& text, std::uint8_t out[4]);

// Serial as used to group remote cameras by server login.
inline std::string serial_of(const CameraRecord& r) { return field_text(r.serial); }

// Column-1 text of the camera list: "%d(%s)" for local, "%s(%d)" for remote.
std::string display_name(const CameraRecord& r);

}  // namespace velmora
