#pragma once
// The request mailbox between an application thread and a pin's streaming
// thread: the caller blocks until the worker acknowledges with Reply.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "hresult.h"

namespace pellaquin {

class StreamWorker {
public:
  enum Command { CMD_INIT, CMD_PAUSE, CMD_RUN, CMD_STOP, CMD_EXIT };

  // Called first on the worker thread; the calls below assert who calls.
  void BindWorkerThread();
  // Any thread but the worker: one request at a time.
  HRESULT CallWorker(Command cmd);
  // Worker thread only.
  Command GetRequest();
  bool CheckRequest(Command* cmd);
  void Reply(HRESULT hr);
  // True once the worker has acknowledged an exit request.
  bool exit_replied();
  // How many requests the worker has acknowledged so far.
  unsigned long replies();

private:
  std::mutex call_mutex_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool pending_ = false;
  bool replied_ = false;
  bool exit_replied_ = false;
  unsigned long replies_ = 0;
  Command cmd_ = CMD_INIT;
  HRESULT result_ = S_OK;
  std::thread::id worker_;
};

}  // namespace pellaquin
