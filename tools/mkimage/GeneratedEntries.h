// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

#include "DataWriter.h"
#include "KeyAllocator.h"
#include "Layout.h"
#include "RecordSink.h"
#include "Status.h"

namespace kestrel::mkimage {

// Writes the bulk content of a volume for benchmarks: `folders` folders D000... under the top
// folder, then `files` files F000....dat spread round-robin over them (or in the top folder when
// there are no folders). Names are `nameLength` characters long. Records are streamed into the
// sink as they are made, so a million files never sit in memory.
Status WriteGeneratedEntries(const GenerateLayout& wanted, const std::string& volumeLabel,
                             BlockLayout layout, DataWriter& data, KeyAllocator& keys,
                             RecordSink& sink);

}  // namespace kestrel::mkimage
