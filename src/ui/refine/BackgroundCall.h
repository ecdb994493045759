// Runs a blocking call on a worker thread while the window's event loop keeps
// processing (repaints, the progress bar, Stop), and returns when it is done,
// so the caller keeps its blocking meaning. A call made while another one runs
// (the progress poll during a cycle) runs at once on the calling thread.
#pragma once

#include <functional>

namespace koralix {

class TBackgroundCall {
  public:
    void operator()(const std::function<void()>& call);
    bool Busy() const { return busy_; }

  private:
    bool busy_ = false;
};

} // namespace koralix
