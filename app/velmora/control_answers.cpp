#include "control_answers.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include "modes.h"
#include "printable_text.h"
#include "run_report.h"

namespace velmora {

ControlAnswers::ControlAnswers(SyncController& controller, Profile& profile, Told told,
                               QObject* parent)
    : QObject(parent), controller_(controller), profile_(profile), told_(std::move(told)) {
  connect(&controller_, &SyncController::runEnded, this, &ControlAnswers::on_run_ended);
  connect(&controller_, &SyncController::camerasChanged, this,
          &ControlAnswers::on_cameras_changed);
}

Reply ControlAnswers::live_reply() const {
  Reply r;
  for (const auto& [id, record] : controller_.cameras()) {
    (void)record;
    QJsonObject o = live_to_json(controller_.live(id));
    o["type"] = "live";
    r.out += QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString() + "\n";
  }
  return r;
}

void ControlAnswers::answer(const std::vector<std::string>& words,
                            const ControlServer::Respond& respond) {
  if (words.size() == 2 && words[0] == "status" && words[1] == "--live") {
    respond(live_reply());
    return;
  }
  const bool wait = words.size() == 2 && words[0] == "sync" && words[1] == "--wait";
  const Reply started = run_change(wait ? std::vector<std::string>{"sync"} : words, profile_);
  if (told_) told_(words, started);
  if (!wait || started.code != 0) {
    respond(started);
    return;
  }
  // Every camera was queued (or was already under way): each one's run ends
  // with a status that closes it, a stop included.
  Wait w;
  w.started = started.out;
  for (const auto& [id, record] : controller_.cameras()) {
    (void)record;
    w.pending.insert(id);
  }
  w.respond = respond;
  waits_.push_back(std::move(w));
  answer_ready();
}

void ControlAnswers::on_run_ended(int id) {
  const RunResult* run = controller_.last_run(id);
  if (!run) return;
  for (Wait& w : waits_) {
    if (w.pending.erase(id)) w.ended[id] = *run;
  }
  answer_ready();
}

void ControlAnswers::on_cameras_changed() {
  // A camera removed meanwhile has no run left to wait for.
  for (Wait& w : waits_) {
    for (auto it = w.pending.begin(); it != w.pending.end();)
      it = controller_.cameras().count(*it) ? std::next(it) : w.pending.erase(it);
  }
  answer_ready();
}

void ControlAnswers::answer_ready() {
  for (auto it = waits_.begin(); it != waits_.end();) {
    if (!it->pending.empty()) {
      ++it;
      continue;
    }
    Reply r;
    r.out = it->started;
    bool all_ok = true;
    for (const auto& [id, run] : it->ended) {
      auto c = controller_.cameras().find(id);
      r.out += camera_label(id, c == controller_.cameras().end() ? nullptr : &c->second,
                            controller_.alias_of(id)) +
               ": " + printable_text(run_outcome_text(run)) + "\n";
      all_ok = all_ok && run_ok(run);
    }
    r.code = all_ok ? kExitOk : kExitFailed;
    it->respond(r);
    it = waits_.erase(it);
  }
}

}  // namespace velmora
