// Camera list file, alias file, settings file and the download-root lookup.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <utility>
#include <vector>

#include "alias_store.h"
#include "camera_options.h"
#include "app_paths.h"
#include "app_test_support.h"
#include "camera_store.h"
#include "download_layout.h"
#include "printable_text.h"
#include "private_file.h"
#include "removed_recordings.h"
#include "system_settings.h"

namespace velmora {
namespace {

using test::read_all;
using test::write_all;

CameraRecord record(std::int32_t id, std::uint8_t last_octet) {
  CameraRecord r;
  std::string error;
  EXPECT_TRUE(make_local_record(id, "10.0.0." + std::to_string(last_octet), "pw" + std::to_string(id), r, error));
  return r;
}

std::string bytes_of(const CameraRecord& r) {
  return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

TEST(CameraRecordLayout, FieldOffsetsMatchTheFileImage) {
  // A hand-written image: every field carries a marker at its offset.
  std::string image(147, '\0');
  image[0] = 0x39; image[1] = 0x30;                 // id 12345
  image[4] = 1;                                     // is local
  image[5] = '\xc0'; image[6] = '\xa8'; image[7] = 1; image[8] = 20;
  std::memcpy(&image[9], "local-pw", 8);
  std::memcpy(&image[29], "user", 4);
  std::memcpy(&image[79], "srv-pw", 6);
  std::memcpy(&image[99], "SERIAL01", 8);
  std::memcpy(&image[131], "10.1.2.3", 8);

  CameraRecord r;
  std::memcpy(&r, image.data(), sizeof r);
  EXPECT_EQ(r.camera_id, 12345);
  EXPECT_EQ(r.is_local, 1);
  EXPECT_EQ(address_text(r), "192.168.1.20");
  EXPECT_EQ(field_text(r.local_password), "local-pw");
  EXPECT_EQ(field_text(r.user), "user");
  EXPECT_EQ(field_text(r.server_password), "srv-pw");
  EXPECT_EQ(serial_of(r), "SERIAL01");
  EXPECT_EQ(field_text(r.server_address), "10.1.2.3");

  CameraRecord built;
  std::string error;
  ASSERT_TRUE(make_local_record(12345, "192.168.1.20", "local-pw", built, error));
  std::string expected(147, '\0');
  std::memcpy(expected.data(), image.data(), 25);  // id, kind, address, password only
  EXPECT_EQ(bytes_of(built), expected);
}

TEST(CameraRecordLayout, RefusesBadAddressesAndLongPasswords) {
  CameraRecord r;
  std::string error;
  for (const char* bad : {"1.2.3", "1.2.3.4.5", "256.1.1.1", "a.b.c.d", "1.2.3.4 ", "", "01.2.3.4"})
    EXPECT_FALSE(make_local_record(1, bad, "pw", r, error)) << bad;
  EXPECT_FALSE(make_local_record(1, "1.2.3.4", std::string(16, 'x'), r, error));
  EXPECT_NE(error.find("15"), std::string::npos);
  EXPECT_TRUE(make_local_record(1, "1.2.3.4", std::string(15, 'x'), r, error));
  EXPECT_EQ(r.local_password[15], '\0');
}

class StoreFiles : public ::testing::Test {
protected:
  QTemporaryDir dir;
  std::string path(const char* name) const { return dir.path().toStdString() + "/" + name; }
};

TEST_F(StoreFiles, CameraFileKeepsWholeRecordsOnly) {
  // 294 bytes = two records; 300 bytes = two records and 6 stray bytes.
  const std::string two = bytes_of(record(5, 5)) + bytes_of(record(3, 3));
  write_all(path("two.dat"), two);
  write_all(path("trail.dat"), two + "abcdef");
  for (const char* name : {"two.dat", "trail.dat"}) {
    CameraTable table;
    ASSERT_TRUE(load_camera_file(path(name), table));
    ASSERT_EQ(table.size(), 2u) << name;
    EXPECT_EQ(address_text(table.at(3)), "10.0.0.3");
    EXPECT_EQ(address_text(table.at(5)), "10.0.0.5");
  }
  // Saving writes ascending ids, 147 bytes each, nothing else.
  CameraTable table;
  load_camera_file(path("trail.dat"), table);
  ASSERT_TRUE(save_camera_file(path("out.dat"), table));
  EXPECT_EQ(read_all(path("out.dat")), bytes_of(record(3, 3)) + bytes_of(record(5, 5)));
}

TEST_F(StoreFiles, LaterDuplicateWinsAndMissingFileLeavesTable) {
  write_all(path("dup.dat"), bytes_of(record(7, 1)) + bytes_of(record(7, 2)));
  CameraTable table;
  ASSERT_TRUE(load_camera_file(path("dup.dat"), table));
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(address_text(table.at(7)), "10.0.0.2");

  EXPECT_FALSE(load_camera_file(path("missing.dat"), table));
  EXPECT_EQ(table.size(), 1u);

  ASSERT_TRUE(save_camera_file(path("empty.dat"), {}));
  EXPECT_TRUE(file_exists(path("empty.dat")));
  EXPECT_EQ(read_all(path("empty.dat")), "");
}

TEST_F(StoreFiles, AliasLines) {
  write_all(path("alias.txt"),
            "12345/*/Front door\r\n"
            "7/*/a/*/b\n"
            "no separator here\n"
            "x/*/not a number\n"
            "8/*/\r\n");
  AliasTable aliases;
  load_alias_file(path("alias.txt"), aliases);
  EXPECT_EQ(aliases.size(), 3u);
  EXPECT_EQ(aliases[12345], "Front door");
  EXPECT_EQ(aliases[7], "a/*/b");  // the separator inside the alias stays
  EXPECT_EQ(aliases[8], "");

  aliases[9] = "two\nlines";
  ASSERT_TRUE(save_alias_file(path("out.txt"), aliases));
  EXPECT_EQ(read_all(path("out.txt")),
            "7/*/a/*/b\r\n8/*/\r\n9/*/two lines\r\n12345/*/Front door\r\n");
}

// Found by fuzzing: a bare CR (or a NUL) inside an alias was kept on load
// but changed by the next save, so the file did not read back the same.
TEST_F(StoreFiles, AliasesReadBackAsTheyWereSaved) {
  write_all(path("alias.txt"), std::string("3/*/a\rb\r\n4/*/c\0d\n", 17));
  AliasTable first, second;
  load_alias_file(path("alias.txt"), first);
  EXPECT_EQ(first[3], "a b");
  EXPECT_EQ(first[4], "c d");
  ASSERT_TRUE(save_alias_file(path("out.txt"), first));
  load_alias_file(path("out.txt"), second);
  EXPECT_EQ(first, second);
}

TEST_F(StoreFiles, SettingsAreReadByPosition) {
  // Names are not looked at: the same order under other names reads alike.
  const char* docs[] = {
      "<SystemSetting name=\"Velmora Settings\"><AutoStart>1</AutoStart>"
      "<MaxConcurrency>7</MaxConcurrency><AutoSynInterval>3</AutoSynInterval>"
      "<QTX_Installed_Path>/x</QTX_Installed_Path></SystemSetting>",
      "<R><a>1</a><b>7</b><c>3</c></R>"};
  for (const char* doc : docs) {
    write_all(path("Settings.xml"), doc);
    SystemSettings s;
    std::int32_t limit = 4;
    s.load(path("Settings.xml"), limit);
    EXPECT_TRUE(s.auto_start);
    EXPECT_EQ(limit, 4);  // 7 is refused
    EXPECT_EQ(s.interval_code, 3);
  }
  // Only the exact text "1" means on; a limit in range is taken.
  write_all(path("Settings.xml"), "<R><a>true</a><b>2</b><c></c></R>");
  SystemSettings s;
  std::int32_t limit = 4;
  s.load(path("Settings.xml"), limit);
  EXPECT_FALSE(s.auto_start);
  EXPECT_EQ(limit, 2);
  EXPECT_EQ(s.interval_code, 1);

  // Broken or missing files give the defaults.
  write_all(path("Settings.xml"), "<R><a>1</a");
  s.auto_start = true;
  s.interval_code = 5;
  s.load(path("Settings.xml"), limit);
  EXPECT_FALSE(s.auto_start);
  EXPECT_EQ(s.interval_code, 1);
  EXPECT_FALSE(s.program_path.empty());
}

TEST_F(StoreFiles, SettingsSaveAsPrintedDocument) {
  SystemSettings s;
  s.auto_start = true;
  s.interval_code = 6;
  s.program_path = "/opt/velmora/bin/velmora";
  ASSERT_TRUE(s.save(path("Settings.xml"), 3));
  EXPECT_EQ(read_all(path("Settings.xml")),
            "<SystemSetting name=\"Velmora Settings\">\n"
            "    <AutoStart>1</AutoStart>\n"
            "    <MaxConcurrency>3</MaxConcurrency>\n"
            "    <AutoSynInterval>6</AutoSynInterval>\n"
            "    <QTX_Installed_Path>/opt/velmora/bin/velmora</QTX_Installed_Path>\n"
            "</SystemSetting>\n");
  // A path that needs more than 259 bytes is written empty.
  s.program_path = "/" + std::string(300, 'p');
  ASSERT_TRUE(s.save(path("Settings.xml"), 3));
  EXPECT_NE(read_all(path("Settings.xml")).find("<QTX_Installed_Path></QTX_Installed_Path>"),
            std::string::npos);
}

TEST_F(StoreFiles, PacingIsAFifthElementOnlyWhenNotTheDefault) {
  SystemSettings s;
  s.program_path = "/p";
  ASSERT_TRUE(s.save(path("Settings.xml"), 3));
  EXPECT_EQ(read_all(path("Settings.xml")).find("DownloadPacing"), std::string::npos);

  s.pacing_ms = 0;
  s.interval_code = 2;
  ASSERT_TRUE(s.save(path("Settings.xml"), 3));
  EXPECT_NE(read_all(path("Settings.xml"))
                .find("<QTX_Installed_Path>/p</QTX_Installed_Path>\n"
                      "    <DownloadPacing>0</DownloadPacing>\n</SystemSetting>"),
            std::string::npos);
  SystemSettings back;
  std::int32_t limit = 4;
  back.load(path("Settings.xml"), limit);
  EXPECT_EQ(back.pacing_ms, 0);
  EXPECT_EQ(back.interval_code, 2);
  EXPECT_EQ(limit, 3);

  // By position like the rest; out of range, not a number or absent: 500.
  const std::pair<const char*, int> cases[] = {
      {"<R><a>0</a><b>2</b><c>1</c><d>/x</d><e>250</e></R>", 250},
      {"<R><a>0</a><b>2</b><c>1</c><d>/x</d><e>-1</e></R>", 500},
      {"<R><a>0</a><b>2</b><c>1</c><d>/x</d><e>60001</e></R>", 500},
      {"<R><a>0</a><b>2</b><c>1</c><d>/x</d><e>soon</e></R>", 500},
      {"<R><a>0</a><b>2</b><c>1</c><d>/x</d></R>", 500}};
  for (const auto& [doc, want] : cases) {
    write_all(path("Settings.xml"), doc);
    back.pacing_ms = 7;
    back.load(path("Settings.xml"), limit);
    EXPECT_EQ(back.pacing_ms, want) << doc;
  }
}

TEST_F(StoreFiles, FreeSpaceAndKeepDaysAreFoundByNameAndKeepOldReadersRight) {
  SystemSettings s;
  s.program_path = "/p";
  s.keep_days = 14;
  ASSERT_TRUE(s.save(path("Settings.xml"), 3));
  // The default pacing goes ahead of them, so the fifth element stays it.
  EXPECT_NE(read_all(path("Settings.xml"))
                .find("<QTX_Installed_Path>/p</QTX_Installed_Path>\n"
                      "    <DownloadPacing>500</DownloadPacing>\n"
                      "    <KeepDays>14</KeepDays>\n</SystemSetting>"),
            std::string::npos)
      << read_all(path("Settings.xml"));
  SystemSettings back;
  std::int32_t limit = 4;
  back.load(path("Settings.xml"), limit);
  EXPECT_EQ(back.keep_days, 14);
  EXPECT_EQ(back.min_free_bytes, SystemSettings::kDefaultMinFreeBytes);
  EXPECT_EQ(back.pacing_ms, 500);

  // Anywhere in the document; out of range or not a number: the default.
  const struct {
    const char* doc;
    std::int64_t min_free;
    std::int32_t keep;
  } cases[] = {
      {"<R><MinFreeBytes>0</MinFreeBytes><a>0</a><KeepDays>3</KeepDays></R>", 0, 3},
      {"<R><a>0</a><MinFreeBytes>-5</MinFreeBytes><KeepDays>-1</KeepDays></R>",
       SystemSettings::kDefaultMinFreeBytes, 0},
      {"<R><MinFreeBytes>2G</MinFreeBytes><KeepDays>36501</KeepDays></R>",
       SystemSettings::kDefaultMinFreeBytes, 0},
      {"<R><MinFreeBytes>1048576</MinFreeBytes></R>", 1048576, 0}};
  for (const auto& c : cases) {
    write_all(path("Settings.xml"), c.doc);
    back.load(path("Settings.xml"), limit);
    EXPECT_EQ(back.min_free_bytes, c.min_free) << c.doc;
    EXPECT_EQ(back.keep_days, c.keep) << c.doc;
  }
}

TEST_F(StoreFiles, CameraOptionsFileHoldsOnlyCamerasWithOptions) {
  CameraOptionsTable t;
  t[7] = CameraOptions{true};
  t[-1] = CameraOptions{true};
  t[9] = CameraOptions{};
  ASSERT_TRUE(save_camera_options(path("opts"), t));
  EXPECT_EQ(read_all(path("opts")), "-1 delete-after-copy\n7 delete-after-copy\n");
  struct stat st {};
  ASSERT_EQ(::stat(path("opts").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // Unknown words and malformed lines are passed over.
  write_all(path("opts"), "7 delete-after-copy future-flag\nx delete-after-copy\n"
                          "99999999999 delete-after-copy\n\n8 future-flag\n12\tdelete-after-copy");
  const CameraOptionsTable back = load_camera_options(path("opts"));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_TRUE(back.at(7).delete_after_copy);
  EXPECT_TRUE(back.at(12).delete_after_copy);
  EXPECT_TRUE(load_camera_options(path("missing")).empty());
}

TEST_F(StoreFiles, RemovedRecordingsKeepTheNewestWholeLinesPastTheirCap) {
  const std::string camera = path("");
  for (int i = 0; i < 200; ++i)
    ASSERT_TRUE(note_removed(camera, "Manual/REC_" + std::to_string(i) + ".avi", 1000 + i, 2048));
  struct stat st {};
  ASSERT_EQ(::stat((camera + ".velmora-removed").c_str(), &st), 0);
  EXPECT_LE(st.st_size, 2048);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  RemovedSet removed = load_removed(camera);
  EXPECT_GT(removed.size(), 20u);
  EXPECT_LT(removed.size(), 200u);
  EXPECT_TRUE(removed.count({"Manual/REC_199.avi", 1199}));
  EXPECT_FALSE(removed.count({"Manual/REC_0.avi", 1000}));
  // Lines that are not "<size> <path>" are skipped; a newline never gets in.
  write_all(camera + ".velmora-removed", "x Manual/a.avi\n12\n 5 b\n7 AlarmRecord/c.avi\n");
  EXPECT_FALSE(note_removed(camera, "Manual/two\nlines.avi", 1));
  removed = load_removed(camera);
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_TRUE(removed.count({"AlarmRecord/c.avi", 7}));
}

TEST_F(StoreFiles, DownloadRootFromSiblingSettings) {
  std::string root = "unchanged";
  EXPECT_EQ(load_download_root(path("none.xml"), "/default", root), -2);
  EXPECT_EQ(root, "/default");

  write_all(path("sib.xml"), "<S><First/><Second><Path>/srv/Video\\Records\\</Path></Second></S>");
  EXPECT_EQ(load_download_root(path("sib.xml"), "/default", root), 0);
  EXPECT_EQ(root, "/srv/Video/Records");

  // A folder that is relative here (a drive letter too) or the whole system
  // is refused for the default.
  for (const char* refused : {"D:\\Video\\Records\\", "video", "/", "\\", "//"}) {
    root = "kept";
    write_all(path("sib.xml"), std::string("<S><First/><Second><Path>") + refused + "</Path></Second></S>");
    EXPECT_EQ(load_download_root(path("sib.xml"), "/default", root), -3) << refused;
    EXPECT_EQ(root, "/default") << refused;
  }

  root = "kept";
  write_all(path("sib.xml"), "<S><First/><Second><Path></Path></Second></S>");
  EXPECT_EQ(load_download_root(path("sib.xml"), "/default", root), -1);
  write_all(path("sib.xml"), "<S><Only/></S>");
  EXPECT_EQ(load_download_root(path("sib.xml"), "/default", root), -1);
  EXPECT_EQ(root, "kept");
}

TEST(DownloadLayout, FoldersNamesAndUntrustedNames) {
  NVS_SDK_V160::RECORD_FILE_ENTRY e{};
  std::strcpy(e.file_name, "A0001.avi");
  e.record_kind = 1;
  RecordingPaths p;
  ASSERT_TRUE(recording_paths("/r", 42, e, p));
  EXPECT_EQ(p.partial, "/r/42/AlarmRecord/A0001.tmp");
  EXPECT_EQ(p.final_path, "/r/42/AlarmRecord/A0001.avi");

  // Manual, and any other kind, go to Manual; names without ".avi" get it.
  for (std::uint8_t kind : {std::uint8_t{0}, std::uint8_t{2}, std::uint8_t{255}}) {
    e.record_kind = kind;
    std::strcpy(e.file_name, "clip.mp4");
    ASSERT_TRUE(recording_paths("/r", 42, e, p));
    EXPECT_EQ(p.partial, "/r/42/Manual/clip.mp4.tmp");
    EXPECT_EQ(p.final_path, "/r/42/Manual/clip.mp4.avi");
  }
  // A full 32-byte name without a NUL stays within the field.
  std::memset(e.file_name, 'n', sizeof e.file_name);
  EXPECT_EQ(entry_name(e).size(), 32u);

  for (const char* bad : {"", ".", "..", "../x.avi", "a/b.avi", "a\\b.avi", "/etc/x", "tab\t.avi"}) {
    std::memset(e.file_name, 0, sizeof e.file_name);
    std::strcpy(e.file_name, bad);
    EXPECT_FALSE(recording_paths("/r", 42, e, p)) << bad;
  }
}

}  // namespace

TEST(PrintableText, ControlsAreEscapedAndOtherTextKept) {
  EXPECT_EQ(printable_text("REC_0001.avi"), "REC_0001.avi");
  EXPECT_EQ(printable_text("Ca\xc3\xa9 \xe2\x82\xac"), "Ca\xc3\xa9 \xe2\x82\xac");  // UTF-8 stays
  EXPECT_EQ(printable_text("\x1b]0;owned\x07x"), "\\x1b]0;owned\\x07x");
  EXPECT_EQ(printable_text("a\nb\rc\x7f"), "a\\x0ab\\x0dc\\x7f");
  EXPECT_EQ(printable_text("\xc2\x9b" "2J"), "\\xc2\\x9b2J");  // C1 CSI in UTF-8
  EXPECT_EQ(printable_text("\x9b\xff"), "\\x9b\\xff");  // not UTF-8
  EXPECT_EQ(printable_text("a\\x1b"), "a\\x5cx1b");  // an escape cannot be forged
}

TEST_F(StoreFiles, NonRegularFilesAreNotRead) {
  ASSERT_EQ(::mkfifo(path("list.dat").c_str(), 0600), 0);
  CameraTable table;
  EXPECT_FALSE(load_camera_file(path("list.dat"), table));  // returns at once
  AliasTable aliases;
  ASSERT_EQ(::mkfifo(path("alias.txt").c_str(), 0600), 0);
  load_alias_file(path("alias.txt"), aliases);
  EXPECT_TRUE(aliases.empty());
  ASSERT_EQ(::mkfifo(path("sib.xml").c_str(), 0600), 0);
  std::string root = "kept";
  EXPECT_EQ(load_download_root(path("sib.xml"), "/default", root), -2);
  std::filesystem::create_directory(path("dir.dat"));
  EXPECT_FALSE(load_camera_file(path("dir.dat"), table));
}

// The state files, each written by its own writer: what a save of version
// `v` (0 or 1) writes to `path`.
struct StateFile {
  std::string name;
  std::function<bool(const std::string& path, int v)> save;
};

std::vector<StateFile> state_files() {
  return {
      {"Settings.xml",
       [](const std::string& p, int v) {
         SystemSettings s;
         s.auto_start = v == 1;
         s.interval_code = v == 1 ? 8 : 2;
         s.program_path = "/opt/velmora/velmora";
         return s.save(p, v == 1 ? 5 : 1);
       }},
      {"UserAlias.txt",
       [](const std::string& p, int v) {
         AliasTable t;
         for (int id = 1; id <= 40 * (v + 1); ++id) t[id] = "camera " + std::to_string(id * (v + 1));
         return save_alias_file(p, t);
       }},
      {"cameras.dat",
       [](const std::string& p, int v) {
         CameraTable t;
         for (int id = 1; id <= 30 + 20 * v; ++id) t[id] = record(id, static_cast<std::uint8_t>(id + v));
         return save_camera_file(p, t);
       }},
      {"options",
       [](const std::string& p, int v) {
         CameraOptionsTable t;
         for (int id = 1; id <= 50 + 50 * v; ++id) t[id] = CameraOptions{true};
         return save_camera_options(p, t);
       }},
  };
}

TEST_F(StoreFiles, SavesReplaceTheWholeFileAndAStaleSaveFileIsHarmless) {
  for (const StateFile& f : state_files()) {
    SCOPED_TRACE(f.name);
    const std::string target = path(f.name.c_str());
    const std::string temp = saving_path(target);
    EXPECT_EQ(temp, path(("." + f.name + ".saving").c_str()));
    ASSERT_TRUE(f.save(path("reference"), 1));
    const std::string expected = read_all(path("reference"));
    ASSERT_TRUE(f.save(target, 0));
    const std::string old = read_all(target);

    // What a crash left under the hidden name: a read-only file, then a
    // link to a file that must not be written through.
    write_all(temp, "half a file");
    ::chmod(temp.c_str(), 0400);
    ASSERT_TRUE(f.save(target, 1));
    EXPECT_EQ(read_all(target), expected);
    EXPECT_FALSE(std::filesystem::exists(temp));
    write_all(path("victim"), "untouched");
    ASSERT_EQ(::symlink(path("victim").c_str(), temp.c_str()), 0);
    ASSERT_TRUE(f.save(target, 0));
    EXPECT_EQ(read_all(target), old);
    EXPECT_EQ(read_all(path("victim")), "untouched");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A save that cannot be written says so and leaves the old file whole.
    std::filesystem::create_directories(temp + "/blocked");
    errno = 0;
    EXPECT_FALSE(f.save(target, 1));
    EXPECT_NE(errno, 0);
    EXPECT_EQ(read_all(target), old);
    std::filesystem::remove_all(temp);
  }
}

// A program killed at any moment of a save (a crash, the power cut) leaves
// every state file with its old or its new content, never empty or half.
TEST_F(StoreFiles, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
  const std::vector<StateFile> files = state_files();
  std::vector<std::string> versions[2];
  for (int v = 0; v < 2; ++v)
    for (const StateFile& f : files) {
      ASSERT_TRUE(f.save(path("reference"), v));
      versions[v].push_back(read_all(path("reference")));
    }
  for (const StateFile& f : files) ASSERT_TRUE(f.save(path(f.name.c_str()), 0));

  std::mt19937 rng(12345);
  constexpr int kKills = 150;
  int changed = 0;
  for (int kill = 0; kill < kKills; ++kill) {
    int started[2];
    ASSERT_EQ(::pipe(started), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      (void)!::write(started[1], "s", 1);
      for (int v = 1;; v ^= 1)
        for (const StateFile& f : files) f.save(path(f.name.c_str()), v);
    }
    char c;
    ASSERT_EQ(::read(started[0], &c, 1), 1);
    ::close(started[0]);
    ::close(started[1]);
    // Spread the kills over every step of the saves.
    ::usleep(std::uniform_int_distribution<useconds_t>(0, 4000)(rng));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    for (std::size_t i = 0; i < files.size(); ++i) {
      const std::string bytes = read_all(path(files[i].name.c_str()));
      ASSERT_TRUE(bytes == versions[0][i] || bytes == versions[1][i])
          << files[i].name << " after kill " << kill << ": " << bytes.size() << " bytes";
      changed += bytes == versions[1][i] ? 1 : 0;
    }
  }
  std::printf("%d of %d files held the child's content when it was killed\n", changed,
              kKills * static_cast<int>(files.size()));
}

}  // namespace velmora
