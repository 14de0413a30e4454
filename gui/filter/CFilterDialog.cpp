// SPDX-License-Identifier: Apache-2.0
#include "gui/filter/CFilterDialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "filter/FilterDialog.h"
#include "gui/app/ShellActions.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"

namespace kestrel::gui {

CFilterDialog::CFilterDialog(filter::FilterList& filter, QWidget* parent)
    : QDialog(parent), filter_(filter), editing_(filter) {
  setObjectName(QStringLiteral("CFilterDialog"));
  setWindowTitle(ToQString(app::kProductTitle));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CaptionLabel(filter::kFilterTitle, 15, this));
  text_ = new QComboBox(this);
  text_->setObjectName(QStringLiteral("filterText"));
  text_->setEditable(true);
  text_->setInsertPolicy(QComboBox::NoInsert);
  for (const filter::FilterGroup& group : filter::PredefinedFilterGroups())
    text_->addItem(ToQString(group.text));
  text_->setCurrentIndex(-1);
  entries_ = new QListWidget(this);
  entries_->setObjectName(QStringLiteral("filterEntries"));
  layout->addWidget(text_);
  layout->addWidget(entries_);
  layout->addLayout(BuildButtons());
  connect(text_, &QComboBox::currentTextChanged, this, &CFilterDialog::UpdateButtons);
  connect(text_->lineEdit(), &QLineEdit::returnPressed, this, &CFilterDialog::Add);
  connect(entries_, &QListWidget::currentRowChanged, this, &CFilterDialog::UpdateButtons);
  ShowEntries();
  text_->setFocus();
}

QLayout* CFilterDialog::BuildButtons() {
  auto* row = new QHBoxLayout;
  add_ = SkinButton(filter::kAddCaption, "Add the type or group above", "addButton", this);
  include_ = SkinButton(filter::kIncludeCaption, "Recover only files of these types",
                        "includeButton", this);
  exclude_ = SkinButton(filter::kExcludeCaption, "Recover every file except these types",
                        "excludeButton", this);
  remove_ = SkinButton(filter::kRemoveCaption, "Remove the selected entry", "removeButton", this);
  QPushButton* cancel =
      SkinButton(app::kCancelCaption, "Leave the filter as it was", "cancelButton", this);
  QPushButton* help = HelpButton(this);
  connect(add_, &QPushButton::clicked, this, &CFilterDialog::Add);
  connect(remove_, &QPushButton::clicked, this, &CFilterDialog::Remove);
  connect(include_, &QPushButton::clicked, this, [this] { Finish(filter::FilterMode::Include); });
  connect(exclude_, &QPushButton::clicked, this, [this] { Finish(filter::FilterMode::Exclude); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  for (QPushButton* button : {add_, include_, exclude_, remove_, cancel, help})
    row->addWidget(button);
  return row;
}

void CFilterDialog::Add() {
  if (text_->currentText().isEmpty()) return;
  filter::AddFilterText(editing_, ToUtf8String(text_->currentText()));
  text_->setCurrentIndex(-1);
  text_->clearEditText();
  ShowEntries();
}

void CFilterDialog::Remove() {
  const QListWidgetItem* entry = entries_->currentItem();
  if (!entry) return;
  editing_.Remove(entry->text().toStdU16String());
  ShowEntries();
}

void CFilterDialog::Finish(filter::FilterMode mode) {
  editing_.mode = mode;
  filter_ = editing_;
  accept();
}

void CFilterDialog::ShowEntries() {
  entries_->clear();
  for (const std::u16string& pattern : editing_.patterns()) entries_->addItem(ToQString(pattern));
  UpdateButtons();
}

void CFilterDialog::UpdateButtons() {
  const filter::FilterDialogButtons buttons = filter::FilterButtonsFor(
      editing_, ToUtf8String(text_->currentText()), entries_->currentItem() != nullptr);
  add_->setEnabled(buttons.add);
  include_->setEnabled(buttons.include);
  exclude_->setEnabled(buttons.exclude);
  remove_->setEnabled(buttons.remove);
}

}  // namespace kestrel::gui
