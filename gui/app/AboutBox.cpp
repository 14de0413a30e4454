// SPDX-License-Identifier: Apache-2.0
#include "gui/app/AboutBox.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AboutFacts.h"
#include "app/ShellTexts.h"
#include "app/Version.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"

namespace kestrel::gui {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  const app::AboutFacts facts = app::MakeAboutFacts(app::ReadSystemFacts());
  setWindowTitle(ToQString(facts.product));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(CaptionLabel(facts.product + " " + facts.version, 18, this));
  layout->addWidget(CaptionLabel(facts.edition, 15, this));
  auto* lines = new QFormLayout;
  for (const std::string* line : {&facts.memory, &facts.computerName, &facts.systemName,
                                  &facts.systemVersion, &facts.servicePack}) {
    auto* label = new QLabel(ToQString(*line), this);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lines->addRow(label);
  }
  layout->addLayout(lines);
  auto* version = new QLabel(QStringLiteral("Version ") + ToQString(app::VersionText()), this);
  version->setObjectName(QStringLiteral("versionText"));
  version->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(version);
  auto* licences = new QLabel(ToQString(app::kLicenceText), this);
  licences->setObjectName(QStringLiteral("licenceText"));
  licences->setWordWrap(true);
  layout->addWidget(licences);
  QPushButton* ok = SkinButton(app::kOkCaption, "Close the about box", "okButton", this);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignRight);
}

}  // namespace kestrel::gui
