// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "destination/FtpSession.h"
#include "gui/common/WorkerThread.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace kestrel::gui {

// The folders of an FTP server as a tree under "/". Each folder is listed when it is expanded,
// on a thread of its own with the wait cursor, so that a server that does not answer never
// holds the window; collapsing it forgets its sub-folders, so the next expansion lists it again.
class CFtpTree : public QDialog {
  Q_OBJECT

 public:
  CFtpTree(destination::FtpSettings settings, QWidget* parent);
  ~CFtpTree() override;

  // The path of the chosen folder, once accepted.
  const std::string& Folder() const { return folder_; }

 private:
  void List(QTreeWidgetItem* item);
  void ShowListing();
  void Forget(QTreeWidgetItem* item);
  void Confirm();
  std::string PathOf(QTreeWidgetItem* item) const;

  destination::FtpSettings settings_;
  QTreeWidget* tree_;
  QTreeWidgetItem* listing_ = nullptr;  // the item being listed
  std::vector<std::string> names_;      // what the listing found
  destination::FtpResult result_;
  std::string folder_;
  WorkerThread worker_;  // last: it stops and joins a listing before the dialog's data go
};

}  // namespace kestrel::gui
