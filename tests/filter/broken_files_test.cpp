// Damaged recordings: a fixed, seeded set of mutations of a generated file
// must load or be refused, and play to an end, without touching memory they
// do not own (run under the address sanitizer) and without hanging.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "fake_output.h"
#include "filter_test_support.h"
#include "pellaquin.h"
#include "video_source_stream.h"

using namespace pellaquin;

namespace {

zrvgen::Bytes Mutate(zrvgen::Bytes file, uint32_t seed) {
  std::mt19937 rng(seed);
  auto pick = [&](size_t n) { return n ? static_cast<size_t>(rng() % n) : 0; };
  const uint32_t edges[] = {0, 1, 12, 16, 17, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF,
                            static_cast<uint32_t>(file.size()), static_cast<uint32_t>(file.size() - 4)};
  int count = 1 + static_cast<int>(rng() % 6);
  for (int i = 0; i < count; ++i) {
    switch (rng() % 4) {
      case 0:  // a random byte
        if (!file.empty()) file[pick(file.size())] = static_cast<uint8_t>(rng());
        break;
      case 1: {  // an edge value over an aligned word (header, tables, data)
        if (file.size() < 4) break;
        size_t at = pick(file.size() / 4) * 4;
        uint32_t v = edges[pick(std::size(edges))];
        for (int b = 0; b < 4; ++b) file[at + b] = static_cast<uint8_t>(v >> (8 * b));
        break;
      }
      case 2:  // cut short
        file.resize(pick(file.size() + 1));
        break;
      default: {  // a header field
        if (file.size() < 16) break;
        size_t at = 8 + 4 * pick(2);
        uint32_t v = edges[pick(std::size(edges))];
        for (int b = 0; b < 4; ++b) file[at + b] = static_cast<uint8_t>(v >> (8 * b));
        break;
      }
    }
  }
  return file;
}

}  // namespace

TEST(BrokenFiles, LoadOrRefuseAndPlayToAnEnd) {
  TempDir dir;
  zrvgen::Options o;
  o.tiny_entries_at = 3;
  std::string good = dir.Path("good.zrv");
  ASSERT_TRUE(zrvgen::WriteRecording(good, SyntheticPictures(12, 4, 300), o, nullptr));
  std::ifstream in(good, std::ios::binary);
  zrvgen::Bytes original((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int loaded = 0;
  for (uint32_t seed = 1; seed <= 250; ++seed) {
    zrvgen::Bytes bytes = Mutate(original, seed);
    std::string path = dir.Path("broken.zrv");
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    FakeOutput out;
    CPellaquin f(&out);
    if (f.Load(path.c_str(), nullptr) != S_OK) continue;
    ++loaded;
    ASSERT_EQ(f.GetPin(0)->Connect(&out), S_OK);
    out.HoldAfter(2);
    ASSERT_EQ(f.Pause(), S_OK);
    out.WaitForSamples(2);
    int64_t t = f.duration() / 2;
    f.video_pin()->SetPositions(&t, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    out.HoldAfter(1 << 30);
    ASSERT_TRUE(out.WaitForEos()) << "seed " << seed;
    f.Stop();
  }
  EXPECT_GT(loaded, 20);  // the mutations must reach the pins, not only the header check
}
