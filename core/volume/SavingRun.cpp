// SPDX-License-Identifier: Apache-2.0
#include "volume/SavingRun.h"

#include <memory>
#include <optional>
#include <unordered_map>

#include "app/SizeText.h"
#include "app/TextEncoding.h"
#include "destination/NameSafety.h"
#include "destination/StagedFiles.h"
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
  // A file made under a staging name, and whether it is to replace what has its own name.
  struct Staging {
    std::string path;
    bool replace;
  };

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
    StageFiles();
    WalkFolders(
        tree_, tree_.Top(), [this](FolderId folder) { Enter(folder); },
        [this](FolderId) { path_.pop_back(); });
    setup_.filter.Clear();
    FileDigests();
    PublishAll();
    return report_;
  }

 private:
  // Files are written under staging names and named once closed, where the destination can rename
  // them; a server that cannot keeps each file under its own name from the start.
  void StageFiles() {
    std::string why;
    if (setup_.destination.RenamesFiles(why)) {
      staged_.emplace(setup_.destination);
      return;
    }
    Note("The server does not rename files (" + why +
         "): each file is written under its own name, so one cut short by a crash stays so.");
  }

  void PublishAll() {
    if (!staged_) return;
    staged_->Flush();
    TakeUnpublished();
    // Where the system will not sync a whole volume (Windows, without an administrator's rights)
    // the files are as safe as the system's own copies are: worth a line in the log, no more.
    if (const std::string notDurable = staged_->NotDurable(); !notDurable.empty())
      log_.AppendLogEntry(
          "The destination could not be made durable before the files were named (" + notDurable +
          "): a power loss may still take the last files written.");
  }

  void Note(const std::string& note) {
    report_.notes.push_back(note);
    log_.AppendLogEntry(note);
  }

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
    RemovePartials();
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
      const auto written = writtenInFolder_.find(late.path);
      if (written == writtenInFolder_.end())
        report_.failed.push_back({std::move(late.path), "could not be written: " + late.reason});
      else
        Unwrite(written->second, "could not be written: " + late.reason);
    }
    writtenInFolder_.clear();
  }

  // What a run cut short by a kill or a crash left in the folder, as files never named, goes.
  void RemovePartials() {
    if (!staged_) return;
    for (std::string& removed : staged_->RemoveLeftovers(path_.back())) {
      log_.AppendLogEntry("Removed a partial file that a recovery cut short left: " + removed);
      report_.removedPartials.push_back(std::move(removed));
    }
  }

  // A file counted as written that, after all, is not stored as it should be.
  void Unwrite(std::size_t id, const std::string& reason) {
    HandledFile& file = report_.handled[id];
    if (file.written) report_.filesWritten--;
    file.written = false;
    Fail(id, reason);
  }

  void Fail(std::size_t id, const std::string& reason) {
    report_.failed.push_back({report_.handled[id].target, reason});
    report_.handled[id].problems.push_back(reason);
  }

  void TakeUnpublished() {
    for (const destination::Unpublished& file : staged_->TakeUnpublished())
      Unwrite(file.id, file.reason);
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
    const bool clash = NameTaken(wanted);
    const std::optional<std::string> target = clash ? PlaceClash(folder, safe, wanted) : wanted;
    const std::size_t id = report_.handled.size();
    HandledFile& handled = report_.handled.emplace_back();
    handled.folder = folderId;
    handled.head = head;
    handled.target = target.value_or(wanted);
    if (!target) {
      report_.skipped.push_back(wanted);
      handled.skipped = true;
      return;
    }
    const bool replace = clash && NameTaken(*target);
    if (const auto earlier = claims_.find(*target); earlier != claims_.end())
      report_.handled[earlier->second].replaced = true;  // its name is the later file's now
    claims_[*target] = id;
    WriteFile(id, head, *target, replace);
  }

  // A name is taken by what the destination holds, and by the files of the run still to take
  // their names: a later file never writes where an earlier one is still being written.
  bool NameTaken(const std::string& path) {
    return claims_.contains(path) || setup_.destination.Exists(path);
  }

  // Where a file whose name is taken goes, as the answers to clashes say; nothing when it is
  // skipped.
  std::optional<std::string> PlaceClash(const std::string& folder, const std::string& safe,
                                        const std::string& wanted) {
    const auto decision =
        ResolveConflict(setup_.destination, flags_, setup_.prompt, folder, safe,
                        [this](const std::string& path) { return NameTaken(path); });
    if (decision.action != destination::ConflictDecision::Write) return std::nullopt;
    if (decision.target != wanted) report_.renamed.push_back(wanted + " -> " + decision.target);
    return decision.target;
  }

  std::string SafeName(const std::u16string& name, const std::string& shownAs) {
    destination::SafeName safe = destination::MakeSafeName(name, setup_.destination.Rules());
    if (destination::IsStagingName(safe.name)) {  // only files being written are named so
      safe.name.insert(0, "_");
      safe.changed = true;
    }
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

  // The file is made under a staging name when the destination renames files, so that its own
  // name holds all of it or nothing; with `replace` it then replaces what has its name.
  void WriteFile(std::size_t id, RecordId head, const std::string& target, bool replace) {
    FileDataLayout layout = LayoutFileData(tree_, head, setup_.poolBase);
    platform::CreatedFile created = Create(id, target, replace);
    if (!created.file) {
      TakeLaneOutcomes(true);  // the files before it are reported first
      Fail(id, "cannot be created: " +
                   (created.taken ? std::string("its staging name is in use") : created.error));
      stagedAt_.erase(id);
      return;
    }
    if (lanes_) return HandToLane(id, target, std::move(layout), std::move(created.file));
    created.file =
        std::make_unique<HashingFile>(std::move(created.file), *hashes_, layout.PlacedBytes());
    hashed_.push_back(id);
    CopyOutcome copied = CopyFileData(
        setup_.source, layout, *created.file,
        [&](std::uint64_t written) { return Between(done_ + written, target); }, *hashes_);
    done_ += copied.bytesWritten;
    const bool stored = created.file->Close();
    Account({id, target, std::move(layout), std::move(copied), stored,
             stored ? std::string() : created.file->error()});
  }

  platform::CreatedFile Create(std::size_t id, const std::string& target, bool replace) {
    if (!staged_) return setup_.destination.CreateFile(target, stop_);
    std::string staging = staged_->StagingPath(path_.back());
    platform::CreatedFile created = setup_.destination.CreateNewFile(staging, stop_);
    stagedAt_.emplace(id, Staging{std::move(staging), replace});
    return created;
  }

  void HandToLane(std::size_t id, const std::string& target, FileDataLayout layout,
                  std::unique_ptr<platform::WritableFile> file) {
    lanes_->Add(id, target, std::move(layout), std::move(file));
    report_.stopped = report_.stopped || lanes_->Stopped();  // no file after a stopped one
    TakeLaneOutcomes(false);
  }

  // In the order the files were handed to lanes: those closed already, or with `all`, every one.
  void TakeLaneOutcomes(bool all) {
    if (!lanes_) return;
    for (const CopiedFile& file : lanes_->TakeClosed(all)) Account(file);
  }

  // In the order the files were handed over. A file stored, or stopped (it stays as far as it got),
  // takes its name; one the destination refused never does.
  void Account(const CopiedFile& file) {
    const CopyOutcome& copied = file.copied;
    report_.bytesWritten += copied.bytesWritten;
    // A stop that came while the destination was finishing the file also ends the run.
    if (copied.stopped || (!file.stored && stop_.stop_requested())) {
      report_.stopped = true;
      Fail(file.id, app::Format("stopped after %llu of %llu bytes",
                                static_cast<unsigned long long>(copied.bytesWritten),
                                static_cast<unsigned long long>(file.layout.size)));
    } else if (!copied.writeError.empty() || !file.stored) {
      Fail(file.id, "could not be written: " +
                        (copied.writeError.empty() ? file.closeError : copied.writeError));
      return Unstage(file.id);
    } else {
      report_.filesWritten++;
      report_.handled[file.id].written = true;
      writtenInFolder_[file.target] = file.id;
      NoteDamage(file.id, file.layout, copied);
    }
    Publish(file.id, file.target);
  }

  void Publish(std::size_t id, const std::string& target) {
    if (std::optional<Staging> staging = TakeStaging(id)) {
      staged_->Publish(id, std::move(staging->path), target, staging->replace);
      TakeUnpublished();
    }
  }

  void Unstage(std::size_t id) {
    if (const std::optional<Staging> staging = TakeStaging(id))
      setup_.destination.Remove(staging->path);
  }

  // Where the file was made, when it was made under a staging name; it is then handed on.
  std::optional<Staging> TakeStaging(std::size_t id) {
    const auto staging = stagedAt_.find(id);
    if (staging == stagedAt_.end()) return std::nullopt;
    Staging taken = std::move(staging->second);
    stagedAt_.erase(staging);
    return taken;
  }

  void NoteDamage(std::size_t id, const FileDataLayout& layout, const CopyOutcome& copied) {
    const std::string& target = report_.handled[id].target;
    if (copied.unreadableBlocks != 0) {
      const std::string reason =
          app::Format("%llu unreadable blocks written as zeros",
                      static_cast<unsigned long long>(copied.unreadableBlocks));
      Fail(id, reason);
      log_.AppendLogEntry("Recovered with " + reason + ": " + target);
    }
    if (const std::uint64_t unread = setup_.unread ? setup_.unread->BytesIn(layout) : 0) {
      Fail(id, NeverReadText(unread));
      log_.AppendLogEntry("Recovered with bytes never read from the disk: " + target);
    }
    if (layout.ExtentsShort() || layout.inconsistentExtents) {
      Fail(id, app::Format("its extents hold only %llu of its %llu bytes",
                           static_cast<unsigned long long>(layout.extentBytes),
                           static_cast<unsigned long long>(layout.size)));
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
  // The files of the folder counted in filesWritten, by target, as ids of report_.handled.
  std::unordered_map<std::string, std::size_t> writtenInFolder_;
  // The names the run has given, each with the last file given it.
  std::unordered_map<std::string, std::size_t> claims_;
  std::unordered_map<std::size_t, Staging> stagedAt_;  // files made and not yet handed over
  SavingReport report_;
  std::uint64_t done_ = 0;  // what the files hashed have written; the lanes count their own
  std::uint64_t total_ = 0;
  // Hashing takes the second processor, and lends the pieces it hashes from buffers of its own.
  std::optional<HashQueue> hashes_;  // with hashFiles
  std::vector<std::size_t> hashed_;  // the files hashed, as indexes of report_.handled
  // Before the lanes, which close every file they began as they end: files are handed over to
  // take their names once closed.
  std::optional<destination::StagedFiles> staged_;
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
