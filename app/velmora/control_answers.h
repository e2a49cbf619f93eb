// What a running Velmora (service or window) answers on its control socket:
// the changes run_change makes, "status --live" from the engine's live state
// of every camera, and "sync --wait", answered only when the run it started
// has ended for every camera. Main thread only.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "commands.h"
#include "control_channel.h"
#include "run_result.h"
#include "sync_controller.h"

namespace velmora {

class ControlAnswers : public QObject {
  Q_OBJECT
public:
  // `told`: each change with its reply, for the program's log (may be empty).
  using Told = std::function<void(const std::vector<std::string>&, const Reply&)>;
  ControlAnswers(SyncController& controller, Profile& profile, Told told = {},
                 QObject* parent = nullptr);

  void answer(const std::vector<std::string>& words, const ControlServer::Respond& respond);

private:
  struct Wait {
    std::string started;                       // the reply of the start itself
    std::set<std::int32_t> pending;            // cameras whose run has not ended
    std::map<std::int32_t, RunResult> ended;   // how each ended
    ControlServer::Respond respond;
  };
  void on_run_ended(int id);
  void on_cameras_changed();
  void answer_ready();
  Reply live_reply() const;

  SyncController& controller_;
  Profile& profile_;
  Told told_;
  std::list<Wait> waits_;
};

}  // namespace velmora
