// The recording programs run as a user runs them, over generated
// recordings, with real media framework pipelines: export, thumbnails and
// repair, and the time arguments they take.
#include <cstdio>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "export_job.h"
#include "recording_repair.h"
#include "time_text.h"
#include "tools_test_support.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPictures = 60;  // 6 s at 10 pictures a second, a key picture every 10

class RecordingToolsTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    InitGstForTests("gst-registry-tools.bin");
    dir_ = new TempDir;
    ShareLeakSuppressions(dir_->path());
    MakeRecording(Recording(), kPictures, 10, zrvgen::Codec::kH264, 2, &pictures_);
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static std::string Recording() { return dir_->Path("two.zrv"); }
  static std::string Program(const char* name) { return std::string(PELLAQUIN_TOOLS_DIR) + "/" + name; }

  // Duration as the framework's own command-line discoverer reports it,
  // without our plug-in (an MP4 needs none).
  static double DiscoveredSeconds(const std::string& path) {
    ProgramRun run = RunProgram("env -u GST_PLUGIN_PATH GST_REGISTRY=" + Quote(dir_->Path("plain.bin")) +
                                " gst-discoverer-1.0 " + Quote(path));
    std::smatch m;
    if (!std::regex_search(run.output, m, std::regex("Duration: (\\d+):(\\d+):(\\d+\\.\\d+)"))) return -1;
    return std::stoi(m[1]) * 3600 + std::stoi(m[2]) * 60 + std::stod(m[3]);
  }

  static inline TempDir* dir_ = nullptr;
  static inline std::vector<zrvgen::Picture> pictures_;
};

TEST(TimeTextTest, ReadsSecondsAndClockTimes) {
  int64_t t = 0;
  EXPECT_TRUE(pellaquin::ParseTimeText("90", &t));
  EXPECT_EQ(t, 90 * GST_SECOND);
  EXPECT_TRUE(pellaquin::ParseTimeText("1:30", &t));
  EXPECT_EQ(t, 90 * GST_SECOND);
  EXPECT_TRUE(pellaquin::ParseTimeText("1:02:03.5", &t));
  EXPECT_EQ(t, 3723500 * GST_MSECOND);
  for (const char* bad : {"", "-1", "1:60", "1:2:3:4", "abc", "1.2.3", ":30", "."})
    EXPECT_FALSE(pellaquin::ParseTimeText(bad, &t)) << bad;
  EXPECT_EQ(pellaquin::FormatTime(65 * GST_SECOND), "1:05");
  EXPECT_EQ(pellaquin::FormatTime(3725 * GST_SECOND), "1:02:05");
}

TEST_F(RecordingToolsTest, ExportKeepsTheDurationAndEveryPicture) {
  const std::string out = dir_->Path("whole.mp4");
  ProgramRun run = RunProgram(Program("pellaquin-export") + " -o " + Quote(out) + " " + Quote(Recording()));
  ASSERT_EQ(run.status, 0) << run.output;
  // Not a terminal: one line per file.
  EXPECT_NE(run.output.find("60 pictures"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find('\r'), std::string::npos);
  // The recording lasts 5.9 s from its first to its last picture; the MP4
  // gives the last picture its own 0.1 s.
  EXPECT_NEAR(DiscoveredSeconds(out), 5.9, 0.1 + 0.001);
  std::string error;
  auto times = DecodedPictures(out, &error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(times.size(), size_t(kPictures));
  ASSERT_FALSE(times.empty());
  EXPECT_EQ(times.front(), 0u);
  EXPECT_EQ(times.back(), (kPictures - 1) * 100 * GST_MSECOND);

  // The output is there: it is kept without --force, replaced with it.
  const auto size = fs::file_size(out);
  std::ofstream(out, std::ios::app) << "x";
  run = RunProgram(Program("pellaquin-export") + " -o " + Quote(out) + " " + Quote(Recording()));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("--force"), std::string::npos) << run.output;
  EXPECT_EQ(fs::file_size(out), size + 1);
  run = RunProgram(Program("pellaquin-export") + " --force -o " + Quote(out) + " " + Quote(Recording()));
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(fs::file_size(out), size);
}

TEST_F(RecordingToolsTest, ARangeStartsAtTheKeyPictureBeforeItAndCoversIt) {
  const std::string out = dir_->Path("part.mp4");
  ProgramRun run = RunProgram(Program("pellaquin-export") + " --from 2.5 --to 0:04.2 -o " + Quote(out) + " " +
                              Quote(Recording()));
  ASSERT_EQ(run.status, 0) << run.output;
  std::string error;
  auto times = DecodedPictures(out, &error);
  EXPECT_EQ(error, "");
  // Key pictures every second: the part starts at 2.0 s and ends with the
  // picture at 4.1 s, 22 pictures.
  EXPECT_EQ(times.size(), 22u);
  EXPECT_NEAR(DiscoveredSeconds(out), 2.2, 0.1 + 0.001);
  // Its first picture decodes on its own: a key picture.
  ASSERT_FALSE(times.empty());
  EXPECT_EQ(times.front(), 0u);

  // Several recordings go into a folder, named after them; a range beyond
  // the recording leaves no file.
  MakeRecording(dir_->Path("h263.zrv"), 20, 5, zrvgen::Codec::kH263, 1);
  run = RunProgram(Program("pellaquin-export") + " -o " + Quote(dir_->Path("folder")) + " " + Quote(Recording()) +
                   " " + Quote(dir_->Path("h263.zrv")));
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_GT(fs::file_size(dir_->Path("folder/two.mp4")), 1000u);
  EXPECT_NEAR(DiscoveredSeconds(dir_->Path("folder/h263.3gp")), 2.0, 0.1 + 0.001);
  run = RunProgram(Program("pellaquin-export") + " --from 1:00 -o " + Quote(dir_->Path("late.mp4")) + " " +
                   Quote(Recording()));
  EXPECT_EQ(run.status, 1);
  EXPECT_FALSE(fs::exists(dir_->Path("late.mp4")));
}

TEST_F(RecordingToolsTest, ADamagedOrForeignFileFailsWithoutOutput) {
  TempDir out;
  std::ofstream(out.Path("junk.zrv")) << std::string(5000, 'j');
  zrvgen::Options bad;
  bad.broken_chain = true;
  std::string err;
  ASSERT_TRUE(zrvgen::WriteRecording(out.Path("chain.zrv"), pictures_, bad, &err)) << err;
  for (const char* name : {"junk.zrv", "chain.zrv", "missing.zrv"}) {
    ProgramRun run = RunProgram(Program("pellaquin-export") + " -o " + Quote(out.Path("x.mp4")) + " " +
                                Quote(out.Path(name)));
    EXPECT_EQ(run.status, 1) << name << run.output;
    EXPECT_NE(run.output.find("pellaquin-export: "), std::string::npos) << run.output;
  }
  // Neither the output nor a temporary file is left behind.
  for (auto& e : fs::directory_iterator(out.path())) EXPECT_EQ(e.path().extension(), ".zrv") << e.path();

  // A cancelled export leaves nothing either.
  std::atomic<bool> cancel{true};
  pellaquin::ExportResult result;
  EXPECT_FALSE(pellaquin::ExportRecording(Recording(), out.Path("c.mp4"), {}, false, nullptr, &cancel, &result, &err));
  EXPECT_FALSE(fs::exists(out.Path("c.mp4")));
}

TEST_F(RecordingToolsTest, ThumbnailsAreTheRequestedSizeOrNothing) {
  TempDir out;
  ProgramRun run = RunProgram(Program("pellaquin-thumbnail") + " -s 128 " + Quote(Recording()) + " " +
                              Quote(out.Path("t.png")));
  ASSERT_EQ(run.status, 0) << run.output;
  // 640x480 scaled so that its longer side is 128: PNG header width/height.
  std::ifstream png(out.Path("t.png"), std::ios::binary);
  unsigned char head[24] = {};
  png.read(reinterpret_cast<char*>(head), sizeof head);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(head) + 1, 3), "PNG");
  EXPECT_EQ(head[16] << 24 | head[17] << 16 | head[18] << 8 | head[19], 128);
  EXPECT_EQ(head[20] << 24 | head[21] << 16 | head[22] << 8 | head[23], 96);

  // The damaged corpus: each fails, within the time file managers allow,
  // and leaves no picture.
  std::string err;
  std::vector<std::string> damaged;
  auto add = [&](const std::string& name, zrvgen::Options o) {
    ASSERT_TRUE(zrvgen::WriteRecording(out.Path(name), pictures_, o, &err)) << err;
    damaged.push_back(name);
  };
  zrvgen::Options o;
  o.broken_chain = true;
  add("chain.zrv", o);
  {
    // Cut before its tables: repairable, but not playable as it is.
    std::ifstream in(Recording(), std::ios::binary);
    std::string data((std::istreambuf_iterator<char>(in)), {});
    std::ofstream(out.Path("cut.zrv"), std::ios::binary) << data.substr(0, data.size() / 2);
    std::ofstream(out.Path("header.zrv"), std::ios::binary) << data.substr(0, 16);
    std::ofstream(out.Path("empty.zrv"), std::ios::binary) << "";
    damaged.insert(damaged.end(), {"cut.zrv", "header.zrv", "empty.zrv"});
  }
  for (const std::string& name : damaged) {
    run = RunProgram(Program("pellaquin-thumbnail") + " -s 64 " + Quote(out.Path(name)) + " " +
                     Quote(out.Path(name + ".png")));
    EXPECT_NE(run.status, 0) << name;
    // The program's own alarm bounds the time; a test clock would only add
    // a failure under load. The times are printed.
    std::printf("thumbnail of %s refused in %.2f s\n", name.c_str(), run.seconds);
    EXPECT_FALSE(fs::exists(out.Path(name + ".png"))) << name;
  }
  // Entries that carry no key mark play from the first entry, as the
  // player does: the picture there is what file managers show.
  o = {};
  o.no_key = true;
  ASSERT_TRUE(zrvgen::WriteRecording(out.Path("nokey.zrv"), pictures_, o, &err)) << err;
  run = RunProgram(Program("pellaquin-thumbnail") + " -s 64 " + Quote(out.Path("nokey.zrv")) + " " +
                   Quote(out.Path("nokey.png")));
  EXPECT_EQ(run.status, 0) << run.output;
  for (auto& e : fs::directory_iterator(out.path())) {
    const auto name = e.path().filename();
    EXPECT_TRUE(e.path().extension() == ".zrv" || name == "t.png" || name == "nokey.png") << e.path();
  }
}

TEST_F(RecordingToolsTest, ARecordingCutAt45PercentPlaysEveryWholePicture) {
  std::ifstream in(Recording(), std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), {});
  const size_t cut = data.size() * 45 / 100;
  std::ofstream(dir_->Path("cut45.zrv"), std::ios::binary) << data.substr(0, cut);
  // The pictures whose every packet lies inside the kept bytes: the writer
  // puts the video packets one after another from offset 16.
  zrvgen::Options o;
  auto packets = zrvgen::PacketizeVideo(pictures_, o);
  size_t end = 16, whole = 0;
  uint32_t ts = 0;
  bool started = false, complete = true;
  for (const auto& p : packets) {
    uint32_t t = uint32_t(p[4]) << 24 | uint32_t(p[5]) << 16 | uint32_t(p[6]) << 8 | p[7];
    if (started && t != ts && complete) ++whole;
    if (!started || t != ts) complete = true;
    started = true;
    ts = t;
    end += p.size();
    if (end > cut) complete = false;
  }
  if (complete) ++whole;
  ASSERT_GT(whole, 10u);
  ASSERT_LT(whole, size_t(kPictures));

  EXPECT_TRUE(pellaquin::RecordingLacksTables(dir_->Path("cut45.zrv")));
  EXPECT_FALSE(pellaquin::RecordingLacksTables(Recording()));
  const std::string repaired = dir_->Path("repaired.zrv");
  ProgramRun run = RunProgram(Program("pellaquin-repair") + " " + Quote(dir_->Path("cut45.zrv")) + " " +
                              Quote(repaired));
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("Recovered " + std::to_string(whole) + " pictures"), std::string::npos) << run.output;
  std::string error;
  auto times = DecodedPictures(repaired, &error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(times.size(), whole);

  // A recording cut inside its tables keeps its audio track as well.
  std::ofstream(dir_->Path("cut99.zrv"), std::ios::binary) << data.substr(0, data.size() - 100);
  pellaquin::RepairReport report;
  ASSERT_EQ(pellaquin::RepairRecording(dir_->Path("cut99.zrv"), dir_->Path("r99.zrv"), false, &report, &error),
            pellaquin::RepairResult::kRepaired)
      << error;
  EXPECT_EQ(report.pictures, uint32_t(kPictures));
  EXPECT_EQ(report.audio_packets, 300u);  // 20 ms each over 6 s
  EXPECT_EQ(report.ignored_bytes, 0u);
  times = DecodedPictures(dir_->Path("r99.zrv"), &error);
  EXPECT_EQ(times.size(), size_t(kPictures)) << error;
}

TEST_F(RecordingToolsTest, RepairRefusesWhatItCannotMendAndNeverWritesItsInput) {
  TempDir out;
  std::ofstream(out.Path("junk.zrv")) << std::string(100000, '\x80');
  std::string data;
  {
    std::ifstream in(Recording(), std::ios::binary);
    data.assign((std::istreambuf_iterator<char>(in)), {});
  }
  std::ofstream(out.Path("cut.zrv"), std::ios::binary) << data.substr(0, data.size() / 3);
  struct Case {
    std::string input, output;
    int status;
    const char* says;
  } cases[] = {
      {out.Path("junk.zrv"), out.Path("a.zrv"), 1, "no key picture"},
      {Recording(), out.Path("b.zrv"), 3, "nothing to repair"},
      {out.Path("cut.zrv"), out.Path("cut.zrv"), 1, "must not replace"},
      {out.Path("none.zrv"), out.Path("c.zrv"), 1, "cannot read"},
  };
  for (const Case& c : cases) {
    ProgramRun run = RunProgram(Program("pellaquin-repair") + " " + Quote(c.input) + " " + Quote(c.output));
    EXPECT_EQ(run.status, c.status) << c.input << run.output;
    EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
  }
  EXPECT_EQ(fs::file_size(out.Path("cut.zrv")), data.size() / 3);
  for (auto& e : fs::directory_iterator(out.path()))
    EXPECT_TRUE(e.path().filename() == "junk.zrv" || e.path().filename() == "cut.zrv") << e.path();
  // An existing output is replaced only with --force.
  std::ofstream(out.Path("d.zrv")) << "mine";
  ProgramRun run = RunProgram(Program("pellaquin-repair") + " " + Quote(out.Path("cut.zrv")) + " " +
                              Quote(out.Path("d.zrv")));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(fs::file_size(out.Path("d.zrv")), 4u);
  run = RunProgram(Program("pellaquin-repair") + " --force " + Quote(out.Path("cut.zrv")) + " " +
                   Quote(out.Path("d.zrv")));
  EXPECT_EQ(run.status, 0) << run.output;
}

}  // namespace
