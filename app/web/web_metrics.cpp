#include "web_metrics.h"

#include "disk_space.h"
#include "ks_version.h"
#include "run_result.h"

namespace velmora {

namespace {

class Writer {
public:
  void family(const char* name, const char* type, const char* help) {
    out_ += QByteArray("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
  }
  void sample(const char* name, const QByteArray& labels, double value) {
    out_ += name;
    if (!labels.isEmpty()) out_ += "{" + labels + "}";
    out_ += " " + QByteArray::number(value, 'g', 17) + "\n";
  }
  QByteArray take() { return std::move(out_); }

private:
  QByteArray out_;
};

QByteArray camera_label(std::int32_t id) { return "camera=\"" + QByteArray::number(id) + "\""; }

}  // namespace

QByteArray metric_label(const QByteArray& value) {
  QByteArray out;
  for (char c : value) {
    if (c == '\\') out += "\\\\";
    else if (c == '"') out += "\\\"";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

QByteArray metrics_text(WebState& state) {
  SyncController& controller = state.controller();
  Writer w;
  w.family("velmora_camera_info", "gauge", "A configured camera, with its alias (always 1).");
  for (const auto& [id, r] : controller.cameras()) {
    (void)r;
    w.sample("velmora_camera_info",
             camera_label(id) + ",alias=\"" +
                 metric_label(QByteArray::fromStdString(controller.alias_of(id))) + "\"",
             1);
  }
  w.family("velmora_camera_last_success_timestamp_seconds", "gauge",
           "When the camera last completed a run, seconds since 1970 (0 = never).");
  for (const auto& [id, r] : controller.cameras()) {
    (void)r;
    w.sample("velmora_camera_last_success_timestamp_seconds", camera_label(id),
             static_cast<double>(controller.last_completed(id)));
  }
  w.family("velmora_camera_last_outcome", "gauge",
           "1 for the outcome of the camera's last run, 0 for every other outcome.");
  const std::vector<std::string> words = outcome_words();
  for (const auto& [id, r] : controller.cameras()) {
    (void)r;
    const RunResult* last = controller.last_run(id);
    if (!last) continue;
    const std::string word = outcome_word(*last);
    for (const std::string& o : words)
      w.sample("velmora_camera_last_outcome",
               camera_label(id) + ",outcome=\"" + metric_label(QByteArray::fromStdString(o)) + "\"",
               o == word ? 1 : 0);
  }
  const auto& counters = state.counters();
  auto counter = [&](std::int32_t id) {
    auto it = counters.find(id);
    return it == counters.end() ? CameraCounters{} : it->second;
  };
  w.family("velmora_camera_downloaded_bytes_total", "counter",
           "Bytes written by the camera's runs that ended since the program started.");
  for (const auto& [id, r] : controller.cameras()) {
    (void)r;
    w.sample("velmora_camera_downloaded_bytes_total", camera_label(id),
             static_cast<double>(counter(id).bytes));
  }
  w.family("velmora_camera_downloaded_files_total", "counter",
           "Recordings stored by the camera's runs that ended since the program started.");
  for (const auto& [id, r] : controller.cameras()) {
    (void)r;
    w.sample("velmora_camera_downloaded_files_total", camera_label(id),
             static_cast<double>(counter(id).files));
  }
  w.family("velmora_camera_failures_total", "counter",
           "The camera's runs that failed since the program started.");
  for (const auto& [id, r] : controller.cameras()) {
    (void)r;
    w.sample("velmora_camera_failures_total", camera_label(id),
             static_cast<double>(counter(id).failures));
  }
  w.family("velmora_camera_running", "gauge",
           "1 while the camera is connecting or downloading, else 0.");
  for (const auto& [id, r] : controller.cameras()) {
    (void)r;
    const std::string s = controller.live(id).state;
    w.sample("velmora_camera_running", camera_label(id),
             s == "connecting" || s == "syncing" ? 1 : 0);
  }
  const std::int64_t free_bytes = free_space(controller.scheduler().download_root());
  w.family("velmora_download_folder_free_bytes", "gauge",
           "Free space of the download folder's file system (-1 = unknown).");
  w.sample("velmora_download_folder_free_bytes", {}, static_cast<double>(free_bytes));
  w.family("velmora_disk_guard_bytes", "gauge",
           "A camera's run stops below this much free space (0 = the guard is off).");
  w.sample("velmora_disk_guard_bytes", {}, static_cast<double>(controller.settings().min_free_bytes));
  w.family("velmora_build_info", "gauge", "The program's version (always 1).");
  w.sample("velmora_build_info", "version=\"" KS_VERSION_STRING "\"", 1);
  w.family("velmora_start_time_seconds", "gauge", "When the program started, seconds since 1970.");
  w.sample("velmora_start_time_seconds", {}, static_cast<double>(state.started_s()));
  return w.take();
}

}  // namespace velmora
