// SPDX-License-Identifier: Apache-2.0
#include "gui/disk/RaidAssemblyDialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "disk/DriveName.h"
#include "disk/MediaPage.h"
#include "disk/raid/AssembledSets.h"
#include "disk/raid/RaidDefinition.h"
#include "gui/common/QtText.h"
#include "gui/common/WorkDialog.h"

namespace kestrel::gui {
namespace {

QPushButton* Button(std::string_view caption, const char* objectName, QWidget* parent) {
  auto* button = new QPushButton(ToQString(caption), parent);
  button->setObjectName(QString::fromLatin1(objectName));
  button->setAutoDefault(false);
  return button;
}

QComboBox* Choice(const char* objectName, QWidget* parent) {
  auto* choice = new QComboBox(parent);
  choice->setObjectName(QString::fromLatin1(objectName));
  return choice;
}

}  // namespace

RaidAssemblyDialog::RaidAssemblyDialog(const disk::MediaTree& media, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("raidAssemblyDialog"));
  setWindowTitle(ToQString(disk::kAssembleRaidTitle));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(BuildMembers(media));
  layout->addLayout(BuildGeometry());
  problem_ = new QLabel(this);
  problem_->setObjectName(QStringLiteral("problemText"));
  problem_->setWordWrap(true);
  problem_->setStyleSheet(QStringLiteral("color: #b00000"));
  layout->addWidget(problem_);
  layout->addLayout(BuildButtons());
}

QLayout* RaidAssemblyDialog::BuildMembers(const disk::MediaTree& media) {
  members_ = new QListWidget(this);
  members_->setObjectName(QStringLiteral("memberList"));
  disks_ = Choice("diskChoice", this);
  // Only the machine's own disks can be named as members; an array already added is not one.
  for (const disk::DiskEntry& entry : media.disks) {
    if (entry.status.ok() && disk::PhysicalDriveNumber(entry.node.sourcePath))
      disks_->addItem(ToQString(entry.Label()), ToQString(disk::DiskMember(entry.number)));
  }
  QPushButton* addDisk = Button("Add Disk", "addDiskButton", this);
  addDisk->setEnabled(disks_->count() > 0);
  QPushButton* addImage = Button("Add Image...", "addImageButton", this);
  QPushButton* addMissing = Button("Add Missing", "addMissingButton", this);
  QPushButton* up = Button("Up", "upButton", this);
  QPushButton* down = Button("Down", "downButton", this);
  QPushButton* remove = Button("Remove", "removeButton", this);
  connect(addDisk, &QPushButton::clicked, this,
          [this] { AddMember(disks_->currentData().toString()); });
  connect(addImage, &QPushButton::clicked, this, &RaidAssemblyDialog::AddImage);
  connect(addMissing, &QPushButton::clicked, this,
          [this] { AddMember(ToQString(disk::kMissingMember)); });
  connect(up, &QPushButton::clicked, this, [this] { MoveMember(-1); });
  connect(down, &QPushButton::clicked, this, [this] { MoveMember(1); });
  connect(remove, &QPushButton::clicked, this, &RaidAssemblyDialog::RemoveMember);
  auto* side = new QVBoxLayout;
  side->addWidget(disks_);
  for (QPushButton* button : {addDisk, addImage, addMissing, up, down, remove})
    side->addWidget(button);
  side->addStretch();
  auto* row = new QHBoxLayout;
  row->addWidget(members_, 1);
  row->addLayout(side);
  return row;
}

QLayout* RaidAssemblyDialog::BuildGeometry() {
  level_ = Choice("levelChoice", this);
  for (const disk::RaidLevel level : disk::kRaidLevels)
    level_->addItem(ToQString(disk::LevelName(level)), static_cast<int>(level));
  layout_ = Choice("layoutChoice", this);
  for (const disk::RaidLayout layout : disk::kRaidLayouts)
    layout_->addItem(ToQString(disk::LayoutName(layout)), static_cast<int>(layout));
  stripe_ = Choice("stripeChoice", this);
  for (const std::int64_t stripe : disk::StripeChoices())
    stripe_->addItem(ToQString(disk::ShortByteCountText(stripe)), static_cast<qlonglong>(stripe));
  stripe_->setCurrentIndex(stripe_->findData(static_cast<qlonglong>(disk::RaidAssembly{}.stripe)));
  offset_ = new QLineEdit(QStringLiteral("0"), this);
  offset_->setObjectName(QStringLiteral("offsetEdit"));
  offset_->setToolTip(QStringLiteral("Bytes before the array on every member, or with k or m"));
  connect(level_, &QComboBox::currentIndexChanged, this, &RaidAssemblyDialog::OnLevelChanged);
  level_->setCurrentIndex(level_->findData(static_cast<int>(disk::RaidAssembly{}.level)));
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Level"), level_);
  form->addRow(QStringLiteral("Layout"), layout_);
  form->addRow(QStringLiteral("Stripe"), stripe_);
  form->addRow(QStringLiteral("Offset"), offset_);
  return form;
}

QLayout* RaidAssemblyDialog::BuildButtons() {
  QPushButton* detect = Button("Detect", "detectButton", this);
  detect->setToolTip(
      QStringLiteral("Find the level, stripe, member order, layout and offset from the NSS "
                     "structures on the members"));
  QPushButton* ok = Button(app::kOkCaption, "okButton", this);
  ok->setDefault(true);
  QPushButton* cancel = Button("Cancel", "cancelButton", this);
  connect(detect, &QPushButton::clicked, this, &RaidAssemblyDialog::OnDetect);
  connect(ok, &QPushButton::clicked, this, &RaidAssemblyDialog::OnOk);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addWidget(detect);
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

void RaidAssemblyDialog::AddMember(const QString& member) {
  members_->addItem(member);
  members_->setCurrentRow(members_->count() - 1);
}

void RaidAssemblyDialog::AddImage() {
  QFileDialog dialog(this, ToQString(disk::kRaidMemberFileTitle));
  dialog.setObjectName(QStringLiteral("raidMemberFileDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    AddMember(dialog.selectedFiles().constFirst());
}

void RaidAssemblyDialog::MoveMember(int step) {
  const int row = members_->currentRow();
  const int target = row + step;
  if (row < 0 || target < 0 || target >= members_->count()) return;
  members_->insertItem(target, members_->takeItem(row));
  members_->setCurrentRow(target);
}

void RaidAssemblyDialog::RemoveMember() {
  delete members_->takeItem(members_->currentRow());
}

void RaidAssemblyDialog::OnLevelChanged() {
  const auto level = static_cast<disk::RaidLevel>(level_->currentData().toInt());
  layout_->setEnabled(disk::UsesParityLayout(level));
  stripe_->setEnabled(disk::IsStriped(level));
}

disk::RaidAssembly RaidAssemblyDialog::Assembly() const {
  disk::RaidAssembly assembly;
  assembly.level = static_cast<disk::RaidLevel>(level_->currentData().toInt());
  assembly.layout = static_cast<disk::RaidLayout>(layout_->currentData().toInt());
  assembly.stripe = stripe_->currentData().toLongLong();
  assembly.offset = ToUtf8String(offset_->text().trimmed());
  for (int row = 0; row < members_->count(); ++row)
    assembly.members.push_back(ToUtf8String(members_->item(row)->text()));
  return assembly;
}

// Detection samples the members (about one percent of them), which takes seconds on disks: it
// runs on a worker under a small window that says so, and every window stays painted.
void RaidAssemblyDialog::OnDetect() {
  const std::vector<std::string> members = Assembly().members;
  std::optional<app::Result<disk::RaidDefinition>> detected;
  WorkDialog("raidDetectDialog", "Detecting the geometry of the RAID set...", this,
             WorkDialog::Bar::Busy)
      .Run([&](app::ProgressObserver&) { detected = disk::DetectRaidDefinition(members); });
  if (!detected->ok()) {
    problem_->setText(ToQString(detected->error()));
    return;
  }
  Show(disk::AssemblyOf(detected->value()));
  problem_->clear();
}

void RaidAssemblyDialog::Show(const disk::RaidAssembly& assembly) {
  level_->setCurrentIndex(level_->findData(static_cast<int>(assembly.level)));
  layout_->setCurrentIndex(layout_->findData(static_cast<int>(assembly.layout)));
  stripe_->setCurrentIndex(stripe_->findData(static_cast<qlonglong>(assembly.stripe)));
  offset_->setText(ToQString(assembly.offset));
  members_->clear();
  for (const std::string& member : assembly.members) AddMember(ToQString(member));
}

void RaidAssemblyDialog::OnOk() {
  const auto definition = disk::BuildRaidDefinition(Assembly());
  if (!definition.ok()) {
    problem_->setText(ToQString(definition.error()));
    return;
  }
  const std::string name = disk::RaidSourceName(definition.value());
  if (const disk::OpenedSource opened = disk::OpenSource(name); !opened.status.ok()) {
    problem_->setText(ToQString(opened.status.message));
    return;
  }
  sourceName_ = name;
  accept();
}

std::optional<disk::DiskEntry> AssembleRaidDisk(const disk::MediaTree& media,
                                                const app::LogReport& log, disk::DiscoveryLog lines,
                                                QWidget* parent) {
  RaidAssemblyDialog dialog(media, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  disk::RememberAssembledSet(dialog.SourceName());
  return disk::DiscoverAssembledSet(static_cast<int>(media.disks.size()), dialog.SourceName(), log,
                                    lines);
}

}  // namespace kestrel::gui
