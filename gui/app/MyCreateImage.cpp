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
  for (const auto& [caption, name] : {std::pair{app::kCreateImageCaption, "createImageButton"},
                                      std::pair{app::kCloneDiskCaption, "cloneDiskButton"}}) {
    QPushButton* button = SkinButton(caption, app::kComingLaterToolTip, name, this);
    button->setEnabled(false);
    buttons->addWidget(button);
  }
  buttons->addStretch();
  layout->addLayout(buttons);
  auto* later = new QLabel(ToQString(app::kImagingLaterText), this);
  later->setWordWrap(true);
  later->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(later);
  layout->addStretch();
}

}  // namespace kestrel::gui
