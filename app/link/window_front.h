// Brings the running window to the front when the program is started again:
// the window listens on its own endpoint of the local link, and a second
// window start posts it a request there instead of opening a window.
#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace velmora {

class LinkEndpoint;

class WindowFront {
public:
  explicit WindowFront(const QString& link_dir);
  ~WindowFront();
  WindowFront(const WindowFront&) = delete;
  WindowFront& operator=(const WindowFront&) = delete;

  // Listens from now on (before the window exists, so that a second start
  // during the first one's start-up finds it). False when it cannot.
  bool listen();
  // How to come to the front; a request that arrived before is served now.
  void set_raise(std::function<void()> raise);

  // From a second start: asks the window listening in `link_dir` to come to
  // the front. False when no window listens there.
  static bool ask(const QString& link_dir);

private:
  std::unique_ptr<LinkEndpoint> endpoint_;
  std::function<void()> raise_;
  bool pending_ = false;  // asked before the window could come forward
};

}  // namespace velmora
