// nvssim: runs the simulated video server until interrupted.
//   nvssim [--address A] [--port P] [--relay-port P] [--verbose]
//          --account user,password,group[,user_id]
//          --camera nvt_id,host:port[,name]   (belongs to the last account)
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <thread>

#include "nvssim.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;
void on_signal(int) { g_stop = 1; }

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::stringstream in(s);
  std::string part;
  while (std::getline(in, part, sep)) out.push_back(part);
  return out;
}

int usage() {
  std::fprintf(stderr,
               "usage: nvssim [--address A] [--port P] [--relay-port P] [--verbose]\n"
               "              --account user,password,group[,user_id]\n"
               "              --camera nvt_id,host:port[,name] ...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  nvssim::Config config;
  config.port = 1701;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--address") {
      config.address = value();
    } else if (a == "--port") {
      config.port = static_cast<uint16_t>(std::atoi(value().c_str()));
    } else if (a == "--relay-port") {
      config.relay_port = static_cast<uint16_t>(std::atoi(value().c_str()));
    } else if (a == "--verbose") {
      config.verbose = true;
    } else if (a == "--account") {
      auto f = split(value(), ',');
      if (f.size() < 3) return usage();
      nvssim::Account acc;
      acc.user = f[0];
      acc.password = f[1];
      acc.group = f[2];
      if (f.size() > 3) acc.user_id = static_cast<uint32_t>(std::strtoul(f[3].c_str(), nullptr, 10));
      config.accounts.push_back(acc);
    } else if (a == "--camera") {
      auto f = split(value(), ',');
      if (f.size() < 2 || config.accounts.empty()) return usage();
      auto hp = split(f[1], ':');
      if (hp.size() != 2) return usage();
      nvssim::Camera cam;
      cam.nvt_id = static_cast<uint32_t>(std::strtoul(f[0].c_str(), nullptr, 10));
      cam.endpoint_address = hp[0];
      cam.endpoint_port = static_cast<uint16_t>(std::atoi(hp[1].c_str()));
      cam.name = f.size() > 2 ? f[2] : "camera " + f[0];
      config.accounts.back().cameras.push_back(cam);
    } else {
      return usage();
    }
  }
  std::signal(SIGINT, on_signal);
  std::signal(SIGTERM, on_signal);
  nvssim::Server server(config);
  if (!server.start()) return 1;
  std::printf("nvssim: control %s:%u, relay port %u\n", config.address.c_str(), server.port(),
              server.relay_port());
  std::fflush(stdout);
  while (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  server.stop();
  auto c = server.counters();
  std::printf("nvssim: %d logins, %d relay admissions, %d protocol errors\n", c.logins_accepted,
              c.relay_admissions, c.protocol_errors);
  return c.protocol_errors == 0 ? 0 : 1;
}
