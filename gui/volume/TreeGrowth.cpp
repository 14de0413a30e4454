// SPDX-License-Identifier: Apache-2.0
#include "gui/volume/TreeGrowth.h"

#include "volume/VolumeScanner.h"

namespace kestrel::gui {
namespace {

constexpr std::chrono::milliseconds kBatchTime(100);

}  // namespace

TreeGrowthObserver::TreeGrowthObserver(app::ProgressObserver& inner, QObject* parent)
    : QObject(parent), inner_(inner) {}

void TreeGrowthObserver::Watch(const volume::FileTree* tree) {
  if (tree_ && !tree) SendNewFolders();  // what the scan filed after its last report
  tree_ = tree;
}

void TreeGrowthObserver::OnProgress(const app::Progress& progress) {
  inner_.OnProgress(progress);
  const auto now = std::chrono::steady_clock::now();
  if (!tree_ || now - lastSent_ < kBatchTime) return;
  lastSent_ = now;
  SendNewFolders();
}

void TreeGrowthObserver::SendNewFolders() {
  const std::size_t count = tree_->FolderItemCount();
  if (count == sent_) return;
  auto batch = std::make_shared<FolderBatch>();
  batch->reserve(count - sent_);
  for (auto id = static_cast<volume::FolderId>(sent_); id < count; ++id) {
    const volume::FolderNode& node = tree_->Folder(id);
    batch->push_back({id, node.parent, tree_->FolderText(id), tree_->Record(node.record).m_key});
  }
  sent_ = count;
  QMetaObject::invokeMethod(
      this, [this, batch] { emit grown(*batch); }, Qt::QueuedConnection);
}

LiveFolders::LiveFolders() : tree_(volume::NewVolumeTree(u"")) {}

// Ids are handed out in filing order, and a folder is filed after its parent, so adding the
// batch in order gives every folder the id it has in the scan's tree.
void LiveFolders::Add(const FolderBatch& batch) {
  for (const GrownFolder& folder : batch) {
    if (folder.id == tree_.Top()) {
      tree_.SetLabel(tree_.Top(), folder.text);
    } else if (folder.id == tree_.FolderItemCount() && folder.parent < folder.id) {
      const volume::RecordId record =
          tree_.NewEntryRecords({folder.text, folder.key, 0, 0, {}, {}}, true);
      tree_.AddFolderItem(folder.parent, record, false);
    }
  }
}

}  // namespace kestrel::gui
