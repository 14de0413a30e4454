// SPDX-License-Identifier: Apache-2.0
#include "gui/common/NoticeDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"

namespace kestrel::gui {

NoticeDialog::NoticeDialog(const char* name, std::string_view text,
                           std::initializer_list<Button> buttons, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QString::fromLatin1(name));
  setWindowTitle(ToQString(app::kProductTitle));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(ToQString(text), this);
  label->setObjectName(QStringLiteral("noticeText"));
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setMinimumWidth(360);
  layout->addWidget(label);
  buttons_ = new QHBoxLayout;
  buttons_->addStretch();
  for (const Button& button : buttons) AddButton(button);
  layout->addLayout(buttons_);
}

void NoticeDialog::AddButton(const Button& button) {
  QPushButton* push = SkinButton(button.caption, button.caption, button.objectName, this);
  const int result = button.result;
  connect(push, &QPushButton::clicked, this, [this, result] { done(result); });
  buttons_->addWidget(push);
}

}  // namespace kestrel::gui
