// Frames of the link between Velmora and the sibling camera-manager program:
// posted messages and data copies, length-prefixed and little-endian (format
// in docs/sibling-link.md). Shared by the engine and the stub that plays the
// sibling in tests.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace velmora {

// Each program's main window is a local socket endpoint named after its
// window class, in the runtime folder.
inline constexpr const char* kOwnEndpoint = "Velmora";
inline constexpr const char* kSiblingEndpoint = "Orlaview";
// Only a Velmora window listens here (a background service does not): a
// second window start asks the first to come to the front through it.
inline constexpr const char* kWindowEndpoint = "Velmora.window";
inline constexpr std::uint32_t WM_COPYDATA_MSG = 0x004A;

struct LinkFrame {
  enum Kind : std::uint32_t { Posted = 1, CopyData = 2 };
  Kind kind = Posted;
  std::uint32_t msg = 0;      // Posted: message number; CopyData: data code
  std::int64_t wparam = 0;    // Posted only
  std::int64_t lparam = 0;    // Posted only
  QByteArray data;            // CopyData only
};

QByteArray encode_frame(const LinkFrame& f);
// Cuts complete frames off the front of `buffer`. False when the stream is
// malformed (the connection should then be dropped).
bool decode_frames(QByteArray& buffer, std::vector<LinkFrame>& out);

}  // namespace velmora
