// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>
#include <chrono>
#include <memory>
#include <vector>

#include "app/Progress.h"
#include "volume/FileTree.h"

namespace kestrel::gui {

// A folder item a running scan has filed, as the page's live tree copies it.
struct GrownFolder {
  volume::FolderId id = volume::kNoFolder;
  volume::FolderId parent = volume::kNoFolder;
  std::u16string text;
  std::uint64_t key = 0;
};
using FolderBatch = std::vector<GrownFolder>;

// On the scan's thread: passes progress on and, every 100 ms, copies the folder items filed
// since the last time into a batch for the page. The scanners report only between blocks or
// windows, when the tree they write is whole, so reading it here is safe; the page never touches
// the scan's own tree before the scan has ended.
class TreeGrowthObserver : public QObject, public app::ProgressObserver {
  Q_OBJECT

 public:
  explicit TreeGrowthObserver(app::ProgressObserver& inner, QObject* parent = nullptr);

  // On the scan's thread: the tree the scan writes from now on (nullptr: none).
  void Watch(const volume::FileTree* tree);
  void OnProgress(const app::Progress& progress) override;

 signals:
  // On the GUI thread, in the order the folders were filed.
  void grown(const kestrel::gui::FolderBatch& batch);

 private:
  void SendNewFolders();

  app::ProgressObserver& inner_;
  const volume::FileTree* tree_ = nullptr;
  std::size_t sent_ = 0;
  std::chrono::steady_clock::time_point lastSent_{};
};

// The page's copy of the folder items of a running scan: the same folders under the same ids,
// for the folder tree to show while the scan's own tree is still being written.
class LiveFolders {
 public:
  LiveFolders();

  void Add(const FolderBatch& batch);
  const volume::FileTree& Tree() const { return tree_; }

 private:
  volume::FileTree tree_;
};

}  // namespace kestrel::gui
