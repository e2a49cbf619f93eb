#include "server/relay_messages.h"

#include <cstring>

#include "net/log.h"

namespace kestrune::vifs {

int build_stamp_request(unsigned char out[kStampRequestSize], std::uint32_t user_id,
                        const char* user_name, const unsigned char relay_key[48],
                        std::uint32_t txn) {
  StampRequest body{};
  body.user_id = user_id;
  copy_text(body.user_name, sizeof body.user_name, user_name);
  if (relay_key != nullptr) std::memcpy(body.relay_key, relay_key, sizeof body.relay_key);
  return build_message(out, kPairingRequest, VIFS_STAMP_REQUEST, &body, sizeof body, txn,
                       kNoSession);
}

int parse_stamp_response(const unsigned char* message, int whole_length,
                         std::int32_t* result, std::int32_t* session_value) {
  if (whole_length < kHeaderSize) return 0;
  Header h = read_header(message);
  if (h.message_id != VIFS_STAMP_RESPONSE) return 0;
  if (h.body_length < sizeof(StampResponse) ||
      whole_length < kHeaderSize + static_cast<int>(sizeof(StampResponse)))
    return -1;
  StampResponse body;
  std::memcpy(&body, message + kHeaderSize, sizeof body);
  *result = body.result;
  *session_value = body.session_value;
  return 1;
}

int take_stamp_answer(unsigned char* buffer, int* fill, std::int32_t* result,
                      std::int32_t* session_value) {
  int offset = 0;
  int outcome = 0;
  while (*fill - offset >= kHeaderSize) {
    int whole = 0;
    int cut = cut_message(buffer + offset, *fill - offset, &whole);
    const long long declared =
        kHeaderSize + static_cast<long long>(read_header(buffer + offset).body_length);
    if (cut < 0 || declared > kMaxMessage) {
      sdk_log("NVDClient", LOG_ERROR, "Error Parser Message Fialed.");
      return -1;
    }
    if (cut == 0) break;
    int parsed = parse_stamp_response(buffer + offset, whole, result, session_value);
    offset += whole;
    if (parsed < 0) {
      sdk_log("NVDClient", LOG_ERROR, "Error Parser Message Fialed.");
      return -1;
    }
    if (parsed == 1) {
      outcome = 1;
      break;
    }
  }
  if (offset > 0) {
    std::memmove(buffer, buffer + offset, static_cast<std::size_t>(*fill - offset));
    *fill -= offset;
  }
  return outcome;
}

}  // namespace kestrune::vifs
