// SPDX-License-Identifier: Apache-2.0
#include "GatedSource.h"

namespace kestrel::guitest {

std::optional<std::size_t> GatedSource::ReadSome(std::int64_t offset,
                                                 std::span<std::uint8_t> buffer) {
  {
    std::unique_lock lock(mutex_);
    ++waiting_;
    changed_.wait(lock, [this] { return open_ || permits_ > 0; });
    --waiting_;
    if (!open_) --permits_;
    ++passed_;
    if (failing_) return std::nullopt;
  }
  return inner_.ReadSome(offset, buffer);
}

void GatedSource::Allow(int reads) {
  {
    const std::lock_guard lock(mutex_);
    open_ = false;
    permits_ += reads;
  }
  changed_.notify_all();
}

void GatedSource::Open() {
  {
    const std::lock_guard lock(mutex_);
    open_ = true;
  }
  changed_.notify_all();
}

void GatedSource::Close() {
  const std::lock_guard lock(mutex_);
  open_ = false;
  permits_ = 0;
}

void GatedSource::FailRest() {
  {
    const std::lock_guard lock(mutex_);
    open_ = failing_ = true;
  }
  changed_.notify_all();
}

int GatedSource::Passed() {
  const std::lock_guard lock(mutex_);
  return passed_;
}

bool GatedSource::Waiting() {
  const std::lock_guard lock(mutex_);
  return waiting_ > 0;
}

}  // namespace kestrel::guitest
