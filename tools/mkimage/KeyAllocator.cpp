// SPDX-License-Identifier: Apache-2.0
#include "KeyAllocator.h"

#include "NssFormat.h"

namespace kestrel::mkimage {
namespace {

constexpr std::uint64_t kLayoutMarkInKey = 0x444E;  // "ND" read little-endian as key bytes 2..3

bool Usable(std::uint64_t key) {
  return key != nss::kTopFolderKey && key != nss::kDeletedKey &&
         ((key >> 16) & 0xFFFF) != kLayoutMarkInKey;
}

}  // namespace

std::uint64_t KeyAllocator::next() {
  while (!Usable(next_) || taken_.contains(next_)) ++next_;
  return next_++;
}

}  // namespace kestrel::mkimage
