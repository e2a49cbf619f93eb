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

// One step of a relayed connection's admission, run on the connection's own
// receive buffer after newly read bytes were appended to it. Whole messages
// are taken from the front; any message but the stamp answer is dropped.
// Returns 1 when the stamp answer was taken (result and session value set;
// the buffer then holds only the bytes that followed it, which belong to the
// camera's device stream), 0 when more bytes are needed, and -1 when a
// message cannot be cut or is too long to ever complete (logged as
// "Error Parser Message Fialed." under the module "NVDClient").
int take_stamp_answer(unsigned char* buffer, int* fill, std::int32_t* result,
                      std::int32_t* session_value);

}  // namespace kestrune::vifs
