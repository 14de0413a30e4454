// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace kestrel::app {

// What a long operation counts its work in.
enum class WorkUnit : std::uint8_t { Bytes, Blocks, Records };

// Where a long operation stands: work done of work total (total 0 while it is not known, as for
// a chain of tree blocks, whose length shows only at its end) and the status text the page shows
// at this moment.
struct Progress {
  Progress() = default;
  Progress(std::uint64_t workDone, std::uint64_t workTotal, std::string statusText = {},
           WorkUnit workUnit = WorkUnit::Bytes)
      : done(workDone), total(workTotal), status(std::move(statusText)), unit(workUnit) {}

  std::uint64_t done = 0;
  std::uint64_t total = 0;
  std::string status;
  WorkUnit unit = WorkUnit::Bytes;
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
