// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "destination/Destination.h"

// Name clashes at the destination: the six choices of the question shown when a recovered file
// already exists there, and the names proposed instead.
namespace kestrel::destination {

// The question asked before an image file that exists is replaced: Yes goes on, No abandons.
inline constexpr std::string_view kFileExistQuestion =
    "File Already Exist, Do you Want to Replace it ?";

enum class ConflictChoice { Rename, OverWrite, Skip, RenameAll, OverWriteAll, SkipAll };

// The six conflict flags: cleared at the start of every recovery and before every question; the
// answer sets one. OverWriteAll, RenameAll and SkipAll answer every later clash of the run.
struct ConflictFlags {
  bool m_overwriteOnce = false;
  bool m_overwriteAll = false;
  bool m_renameOnce = false;
  bool m_renameAll = false;
  bool m_skipOnce = false;
  bool m_skipAll = false;

  void Clear() { *this = {}; }
  void Set(ConflictChoice choice);
  bool AnswersEveryClash() const { return m_overwriteAll || m_renameAll || m_skipAll; }
};

struct ConflictQuestion {
  std::string folder;        // m_currentDestinationFolder
  std::string fileName;      // m_conflictFileName
  std::string proposedName;  // "Copy(n)_name", free in the folder
};

struct ConflictAnswer {
  ConflictChoice choice = ConflictChoice::Skip;
  std::string renameTo;  // m_renameToName, for Rename
};

// Asked when a file to write exists: a dialog on the desktop, a policy on the command line.
class ConflictPrompt {
 public:
  virtual ~ConflictPrompt() = default;
  virtual ConflictAnswer Ask(const ConflictQuestion& question) = 0;
};

// A prompt that always gives the same answer.
class FixedAnswer : public ConflictPrompt {
 public:
  explicit FixedAnswer(ConflictChoice choice) : choice_(choice) {}
  ConflictAnswer Ask(const ConflictQuestion& question) override {
    return {choice_, question.proposedName};
  }

 private:
  ConflictChoice choice_;
};

// "Copy(n)_": what a renamed copy's name starts with, before the name it copies.
std::string CopyNamePrefix(int counter);

// Whether a path is taken: by default, whether the destination holds it; a run adds the names its
// own files are still to take.
using NameTaken = std::function<bool(const std::string& path)>;

// "Copy(%d)_%s" with the smallest number from 1 whose file does not exist in the folder.
std::string ProposeCopyName(Destination& destination, const std::string& folder,
                            const std::string& name, const NameTaken& taken = {});

// The name proposed for a scan information file that exists: "(Copy_%d)" and the last component
// of the path, with the smallest number from 1 that no file of that bare name has.
std::string ProposeScanFileName(const std::string& fullPath,
                                const std::function<bool(const std::string&)>& exists);

struct ConflictDecision {
  enum Action { Write, SkipFile, SkipRun } action = Write;
  std::string target;  // the path to write
};

// Where a file named `name` (already made safe) is written in folder: at its own name when
// nothing is there, else as the flags, or the prompt, decide.
ConflictDecision ResolveConflict(Destination& destination, ConflictFlags& flags,
                                 ConflictPrompt& prompt, const std::string& folder,
                                 const std::string& name, const NameTaken& taken = {});

}  // namespace kestrel::destination
