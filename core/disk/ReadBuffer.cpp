// SPDX-License-Identifier: Apache-2.0
#include "disk/ReadBuffer.h"

#include <cstring>
#include <new>

namespace kestrel::disk {

ReadBuffer::ReadBuffer(std::size_t size) : size_(size) {
  if (size == 0) return;
  // Whole pages, so that the last read into the buffer ends on a page as well.
  const std::size_t rounded = RoundToPage(size);
  memory_.reset(
      static_cast<std::uint8_t*>(::operator new(rounded, std::align_val_t{kAlignment})));
  std::memset(memory_.get(), 0, rounded);
}

void ReadBuffer::Free::operator()(std::uint8_t* memory) const {
  ::operator delete(memory, std::align_val_t{kAlignment});
}

}  // namespace kestrel::disk
