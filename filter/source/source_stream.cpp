#include "source_stream.h"

#include "source_filter.h"

namespace pellaquin {

namespace {
class GrantingAllocator final : public IMemAllocator {
public:
  HRESULT SetProperties(const AllocatorProperties& request, AllocatorProperties* actual) override {
    *actual = request;
    return S_OK;
  }
};
}  // namespace

CSourceStream::CSourceStream(const char* name, CSource* filter) : filter_(filter), name_(name) {}

CSourceStream::~CSourceStream() {
  // The owner must stop the pin first: a still-running thread would call
  // into the derived object that is already gone.
  if (thread_.joinable()) std::terminate();
}

HRESULT CSourceStream::Connect(IPinOutput* output, IMemAllocator* allocator) {
  if (!output) return E_POINTER;
  MediaType type;
  HRESULT hr = GetMediaType(0, &type);
  if (hr != S_OK) return hr;
  hr = CheckMediaType(type);
  if (hr != S_OK) return hr;
  GrantingAllocator granting;
  AllocatorProperties request;
  hr = DecideBufferSize(allocator ? allocator : &granting, &request);
  if (hr != S_OK) return hr;
  connected_type_ = type;
  properties_ = request;
  sample_ = std::make_unique<MediaSample>(static_cast<size_t>(request.cbBuffer));
  output_ = output;
  return S_OK;
}

void CSourceStream::Disconnect() {
  output_ = nullptr;
  sample_.reset();
}

HRESULT CSourceStream::AgreeBuffers(IMemAllocator* allocator, AllocatorProperties* request, long count,
                                    long size) {
  if (!allocator || !request) return E_POINTER;
  request->cBuffers = count;
  request->cbBuffer = size;
  request->cbAlign = 4;
  request->cbPrefix = 0;
  AllocatorProperties actual;
  if (allocator->SetProperties(*request, &actual) != S_OK) return E_FAIL;
  if (actual.cBuffers != request->cBuffers || actual.cbBuffer < request->cbBuffer) return E_FAIL;
  *request = actual;
  return S_OK;
}

HRESULT CSourceStream::Active() {
  if (!IsConnected() || thread_.joinable()) return NOERROR;
  thread_ = std::thread([this] { ThreadProc(); });
  HRESULT hr = Init();
  if (hr != S_OK) {
    thread_.join();
    return hr;
  }
  return Pause();
}

HRESULT CSourceStream::Inactive() {
  if (!thread_.joinable()) return NOERROR;
  Stop();
  Exit();
  thread_.join();
  return NOERROR;
}

void CSourceStream::ThreadProc() {
  worker_.BindWorkerThread();
  StreamWorker::Command cmd;
  do {
    cmd = worker_.GetRequest();
    if (cmd != StreamWorker::CMD_INIT) worker_.Reply(E_UNEXPECTED);
  } while (cmd != StreamWorker::CMD_INIT);

  HRESULT hr = OnThreadCreate();
  if (hr != S_OK) {
    OnThreadDestroy();
    worker_.Reply(hr);
    return;
  }
  worker_.Reply(NOERROR);

  // A pin may acknowledge an exit request itself while filling a sample;
  // the thread then ends without waiting for another one.
  while (!worker_.exit_replied()) {
    cmd = worker_.GetRequest();
    switch (cmd) {
      case StreamWorker::CMD_EXIT:
        worker_.Reply(NOERROR);
        break;
      case StreamWorker::CMD_RUN:
      case StreamWorker::CMD_PAUSE:
        worker_.Reply(NOERROR);
        DoBufferProcessingLoop();
        break;
      case StreamWorker::CMD_STOP:
        worker_.Reply(NOERROR);
        break;
      default:
        worker_.Reply(E_NOTIMPL);
        break;
    }
  }
  OnThreadDestroy();
}

HRESULT CSourceStream::DoBufferProcessingLoop() {
  OnThreadStartPlay();
  StreamWorker::Command cmd;
  do {
    while (!CheckRequest(&cmd)) {
      sample_->Reset();
      const unsigned long replies = worker_.replies();
      HRESULT hr = FillBuffer(sample_.get());
      if (hr == S_OK) {
        if (output_->Deliver(*sample_) != S_OK) return S_OK;
      } else if (hr == S_FALSE) {
        // A pin that answered a stop while filling ends here without an end
        // of stream: the caller has gone on to flush and reposition, and an
        // end delivered now would land after its flush, where a paused sink
        // holds this thread until the caller's next request, which waits
        // for this thread.
        if (worker_.replies() == replies) DeliverEndOfStream();
        return S_OK;
      } else {
        DeliverEndOfStream();
        filter_->NotifyEvent(EC_ERRORABORT, hr, 0);
        return hr;
      }
    }
    if (cmd == StreamWorker::CMD_RUN || cmd == StreamWorker::CMD_PAUSE)
      Reply(NOERROR);
    else if (cmd != StreamWorker::CMD_STOP && cmd != StreamWorker::CMD_EXIT)
      Reply(E_UNEXPECTED);
  } while (cmd != StreamWorker::CMD_STOP && cmd != StreamWorker::CMD_EXIT);
  return S_FALSE;
}

}  // namespace pellaquin
