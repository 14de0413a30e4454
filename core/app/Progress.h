#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace kestrel::app {

// What a long operation counts its work in.
enum class WorkUnit : std::uint8_t { Bytes, Blocks, Records };

// Where a long operation stands: work done of work total (total 0 when it is not known in
// advance, as for a chain of tree blocks) and the status text the page shows at this moment. A
// page whose bar follows a rule of its own (the volume scan's steps) gets that position in bar;
// done and total stay the work truly done, for rates and time left.
struct Progress {
  Progress() = default;
  Progress(std::uint64_t workDone, std::uint64_t workTotal, std::string statusText = {},
           WorkUnit workUnit = WorkUnit::Bytes, std::optional<int> barPosition = std::nullopt)
      : done(workDone),
        total(workTotal),
        status(std::move(statusText)),
        unit(workUnit),
        bar(barPosition) {}

  std::uint64_t done = 0;
  std::uint64_t total = 0;
  std::string status;
  WorkUnit unit = WorkUnit::Bytes;
  std::optional<int> bar;
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
