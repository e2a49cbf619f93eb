#pragma once
// Real compressed test pictures: a test pattern with a visible running
// clock, encoded by the media framework's encoders.
#include <string>
#include <vector>

#include "zrv_writer.h"

namespace zrvgen {

struct EncodeOptions {
  Codec codec = Codec::kH264;
  int pictures = 50;
  int key_interval = 10;  // a key picture every N pictures
  int fps = 10;
  bool plain = false;     // black pictures without the clock: tiny files
};

// gst_init must have been called. False with a message on failure.
bool EncodePictures(const EncodeOptions& options, std::vector<Picture>* out, std::string* error);

}  // namespace zrvgen
