// orlaview-stub: plays the sibling camera-manager program for tests and
// manual checks. It listens on the "Orlaview" endpoint and prints what
// Velmora sends, and it posts messages and data copies to Velmora.
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime_dir.h"
#include "sibling_link.h"
#include "link_messages.h"

using namespace velmora;

namespace {

void usage(std::FILE* f) {
  std::fprintf(f,
      "Usage: orlaview-stub [--dir DIR] COMMAND\n"
      "  listen [--count N] [--timeout SECONDS] [--handover FLAG]\n"
      "      Listen as the sibling; print one line per frame received:\n"
      "        POSTED <message> <wParam> <lParam>\n"
      "        COPYDATA <code> <size> <hex bytes>\n"
      "      \"READY\" is printed once listening. With --handover, a server\n"
      "      request (data copy 12, \"<id>/<serial>\") is answered with\n"
      "      WM_SERVER_HANDOVER (12059), wParam FLAG, lParam the camera id.\n"
      "  post <message> [wParam [lParam]]     post a message to Velmora\n"
      "  copydata <code> [hex bytes]          send a data copy to Velmora\n"
      "DIR defaults to $XDG_RUNTIME_DIR (the endpoints' folder).\n");
}

bool parse_i64(const std::string& s, long long& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  v = std::strtoll(s.c_str(), &end, 0);
  return *end == '\0';
}

QByteArray from_hex(const std::string& s) {
  return QByteArray::fromHex(QByteArray::fromStdString(s));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::vector<std::string> args(argv + 1, argv + argc);
  QString dir = QString::fromStdString(runtime_dir());
  if (args.size() >= 2 && args[0] == "--dir") {
    dir = QString::fromStdString(args[1]);
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty() || args[0] == "--help") {
    usage(args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  const std::string cmd = args[0];

  if (cmd == "post") {
    long long msg = 0, w = 0, l = 0;
    if (args.size() < 2 || args.size() > 4 || !parse_i64(args[1], msg) ||
        (args.size() > 2 && !parse_i64(args[2], w)) ||
        (args.size() > 3 && !parse_i64(args[3], l))) {
      usage(stderr);
      return 2;
    }
    LinkFrame f;
    f.msg = static_cast<std::uint32_t>(msg);
    f.wparam = w;
    f.lparam = l;
    if (!send_frames(dir, QString::fromLatin1(kOwnEndpoint), {f})) {
      std::fprintf(stderr, "orlaview-stub: Velmora is not running (no endpoint in %s)\n",
                   dir.toLocal8Bit().constData());
      return 1;
    }
    return 0;
  }
  if (cmd == "copydata") {
    long long code = 0;
    if (args.size() < 2 || args.size() > 3 || !parse_i64(args[1], code)) {
      usage(stderr);
      return 2;
    }
    LinkFrame f;
    f.kind = LinkFrame::CopyData;
    f.msg = static_cast<std::uint32_t>(code);
    if (args.size() == 3) f.data = from_hex(args[2]);
    if (!send_frames(dir, QString::fromLatin1(kOwnEndpoint), {f})) {
      std::fprintf(stderr, "orlaview-stub: Velmora is not running\n");
      return 1;
    }
    return 0;
  }
  if (cmd != "listen") {
    usage(stderr);
    return 2;
  }

  long long count = 0, timeout = 0, handover = 0;
  bool answer_handover = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const bool has_value = i + 1 < args.size();
    if (args[i] == "--count" && has_value && parse_i64(args[i + 1], count)) {
      ++i;
    } else if (args[i] == "--timeout" && has_value && parse_i64(args[i + 1], timeout)) {
      ++i;
    } else if (args[i] == "--handover" && has_value && parse_i64(args[i + 1], handover)) {
      answer_handover = true;
      ++i;
    } else {
      usage(stderr);
      return 2;
    }
  }

  long long seen = 0;
  LinkEndpoint endpoint(dir, QString::fromLatin1(kSiblingEndpoint), [&](const LinkFrame& f) {
    if (f.kind == LinkFrame::Posted) {
      std::printf("POSTED %u %lld %lld\n", f.msg, static_cast<long long>(f.wparam),
                  static_cast<long long>(f.lparam));
    } else {
      std::printf("COPYDATA %u %lld %s\n", f.msg, static_cast<long long>(f.data.size()),
                  f.data.toHex().constData());
      if (answer_handover && f.msg == static_cast<std::uint32_t>(COPYDATA_SERVER_REQUEST)) {
        LinkFrame reply;
        reply.msg = WM_SERVER_HANDOVER;
        reply.wparam = handover;
        reply.lparam = std::atoll(f.data.left(f.data.indexOf('/')).constData());
        send_frames(dir, QString::fromLatin1(kOwnEndpoint), {reply});
      }
    }
    std::fflush(stdout);
    if (count > 0 && ++seen >= count) QCoreApplication::quit();
  });
  if (!endpoint.listen()) {
    std::fprintf(stderr, "orlaview-stub: cannot listen at %s\n",
                 endpoint.path().toLocal8Bit().constData());
    return 1;
  }
  std::printf("READY\n");
  std::fflush(stdout);
  if (timeout > 0) QTimer::singleShot(static_cast<int>(timeout * 1000), &app, &QCoreApplication::quit);
  return app.exec();
}
