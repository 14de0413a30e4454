#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "disk/MemorySource.h"

// Fault injection at every read: a source in memory whose read number `failing` (counting from 1)
// fails, and that counts the reads made. Run an operation once with failing 0 to learn how many
// reads it makes, then once for every k up to that count.
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

}  // namespace kestrel::test
