#pragma once

#include <cstdint>
#include <string>

namespace kestrel::app {

// Where a long operation stands: work done of work total (bytes, blocks or steps; total 0 when
// it is not known in advance) and the status text the page shows at this moment.
struct Progress {
  std::uint64_t done = 0;
  std::uint64_t total = 0;
  std::string status;
};

// Every long operation reports through one of these; front ends turn it into a progress bar, a
// percentage and a time estimate. Called on the operation's own thread.
class ProgressObserver {
 public:
  virtual ~ProgressObserver() = default;
  virtual void OnProgress(const Progress& progress) = 0;
};

// For callers that do not watch.
class NoProgress : public ProgressObserver {
 public:
  void OnProgress(const Progress&) override {}
};

}  // namespace kestrel::app
