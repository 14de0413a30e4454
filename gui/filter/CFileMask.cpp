// SPDX-License-Identifier: Apache-2.0
#include "gui/filter/CFileMask.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "filter/MaskDialog.h"
#include "gui/app/ShellActions.h"
#include "gui/common/NoticeDialog.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"

namespace kestrel::gui {
namespace {

QCheckBox* CheckBox(std::string_view caption, const char* objectName, QWidget* parent) {
  auto* box = new QCheckBox(ToQString(caption), parent);
  box->setObjectName(QString::fromLatin1(objectName));
  return box;
}

QLineEdit* SizeEdit(const char* objectName, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(objectName));
  edit->setEnabled(false);
  return edit;
}

void EmptyAndDisable(QLineEdit* edit) {
  edit->clear();
  edit->setEnabled(false);
}

std::optional<std::string> TextWhileChecked(const QCheckBox* box, const QLineEdit* edit) {
  if (!box->isChecked()) return std::nullopt;
  return ToUtf8String(edit->text());
}

}  // namespace

CFileMask::CFileMask(const char* objectName, QWidget* parent) : QDialog(parent) {
  setObjectName(QString::fromLatin1(objectName));
  setWindowTitle(ToQString(app::kProductTitle));
  auto* layout = new QVBoxLayout(this);
  QLabel* title = CaptionLabel(filter::kMaskTitle, 15, this);
  title->setStyleSheet(QStringLiteral("font-weight: bold"));
  layout->addWidget(title);
  auto* typeRow = new QHBoxLayout;
  typeRow->addWidget(CaptionLabel(filter::kFilesOfTypeLabel, 13, this));
  patterns_ = new QLineEdit(ToQString(filter::kInitialMaskText), this);
  patterns_->setObjectName(QStringLiteral("maskPatterns"));
  patterns_->setMaxLength(static_cast<int>(filter::kMaskTextLimit));
  typeRow->addWidget(patterns_, 1);
  layout->addLayout(typeRow);
  deletedOnly_ = CheckBox(filter::kDeletedFilesCaption, "deletedOnlyBox", this);
  layout->addWidget(deletedOnly_);
  layout->addLayout(BuildSizeRange());
  layout->addLayout(BuildButtons());
  connect(patterns_, &QLineEdit::textChanged, this, [this](const QString& text) {
    ok_->setEnabled(filter::MaskOkEnabled(ToUtf8String(text)));
  });
  patterns_->selectAll();
  patterns_->setFocus();
}

QLayout* CFileMask::BuildSizeRange() {
  auto* row = new QHBoxLayout;
  sizeFrom_ = CheckBox(filter::kSizeFromCaption, "sizeFromBox", this);
  sizeFromEdit_ = SizeEdit("sizeFromEdit", this);
  upto_ = CheckBox(filter::kSizeUptoCaption, "uptoBox", this);
  upto_->setEnabled(false);
  uptoEdit_ = SizeEdit("uptoEdit", this);
  for (QWidget* widget :
       std::initializer_list<QWidget*>{sizeFrom_, sizeFromEdit_, upto_, uptoEdit_})
    row->addWidget(widget);
  connect(sizeFrom_, &QCheckBox::toggled, this, &CFileMask::OnSizeFromToggled);
  connect(sizeFromEdit_, &QLineEdit::textChanged, this, &CFileMask::OnSizeFromEdited);
  connect(upto_, &QCheckBox::toggled, this, &CFileMask::OnUptoToggled);
  return row;
}

QLayout* CFileMask::BuildButtons() {
  auto* row = new QHBoxLayout;
  ok_ = SkinButton(app::kOkCaption, "Show only the files that pass", "okButton", this);
  QPushButton* cancel =
      SkinButton(app::kCancelCaption, "Leave the view as it is", "cancelButton", this);
  connect(ok_, &QPushButton::clicked, this, &CFileMask::OnOk);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  row->addWidget(ok_);
  row->addWidget(cancel);
  row->addWidget(HelpButton(this));
  return row;
}

void CFileMask::OnSizeFromToggled(bool checked) {
  sizeFromEdit_->setEnabled(checked);
  if (checked) return;
  EmptyAndDisable(sizeFromEdit_);
  upto_->setChecked(false);
  upto_->setEnabled(false);
}

// A lower bound opens the upper one; without a lower bound there is no upper one either.
void CFileMask::OnSizeFromEdited(const QString& text) {
  upto_->setEnabled(!text.isEmpty());
  if (!text.isEmpty()) return;
  upto_->setChecked(false);
  EmptyAndDisable(uptoEdit_);
}

void CFileMask::OnUptoToggled(bool checked) {
  uptoEdit_->setEnabled(checked);
  if (!checked) EmptyAndDisable(uptoEdit_);
}

void CFileMask::OnOk() {
  auto criteria = filter::ReadMaskCriteria(
      {ToUtf8String(patterns_->text()), deletedOnly_->isChecked(),
       TextWhileChecked(sizeFrom_, sizeFromEdit_), TextWhileChecked(upto_, uptoEdit_)});
  if (!criteria.ok()) {
    NoticeDialog("MaskRefused", criteria.error(), {NoticeDialog::kOk}, this).exec();
    (upto_->isChecked() ? uptoEdit_ : sizeFromEdit_)->setFocus();
    return;
  }
  if (filter::KeepsEverything(criteria.value())) {
    reject();
    return;
  }
  criteria_ = std::move(criteria).value();
  accept();
}

}  // namespace kestrel::gui
