// SPDX-License-Identifier: Apache-2.0
#include "disk/raid/RaidDefinition.h"

#include <algorithm>
#include <charconv>

#include "app/SizeText.h"
#include "disk/DriveName.h"
#include "disk/UnreadRanges.h"
#include "disk/raid/RaidDetect.h"
#include "disk/raid/RaidSource.h"

namespace kestrel::disk {
namespace {

constexpr std::string_view kRaidPrefix = "raid:";
constexpr std::string_view kDetect = "auto";
constexpr std::string_view kDiskMember = "disk:";

struct LevelKey {
  std::string_view text;
  RaidLevel level;
};
constexpr LevelKey kLevels[] = {{"span", RaidLevel::Span}, {"0", RaidLevel::Raid0},
                                {"1", RaidLevel::Raid1},   {"10", RaidLevel::Raid10},
                                {"5", RaidLevel::Raid5},   {"6", RaidLevel::Raid6}};
constexpr RaidLayout kLayouts[] = {RaidLayout::LeftSymmetric, RaidLayout::LeftAsymmetric,
                                   RaidLayout::RightSymmetric, RaidLayout::RightAsymmetric};

// The comma-separated items of the text, each with the character it starts at (from 1).
struct Item {
  std::string_view text;
  std::size_t column;
};

std::vector<Item> SplitItems(std::string_view text, std::size_t column) {
  std::vector<Item> items;
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    items.push_back({text.substr(start, comma - start), column + start});
    if (comma == std::string_view::npos) return items;
    start = comma + 1;
  }
}

app::Failure At(const Item& item, const std::string& problem) {
  return app::Failure{"RAID set, character " + std::to_string(item.column) + " (\"" +
                      std::string(item.text) + "\"): " + problem};
}

std::optional<std::string> ApplyLevel(std::string_view value, RaidGeometry& geometry) {
  for (const LevelKey& key : kLevels) {
    if (key.text == value) {
      geometry.level = key.level;
      return std::nullopt;
    }
  }
  return "the level is one of span, 0, 1, 10, 5, 6";
}

std::optional<std::string> ApplyLayout(std::string_view value, RaidGeometry& geometry) {
  for (const RaidLayout layout : kLayouts) {
    if (LayoutName(layout) == value) {
      geometry.layout = layout;
      return std::nullopt;
    }
  }
  return "the layout is one of left-symmetric, left-asymmetric, right-symmetric, "
         "right-asymmetric";
}

std::optional<std::string> ApplyBytes(std::string_view value, std::int64_t& bytes) {
  const auto count = app::ParseByteCount(value);
  if (!count || *count > static_cast<std::uint64_t>(std::int64_t{1} << 50))
    return "a size is a byte count, or one with k or m, such as 64k";
  bytes = static_cast<std::int64_t>(*count);
  return std::nullopt;
}

std::optional<std::string> ApplyKey(std::string_view key, std::string_view value,
                                    RaidGeometry& geometry) {
  if (key == "level") return ApplyLevel(value, geometry);
  if (key == "layout") return ApplyLayout(value, geometry);
  if (key == "stripe") return ApplyBytes(value, geometry.stripe);
  if (key == "offset") return ApplyBytes(value, geometry.offset);
  return "the keys are level, layout, stripe and offset";
}

app::Result<RaidGeometry> ParseGeometry(std::string_view text) {
  RaidGeometry geometry;
  std::vector<std::string_view> seen;
  for (const Item& item : SplitItems(text, 1)) {
    const std::size_t equals = item.text.find('=');
    if (equals == std::string_view::npos) return At(item, "a setting is KEY=VALUE");
    const std::string_view key = item.text.substr(0, equals);
    if (std::find(seen.begin(), seen.end(), key) != seen.end())
      return At(item, "the key is given twice");
    seen.push_back(key);
    if (auto problem = ApplyKey(key, item.text.substr(equals + 1), geometry))
      return At(item, *problem);
  }
  if (std::find(seen.begin(), seen.end(), std::string_view("level")) == seen.end())
    return app::Failure{"RAID set: the level is missing (level=span, 0, 1, 10, 5 or 6)"};
  return geometry;
}

std::optional<std::string> MemberProblem(std::string_view member) {
  if (member.empty()) return "a member is an image path, disk:N or missing";
  if (!member.starts_with(kDiskMember)) return std::nullopt;
  const std::string_view number = member.substr(kDiskMember.size());
  int disk = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), disk);
  if (number.empty() || error != std::errc() || end != number.data() + number.size() || disk < 0)
    return "disk:N names disk N by its number";
  return std::nullopt;
}

// One disk read as two members gives its chunks where the other's belong, and the array reads as
// nonsense without a word; missing members may repeat.
bool IsRepeat(const std::vector<std::string>& members, std::string_view member) {
  return member != kMissingMember &&
         std::find(members.begin(), members.end(), member) != members.end();
}

// A member imaged from a failing disk holds zeros where the map beside its image says sectors
// were never read: they read as failures, so that the array rebuilds them from the other members
// where its level can, and a read of them fails where it cannot.
RaidMember OpenMember(const std::string& member, OpenStatus& status) {
  const auto path = MemberSourcePath(member);
  if (!path) return {member, nullptr};
  OpenedSource opened = OpenSource(*path);
  if (!opened.status.ok()) {
    status = opened.status;
    status.message = "RAID member " + member + ": " + status.message;
    return {member, nullptr};
  }
  auto source = WithMapBeside(opened.reader.Source(), *path);
  if (!source.ok()) {
    status = {OpenError::Failed, "RAID member " + member + ": " + source.error() +
                                     "; move the map away to read the member without it"};
    return {member, nullptr};
  }
  return {member, std::move(source).value()};
}

std::string Description(const RaidDefinition& definition) {
  const RaidGeometry& geometry = definition.geometry;
  std::string text = "RAID " + std::string(LevelName(geometry.level));
  if (geometry.level == RaidLevel::Raid5 || geometry.level == RaidLevel::Raid6)
    text += ", " + std::string(LayoutName(geometry.layout));
  if (IsStriped(geometry.level))
    text += ", stripe of " + std::to_string(geometry.stripe) + " bytes";
  text += ", members from byte " + std::to_string(geometry.offset) + ":";
  for (const std::string& member : definition.members) text += " " + member;
  return text;
}

// The geometry the members show, with the members in the order it puts them.
app::Result<RaidDefinition> DetectedDefinition(const std::vector<RaidMember>& members) {
  std::vector<std::shared_ptr<ByteSource>> sources;
  for (const RaidMember& member : members) sources.push_back(member.source);
  const auto detection = DetectRaid(sources, 2);
  if (!detection.ok()) return app::Failure{"RAID set: " + detection.error()};
  if (!BestIsCertain(detection.value())) {
    const std::string why = detection.value().candidates.empty()
                                ? std::string(kNoConsistentGeometry) + " on the members"
                                : std::string(kGeometryNotCertain);
    return app::Failure{"RAID set: " + why + "; give level, layout, stripe and offset"};
  }
  const RaidCandidate& best = detection.value().candidates.front();
  RaidDefinition definition{false, best.geometry, {}};
  for (const int member : best.order)
    definition.members.push_back(members[static_cast<std::size_t>(member)].name);
  return definition;
}

}  // namespace

app::Result<RaidDefinition> ParseRaidDefinition(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos)
    return app::Failure{"RAID set: a SET is KEY=VALUE,...:MEMBER,... or auto:MEMBER,..."};
  RaidDefinition definition;
  const std::string_view settings = text.substr(0, colon);
  definition.detect = settings == kDetect;
  if (!definition.detect) {
    auto geometry = ParseGeometry(settings);
    if (!geometry.ok()) return app::Failure{geometry.error()};
    definition.geometry = geometry.value();
  }
  for (const Item& item : SplitItems(text.substr(colon + 1), colon + 2)) {
    if (auto problem = MemberProblem(item.text)) return At(item, *problem);
    if (IsRepeat(definition.members, item.text)) return At(item, "the member is named twice");
    definition.members.emplace_back(item.text);
  }
  definition.geometry.members = static_cast<int>(definition.members.size());
  return definition;
}

std::string RaidSourceName(std::string_view definition) {
  return std::string(kRaidPrefix) + std::string(definition);
}

std::optional<std::string_view> DefinitionOfRaidSourceName(std::string_view name) {
  if (!name.starts_with(kRaidPrefix)) return std::nullopt;
  return name.substr(kRaidPrefix.size());
}

std::optional<std::string> MemberSourcePath(const std::string& member) {
  if (member == kMissingMember) return std::nullopt;
  if (!member.starts_with(kDiskMember)) return member;
  return PhysicalDriveName(std::stoi(member.substr(kDiskMember.size())));  // checked by the parser
}

std::vector<RaidMember> OpenRaidMembers(const std::vector<std::string>& names, OpenStatus& status) {
  std::vector<RaidMember> members;
  for (const std::string& name : names) {
    members.push_back(OpenMember(name, status));
    if (!status.ok()) return {};
  }
  return members;
}

app::Result<RaidDefinition> DetectRaidDefinition(const std::vector<std::string>& names) {
  OpenStatus status;
  const std::vector<RaidMember> members = OpenRaidMembers(names, status);
  if (!status.ok()) return app::Failure{status.message};
  return DetectedDefinition(members);
}

OpenedSource OpenRaidSet(std::string_view text) {
  const auto failed = [](std::string message) {
    return OpenedSource{{}, {OpenError::Failed, std::move(message)}, ContainerKind::Raid};
  };
  const auto definition = ParseRaidDefinition(text);
  if (!definition.ok()) return failed(definition.error());
  OpenStatus status;
  std::vector<RaidMember> members = OpenRaidMembers(definition.value().members, status);
  if (!status.ok()) return {{}, status, ContainerKind::Raid};
  RaidDefinition chosen = definition.value();
  if (chosen.detect) {
    auto detected = DetectedDefinition(members);
    if (!detected.ok()) return failed(detected.error());
    chosen = detected.value();
    std::vector<RaidMember> ordered;
    for (const std::string& name : chosen.members) {
      ordered.push_back(*std::find_if(members.begin(), members.end(),
                                      [&](const RaidMember& m) { return m.name == name; }));
    }
    members = std::move(ordered);
  }
  auto array = AssembleRaid(chosen.geometry, members);
  if (!array.ok()) return failed("RAID set: " + array.error());
  return {DiskReader(array.value()), {}, ContainerKind::Raid, {Description(chosen)}};
}

}  // namespace kestrel::disk
