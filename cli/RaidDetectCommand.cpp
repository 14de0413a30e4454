// SPDX-License-Identifier: Apache-2.0
// `raid-detect`: the geometry of a RAID set found from the NSS structures on its members.
#include <iostream>
#include <string>
#include <vector>

#include "Command.h"
#include "Interrupt.h"
#include "JsonText.h"
#include "ProgressLine.h"
#include "disk/raid/RaidDefinition.h"
#include "disk/raid/RaidDetect.h"

namespace kestrel::cli {
namespace {

nlohmann::ordered_json CandidateJson(const disk::RaidCandidate& candidate,
                                     const std::vector<std::string>& names) {
  nlohmann::ordered_json members = nlohmann::ordered_json::array();
  for (const int member : candidate.order)
    members.push_back(names[static_cast<std::size_t>(member)]);
  const disk::RaidGeometry& geometry = candidate.geometry;
  return {{"score", candidate.score},
          {"level", disk::LevelName(geometry.level)},
          {"layout", disk::LayoutName(geometry.layout)},
          {"stripe", geometry.stripe},
          {"offset", geometry.offset},
          {"members", members},
          {"definition", disk::CandidateDefinition(candidate, names)},
          {"evidence", candidate.evidence}};
}

void PrintCandidates(const disk::RaidDetection& detection, const std::vector<std::string>& names) {
  int rank = 0;
  for (const auto& candidate : detection.candidates) {
    std::cout << ++rank << ". score " << candidate.score << "  "
              << disk::CandidateDefinition(candidate, names) << '\n';
    for (const std::string& line : candidate.evidence) std::cout << "     " << line << '\n';
  }
  if (disk::BestIsCertain(detection))
    std::cout << "--raid " << disk::CandidateDefinition(detection.candidates.front(), names)
              << '\n';
  else if (!detection.candidates.empty())
    std::cout << disk::kGeometryNotCertain << '\n';
  std::cout << "read " << detection.bytesRead << " of " << detection.memberBytes
            << " bytes of the members\n";
}

class RaidDetectCommand : public Command {
 public:
  explicit RaidDetectCommand(CLI::App& parser) {
    parser.add_option("MEMBER", members_, "The members: image paths, disk:N, or missing")
        ->required();
    parser.add_flag("--json", json_, "Print one JSON object");
  }

  int Run(const app::LogReport& /*log*/) override {
    std::string listed;
    for (const std::string& member : members_) listed += (listed.empty() ? "" : ",") + member;
    const auto definition = disk::ParseRaidDefinition("auto:" + listed);
    if (!definition.ok()) return Fail(definition.error());
    disk::OpenStatus status;
    const auto members = disk::OpenRaidMembers(definition.value().members, status);
    if (!status.ok()) return Fail(status.message);
    std::vector<std::shared_ptr<disk::ByteSource>> sources;
    for (const auto& member : members) sources.push_back(member.source);
    const auto detection = Detect(sources);
    if (!detection.ok()) return Fail(detection.error());
    Print(detection.value());
    if (detection.value().candidates.empty())
      return Fail(std::string(disk::kNoConsistentGeometry) + " on the members");
    return kSuccess;
  }

 private:
  // The detection with its progress line, which ends before the candidates are printed.
  static app::Result<disk::RaidDetection> Detect(
      const std::vector<std::shared_ptr<disk::ByteSource>>& sources) {
    const InterruptStop interrupt;
    ProgressLine progress("RAID detection");
    return disk::DetectRaid(sources, progress, interrupt.token());
  }

  void Print(const disk::RaidDetection& detection) const {
    if (!json_) return PrintCandidates(detection, members_);
    nlohmann::ordered_json candidates = nlohmann::ordered_json::array();
    for (const auto& candidate : detection.candidates)
      candidates.push_back(CandidateJson(candidate, members_));
    nlohmann::ordered_json json = {{"candidates", candidates},
                                   {"certain", disk::BestIsCertain(detection)},
                                   {"bytesRead", detection.bytesRead},
                                   {"memberBytes", detection.memberBytes}};
    std::cout << JsonText(json) << '\n';
  }

  std::vector<std::string> members_;
  bool json_ = false;
};

}  // namespace

RegisteredCommand AddRaidDetectCommand(CLI::App& app) {
  CLI::App* parser = app.add_subcommand(
      "raid-detect", "Find the level, stripe, order, layout and offset of a RAID set's members");
  return {parser, std::make_unique<RaidDetectCommand>(*parser)};
}

}  // namespace kestrel::cli
