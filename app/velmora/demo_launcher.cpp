// "velmora --demo": the simulated cameras and server are test equipment, so
// they live in a program of their own, installed beside this one; this
// program only hands over to it.
#include <QCoreApplication>

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "modes.h"

namespace velmora {

namespace {

constexpr const char* kDemoProgram = "velmora-demo";

std::string own_folder() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  path[n] = '\0';
  std::string s(path);
  const std::size_t slash = s.rfind('/');
  return slash == std::string::npos ? "." : s.substr(0, slash);
}

}  // namespace

// Beside this program in the build tree; in the helper folder once installed.
std::string demo_program() {
  const std::string folder = own_folder();
  const std::string beside = folder + "/" + kDemoProgram;
  if (::access(beside.c_str(), X_OK) == 0) return beside;
  return folder + "/" + VELMORA_HELPER_DIR + "/" + kDemoProgram;
}

int start_demo(const DemoOptions& options) {
  const std::string program = demo_program();
  std::vector<std::string> args = {program, "--cameras", std::to_string(options.cameras)};
  if (options.verbose) args.push_back("--verbose");
  if (options.window) args.push_back("--window");
  if (options.keep) args.push_back("--keep");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::fflush(nullptr);
  ::execv(program.c_str(), argv.data());
  const int error = errno;
  std::fprintf(stderr, "velmora: %s\n",
               qUtf8Printable(QCoreApplication::translate("Console",
                                                          "cannot run the demo program %1: %2")
                                  .arg(QString::fromStdString(program),
                                       QString::fromLocal8Bit(std::strerror(error)))));
  return kExitFailed;
}

}  // namespace velmora
