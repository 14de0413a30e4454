// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "disk/MemorySource.h"

// Fault injection at every read: a source in memory whose read number `failing` (counting from 1)
// fails, and that counts the reads made. Run an operation once with failing 0 to learn how many
// reads it makes, then once for every k up to that count (ForEveryFailingRead does both).
namespace kestrel::test {

class FailingReadSource : public disk::MemorySource {
 public:
  FailingReadSource(std::vector<std::uint8_t> bytes, std::uint64_t failing)
      : MemorySource(std::move(bytes)), failing_(failing) {}

  std::optional<std::size_t> ReadSome(std::int64_t offset,
                                      std::span<std::uint8_t> buffer) override {
    if (++reads_ == failing_) return std::nullopt;
    return MemorySource::ReadSome(offset, buffer);
  }

  std::uint64_t reads() const { return reads_; }

 private:
  std::uint64_t failing_;
  std::uint64_t reads_ = 0;
};

// Runs attempt(source, 0) on the sound bytes, then attempt(source, k) with read k failing for every
// k up to the number of reads the sound run made, each under a trace that names k. A failed read
// may make the operation read more (around the bad part, or again), never without end: the reads
// of one attempt stay within a bound of the sound run's. Where a run makes too many reads to try
// each, `stride` tries every stride-th k from the first, and the last.
template <typename Attempt>
void ForEveryFailingRead(const std::vector<std::uint8_t>& bytes, Attempt attempt,
                         std::uint64_t stride = 1) {
  const auto sound = std::make_shared<FailingReadSource>(bytes, 0);
  attempt(sound, std::uint64_t{0});
  ASSERT_GT(sound->reads(), 0u);
  for (std::uint64_t k = 1; k <= sound->reads();
       k = k < sound->reads() ? std::min(k + stride, sound->reads()) : k + 1) {
    SCOPED_TRACE("read " + std::to_string(k) + " of " + std::to_string(sound->reads()) + " fails");
    const auto failing = std::make_shared<FailingReadSource>(bytes, k);
    attempt(failing, k);
    EXPECT_LE(failing->reads(), 64 * sound->reads() + 4096) << "reads that never end";
  }
}

}  // namespace kestrel::test
