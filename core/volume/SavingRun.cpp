// SPDX-License-Identifier: Apache-2.0
#include "volume/SavingRun.h"

#include <memory>
#include <optional>
#include <unordered_set>

#include "app/SizeText.h"
#include "app/TextEncoding.h"
#include "destination/NameSafety.h"
#include "volume/FileData.h"
#include "volume/HashQueue.h"
#include "volume/LaneCopies.h"
#include "volume/TreeWalk.h"

namespace kestrel::volume {
namespace {

// The top folder's files are always gone through; another folder's only when it is ticked, or
// when a filter decides file by file.
bool RunsFolderRoutine(const FileTree& tree, FolderId folder, const filter::FilterList& filter) {
  return folder == tree.Top() || filter.IsActive() ||
         tree.Folder(folder).check != CheckState::Unchecked;
}

bool WritesFile(const ScanItem& head, const filter::FilterList& filter) {
  if (!filter.IsActive() && head.m_state != ItemState::Selected) return false;
  return filter.Admits(head.m_name);
}

// A file written through, its bytes hashed on the way (mostly on the queue's thread, while the
// next pieces are read), so that the report's hash is of what was written and nothing is read
// twice.
class HashingFile : public platform::WritableFile {
 public:
  HashingFile(std::unique_ptr<platform::WritableFile> file, HashQueue& hashes, std::uint64_t size)
      : file_(std::move(file)), hashes_(hashes) {
    hashes_.BeginFile(size <= kCopyPieceSize);
  }
  ~HashingFile() override { hashes_.EndFile(); }
  HashingFile(const HashingFile&) = delete;
  HashingFile& operator=(const HashingFile&) = delete;

  bool Write(std::span<const std::uint8_t> bytes) override {
    if (!file_->Write(bytes)) return false;
    hashes_.Add(bytes);
    return true;
  }
  bool Close() override { return file_->Close(); }
  const std::string& error() const override { return file_->error(); }

 private:
  std::unique_ptr<platform::WritableFile> file_;
  HashQueue& hashes_;
};

template <class Visit>
void ForEachFileHead(const FileTree& tree, FolderId folder, Visit visit) {
  for (RecordId r = tree.Record(tree.Folder(folder).record).m_next; r != kNoRecord;) {
    const RecordId last = LastRecordOfFile(tree, r);
    visit(r, last);
    r = tree.Record(last).m_next;
  }
}

class SavingRun {
 public:
  SavingRun(FileTree& tree, const SavingSetup& setup, app::ProgressObserver& observer,
            app::PauseGate& pause, std::stop_token stop, const app::LogReport& log)
      : tree_(tree),
        setup_(setup),
        observer_(observer),
        pause_(pause),
        stop_(std::move(stop)),
        log_(log) {
    if (setup_.hashFiles)
      hashes_.emplace(setup_.md5Too);
    else
      lanes_.emplace(setup_.source, setup_.destination.FilesAtOnce(),
                     [this](std::uint64_t handedOver, const std::string& target) {
                       return Between(handedOver, target);
                     });
  }

  SavingReport Run() {
    total_ = BytesToSave(tree_, setup_.filter);
    tree_.selection = {};
    std::string error;
    if (!setup_.destination.CreateFolder(setup_.destination.Root(), error)) {
      report_.failed.push_back(
          {setup_.destination.Root(), "the destination folder cannot be made: " + error});
      return report_;
    }
    WalkFolders(
        tree_, tree_.Top(), [this](FolderId folder) { Enter(folder); },
        [this](FolderId) { path_.pop_back(); });
    setup_.filter.Clear();
    FileDigests();
    return report_;
  }

 private:
  void Enter(FolderId folder) {
    path_.push_back(folder == tree_.Top()
                        ? setup_.destination.Root()
                        : setup_.destination.Join(path_.back(), FolderName(folder)));
    if (report_.stopped) return;
    if (!flags_.m_skipAll && RunsFolderRoutine(tree_, folder, setup_.filter)) FolderRoutine(folder);
    if (report_.stopped) return;
    tree_.Record(tree_.Folder(folder).record).m_state = ItemState::Unselected;
    tree_.Folder(folder).check = CheckState::Unchecked;
  }

  std::string FolderName(FolderId folder) {
    const std::u16string& name =
        tree_.FolderText(folder);  // a pool's volume items are named by their text
    return SafeName(name, setup_.destination.Join(path_.back(), app::PrintableName(name)));
  }

  // Makes the folder (and any missing parent, so that nothing under it is lost), then writes
  // the files of its chain that the run writes.
  void FolderRoutine(FolderId folder) {
    std::string error;
    setup_.destination.CreateFolder(path_.back(),
                                    error);  // a file that then cannot be made says why
    ForEachFileHead(tree_, folder, [&](RecordId head, RecordId last) {
      if (setup_.destination.FilesAtOnce() == 1) TakeLaneOutcomes(true);
      if (!flags_.m_skipAll && !report_.stopped) ProcessFile(folder, head, last);
    });
    TakeLaneOutcomes(true);
    TakeLateFailures();
  }

  // A destination may check the folder's files only once they are all closed: a file it finds
  // not stored whole counts as written no longer.
  void TakeLateFailures() {
    for (destination::LateFailure& late : setup_.destination.CheckClosedFiles()) {
      if (writtenInFolder_.erase(late.path) != 0) report_.filesWritten--;
      report_.failed.push_back({std::move(late.path), "could not be written: " + late.reason});
    }
    writtenInFolder_.clear();
  }

  void ProcessFile(FolderId folderId, RecordId head, RecordId last) {
    const bool writes = WritesFile(tree_.Record(head), setup_.filter);
    for (RecordId r = head;; r = tree_.Record(r).m_next) {
      tree_.Record(r).m_state = ItemState::Unselected;
      if (r == last) break;
    }
    if (!writes) return;
    const std::u16string& name = tree_.Record(head).m_name;
    const std::string folder = path_.back();
    const std::string safe =
        SafeName(name, setup_.destination.Join(folder, app::PrintableName(name)));
    const std::string wanted = setup_.destination.Join(folder, safe);
    platform::CreatedFile created = setup_.destination.CreateNewFile(wanted, stop_);
    const std::optional<std::string> target =
        created.taken ? PlaceClash(folder, safe, wanted, created) : wanted;
    report_.handled.push_back({folderId, head, target.value_or(wanted), {}, {}});
    if (!target) {
      report_.skipped.push_back(wanted);
      return;
    }
    WriteFile(head, *target, std::move(created));
  }

  // Where a file whose name is taken goes, as the answers to clashes say, and its file made there;
  // nothing when it is skipped.
  std::optional<std::string> PlaceClash(const std::string& folder, const std::string& safe,
                                        const std::string& wanted, platform::CreatedFile& created) {
    const auto decision = ResolveConflict(setup_.destination, flags_, setup_.prompt, folder, safe);
    if (decision.action != destination::ConflictDecision::Write) return std::nullopt;
    if (decision.target != wanted) report_.renamed.push_back(wanted + " -> " + decision.target);
    created = setup_.destination.CreateFile(decision.target, stop_);
    return decision.target;
  }

  std::string SafeName(const std::u16string& name, const std::string& shownAs) {
    destination::SafeName safe = destination::MakeSafeName(name, setup_.destination.Rules());
    if (safe.changed) {
      report_.renamed.push_back(shownAs + " -> " + safe.name);
      log_.AppendLogEntry("Recovered under a changed name: " + shownAs + " -> " + safe.name);
    }
    return std::move(safe.name);
  }

  void FileDigests() {
    if (!hashes_) return;
    const std::vector<HashQueue::FileDigests> digests = hashes_->Digests();
    for (std::size_t i = 0; i < hashed_.size(); ++i) {
      report_.handled[hashed_[i]].sha256 = digests[i].sha256;
      report_.handled[hashed_[i]].md5 = digests[i].md5;
    }
  }

  void WriteFile(RecordId head, const std::string& target, platform::CreatedFile created) {
    FileDataLayout layout = LayoutFileData(tree_, head, setup_.poolBase);
    if (!created.file) {
      TakeLaneOutcomes(true);  // the files before it are reported first
      report_.failed.push_back({target, "cannot be created: " + created.error});
      return;
    }
    if (lanes_) return HandToLane(target, std::move(layout), std::move(created.file));
    created.file =
        std::make_unique<HashingFile>(std::move(created.file), *hashes_, layout.PlacedBytes());
    hashed_.push_back(report_.handled.size() - 1);
    CopyOutcome copied = CopyFileData(
        setup_.source, layout, *created.file,
        [&](std::uint64_t written) { return Between(done_ + written, target); }, *hashes_);
    done_ += copied.bytesWritten;
    const bool stored = created.file->Close();
    Account({target, std::move(layout), std::move(copied), stored,
             stored ? std::string() : created.file->error()});
  }

  void HandToLane(const std::string& target, FileDataLayout layout,
                  std::unique_ptr<platform::WritableFile> file) {
    lanes_->Add(target, std::move(layout), std::move(file));
    report_.stopped = report_.stopped || lanes_->Stopped();  // no file after a stopped one
    TakeLaneOutcomes(false);
  }

  // In the order the files were handed to lanes: those closed already, or with `all`, every one.
  void TakeLaneOutcomes(bool all) {
    if (!lanes_) return;
    for (const CopiedFile& file : lanes_->TakeClosed(all)) Account(file);
  }

  void Account(const CopiedFile& file) {
    const CopyOutcome& copied = file.copied;
    report_.bytesWritten += copied.bytesWritten;
    // A stop that came while the destination was finishing the file also ends the run.
    if (copied.stopped || (!file.stored && stop_.stop_requested())) {
      report_.stopped = true;
      report_.failed.push_back(
          {file.target, app::Format("stopped after %llu of %llu bytes",
                                    static_cast<unsigned long long>(copied.bytesWritten),
                                    static_cast<unsigned long long>(file.layout.size))});
    } else if (!copied.writeError.empty() || !file.stored) {
      report_.failed.push_back(
          {file.target, "could not be written: " +
                            (copied.writeError.empty() ? file.closeError : copied.writeError)});
    } else {
      report_.filesWritten++;
      writtenInFolder_.insert(file.target);
      NoteDamage(file.target, file.layout, copied);
    }
  }

  void NoteDamage(const std::string& target, const FileDataLayout& layout,
                  const CopyOutcome& copied) {
    if (copied.unreadableBlocks != 0) {
      const std::string reason =
          app::Format("%llu unreadable blocks written as zeros",
                      static_cast<unsigned long long>(copied.unreadableBlocks));
      report_.failed.push_back({target, reason});
      log_.AppendLogEntry("Recovered with " + reason + ": " + target);
    }
    if (const std::uint64_t unread = setup_.unread ? setup_.unread->BytesIn(layout) : 0) {
      report_.failed.push_back({target, NeverReadText(unread)});
      log_.AppendLogEntry("Recovered with bytes never read from the disk: " + target);
    }
    if (layout.ExtentsShort() || layout.inconsistentExtents) {
      report_.failed.push_back(
          {target, app::Format("its extents hold only %llu of its %llu bytes",
                               static_cast<unsigned long long>(layout.extentBytes),
                               static_cast<unsigned long long>(layout.size))});
    }
  }

  bool Between(std::uint64_t done, const std::string& target) {
    pause_.WaitWhilePaused(stop_);
    if (stop_.stop_requested()) return false;
    observer_.OnProgress({done, total_, "Recovering " + target});
    return true;
  }

  FileTree& tree_;
  const SavingSetup& setup_;
  app::ProgressObserver& observer_;
  app::PauseGate& pause_;
  std::stop_token stop_;
  const app::LogReport& log_;
  destination::ConflictFlags flags_;
  std::vector<std::string> path_;
  std::unordered_set<std::string> writtenInFolder_;  // counted in filesWritten
  SavingReport report_;
  std::uint64_t done_ = 0;  // what the files hashed have written; the lanes count their own
  std::uint64_t total_ = 0;
  // Hashing takes the second processor, and lends the pieces it hashes from buffers of its own.
  std::optional<HashQueue> hashes_;  // with hashFiles
  std::vector<std::size_t> hashed_;  // the files hashed, as indexes of report_.handled
  std::optional<LaneCopies> lanes_;  // without
};

}  // namespace

SavingReport SaveSelected(FileTree& tree, const SavingSetup& setup, app::ProgressObserver& observer,
                          app::PauseGate& pause, std::stop_token stop, const app::LogReport& log) {
  return SavingRun(tree, setup, observer, pause, std::move(stop), log).Run();
}

std::uint64_t BytesToSave(const FileTree& tree, const filter::FilterList& filter) {
  std::uint64_t bytes = 0;
  const auto count = [&](FolderId folder) {
    if (!RunsFolderRoutine(tree, folder, filter)) return;
    ForEachFileHead(tree, folder, [&](RecordId head, RecordId) {
      if (WritesFile(tree.Record(head), filter)) bytes += tree.Record(head).FullSize();
    });
  };
  WalkFolders(tree, tree.Top(), count, [](FolderId) {});
  return bytes;
}

}  // namespace kestrel::volume
