// SPDX-License-Identifier: Apache-2.0
#include "disk/raid/RaidAssembly.h"

#include <optional>

#include "app/SizeText.h"
#include "disk/raid/RaidDefinition.h"

namespace kestrel::disk {
namespace {

constexpr std::int64_t kKibibyte = 1024;
constexpr std::int64_t kMebibyte = 1024 * kKibibyte;

// A comma ends a member in the definition, so a path that holds one cannot be named there.
std::optional<std::string> MemberProblem(const std::string& member) {
  if (member.empty()) return "RAID set: a member is empty";
  if (member.find(',') != std::string::npos)
    return "RAID set: the member " + member + " holds a comma, which a RAID set cannot name";
  return std::nullopt;
}

app::Result<std::string> GeometryText(const RaidAssembly& assembly) {
  const auto offset = app::ParseByteCount(assembly.offset);
  if (!offset)
    return app::Failure{"RAID set: the offset \"" + assembly.offset +
                        "\" is not a byte count, or one with k or m, such as 1m"};
  std::string text = "level=" + std::string(LevelName(assembly.level));
  if (UsesParityLayout(assembly.level))
    text += ",layout=" + std::string(LayoutName(assembly.layout));
  if (IsStriped(assembly.level)) text += ",stripe=" + ShortByteCountText(assembly.stripe);
  return text + ",offset=" + assembly.offset;
}

}  // namespace

bool UsesParityLayout(RaidLevel level) {
  return level == RaidLevel::Raid5 || level == RaidLevel::Raid6;
}

std::vector<std::int64_t> StripeChoices() {
  std::vector<std::int64_t> stripes;
  for (std::int64_t stripe = kSmallestStripe; stripe <= kLargestStripe; stripe *= 2)
    stripes.push_back(stripe);
  return stripes;
}

std::string ShortByteCountText(std::int64_t bytes) {
  if (bytes != 0 && bytes % kMebibyte == 0) return std::to_string(bytes / kMebibyte) + "m";
  if (bytes != 0 && bytes % kKibibyte == 0) return std::to_string(bytes / kKibibyte) + "k";
  return std::to_string(bytes);
}

std::string DiskMember(int disk) {
  return "disk:" + std::to_string(disk);
}

app::Result<std::string> BuildRaidDefinition(const RaidAssembly& assembly) {
  if (assembly.members.empty()) return app::Failure{"RAID set: add the members of the array"};
  for (const std::string& member : assembly.members)
    if (auto problem = MemberProblem(member)) return app::Failure{*problem};
  const auto geometry = GeometryText(assembly);
  if (!geometry.ok()) return geometry;
  std::string text = geometry.value() + ":";
  for (std::size_t m = 0; m < assembly.members.size(); ++m)
    text += (m == 0 ? "" : ",") + assembly.members[m];
  const auto definition = ParseRaidDefinition(text);
  if (!definition.ok()) return app::Failure{definition.error()};
  if (auto problem = GeometryProblem(definition.value().geometry))
    return app::Failure{"RAID set: " + *problem};
  return text;
}

RaidAssembly AssemblyOf(const RaidDefinition& definition) {
  RaidAssembly assembly;
  assembly.level = definition.geometry.level;
  assembly.layout = definition.geometry.layout;
  assembly.stripe = definition.geometry.stripe;
  assembly.offset = ShortByteCountText(definition.geometry.offset);
  assembly.members = definition.members;
  return assembly;
}

}  // namespace kestrel::disk
