// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <set>

namespace kestrel::mkimage {

// Hands out keys (or volume ids) in increasing order, unique within a pool: it steps over the
// values the layout gives explicitly, the top folder's key 127, and values whose bytes 2..3 are
// "ND", which could not start a layout-B tree block.
class KeyAllocator {
 public:
  KeyAllocator(std::uint64_t first, std::set<std::uint64_t> taken)
      : next_(first), taken_(std::move(taken)) {}

  std::uint64_t next();

 private:
  std::uint64_t next_;
  std::set<std::uint64_t> taken_;
};

}  // namespace kestrel::mkimage
