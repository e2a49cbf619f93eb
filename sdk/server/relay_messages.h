// The two messages of a relayed camera connection's admission: the stamp
// request the camera connection sends first, and the server's answer. The
// camera engine calls these from its relayed mode; nothing here touches a
// socket.
#pragma once

#include <cstdint>

#include "server/vifs_protocol.h"

namespace kestrune::vifs {

constexpr int kStampRequestSize = 18 + 76;

// Builds the 94-byte stamp request: session id -1, user id, user name cut to
// 23 characters, the 48-byte relay key. Returns 94.
int build_stamp_request(unsigned char out[kStampRequestSize], std::uint32_t user_id,
                        const char* user_name, const unsigned char relay_key[48],
                        std::uint32_t txn);

// Reads one whole VIFs message (as cut by cut_message). Returns 1 when it is
// a stamp answer (result and session value set), 0 when it is some other
// message (to be dropped), -1 when it is a stamp answer too short to read.
int parse_stamp_response(const unsigned char* message, int whole_length,
                         std::int32_t* result, std::int32_t* session_value);

}  // namespace kestrune::vifs
