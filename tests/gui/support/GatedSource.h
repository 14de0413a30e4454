// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <condition_variable>
#include <mutex>

#include "disk/DiskReader.h"

namespace kestrel::guitest {

// A source whose reads a test lets through one by one, so that a scan or a recovery is still
// running, at a known point, when the test presses Stop. Open lets everything through; it must be
// open before the page that reads it goes. FailRest fails every read from then on, as a disk
// that has just died.
class GatedSource : public disk::ByteSource {
 public:
  explicit GatedSource(disk::DiskReader inner) : inner_(std::move(inner)) {}

  std::optional<std::size_t> ReadSome(std::int64_t offset, std::span<std::uint8_t> buffer) override;
  std::int64_t Size() const override { return inner_.Size(); }

  void Allow(int reads);
  void Open();
  void Close();
  void FailRest();
  // Reads that have gone through so far.
  int Passed();
  // A read is held at the gate.
  bool Waiting();

 private:
  disk::DiskReader inner_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int permits_ = 0;
  bool open_ = true;
  bool failing_ = false;
  int passed_ = 0;
  int waiting_ = 0;
};

}  // namespace kestrel::guitest
