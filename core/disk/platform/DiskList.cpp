// SPDX-License-Identifier: Apache-2.0
// What every platform does alike with its disk list.
#include "disk/platform/DiskList.h"

#include "disk/platform/Platform.h"

#include <utility>

namespace kestrel::platform {

std::string DiskListEntry(std::string_view list, char separator, int n) {
  if (n < 0) return {};
  std::size_t start = 0;
  for (int entry = 0; entry < n; ++entry) {
    start = list.find(separator, start);
    if (start == std::string_view::npos) return {};
    ++start;
  }
  return std::string(list.substr(start, list.find(separator, start) - start));
}

namespace {
DiskBroker& Broker() {
  static DiskBroker broker;
  return broker;
}
}  // namespace

void SetDiskBroker(DiskBroker broker) {
  Broker() = std::move(broker);
}

const DiskBroker& CurrentDiskBroker() {
  return Broker();
}

std::uint64_t DiskSectorCount(int n) {
  const std::string path = DiskDevicePath(n);
  if (path.empty()) return 0;
  const auto opened = OpenReadOnly(path);
  return static_cast<std::uint64_t>(opened.reader.Size()) / disk::layout::kSectorSize;
}

}  // namespace kestrel::platform
