// Record list, downloads and deletion as a client sees them on the wire.
#include "camsim.h"
#include "raw_client.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

using namespace camsim_test;

namespace {

struct Block {
  uint32_t transfer, did, offset, n;
  uint16_t end;
  Bytes data;
};

Block parse_block(const Bytes& m) {
  Block b{get32(m, 6), get32(m, 10), get32(m, 14), get32(m, 18), get16(m, 22), {}};
  b.data.assign(m.begin() + 26, m.end());
  return b;
}

class CamsimRecords : public ::testing::Test {
protected:
  void start(camsim::Config c) {
    c.port = 0;
    c.password = "pw";
    sim_ = std::make_unique<camsim::CameraSimulator>(c);
    ASSERT_EQ(sim_->start(), 0);
    client_ = std::make_unique<RawClient>(sim_->port());
    ASSERT_EQ(client_->login("pw"), 0u);
  }
  camsim::Config with_recordings(int n, uint32_t min_size, uint32_t max_size) {
    camsim::Config c;
    c.recordings = camsim::generate_recordings(n, min_size, max_size, 0.5, 42);
    return c;
  }
  // Receives blocks of one download until its end flag; checks continuity.
  Bytes collect(uint32_t transfer, uint32_t did, uint32_t offset, uint32_t length) {
    Bytes data;
    for (;;) {
      Bytes m = client_->receive_type(91);
      if (m.empty()) {
        ADD_FAILURE() << "download stalled after " << data.size() << " bytes";
        return data;
      }
      Block b = parse_block(m);
      EXPECT_EQ(b.transfer, transfer);
      EXPECT_EQ(b.did, did);
      EXPECT_EQ(b.offset, offset + data.size());
      EXPECT_EQ(b.n, b.data.size());
      data.insert(data.end(), b.data.begin(), b.data.end());
      EXPECT_EQ(b.end != 0, data.size() == length);
      if (b.end || data.size() >= length) return data;
    }
  }
  std::unique_ptr<camsim::CameraSimulator> sim_;
  std::unique_ptr<RawClient> client_;
};

Bytes list_request(uint16_t first, uint16_t count) {
  Bytes b = message(82, 14);
  put16(b, 6, 1);
  put16(b, 8, first);
  put16(b, 10, count);
  put16(b, 12, 20);
  return b;
}

TEST_F(CamsimRecords, ListComesInPagesWithTheLastPageFlaggedOnce) {
  camsim::Config c = with_recordings(7, 100, 200);
  c.list_page_size = 3;
  start(c);
  std::vector<camsim::Recording> card = sim_->recordings();

  client_->send(message(81, 6));
  Bytes stat = client_->receive_type(81);
  ASSERT_GE(stat.size(), 8u);
  EXPECT_EQ(get16(stat, 6), 7u);

  client_->send(list_request(1, 5));
  size_t index = 1;
  for (int page = 0; page < 2; ++page) {
    Bytes m = client_->receive_type(83);
    size_t n = page == 0 ? 3 : 2;
    ASSERT_EQ(m.size(), 10 + 48 * n);
    EXPECT_EQ(get16(m, 6), n);
    EXPECT_EQ(get16(m, 8) != 0, page == 1);
    for (size_t i = 0; i < n; ++i, ++index) {
      size_t e = 10 + 48 * i;
      EXPECT_EQ(get_name(m, e), card[index].name);
      EXPECT_EQ(get32(m, e + 32), card[index].key);
      EXPECT_EQ(get32(m, e + 36), card[index].size);
      EXPECT_EQ(m[e + 44], card[index].kind);
    }
  }

  client_->send(list_request(7, 10));  // beyond the end
  Bytes m = client_->receive_type(83);
  ASSERT_EQ(m.size(), 10u);
  EXPECT_EQ(get16(m, 6), 0u);
  EXPECT_NE(get16(m, 8), 0u);
  EXPECT_EQ(sim_->stats().protocol_errors, 0);
}

TEST_F(CamsimRecords, LastPageFlagCanBeWithheld) {
  camsim::Config c = with_recordings(4, 100, 200);
  c.list_page_size = 3;
  c.set_last_page_flag = false;
  start(c);
  client_->send(list_request(0, 4));
  EXPECT_EQ(get16(client_->receive_type(83), 8), 0u);
  EXPECT_EQ(get16(client_->receive_type(83), 8), 0u);
}

TEST_F(CamsimRecords, DownloadedRangeIsByteExact) {
  camsim::Config c = with_recordings(3, 50000, 60000);
  c.block_size = 1000;
  start(c);
  camsim::Recording r = sim_->recordings()[1];

  client_->send(download_request(17, r.name, r.key, 1234, 20500));
  Bytes resp = client_->receive_type(87);
  ASSERT_EQ(resp.size(), 18u);
  EXPECT_EQ(get32(resp, 10), 17u);
  ASSERT_EQ(get32(resp, 14), 0u);
  uint32_t transfer = get32(resp, 6);
  EXPECT_NE(transfer, 0u);

  Bytes data = collect(transfer, 17, 1234, 20500);
  ASSERT_EQ(data.size(), 20500u);
  for (uint32_t i = 0; i < data.size(); ++i)
    ASSERT_EQ(data[i], camsim::generated_byte(r.key, 1234 + i)) << "offset " << 1234 + i;

  // The tail of the recording, ending exactly at its size.
  client_->send(download_request(18, r.name, r.key, r.size - 10, 10));
  resp = client_->receive_type(87);
  ASSERT_EQ(get32(resp, 14), 0u);
  EXPECT_EQ(collect(get32(resp, 6), 18, r.size - 10, 10).size(), 10u);

  camsim::Stats s = sim_->stats();
  ASSERT_EQ(s.downloads.size(), 2u);
  EXPECT_EQ(s.downloads[0].name, r.name);
  EXPECT_EQ(s.downloads[0].offset, 1234u);
  EXPECT_EQ(s.downloads[0].length, 20500u);
  EXPECT_EQ(s.download_bytes_sent, 20510u);
  EXPECT_EQ(s.protocol_errors, 0);
}

TEST_F(CamsimRecords, RefusedAndInvalidDownloadsSendNoData) {
  camsim::Config c = with_recordings(3, 5000, 6000);
  c.refuse_downloads = {c.recordings[0].name};
  start(c);
  std::vector<camsim::Recording> card = sim_->recordings();
  const camsim::Recording& a = card[0];
  const camsim::Recording& b = card[1];

  client_->send(download_request(1, a.name, a.key, 0, 100));          // refused by setting
  client_->send(download_request(2, b.name, b.key + 1, 0, 100));      // wrong key
  client_->send(download_request(3, b.name, b.key, b.size - 5, 6));   // past the end
  client_->send(download_request(3, b.name, b.key, 0, 6));            // download id reused
  client_->send(download_request(4, b.name, b.key, 0, 7));            // fine
  for (uint32_t did = 1; did <= 4; ++did) {
    Bytes r = client_->receive();
    ASSERT_EQ(r.size(), 18u) << "download " << did;
    EXPECT_EQ(r[4], 87);
    EXPECT_EQ(get32(r, 10), did == 4 ? 3u : did);
    EXPECT_NE(get32(r, 14), 0u);
  }
  Bytes ok = client_->receive();
  ASSERT_EQ(ok[4], 87);  // no data block slipped in before it
  EXPECT_EQ(get32(ok, 14), 0u);
  EXPECT_EQ(collect(get32(ok, 6), 4, 0, 7).size(), 7u);
  camsim::Stats s = sim_->stats();
  EXPECT_EQ(s.downloads_refused, 4);
  EXPECT_EQ(s.protocol_errors, 3);
}

TEST_F(CamsimRecords, DropAfterClosesOnceTheBudgetIsSent) {
  camsim::Config c = with_recordings(1, 10000, 10000);
  c.block_size = 1000;
  c.drop_after_download_bytes = 2500;
  start(c);
  camsim::Recording r = sim_->recordings()[0];
  client_->send(download_request(1, r.name, r.key, 0, r.size));
  ASSERT_EQ(get32(client_->receive_type(87), 14), 0u);
  uint64_t got = 0;
  for (Bytes m; !(m = client_->receive_type(91)).empty();) {
    Block b = parse_block(m);
    EXPECT_EQ(b.offset, got);
    EXPECT_EQ(b.end, 0);
    got += b.n;
  }
  EXPECT_TRUE(client_->closed());
  EXPECT_EQ(got, 2500u);

  // A new connection gets a new budget: resuming from 2500 works.
  RawClient again(sim_->port());
  ASSERT_EQ(again.login("pw"), 0u);
  again.send(download_request(2, r.name, r.key, 2500, 2000));
  ASSERT_EQ(get32(again.receive_type(87), 14), 0u);
  Block b = parse_block(again.receive_type(91));
  EXPECT_EQ(b.offset, 2500u);
  EXPECT_EQ(b.data[0], camsim::generated_byte(r.key, 2500));
}

TEST_F(CamsimRecords, PausedTransferResumesAtTheNewRange) {
  camsim::Config c = with_recordings(1, 4000000, 4000000);
  c.block_size = 1000;
  start(c);
  camsim::Recording r = sim_->recordings()[0];
  client_->send(download_request(5, r.name, r.key, 0, r.size));
  uint32_t transfer = get32(client_->receive_type(87), 6);
  client_->receive_type(91);

  Bytes pause = message(89, 50);
  put32(pause, 6, transfer);
  put32(pause, 10, 5);
  put_name(pause, 14, r.name);
  put32(pause, 46, r.key);
  client_->send(pause);
  // Drain what was in flight; then the camera must stay silent.
  while (!client_->receive(std::chrono::milliseconds(1000)).empty()) {
  }
  ASSERT_FALSE(client_->closed());

  Bytes resume = message(90, 58);
  put32(resume, 6, transfer);
  put32(resume, 10, 5);
  put32(resume, 14, 3000000);
  put32(resume, 18, 2500);
  put_name(resume, 22, r.name);
  put32(resume, 54, r.key);
  client_->send(resume);
  Bytes data = collect(transfer, 5, 3000000, 2500);
  ASSERT_EQ(data.size(), 2500u);
  EXPECT_EQ(data[0], camsim::generated_byte(r.key, 3000000));

  Bytes cancel = pause;
  cancel[4] = 88;
  client_->send(cancel);
  client_->send(message(11, 6));
  client_->receive_type(11);
  camsim::Stats s = sim_->stats();
  EXPECT_EQ(s.pauses, 1);
  EXPECT_EQ(s.resumes, 1);
  EXPECT_EQ(s.cancels, 1);
  EXPECT_EQ(s.protocol_errors, 0) << s.last_protocol_error;
}

TEST_F(CamsimRecords, DeleteRemovesListedEntries) {
  start(with_recordings(3, 100, 200));
  std::vector<camsim::Recording> card = sim_->recordings();
  Bytes del = message(96, 10 + 2 * 48);
  put32(del, 6, 2);
  put_name(del, 10, card[0].name);
  put32(del, 10 + 32, card[0].key);
  put_name(del, 58, "not-there.avi");
  client_->send(del);
  Bytes r = client_->receive_type(97);
  ASSERT_EQ(r.size(), 14u);
  EXPECT_EQ(get32(r, 6), 0u);   // result: none of them is on the card any more
  EXPECT_EQ(get32(r, 10), 1u);  // removed
  ASSERT_EQ(sim_->recordings().size(), 2u);
  EXPECT_EQ(sim_->recordings()[0].name, card[1].name);
  EXPECT_EQ(sim_->stats().deleted, std::vector<std::string>{card[0].name});

  // A card that refuses keeps everything and says so.
  sim_->set_refuse_deletes(true);
  put_name(del, 10, card[1].name);
  put32(del, 10 + 32, card[1].key);
  client_->send(del);
  r = client_->receive_type(97);
  ASSERT_EQ(r.size(), 14u);
  EXPECT_EQ(get32(r, 6), 1u);
  EXPECT_EQ(get32(r, 10), 0u);
  EXPECT_EQ(sim_->recordings().size(), 2u);
  EXPECT_EQ(sim_->stats().delete_requests, 2);
}

TEST(CamsimCard, GeneratedAndFolderRecordings) {
  auto a = camsim::generate_recordings(50, 10, 20, 0.5, 9);
  auto b = camsim::generate_recordings(50, 10, 20, 0.5, 9);
  ASSERT_EQ(a.size(), 50u);
  std::set<uint32_t> keys;
  std::set<std::string> names;
  int alarms = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].name, b[i].name);
    EXPECT_EQ(a[i].key, b[i].key);
    EXPECT_NE(a[i].key, 0u);
    EXPECT_GE(a[i].size, 10u);
    EXPECT_LE(a[i].size, 20u);
    EXPECT_LE(a[i].name.size(), 31u);
    keys.insert(a[i].key);
    names.insert(a[i].name);
    alarms += a[i].kind;
  }
  EXPECT_EQ(keys.size(), 50u);
  EXPECT_EQ(names.size(), 50u);
  EXPECT_GT(alarms, 5);
  EXPECT_LT(alarms, 45);

  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("camsim_card_" + std::to_string(::getpid()));
  fs::create_directories(dir / "sub");
  std::string body = "0123456789abcdef";
  std::ofstream(dir / "b.avi") << body;
  std::ofstream(dir / "a.avi") << "x";
  auto folder = camsim::recordings_from_folder(dir.string());
  fs::remove_all(dir);
  ASSERT_EQ(folder.size(), 2u);  // the sub-folder is not a recording
  EXPECT_EQ(folder[0].name, "a.avi");
  EXPECT_EQ(folder[1].size, body.size());
  EXPECT_NE(folder[0].key, folder[1].key);
}

TEST_F(CamsimRecords, FolderRecordingIsServedFromItsFile) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("camsim_serve_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::string body(5000, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7);
  std::ofstream(dir / "clip.avi", std::ios::binary) << body;
  camsim::Config c;
  c.recordings = camsim::recordings_from_folder(dir.string());
  c.block_size = 700;
  start(c);
  const camsim::Recording& r = c.recordings.at(0);
  client_->send(download_request(1, r.name, r.key, 100, 4900));
  uint32_t transfer = get32(client_->receive_type(87), 6);
  Bytes data = collect(transfer, 1, 100, 4900);
  fs::remove_all(dir);
  EXPECT_EQ(std::string(data.begin(), data.end()), body.substr(100));
}

}  // namespace
