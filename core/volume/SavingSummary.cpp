// SPDX-License-Identifier: Apache-2.0
#include "volume/SavingSummary.h"

#include "app/SizeText.h"
#include "volume/VolumePage.h"

namespace kestrel::volume {
namespace {

// A notice stays readable: the rest of a long list is counted, not listed.
constexpr std::size_t kListedProblems = 20;

std::string ProblemLines(const std::vector<FileProblem>& problems) {
  std::string lines;
  for (std::size_t i = 0; i < problems.size() && i < kListedProblems; ++i)
    lines += "\n" + problems[i].path + ": " + problems[i].reason;
  if (problems.size() > kListedProblems)
    lines += app::Format("\n... and %zu more", problems.size() - kListedProblems);
  return lines;
}

std::string Headline(const SavingReport& report) {
  if (report.stopped) return "The recovery was stopped; the files written so far stay.";
  if (!report.failed.empty()) return "Not every file was recovered whole.";
  if (report.filesWritten == 0) return "Nothing was recovered.";
  return std::string(kRecoveredText);
}

}  // namespace

std::string SavingSummary(const SavingReport& report, const std::string& destination) {
  std::string text = Headline(report);
  text += app::Format("\nWritten: %u File(s), %s, to %s", report.filesWritten,
                      app::SizeText(report.bytesWritten).c_str(), destination.c_str());
  text += app::Format("\nSkipped at your choice: %zu File(s)", report.skipped.size());
  text += app::Format("\nRenamed: %zu File(s)", report.renamed.size());
  text += app::Format("\nNot recovered whole: %zu File(s)", report.failed.size()) +
          ProblemLines(report.failed);
  if (!report.removedPartials.empty()) {
    text += app::Format("\nPartial files of a recovery cut short, removed: %zu File(s)",
                        report.removedPartials.size());
    for (std::size_t i = 0; i < report.removedPartials.size() && i < kListedProblems; ++i)
      text += "\n" + report.removedPartials[i];
  }
  for (const std::string& note : report.notes) text += "\n" + note;
  return text;
}

}  // namespace kestrel::volume
