// SPDX-License-Identifier: Apache-2.0
#include "imaging/SectorCopy.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "app/SizeText.h"
#include "disk/NssLayout.h"
#include "imaging/ChunkRead.h"
#include "imaging/ChunkRing.h"
#include "imaging/Digest.h"

namespace kestrel::imaging {
namespace {

constexpr std::size_t kSectorSize = disk::layout::kSectorSize;

// How far reading may run ahead of writing: a few of the largest chunks, which keeps both busy
// without holding much memory.
constexpr std::size_t kRingBytes = 4 << 20;
constexpr std::size_t kMinimumSlots = 3;

std::size_t SlotsFor(std::size_t chunkBytes) {
  return std::max(kMinimumSlots, kRingBytes / std::max<std::size_t>(chunkBytes, 1));
}

std::string WriteFailureText(std::uint64_t sector, int error) {
  return app::Format(
      "cannot write sector %llu of the destination: %s", static_cast<unsigned long long>(sector),
      error ? std::generic_category().message(error).c_str() : "the write was cut short");
}

std::string FlushFailureText(int error) {
  return "cannot store what was written on the destination: " +
         (error ? std::generic_category().message(error) : std::string("the flush failed"));
}

class Copier {
 public:
  Copier(const disk::DiskReader& source, const CopyPlan& plan, platform::SectorWriter& destination,
         CopyStatus& status, app::ProgressObserver& observer, std::stop_token stop)
      : source_(source),
        plan_(plan),
        destination_(destination),
        status_(status),
        observer_(observer),
        stop_(std::move(stop)),
        ring_(SlotsFor(plan.chunkSectors * kSectorSize), plan.chunkSectors * kSectorSize,
              plan.hashDestination ? 2 : 1) {}

  app::Result<CopyOutcome> Run();

 private:
  enum Consumer : std::size_t { kWriter, kHasher };

  bool CopySquare(int square);
  bool CopyChunk(SectorRange relative);
  void WriteChunks();
  bool WriteChunk(const Chunk& chunk);
  void Flush();
  void HashChunks();
  void Report();

  const disk::DiskReader& source_;
  const CopyPlan& plan_;
  platform::SectorWriter& destination_;
  CopyStatus& status_;
  app::ProgressObserver& observer_;
  std::stop_token stop_;
  ChunkRing ring_;
  Digest hash_{DigestKind::Sha256};
  BadSectorMap unreadable_;
  bool stopped_ = false;
  std::mutex writtenMutex_;  // guards the three below, which the writing thread sets
  std::uint64_t bytesWritten_ = 0;
  std::uint64_t bytesBeforeLastWrite_ = 0;
  std::optional<std::string> writeFailure_;
};

app::Result<CopyOutcome> Copier::Run() {
  status_ = CopyStatus{};
  status_.grid = ProgressGrid(plan_.source.Count());
  status_.currentSector = plan_.source.first;
  if (const auto start = disk::SectorOffset(plan_.source.first))
    source_.AdviseSequential(*start, static_cast<std::int64_t>(plan_.source.Count() * kSectorSize));
  Report();
  {
    const std::jthread writer([this] { WriteChunks(); });
    std::jthread hasher;
    if (plan_.hashDestination) hasher = std::jthread([this] { HashChunks(); });
    for (int square = 0; square < ProgressGrid::kSquares && CopySquare(square); ++square) {
    }
    ring_.Close();
  }
  if (!writeFailure_) Flush();
  Report();
  if (writeFailure_) return app::Failure{*writeFailure_};
  return CopyOutcome{status_.sectorsDone, status_.bytesWritten, std::move(unreadable_),
                     plan_.hashDestination ? hash_.HexDigest() : std::string{}, stopped_};
}

// Returns whether the copy goes on after the square.
bool Copier::CopySquare(int square) {
  ProgressGrid& grid = status_.grid;
  grid.SetState(square, BlockState::Current);
  Report();
  const std::uint64_t unreadableBefore = unreadable_.SectorCount();
  bool complete = true;
  for (const SectorRange chunk : ChunksOf(grid.SquareSectors(square), plan_.chunkSectors)) {
    if (!(complete = CopyChunk(chunk))) break;
  }
  if (unreadable_.SectorCount() > unreadableBefore) {
    grid.SetState(square, BlockState::Bad);
  } else {
    grid.SetState(square, complete ? BlockState::Processed : BlockState::Remaining);
  }
  Report();
  return complete;
}

// The chunk's sectors are counted from the start of the range.
bool Copier::CopyChunk(SectorRange relative) {
  if (stop_.stop_requested()) {
    stopped_ = true;
    return false;
  }
  Chunk* chunk = ring_.NextToFill();
  if (!chunk) return false;  // the writing failed
  const std::uint64_t first = plan_.source.first + relative.first;
  const auto sectors = static_cast<std::uint32_t>(relative.Count());
  status_.currentSector = first;
  chunk->firstSector = first;
  chunk->sectors = sectors;
  ReadChunk(source_, *chunk);
  for (const std::uint32_t bad : chunk->unreadable) unreadable_.Add(first + bad);
  ring_.Publish();
  status_.sectorsDone += sectors;
  status_.unreadableSectors = unreadable_.SectorCount();
  Report();
  return true;
}

void Copier::WriteChunks() {
  while (const Chunk* chunk = ring_.NextToConsume(kWriter)) {
    if (!WriteChunk(*chunk)) {
      ring_.Abort();
      return;
    }
    ring_.Release(kWriter);
  }
}

bool Copier::WriteChunk(const Chunk& chunk) {
  const std::uint64_t first = plan_.destinationFirst + (chunk.firstSector - plan_.source.first);
  // The platform's writers leave errno as the failed system call set it.
  errno = 0;
  const bool written = destination_.WriteSectors(first, chunk.sectors, chunk.Bytes());
  const int error = errno;
  const std::lock_guard lock(writtenMutex_);
  if (!written) {
    writeFailure_ = WriteFailureText(first, error);
    return false;
  }
  bytesBeforeLastWrite_ = bytesWritten_;
  bytesWritten_ += chunk.Bytes().size();
  return true;
}

// A write that the storage fails only when it stores it (a disk that is pulled, a full thin
// volume) shows here, not in the write call.
void Copier::Flush() {
  errno = 0;
  if (!destination_.Flush()) writeFailure_ = FlushFailureText(errno);
}

void Copier::HashChunks() {
  while (const Chunk* chunk = ring_.NextToConsume(kHasher)) {
    hash_.Update(chunk->Bytes());
    ring_.Release(kHasher);
  }
}

void Copier::Report() {
  {
    const std::lock_guard lock(writtenMutex_);
    status_.bytesWritten = bytesWritten_;
    status_.bytesBeforeLastWrite = bytesBeforeLastWrite_;
  }
  observer_.OnProgress({status_.sectorsDone * kSectorSize, plan_.source.Count() * kSectorSize,
                        plan_.statusText ? plan_.statusText(status_) : std::string{}});
}

}  // namespace

app::Result<CopyOutcome> CopySectors(const disk::DiskReader& source, const CopyPlan& plan,
                                     platform::SectorWriter& destination, CopyStatus& status,
                                     app::ProgressObserver& observer, std::stop_token stop) {
  if (plan.chunkSectors == 0) return app::Failure{"a copy needs chunks of at least one sector"};
  return Copier(source, plan, destination, status, observer, std::move(stop)).Run();
}

}  // namespace kestrel::imaging
