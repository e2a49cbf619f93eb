#include "registration.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "desktop_players.h"
#include "pellaquin_ids.h"

namespace fs = std::filesystem;

namespace pellaquin {

namespace {

constexpr const char* kMimeType = "video/x-zrv";
constexpr const char* kPackageName = "pellaquin-zrv.xml";
constexpr const char* kDesktopName = "pellaquin-zrv-player.desktop";
constexpr const char* kSystemPlayerName = "pellaquin-player.desktop";
constexpr const char* kPluginName = "libgstpellaquin.so";

std::string MimePackage() {
  return std::string(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<!-- Installed by pellaquin-register; source filter ") +
         GuidToString(CLSID_Pellaquin) +
         " -->\n"
         "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
         "  <mime-type type=\"video/x-zrv\">\n"
         "    <comment>ZRV recording</comment>\n"
         "    <generic-icon name=\"video-x-generic\"/>\n"
         "    <glob pattern=\"*.zrv\"/>\n"
         "  </mime-type>\n"
         "</mime-info>\n";
}

// Our own entry for this user: the recording player, or, when it is not
// installed, the framework's command-line player in a terminal.
std::string DesktopEntry(const std::string& player_program) {
  if (player_program.empty())
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=ZRV recording player\n"
           "Comment=Plays ZRV recordings\n"
           "Exec=gst-play-1.0 %F\n"
           "Terminal=true\n"
           "NoDisplay=true\n"
           "Icon=video-x-generic\n"
           "MimeType=video/x-zrv;\n";
  // Exec quoting: inside double quotes these four take a backslash, and
  // the file's own string escaping doubles every backslash again.
  std::string quoted = "\"";
  for (char c : player_program) {
    if (c == '\\') quoted += "\\\\\\";
    else if (c == '"' || c == '`' || c == '$') quoted += "\\\\";
    quoted += c;
  }
  quoted += "\"";
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Recording player\n"
         "Comment=Plays camera recordings (.zrv) and exports them to MP4\n"
         "Exec=" + quoted + " %f\n"
         "Terminal=false\n"
         "NoDisplay=true\n"
         "Icon=video-x-generic\n"
         "MimeType=video/x-zrv;\n";
}

bool WriteFile(const fs::path& path, const std::string& text) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string Capture(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

// Sets (or with an empty value removes) key in [section] of an ini-style
// file, keeping every other line; removes the file when nothing is left.
bool EditIni(const fs::path& path, const std::string& section, const std::string& key,
             const std::string& value) {
  std::vector<std::string> lines;
  {
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
  }
  const std::string header = "[" + section + "]";
  bool in_section = false, done = false;
  std::vector<std::string> out;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (!line.empty() && line[0] == '[') {
      if (in_section && !done && !value.empty()) {
        out.push_back(key + "=" + value);
        done = true;
      }
      in_section = line == header;
    } else if (in_section && line.rfind(key + "=", 0) == 0) {
      if (!value.empty() && !done) out.push_back(key + "=" + value);
      done = done || !value.empty();
      continue;
    }
    out.push_back(line);
  }
  if (!value.empty() && !done) {
    if (!in_section) out.push_back(header);
    out.push_back(key + "=" + value);
  }
  // Drop sections left empty.
  std::vector<std::string> kept;
  for (size_t i = 0; i < out.size(); ++i) {
    bool empty_section = !out[i].empty() && out[i][0] == '[' &&
                         (i + 1 == out.size() || (!out[i + 1].empty() && out[i + 1][0] == '['));
    if (!empty_section) kept.push_back(out[i]);
  }
  std::error_code ec;
  if (kept.empty()) {
    fs::remove(path, ec);
    return true;
  }
  std::string text;
  for (auto& l : kept) text += l + "\n";
  return WriteFile(path, text);
}

void RemoveEmptyDirs(const fs::path& from, const fs::path& stop) {
  std::error_code ec;
  for (fs::path p = from; !p.empty() && p != stop && p.string().size() > stop.string().size(); p = p.parent_path()) {
    if (!fs::is_directory(p, ec) || !fs::is_empty(p, ec)) break;
    fs::remove(p, ec);
  }
}

}  // namespace

std::string DefaultVideoPlayer() {
  std::string answer = Capture("xdg-mime query default video/mp4 2>/dev/null");
  if (answer.size() > 8 && answer.compare(answer.size() - 8, 8, ".desktop") == 0 &&
      answer.find_first_of("/ \t") == std::string::npos)
    return answer;
  return "";
}

int Register(const RegistrationPaths& paths, std::string* error) {
  const fs::path home(paths.data_home);
  std::error_code ec;
  const fs::path plugin_dir = home / "gstreamer-1.0" / "plugins";
  fs::create_directories(plugin_dir, ec);
  if (!fs::is_regular_file(paths.plugin_file)) {
    *error = "plug-in not found: " + paths.plugin_file;
    return 1;
  }
  // Copy to a temporary name and rename, so a running player never loads a
  // half-written plug-in.
  const fs::path tmp = plugin_dir / (std::string(kPluginName) + ".part");
  fs::copy_file(paths.plugin_file, tmp, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(tmp, plugin_dir / kPluginName, ec);
  if (ec) {
    fs::remove(tmp, ec);
    *error = "cannot install the plug-in into " + plugin_dir.string();
    return 1;
  }
  const fs::path mime = home / "mime";
  if (!WriteFile(mime / "packages" / kPackageName, MimePackage())) {
    *error = "cannot write the file type into " + mime.string();
    return 1;
  }
  if (std::system(("update-mime-database " + ShellQuote(mime.string()) + " >/dev/null 2>&1").c_str()) != 0) {
    *error = "update-mime-database failed";
    return 1;
  }
  // Our player: the package's system-wide entry when there is one, else
  // an entry of this user's own.
  const fs::path apps = home / "applications";
  std::string ours = kDesktopName;
  for (const std::string& dir : DataDirs(paths.data_home))
    if (dir != paths.data_home && fs::is_regular_file(fs::path(dir) / "applications" / kSystemPlayerName, ec))
      ours = kSystemPlayerName;
  if (ours == kDesktopName) {
    if (!WriteFile(apps / kDesktopName, DesktopEntry(paths.player_program))) {
      *error = "cannot write " + (apps / kDesktopName).string();
      return 1;
    }
  } else {
    fs::remove(apps / kDesktopName, ec);
  }
  // A desktop player built on the media framework plays recordings with the
  // rest of the user's videos: it comes first (the desktop's default video
  // player when it is one of them), ours second.
  std::vector<std::string> players =
      MediaFrameworkPlayers(DataDirs(paths.data_home), {kDesktopName, kSystemPlayerName});
  const std::string preferred = DefaultVideoPlayer();
  auto it = std::find(players.begin(), players.end(), preferred);
  if (it != players.end()) std::rotate(players.begin(), it, it + 1);
  std::string handlers = players.empty() ? "" : players.front() + ";";
  handlers += ours + ";";
  const fs::path list = apps / "mimeapps.list";
  if (!EditIni(list, "Default Applications", kMimeType, handlers) ||
      !EditIni(list, "Added Associations", kMimeType, handlers)) {
    *error = "cannot write " + list.string();
    return 1;
  }
  return 0;
}

int Unregister(const RegistrationPaths& paths, std::string* error) {
  (void)error;  // removing what is not there is not a failure
  const fs::path home(paths.data_home);
  std::error_code ec;
  const fs::path plugin_dir = home / "gstreamer-1.0" / "plugins";
  fs::remove(plugin_dir / kPluginName, ec);
  RemoveEmptyDirs(plugin_dir, home);

  const fs::path mime = home / "mime";
  fs::remove(mime / "packages" / kPackageName, ec);
  if (fs::is_directory(mime / "packages", ec) && fs::is_empty(mime / "packages", ec)) {
    // Nothing else was installed there: the rest is the database we had
    // generated.
    fs::remove_all(mime, ec);
  } else if (fs::is_directory(mime, ec)) {
    std::system(("update-mime-database " + ShellQuote(mime.string()) + " >/dev/null 2>&1").c_str());
  }

  const fs::path apps = home / "applications";
  fs::remove(apps / kDesktopName, ec);
  const fs::path list = apps / "mimeapps.list";
  if (fs::exists(list, ec)) {
    EditIni(list, "Default Applications", kMimeType, "");
    EditIni(list, "Added Associations", kMimeType, "");
  }
  RemoveEmptyDirs(apps, home);
  return 0;
}

}  // namespace pellaquin
