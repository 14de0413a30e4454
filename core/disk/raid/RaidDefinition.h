// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Result.h"
#include "disk/DiskReader.h"
#include "disk/raid/RaidGeometry.h"
#include "disk/raid/RaidSource.h"

namespace kestrel::disk {

// An array as a person names it: "KEY=VALUE,...:MEMBER,...", the keys level, layout, stripe and
// offset; a member is an image path, "disk:N" or "missing". "auto:MEMBER,..." leaves the geometry
// to be found from the members.
struct RaidDefinition {
  bool detect = false;
  RaidGeometry geometry;
  std::vector<std::string> members;
};

inline constexpr std::string_view kMissingMember = "missing";

// The definition, or what is wrong with it and where.
app::Result<RaidDefinition> ParseRaidDefinition(std::string_view text);

// An array is opened, shown and saved under the name "raid:" + its definition, so that it goes
// wherever the path of a disk or an image goes (a saved scan reopens it by that name).
std::string RaidSourceName(std::string_view definition);
// The definition of such a name; nothing for any other path.
std::optional<std::string_view> DefinitionOfRaidSourceName(std::string_view name);

// The disk or image a member names ("disk:N" names disk N); nothing for a missing member.
std::optional<std::string> MemberSourcePath(const std::string& member);

// The members, each opened as OpenSource opens a disk or an image (none for "missing"); the status
// of the first that cannot be opened, and no members, when one cannot.
std::vector<RaidMember> OpenRaidMembers(const std::vector<std::string>& names, OpenStatus& status);

// The geometry the named members show, with the members in the order it puts them; "no
// consistent geometry" when they show none.
app::Result<RaidDefinition> DetectRaidDefinition(const std::vector<std::string>& names);

// The array the definition names, each member opened as OpenSource opens a disk or an image.
OpenedSource OpenRaidSet(std::string_view definition);

}  // namespace kestrel::disk
