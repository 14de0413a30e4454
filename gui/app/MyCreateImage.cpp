// SPDX-License-Identifier: Apache-2.0
#include "gui/app/MyCreateImage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"

namespace kestrel::gui {

MyCreateImage::MyCreateImage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("MyCreateImage"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CaptionLabel(app::kDriveImagingHeading, 18, this));
  auto* description = new QLabel(ToQString(app::kDriveImagingText), this);
  description->setWordWrap(true);
  layout->addWidget(description);
  auto* buttons = new QHBoxLayout;
  QPushButton* createImage =
      SkinButton(app::kCreateImageCaption, "Copy a disk or a pool into an image file",
                 "createImageButton", this);
  QPushButton* cloneDisk = SkinButton(app::kCloneDiskCaption, "Copy a disk onto another disk",
                                      "cloneDiskButton", this);
  connect(createImage, &QPushButton::clicked, this, &MyCreateImage::createImageClicked);
  connect(cloneDisk, &QPushButton::clicked, this, &MyCreateImage::cloneDiskClicked);
  buttons->addWidget(createImage);
  buttons->addWidget(cloneDisk);
  buttons->addStretch();
  layout->addLayout(buttons);
  layout->addStretch();
}

}  // namespace kestrel::gui
