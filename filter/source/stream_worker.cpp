#include "stream_worker.h"

#include <cassert>

namespace pellaquin {

void StreamWorker::BindWorkerThread() {
  std::lock_guard<std::mutex> lock(mutex_);
  worker_ = std::this_thread::get_id();
  // A pin stopped and started again gets a new thread, which must not
  // inherit the last one's exit.
  exit_replied_ = false;
}

HRESULT StreamWorker::CallWorker(Command cmd) {
  std::lock_guard<std::mutex> call(call_mutex_);
  std::unique_lock<std::mutex> lock(mutex_);
  assert(worker_ != std::this_thread::get_id() && "the worker cannot wait for itself");
  cmd_ = cmd;
  pending_ = true;
  replied_ = false;
  cv_.notify_all();
  cv_.wait(lock, [this] { return replied_; });
  return result_;
}

StreamWorker::Command StreamWorker::GetRequest() {
  std::unique_lock<std::mutex> lock(mutex_);
  assert(worker_ == std::this_thread::get_id());
  cv_.wait(lock, [this] { return pending_; });
  return cmd_;
}

bool StreamWorker::CheckRequest(Command* cmd) {
  std::lock_guard<std::mutex> lock(mutex_);
  assert(worker_ == std::this_thread::get_id());
  if (!pending_) return false;
  *cmd = cmd_;
  return true;
}

void StreamWorker::Reply(HRESULT hr) {
  std::lock_guard<std::mutex> lock(mutex_);
  assert(worker_ == std::this_thread::get_id());
  if (!pending_) return;
  if (cmd_ == CMD_EXIT) exit_replied_ = true;
  pending_ = false;
  ++replies_;
  result_ = hr;
  replied_ = true;
  cv_.notify_all();
}

bool StreamWorker::exit_replied() {
  std::lock_guard<std::mutex> lock(mutex_);
  return exit_replied_;
}

unsigned long StreamWorker::replies() {
  std::lock_guard<std::mutex> lock(mutex_);
  return replies_;
}

}  // namespace pellaquin
