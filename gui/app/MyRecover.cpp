// SPDX-License-Identifier: Apache-2.0
#include "gui/app/MyRecover.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"

namespace kestrel::gui {

MyRecover::MyRecover(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("MyRecover"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CaptionLabel(app::kFreshRecoveryHeading, 18, this));
  auto* text = new QLabel(ToQString(app::kFreshRecoveryText), this);
  text->setWordWrap(true);
  layout->addWidget(text);
  QPushButton* start =
      SkinButton(app::kFreshRecoveryHeading, "Search the disks for pools, volumes and data",
                 "freshRecoveryButton", this);
  connect(start, &QPushButton::clicked, this, &MyRecover::startClicked);
  layout->addWidget(start, 0, Qt::AlignLeft);
  layout->addStretch();
}

}  // namespace kestrel::gui
