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

}  // namespace

std::string SavingSummary(const SavingReport& report) {
  if (report.Complete()) return std::string(kRecoveredText);
  std::string text = app::Format("Recovered: %u File(s), %s", report.filesWritten,
                                 app::SizeText(report.bytesWritten).c_str());
  if (report.stopped) text += "\nThe recovery was stopped; the files written so far stay.";
  if (!report.skipped.empty())
    text += app::Format("\nSkipped at your choice: %zu File(s)", report.skipped.size());
  if (!report.failed.empty()) {
    text += app::Format("\nNot recovered whole: %zu File(s)", report.failed.size()) +
            ProblemLines(report.failed);
  }
  return text;
}

}  // namespace kestrel::volume
