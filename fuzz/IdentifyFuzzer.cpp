// SPDX-License-Identifier: Apache-2.0
// Feeds 512 bytes of IDENTIFY or SMART data through their parsers.
#include <cstddef>
#include <cstdint>

#include "disk/DriveIdentity.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const kestrel::disk::ByteView bytes(data, size);
  volatile std::size_t sink = kestrel::disk::ParseIdentifyData(bytes).model.size();
  sink = sink + kestrel::disk::SmartTemperature(bytes);
  return 0;
}
