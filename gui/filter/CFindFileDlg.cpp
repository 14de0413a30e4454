// SPDX-License-Identifier: Apache-2.0
#include "gui/filter/CFindFileDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "filter/FindSearch.h"
#include "gui/app/ShellActions.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"

namespace kestrel::gui {

CFindFileDlg::CFindFileDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CFindFileDlg"));
  setWindowTitle(ToQString(app::kProductTitle));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CaptionLabel(filter::kFindLabel, 13, this));
  auto* editRow = new QHBoxLayout;
  editRow->addWidget(CaptionLabel(filter::kFindCaption, 13, this));
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("findEdit"));
  editRow->addWidget(edit_, 1);
  layout->addLayout(editRow);
  auto* buttons = new QHBoxLayout;
  QPushButton* search = SkinButton(filter::kSearchNowCaption, "Find the first file that matches",
                                   "searchNowButton", this);
  QPushButton* cancel = SkinButton(app::kCancelCaption, "Do not search", "cancelButton", this);
  search->setDefault(true);
  connect(search, &QPushButton::clicked, this, &CFindFileDlg::OnSearchNow);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  for (QPushButton* button : {search, cancel, HelpButton(this)}) buttons->addWidget(button);
  layout->addLayout(buttons);
  edit_->setFocus();
}

void CFindFileDlg::OnSearchNow() {
  if (edit_->text().isEmpty()) return;
  findText_ = edit_->text();
  accept();
}

}  // namespace kestrel::gui
