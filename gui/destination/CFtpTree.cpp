// SPDX-License-Identifier: Apache-2.0
#include "gui/destination/CFtpTree.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "destination/DestinationDialog.h"
#include "gui/app/ShellActions.h"
#include "gui/common/NoticeDialog.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"

namespace kestrel::gui {
namespace {

QTreeWidgetItem* Placeholder(QTreeWidgetItem* parent) {
  return new QTreeWidgetItem(parent, {ToQString(destination::kFtpTreePlaceholder)});
}

// Only the placeholder has no folder name of its own below the top item.
bool IsPlaceholder(const QTreeWidgetItem* item) {
  return item->parent() && item->data(0, Qt::UserRole).isNull();
}

}  // namespace

CFtpTree::CFtpTree(destination::FtpSettings settings, QWidget* parent)
    : QDialog(parent), settings_(std::move(settings)) {
  setObjectName(QStringLiteral("CFtpTree"));
  setWindowTitle(ToQString(app::kProductTitle));
  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QStringLiteral("ftpTree"));
  tree_->setHeaderHidden(true);
  auto* top = new QTreeWidgetItem(tree_, {ToQString(destination::kFtpTreeTop)});
  Placeholder(top);
  tree_->setCurrentItem(top);
  connect(tree_, &QTreeWidget::itemExpanded, this, &CFtpTree::List);
  connect(tree_, &QTreeWidget::itemCollapsed, this, &CFtpTree::Forget);
  connect(&worker_, &WorkerThread::finished, this, &CFtpTree::ShowListing);

  QPushButton* ok = SkinButton("Ok", "Recover into the chosen folder", "okButton", this);
  QPushButton* cancel = SkinButton(app::kCancelCaption, "Choose no folder", "cancelButton", this);
  connect(ok, &QPushButton::clicked, this, &CFtpTree::Confirm);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton* button : {ok, cancel, HelpButton(this)}) buttons->addWidget(button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tree_);
  layout->addLayout(buttons);
}

CFtpTree::~CFtpTree() {
  if (worker_.IsRunning()) QApplication::restoreOverrideCursor();
}

std::string CFtpTree::PathOf(QTreeWidgetItem* item) const {
  std::vector<std::string> names;
  for (; item && item->parent(); item = item->parent())
    names.insert(names.begin(), item->data(0, Qt::UserRole).toString().toStdString());
  return destination::FtpTreePath(names);
}

// A new connection for each listing, as the server may have dropped an idle one long ago.
void CFtpTree::List(QTreeWidgetItem* item) {
  if (worker_.IsRunning()) {
    item->setExpanded(false);
    return;
  }
  listing_ = item;
  tree_->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  worker_.Start([this, path = PathOf(item)](std::stop_token stop) {
    destination::FolderListing listing;
    result_ = destination::OpenFtpSession(settings_)->List(path, listing, stop);
    names_ = destination::FolderNames(listing.entries);
  });
}

void CFtpTree::ShowListing() {
  QApplication::restoreOverrideCursor();
  tree_->setEnabled(true);
  if (result_.outcome == destination::FtpResult::ConnectionLost) {
    NoticeDialog("ConnectionFailed",
                 std::string(destination::kConnectionFailedText) + "\n" + result_.error,
                 {NoticeDialog::kOk}, this)
        .exec();
    reject();
    return;
  }
  if (!result_.ok()) {
    NoticeDialog("ListingFailed", result_.error, {NoticeDialog::kOk}, this).exec();
    return;
  }
  qDeleteAll(listing_->takeChildren());
  for (const std::string& name : names_) {
    auto* child = new QTreeWidgetItem(listing_, {QString::fromStdString(name)});
    child->setData(0, Qt::UserRole, QString::fromStdString(name));
    Placeholder(child);
  }
}

void CFtpTree::Forget(QTreeWidgetItem* item) {
  if (item == listing_ && worker_.IsRunning()) return;
  qDeleteAll(item->takeChildren());
  Placeholder(item);
}

void CFtpTree::Confirm() {
  QTreeWidgetItem* chosen = tree_->currentItem();
  if (!chosen || IsPlaceholder(chosen)) chosen = chosen ? chosen->parent() : nullptr;
  folder_ = PathOf(chosen);
  accept();
}

}  // namespace kestrel::gui
