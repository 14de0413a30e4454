// SPDX-License-Identifier: Apache-2.0
#include "gui/volume/VolumePageButtons.h"

#include <QHBoxLayout>
#include <QPushButton>

#include "gui/app/ShellActions.h"
#include "gui/common/Skin.h"

namespace kestrel::gui {

VolumePageButtons::VolumePageButtons(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  home_ = Add(volume::kHomeButton, "homeButton");
  back_ = Add(volume::kBackButton, "backButton");
  layout()->addWidget(HelpButton(this));
  about_ = AboutButton(this);
  layout()->addWidget(about_);
  saveScan_ = Add(volume::kSaveScanButton, "saveScanButton");
  find_ = Add(volume::kFindButton, "findButton");
  mask_ = Add(volume::kMaskButton, "maskButton");
  unmask_ = Add(volume::kUnmaskButton, "unmaskButton");
  selectAll_ = Add(volume::kSelectAllButton, "selectAllButton");
  unselect_ = Add(volume::kUnselectButton, "unselectButton");
  recover_ = Add(volume::kRecoverButton, "recoverButton");
  row->addStretch();
  stop_ = Add(volume::kStopButton, "stopButton");
  unmask_->hide();  // shown only while a mask is on
  connect(home_, &QPushButton::clicked, this, &VolumePageButtons::homeClicked);
  connect(back_, &QPushButton::clicked, this, &VolumePageButtons::backClicked);
  connect(saveScan_, &QPushButton::clicked, this, &VolumePageButtons::saveScanClicked);
  connect(find_, &QPushButton::clicked, this, &VolumePageButtons::findClicked);
  connect(mask_, &QPushButton::clicked, this, &VolumePageButtons::maskClicked);
  connect(unmask_, &QPushButton::clicked, this, &VolumePageButtons::unmaskClicked);
  connect(selectAll_, &QPushButton::clicked, this, &VolumePageButtons::selectAllClicked);
  connect(unselect_, &QPushButton::clicked, this, &VolumePageButtons::unselectClicked);
  connect(recover_, &QPushButton::clicked, this, &VolumePageButtons::recoverClicked);
  connect(stop_, &QPushButton::clicked, this, &VolumePageButtons::stopClicked);
}

QPushButton* VolumePageButtons::Add(const volume::ButtonText& text, const char* objectName) {
  QPushButton* button = SkinButton(text.caption, text.label, objectName, this);
  layout()->addWidget(button);
  return button;
}

void VolumePageButtons::Apply(const volume::VolumePageControls& controls) {
  home_->setEnabled(controls.home);
  back_->setEnabled(controls.back);
  saveScan_->setEnabled(controls.saveScan);
  find_->setEnabled(controls.find);
  mask_->setEnabled(controls.mask);
  unmask_->setEnabled(controls.unmask);
  selectAll_->setEnabled(controls.selectAll);
  unselect_->setEnabled(controls.unselect);
  recover_->setEnabled(controls.recover);
  stop_->setEnabled(controls.stop);
  stop_->setVisible(controls.stop);
}

void VolumePageButtons::Apply(const volume::ButtonStates& states) {
  if (states.selectAll) selectAll_->setEnabled(*states.selectAll);
  if (states.unselect) unselect_->setEnabled(*states.unselect);
  if (states.recover) recover_->setEnabled(*states.recover);
}

void VolumePageButtons::SetSaveScanEnabled(bool enabled) {
  saveScan_->setEnabled(enabled);
}

void VolumePageButtons::ShowMasked(bool masked) {
  mask_->setVisible(!masked);
  unmask_->setVisible(masked);
}

void VolumePageButtons::DisableStop() {
  stop_->setEnabled(false);
}

void VolumePageButtons::AddLogButton() {
  auto* row = static_cast<QHBoxLayout*>(layout());
  row->insertWidget(row->indexOf(about_) + 1, LogButton(this));
}

}  // namespace kestrel::gui
