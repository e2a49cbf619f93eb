#include "window_front.h"

#include "link_messages.h"
#include "sibling_link.h"

namespace velmora {

WindowFront::WindowFront(const QString& link_dir)
    : endpoint_(std::make_unique<LinkEndpoint>(
          link_dir, QString::fromLatin1(kWindowEndpoint), [this](const LinkFrame& f) {
            // Anything else on this endpoint is not ours to act on.
            if (f.kind != LinkFrame::Posted || f.msg != WM_SHOW_WINDOW) return;
            if (raise_)
              raise_();
            else
              pending_ = true;
          })) {}

WindowFront::~WindowFront() = default;

bool WindowFront::listen() { return endpoint_->listen(); }

void WindowFront::set_raise(std::function<void()> raise) {
  raise_ = std::move(raise);
  if (pending_ && raise_) {
    pending_ = false;
    raise_();
  }
}

bool WindowFront::ask(const QString& link_dir) {
  LinkFrame f;
  f.msg = WM_SHOW_WINDOW;
  return send_frames(link_dir, QString::fromLatin1(kWindowEndpoint), {f}, 2000);
}

}  // namespace velmora
