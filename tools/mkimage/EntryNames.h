// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string_view>

#include "EntryResolver.h"
#include "NameSection.h"
#include "Status.h"

namespace kestrel::mkimage {

// The name section that the record of `entry` carries: its own name in the form, code, parts
// and stage its layout entry asks for, plus a second name when it has one. Made folders and
// bulk entries use form 1 with code 23.
Result<NameSectionLayout> MakeNameSection(const ResolvedEntry& entry);

// A form-1 section holding `name` with code 23.
Result<NameSectionLayout> PlainNameSection(std::string_view name, std::uint64_t parentKey);

}  // namespace kestrel::mkimage
