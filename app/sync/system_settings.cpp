#include "system_settings.h"

#include <tinyxml2.h>
#include <cstdio>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "app_paths.h"
#include "printable_text.h"
#include "private_file.h"

namespace velmora {

namespace {

// Only regular files are read: a FIFO in place of a settings file would hang.
tinyxml2::XMLError load_regular(tinyxml2::XMLDocument& doc, const std::string& path) {
  std::FILE* f = open_regular_file(path);
  if (f == nullptr) return tinyxml2::XML_ERROR_FILE_COULD_NOT_BE_OPENED;
  const tinyxml2::XMLError e = doc.LoadFile(f);
  std::fclose(f);
  return e;
}

bool parse_int64(const char* text, std::int64_t& out) {
  if (!text) return false;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text, &end, 10);
  while (end && (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n')) ++end;
  if (end == text || errno != 0 || *end != '\0') return false;
  out = v;
  return true;
}

bool parse_int(const char* text, std::int32_t& out) {
  std::int64_t v;
  if (!parse_int64(text, v) || v < INT32_MIN || v > INT32_MAX) return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

const char* kMinFreeElement = "MinFreeBytes";
const char* kKeepDaysElement = "KeepDays";
const char* kDownloadFolderElement = "DownloadFolder";
const char* kDesktopNotificationsElement = "DesktopNotifications";
const char* kNotifyCommandElement = "NotifyCommand";

}  // namespace

std::string running_program_path() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  buf[n] = '\0';
  return buf;
}

void SystemSettings::load(const std::string& path, std::int32_t& concurrency) {
  auto_start = false;
  interval_code = 1;
  pacing_ms = kDefaultPacingMs;
  min_free_bytes = kDefaultMinFreeBytes;
  keep_days = 0;
  download_folder.clear();
  notify_desktop = true;
  notify_command.clear();
  program_path = running_program_path();

  tinyxml2::XMLDocument doc;
  if (load_regular(doc, path) != tinyxml2::XML_SUCCESS) return;
  const tinyxml2::XMLElement* root = doc.RootElement();
  if (!root) return;
  // Out-of-range values keep the defaults, as a hand-edited file may hold.
  std::int64_t bytes;
  if (const tinyxml2::XMLElement* m = root->FirstChildElement(kMinFreeElement);
      m && parse_int64(m->GetText(), bytes) && bytes >= 0 && bytes <= kMaxMinFreeBytes)
    min_free_bytes = bytes;
  std::int32_t days;
  if (const tinyxml2::XMLElement* k = root->FirstChildElement(kKeepDaysElement);
      k && parse_int(k->GetText(), days) && days >= 0 && days <= kMaxKeepDays)
    keep_days = days;
  // Only an absolute folder below "/": anything else would follow the
  // working directory or spread camera folders over the whole system.
  if (const tinyxml2::XMLElement* d = root->FirstChildElement(kDownloadFolderElement);
      d && d->GetText() && d->GetText()[0] == '/' && d->GetText()[1] != '\0') {
    std::string folder = d->GetText();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder != "/") download_folder = folder;
  }
  if (const tinyxml2::XMLElement* n = root->FirstChildElement(kDesktopNotificationsElement);
      n && n->GetText())
    notify_desktop = std::string(n->GetText()) != "0";
  if (const tinyxml2::XMLElement* c = root->FirstChildElement(kNotifyCommandElement);
      c && c->GetText())
    notify_command = c->GetText();
  const tinyxml2::XMLElement* e = root->FirstChildElement();
  if (!e) return;
  const char* t = e->GetText();
  auto_start = t && std::string(t) == "1";

  e = e->NextSiblingElement();
  if (!e) return;
  std::int32_t limit;
  // A limit outside 1..5 would either be refused or stop every camera from
  // starting; keep the current one.
  if (parse_int(e->GetText(), limit) && limit >= 1 && limit <= 5) concurrency = limit;

  e = e->NextSiblingElement();
  if (!e) return;
  std::int32_t code;
  if (parse_int(e->GetText(), code)) interval_code = code;

  e = e->NextSiblingElement();  // the program path, never read
  if (e) e = e->NextSiblingElement();
  if (!e) return;
  std::int32_t pacing;
  if (parse_int(e->GetText(), pacing) && pacing >= 0 && pacing <= kMaxPacingMs) pacing_ms = pacing;
}

bool SystemSettings::save(const std::string& path, std::int32_t concurrency) const {
  tinyxml2::XMLDocument doc;
  tinyxml2::XMLElement* root = doc.NewElement("SystemSetting");
  root->SetAttribute("name", "Velmora Settings");
  doc.InsertEndChild(root);
  auto add = [&](const char* name, const std::string& text) {
    tinyxml2::XMLElement* e = doc.NewElement(name);
    e->SetText(text.c_str());
    root->InsertEndChild(e);
  };
  add("AutoStart", auto_start ? "1" : "0");
  add("MaxConcurrency", std::to_string(concurrency));
  add("AutoSynInterval", std::to_string(interval_code));
  add("QTX_Installed_Path", program_path.size() > 259 ? std::string() : program_path);
  const bool guard_settings = min_free_bytes != kDefaultMinFreeBytes || keep_days != 0 ||
                              !download_folder.empty() || !notify_desktop ||
                              !notify_command.empty();
  if (pacing_ms != kDefaultPacingMs || guard_settings)
    add("DownloadPacing", std::to_string(pacing_ms));
  if (min_free_bytes != kDefaultMinFreeBytes) add(kMinFreeElement, std::to_string(min_free_bytes));
  if (keep_days != 0) add(kKeepDaysElement, std::to_string(keep_days));
  if (!download_folder.empty()) add(kDownloadFolderElement, download_folder);
  if (!notify_desktop) add(kDesktopNotificationsElement, "0");
  if (!notify_command.empty()) add(kNotifyCommandElement, notify_command);
  // The same bytes SaveFile would write, replaced in one step.
  tinyxml2::XMLPrinter printer;
  doc.Print(&printer);
  return replace_private_file(path, std::string(printer.CStr(), static_cast<std::size_t>(printer.CStrSize() - 1)));
}

int load_download_root(const std::string& sibling_settings, const std::string& default_root,
                       std::string& root) {
  tinyxml2::XMLDocument doc;
  if (load_regular(doc, sibling_settings) != tinyxml2::XML_SUCCESS) {
    root = default_root;
    return -2;
  }
  const tinyxml2::XMLElement* r = doc.RootElement();
  const tinyxml2::XMLElement* second = r ? r->FirstChildElement() : nullptr;
  if (second) second = second->NextSiblingElement();
  const tinyxml2::XMLElement* first = second ? second->FirstChildElement() : nullptr;
  const char* text = first ? first->GetText() : nullptr;
  if (!text || !*text) return -1;
  std::string value = text;
  // The sibling may write a Windows-style path; our separators are "/".
  for (char& c : value)
    if (c == '\\') c = '/';
  while (value.size() > 1 && value.back() == '/') value.pop_back();
  if (value.front() != '/' || value == "/") {
    // A relative folder would follow the working directory, and "/" would
    // spread camera folders over the whole system.
    std::fprintf(stderr, "velmora: ignoring the download folder \"%s\" of the sibling's settings "
                 "(not an absolute folder below /); using %s\n",
                 printable_text(value).c_str(), printable_text(default_root).c_str());
    root = default_root;
    return -3;
  }
  root = value;
  return 0;
}

}  // namespace velmora
