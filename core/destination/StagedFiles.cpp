// SPDX-License-Identifier: Apache-2.0
#include "destination/StagedFiles.h"

#include <cinttypes>
#include <cstdio>
#include <random>
#include <utility>

namespace kestrel::destination {
namespace {

constexpr std::string_view kStagingPrefix = ".kestrel-partial-";
// A batch is made durable once it holds this many files or is this old: one sync of the file
// system per batch costs little beside writing the files, and a crash then loses the names of a
// few seconds of work at most, never a file's bytes.
constexpr std::size_t kBatchFiles = 256;
constexpr std::chrono::seconds kBatchAge{2};

}  // namespace

std::string NewRunId() {
  std::random_device random;
  char id[17];
  std::snprintf(id, sizeof id, "%08" PRIx32 "%08" PRIx32, static_cast<std::uint32_t>(random()),
                static_cast<std::uint32_t>(random()));
  return id;
}

std::string StagingName(std::string_view runId, std::uint64_t number) {
  return std::string(kStagingPrefix) + std::string(runId) + "-" + std::to_string(number);
}

bool IsStagingName(std::string_view name) {
  return name.starts_with(kStagingPrefix);
}

StagedFiles::StagedFiles(Destination& destination) : destination_(destination), runId_(NewRunId()) {
  if (destination_.WritesBehind()) batches_ = std::jthread([this] { RunBatches(); });
}

StagedFiles::~StagedFiles() {
  Flush();
  {
    const std::lock_guard lock(mutex_);
    quitting_ = true;
  }
  changed_.notify_all();
}

std::string StagedFiles::StagingPath(const std::string& folder) {
  return destination_.Join(folder, StagingName(runId_, ++staged_));
}

void StagedFiles::Publish(std::size_t id, std::string staged, std::string target, bool replace) {
  Handed file{id, std::move(staged), std::move(target), replace};
  if (!destination_.WritesBehind()) return PublishBatch({std::move(file)});
  const std::lock_guard lock(mutex_);
  if (open_.empty()) openSince_ = std::chrono::steady_clock::now();
  open_.push_back(std::move(file));
  if (open_.size() >= kBatchFiles) changed_.notify_all();
}

std::vector<Unpublished> StagedFiles::TakeUnpublished() {
  const std::lock_guard lock(mutex_);
  return std::exchange(unpublished_, {});
}

void StagedFiles::Flush() {
  std::unique_lock lock(mutex_);
  flushing_ = true;
  changed_.notify_all();
  changed_.wait(lock, [this] { return open_.empty() && !publishing_; });
  flushing_ = false;
}

std::vector<std::string> StagedFiles::RemoveLeftovers(const std::string& folder) {
  std::vector<std::string> removed;
  const std::string ours = std::string(kStagingPrefix) + runId_ + "-";
  for (const std::string& name : destination_.FileNamesIn(folder)) {
    if (!IsStagingName(name) || name.starts_with(ours)) continue;
    const std::string path = destination_.Join(folder, name);
    if (!destination_.Remove(path)) removed.push_back(path);
  }
  return removed;
}

bool StagedFiles::BatchDue() const {
  return !open_.empty() && (flushing_ || quitting_ || open_.size() >= kBatchFiles ||
                            std::chrono::steady_clock::now() - openSince_ >= kBatchAge);
}

// The batch thread: waits for a batch that is due, makes the destination durable, then names the
// batch's files in the order they were handed over.
void StagedFiles::RunBatches() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait_for(lock, kBatchAge, [this] { return quitting_ || BatchDue(); });
    if (!BatchDue()) {
      if (quitting_) return;
      continue;
    }
    std::vector<Handed> batch = std::exchange(open_, {});
    publishing_ = true;
    lock.unlock();
    PublishBatch(std::move(batch));
    lock.lock();
    publishing_ = false;
    changed_.notify_all();
  }
}

// A destination that cannot be made durable (a file system without sync) still gets its names:
// the run says once that a power loss may take what they name.
void StagedFiles::PublishBatch(std::vector<Handed> batch) {
  const std::optional<std::string> notDurable = destination_.MakeDurable();
  std::vector<Unpublished> failed;
  for (const Handed& file : batch) {
    const platform::Renamed renamed = destination_.Rename(file.staged, file.target, file.replace);
    if (renamed.done) continue;
    destination_.Remove(file.staged);  // a later run would take it for a leftover
    failed.push_back({file.id, renamed.taken
                                   ? "could not be written: another program took its name meanwhile"
                                   : "could not be given its name: " + renamed.error});
  }
  const std::lock_guard lock(mutex_);
  for (Unpublished& file : failed) unpublished_.push_back(std::move(file));
  if (notDurable && notDurable_.empty()) notDurable_ = *notDurable;
}

std::string StagedFiles::NotDurable() {
  const std::lock_guard lock(mutex_);
  return notDurable_;
}

}  // namespace kestrel::destination
