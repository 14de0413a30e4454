// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

#include "destination/Destination.h"

// A recovered file is written under a staging name in its own folder and takes its own name only
// once it is closed and, where the destination writes behind, on its disk: a run cut short by a
// kill, a crash or a power loss never leaves a file shorter than it should be under its name.
// Staging names are ".kestrel-partial-", the run's id, "-" and a number; a later run into the
// folder recognises those of a run cut short and removes them.
namespace kestrel::destination {

std::string NewRunId();
std::string StagingName(std::string_view runId, std::uint64_t number);
// Whether the name is a staging name of any run; no recovered file is given such a name.
bool IsStagingName(std::string_view name);

// A file that could not take its name.
struct Unpublished {
  std::size_t id = 0;  // as handed to Publish
  std::string reason;
};

class StagedFiles {
 public:
  explicit StagedFiles(Destination& destination);
  // Publishes what was handed over and not yet published.
  ~StagedFiles();
  StagedFiles(const StagedFiles&) = delete;
  StagedFiles& operator=(const StagedFiles&) = delete;

  // Where the next file of the folder is written until it takes its name.
  std::string StagingPath(const std::string& folder);
  // Hands over a closed file to take the name `target`, after every file handed over before it.
  // With `replace` what has the name is replaced, else the file keeps its staging name and is
  // reported when the name was taken meanwhile. Where the destination writes behind, names are
  // given in batches (some hundred files, or every few seconds) once the destination has made the
  // batch durable, on a thread of its own; elsewhere at once.
  void Publish(std::size_t id, std::string staged, std::string target, bool replace);
  // The files handed over that could not take their names, since the last call.
  std::vector<Unpublished> TakeUnpublished();
  // Why the destination could not be made durable before names were given; "" when it was.
  std::string NotDurable();
  // Publishes every file handed over, and waits until it is done.
  void Flush();
  // Removes the staging files that a run cut short left in the folder; the names removed.
  std::vector<std::string> RemoveLeftovers(const std::string& folder);

 private:
  struct Handed {
    std::size_t id;
    std::string staged;
    std::string target;
    bool replace;
  };

  void RunBatches();
  void PublishBatch(std::vector<Handed> batch);  // without mutex_
  bool BatchDue() const;                         // under mutex_

  Destination& destination_;
  const std::string runId_;
  std::uint64_t staged_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;  // a batch is due, a batch is done, or the run ends
  std::vector<Handed> open_;         // handed over, not yet taken by the batch thread
  std::chrono::steady_clock::time_point openSince_;
  bool publishing_ = false;  // the batch thread is making a batch durable and naming it
  bool flushing_ = false;
  bool quitting_ = false;
  std::vector<Unpublished> unpublished_;
  std::string notDurable_;
  std::jthread batches_;  // last: it starts once the rest is in place
};

}  // namespace kestrel::destination
