// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

#include "DataWriter.h"
#include "EntryResolver.h"
#include "Manifest.h"
#include "RecordSink.h"
#include "Status.h"

namespace kestrel::mkimage {

// Writes one entry of a volume: its file data, then its record into a tree block.
class EntryWriter {
 public:
  EntryWriter(DataWriter& data, std::string volumeLabel)
      : data_(data), volumeLabel_(std::move(volumeLabel)) {}

  Result<ManifestEntry> write(const ResolvedEntry& entry, BlockLayout layout, RecordSink& sink);

 private:
  Result<ManifestEntry> describe(const ResolvedEntry& entry);

  DataWriter& data_;
  std::string volumeLabel_;
};

}  // namespace kestrel::mkimage
