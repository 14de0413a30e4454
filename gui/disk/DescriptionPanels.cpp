// SPDX-License-Identifier: Apache-2.0
#include "gui/disk/DescriptionPanels.h"

#include <QLabel>
#include <QVBoxLayout>

#include "gui/common/QtText.h"
#include "gui/common/Skin.h"

namespace kestrel::gui {

QLabel* PanelLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setWordWrap(true);
  return label;
}

DescriptionPanels::DescriptionPanels(WhereLine where, QWidget* parent)
    : QWidget(parent),
      heading_(PanelLabel("headingPanel", this)),
      description_(PanelLabel("descriptionPanel", this)),
      instruction_(PanelLabel("instructionPanel", this)),
      note_(PanelLabel("notePanel", this)) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CaptionLabel(disk::kDescriptionCaption, 15, this));
  heading_->setFont(CaptionFont(15));
  layout->addWidget(heading_);
  if (where == WhereLine::With) {
    where_ = PanelLabel("wherePanel", this);
    where_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(where_);
  }
  for (QLabel* label : {description_, instruction_, note_}) layout->addWidget(label);
  layout->addStretch();
}

void DescriptionPanels::Show(const disk::PanelTexts& texts) {
  heading_->setText(ToQString(texts.heading));
  description_->setText(ToQString(texts.description));
  instruction_->setText(ToQString(texts.instruction));
  note_->setText(ToQString(texts.note));
}

void DescriptionPanels::ShowWhere(const QString& text) {
  if (where_) where_->setText(text);
}

}  // namespace kestrel::gui
