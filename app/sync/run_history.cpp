#include "run_history.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "app_paths.h"
#include "private_file.h"

namespace velmora {

namespace {

bool write_fully(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string read_file(const std::string& path) {
  std::string bytes;
  std::FILE* f = open_regular_file(path);
  if (!f) return bytes;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  std::fclose(f);
  return bytes;
}

}  // namespace

bool RunHistory::append(const RunResult& run) {
  QByteArray line = QJsonDocument(run_to_json(run)).toJson(QJsonDocument::Compact);
  line.append('\n');
  // O_APPEND and one write per line: a reader never sees two runs
  // interleaved, at worst the last line cut short.
  const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::fchmod(fd, 0600);
  struct stat st;
  // A line torn by a crash must not swallow this one: start it on a line
  // of its own.
  if (::fstat(fd, &st) == 0 && st.st_size > 0) {
    char last = '\n';
    if (::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n') line.prepend('\n');
  }
  const bool written = write_fully(fd, line.constData(), static_cast<std::size_t>(line.size()));
  const int saved = errno;
  const bool big = ::fstat(fd, &st) == 0 && st.st_size > cap_;
  ::close(fd);
  if (!written) {
    errno = saved;
    return false;
  }
  if (big) compact();
  return true;
}

bool RunHistory::compact() {
  const std::string bytes = read_file(path_);
  // Keep the newest lines that fit in half the cap, starting at a line start.
  std::size_t from = bytes.size() > static_cast<std::size_t>(cap_ / 2)
                         ? bytes.size() - static_cast<std::size_t>(cap_ / 2)
                         : 0;
  if (from > 0) {
    const std::size_t nl = bytes.find('\n', from - 1);
    from = nl == std::string::npos ? bytes.size() : nl + 1;
  }
  return replace_private_file(path_, bytes.substr(from));
}

std::vector<RunResult> RunHistory::read() const {
  std::vector<RunResult> runs;
  const std::string bytes = read_file(path_);
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t nl = bytes.find('\n', at);
    if (nl == std::string::npos) nl = bytes.size();
    const QByteArray line = QByteArray::fromRawData(bytes.data() + at, static_cast<qsizetype>(nl - at));
    at = nl + 1;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    RunResult run;
    if (error.error == QJsonParseError::NoError && doc.isObject() &&
        run_from_json(doc.object(), run))
      runs.push_back(std::move(run));
  }
  return runs;
}

std::map<std::int32_t, CameraHistory> summarise(const std::vector<RunResult>& runs,
                                                std::int64_t since) {
  std::map<std::int32_t, CameraHistory> out;
  for (const RunResult& run : runs) {
    // The log is in the order the runs ended, whatever the clock said.
    CameraHistory& h = out[run.camera_id];
    h.last = run;
    h.has_run = true;
    if (status_completes(run.status)) h.last_completed = run.ended;
    if (run.ended >= since) h.recent_bytes += run.bytes;
  }
  return out;
}

}  // namespace velmora
