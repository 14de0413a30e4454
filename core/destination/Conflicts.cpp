// SPDX-License-Identifier: Apache-2.0
#include "destination/Conflicts.h"

#include "app/SizeText.h"
#include "app/TextEncoding.h"
#include "destination/NameSafety.h"

namespace kestrel::destination {

void ConflictFlags::Set(ConflictChoice choice) {
  switch (choice) {
    case ConflictChoice::Rename:
      m_renameOnce = true;
      break;
    case ConflictChoice::OverWrite:
      m_overwriteOnce = true;
      break;
    case ConflictChoice::Skip:
      m_skipOnce = true;
      break;
    case ConflictChoice::RenameAll:
      m_renameAll = true;
      break;
    case ConflictChoice::OverWriteAll:
      m_overwriteAll = true;
      break;
    case ConflictChoice::SkipAll:
      m_skipAll = true;
      break;
  }
}

namespace {

// A destination that answers "exists" for every name must not hold the search forever.
constexpr int kMostCopies = 100000;

bool IsTaken(Destination& destination, const NameTaken& taken, const std::string& path) {
  return taken ? taken(path) : destination.Exists(path);
}

}  // namespace

std::string CopyNamePrefix(int counter) {
  return app::Format("Copy(%d)_", counter);
}

std::string ProposeCopyName(Destination& destination, const std::string& folder,
                            const std::string& name, const NameTaken& taken) {
  std::string candidate;
  for (int counter = 1; counter <= kMostCopies; ++counter) {
    candidate = CopyNamePrefix(counter) + name;
    if (!IsTaken(destination, taken, destination.Join(folder, candidate))) break;
  }
  return candidate;
}

std::string ProposeScanFileName(const std::string& fullPath,
                                const std::function<bool(const std::string&)>& exists) {
  const auto separator = fullPath.find_last_of("/\\");
  const std::string name =
      separator == std::string::npos ? fullPath : fullPath.substr(separator + 1);
  std::string candidate;
  for (int counter = 1; counter <= kMostCopies; ++counter) {
    candidate = "(Copy_" + std::to_string(counter) + ")" + name;
    if (!exists(candidate)) break;
  }
  return candidate;
}

ConflictDecision ResolveConflict(Destination& destination, ConflictFlags& flags,
                                 ConflictPrompt& prompt, const std::string& folder,
                                 const std::string& name, const NameTaken& taken) {
  const std::string target = destination.Join(folder, name);
  if (!IsTaken(destination, taken, target)) return {ConflictDecision::Write, target};
  std::string renameTo;
  if (!flags.AnswersEveryClash()) {
    flags.Clear();
    const ConflictAnswer answer =
        prompt.Ask({folder, name, ProposeCopyName(destination, folder, name, taken)});
    flags.Set(answer.choice);
    renameTo = answer.renameTo;
  }
  if (flags.m_skipOnce) return {ConflictDecision::SkipFile, {}};
  if (flags.m_skipAll) return {ConflictDecision::SkipRun, {}};
  if (flags.m_renameOnce) {
    // The typed name is a name too, never a path.
    const std::string safe = MakeSafeName(app::ToUtf16(renameTo), destination.Rules()).name;
    return {ConflictDecision::Write, destination.Join(folder, safe)};
  }
  if (flags.m_renameAll)
    return {ConflictDecision::Write,
            destination.Join(folder, ProposeCopyName(destination, folder, name, taken))};
  return {ConflictDecision::Write, target};
}

}  // namespace kestrel::destination
