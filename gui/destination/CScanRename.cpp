// SPDX-License-Identifier: Apache-2.0
#include "gui/destination/CScanRename.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "destination/DestinationDialog.h"
#include "gui/app/ShellActions.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"

namespace kestrel::gui {

CScanRename::CScanRename(const std::string& fullPath, const std::string& proposedName,
                         QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("CScanRename"));
  setWindowTitle(ToQString(app::kProductTitle));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  auto* path = new QLabel(ToQString(fullPath), this);
  path->setObjectName(QStringLiteral("existingPathLabel"));
  form->addRow(ToQString(destination::kScanRenameFileCaption), path);
  newName_ = new QLineEdit(ToQString(proposedName), this);
  newName_->setObjectName(QStringLiteral("newNameEdit"));
  form->addRow(ToQString(destination::kScanRenameNewNameCaption), newName_);
  layout->addLayout(form);
  auto* row = new QHBoxLayout;
  QPushButton* ok =
      SkinButton(destination::kScanRenameOkCaption, "Save under the new name", "okButton", this);
  QPushButton* overwrite = SkinButton(destination::kScanRenameOverWriteCaption,
                                      "Replace the file that is there", "overwriteButton", this);
  QPushButton* cancel =
      SkinButton(app::kCancelCaption, "Do not save the scan", "cancelButton", this);
  QPushButton* help = HelpButton(this);
  connect(ok, &QPushButton::clicked, this, [this] { Choose(savedscan::ScanRenameChoice::Ok); });
  connect(overwrite, &QPushButton::clicked, this,
          [this] { Choose(savedscan::ScanRenameChoice::OverWrite); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  for (QPushButton* button : {ok, overwrite, cancel, help}) row->addWidget(button);
  layout->addLayout(row);
}

void CScanRename::Choose(savedscan::ScanRenameChoice choice) {
  answer_ = {choice, ToUtf8String(newName_->text())};
  accept();
}

}  // namespace kestrel::gui
