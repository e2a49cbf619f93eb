#pragma once
// An output pin with its own streaming thread that asks the pin to fill
// samples and hands them downstream until the data ends or it is stopped.
#include <memory>
#include <string>
#include <thread>

#include "media_type.h"
#include "stream_worker.h"

namespace pellaquin {

class CSource;

// The downstream side of a pin (what it is connected to).
class IPinOutput {
public:
  virtual ~IPinOutput() = default;
  // S_OK to go on; anything else ends the streaming loop (for example
  // while downstream is flushing).
  virtual HRESULT Deliver(const MediaSample& sample) = 0;
  virtual HRESULT DeliverBeginFlush() = 0;
  virtual HRESULT DeliverEndFlush() = 0;
  virtual HRESULT DeliverEndOfStream() = 0;
};

class CSourceStream {
public:
  CSourceStream(const char* name, CSource* filter);
  virtual ~CSourceStream();
  CSourceStream(const CSourceStream&) = delete;
  CSourceStream& operator=(const CSourceStream&) = delete;

  const std::string& name() const { return name_; }

  // Agrees the media type and buffers with downstream; the output must
  // outlive the connection. A null allocator grants whatever is asked.
  HRESULT Connect(IPinOutput* output, IMemAllocator* allocator = nullptr);
  void Disconnect();
  bool IsConnected() const { return output_ != nullptr; }
  const MediaType& connected_type() const { return connected_type_; }

  // Application thread: start the streaming thread (init, then pause, which
  // starts delivering), and stop and join it.
  HRESULT Active();
  HRESULT Inactive();
  bool ThreadExists() const { return thread_.joinable(); }

  virtual HRESULT GetMediaType(int position, MediaType* type) = 0;
  virtual HRESULT CheckMediaType(const MediaType& type) = 0;
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, AllocatorProperties* request) = 0;
  // Quality notices are not acted on.
  virtual HRESULT Notify() { return S_OK; }

protected:
  // Streaming thread.
  virtual HRESULT FillBuffer(MediaSample* sample) = 0;
  virtual HRESULT OnThreadCreate() { return NOERROR; }
  virtual HRESULT OnThreadDestroy() { return NOERROR; }
  virtual HRESULT OnThreadStartPlay() { return NOERROR; }
  bool CheckRequest(StreamWorker::Command* cmd) { return worker_.CheckRequest(cmd); }
  void Reply(HRESULT hr) { worker_.Reply(hr); }

  // Requests to the streaming thread.
  HRESULT Init() { return worker_.CallWorker(StreamWorker::CMD_INIT); }
  HRESULT Exit() { return worker_.CallWorker(StreamWorker::CMD_EXIT); }
  HRESULT Run() { return worker_.CallWorker(StreamWorker::CMD_RUN); }
  HRESULT Pause() { return worker_.CallWorker(StreamWorker::CMD_PAUSE); }
  HRESULT Stop() { return worker_.CallWorker(StreamWorker::CMD_STOP); }

  // Asks the allocator for exactly count buffers of at least size bytes
  // (4-byte aligned, no prefix); E_FAIL unless it grants that.
  static HRESULT AgreeBuffers(IMemAllocator* allocator, AllocatorProperties* request, long count, long size);
  // After a seek: flush downstream, stop the streaming thread, let
  // reposition move the pin, end the flush and run again.
  template <typename F>
  void RestartAfterSeek(F reposition) {
    DeliverBeginFlush();
    Stop();
    reposition();
    DeliverEndFlush();
    Run();
  }

  HRESULT DeliverBeginFlush() { return output_ ? output_->DeliverBeginFlush() : VFW_E_NOT_CONNECTED; }
  HRESULT DeliverEndFlush() { return output_ ? output_->DeliverEndFlush() : VFW_E_NOT_CONNECTED; }
  HRESULT DeliverEndOfStream() { return output_ ? output_->DeliverEndOfStream() : VFW_E_NOT_CONNECTED; }

  CSource* filter_;

private:
  void ThreadProc();
  HRESULT DoBufferProcessingLoop();

  std::string name_;
  IPinOutput* output_ = nullptr;
  MediaType connected_type_;
  AllocatorProperties properties_;
  std::unique_ptr<MediaSample> sample_;
  StreamWorker worker_;
  std::thread thread_;
};

}  // namespace pellaquin
