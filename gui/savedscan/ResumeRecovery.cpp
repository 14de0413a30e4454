// SPDX-License-Identifier: Apache-2.0
#include "gui/savedscan/ResumeRecovery.h"
#include "disk/container/ContainerKind.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/common/NoticeDialog.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"
#include "gui/common/WorkDialog.h"
#include "gui/disk/ScanPages.h"
#include "gui/pool/CpoolIterator.h"
#include "gui/volume/LeafIterator.h"
#include "savedscan/Replay.h"
#include "savedscan/ResumeFile.h"
#include "savedscan/ScanSaving.h"

namespace kestrel::gui {
namespace {

QLabel* FieldLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

ResumeRecovery::ResumeRecovery(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ResumeRecovery"));
  auto* layout = new QVBoxLayout(this);
  auto* description = new QLabel(ToQString(savedscan::kResumeDescription), this);
  description->setWordWrap(true);
  layout->addWidget(description);
  auto* row = new QHBoxLayout;
  pathEdit_ = new QLineEdit(this);
  pathEdit_->setObjectName(QStringLiteral("resumePathEdit"));
  pathEdit_->setReadOnly(true);
  pathEdit_->setPlaceholderText(ToQString(savedscan::kResumeBrowseHint));
  row->addWidget(pathEdit_, 1);
  QPushButton* browse = SkinButton(savedscan::kBrowseCaption, "Choose a saved scan or an image",
                                   "browseButton", this);
  connect(browse, &QPushButton::clicked, this, &ResumeRecovery::Browse);
  row->addWidget(browse);
  layout->addLayout(row);
  auto* fields = new QFormLayout;
  name_ = FieldLabel("nameField", this);
  size_ = FieldLabel("sizeField", this);
  type_ = FieldLabel("typeField", this);
  fields->addRow(ToQString(savedscan::kNameCaption), name_);
  fields->addRow(ToQString(savedscan::kSizeCaption), size_);
  fields->addRow(ToQString(savedscan::kTypeCaption), type_);
  layout->addLayout(fields);
  layout->addStretch();
}

void ResumeRecovery::Browse() {
  emit browsing();
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("resumeFileDialog"));
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ReadOnly);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({ToQString(savedscan::kResumeFileFilter),
                         ToQString(disk::kContainerFileFilter), QStringLiteral("(*)")});
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    resumePath_ = ToUtf8String(dialog.selectedFiles().constFirst());
  ShowFields();  // a cancelled Browse shows the fields of the path chosen before
}

void ResumeRecovery::ShowFields() {
  const QFileInfo file(ToQString(resumePath_));
  const std::optional<std::uint64_t> size =
      file.exists() ? std::optional<std::uint64_t>(file.size()) : std::nullopt;
  const savedscan::ResumeFileFields fields = savedscan::DescribeResumeFile(resumePath_, size);
  pathEdit_->setText(ToQString(resumePath_));
  name_->setText(ToQString(fields.name));
  size_->setText(ToQString(fields.size));
  type_->setText(ToQString(fields.type));
}

QDialog* ResumeRecovery::OpenChosenFile(const app::LogReport& log, QWidget* pageParent) {
  app::Result<savedscan::ResumeOpening> opened = app::Failure{""};
  WorkDialog("ReadingScanFile", savedscan::kReadingScanFileText, this)
      .Run([&](app::ProgressObserver& observer) {
        opened = savedscan::OpenResumeFile(resumePath_, log, observer);
      });
  if (!opened.ok()) {
    NoticeDialog("ResumeNotice", opened.error(), {NoticeDialog::kOk}, this).exec();
    return nullptr;
  }
  savedscan::ResumeOpening& chosen = opened.value();
  if (chosen.kind == savedscan::SourceFileKind::ScanInformation) {
    if (savedscan::IsPoolScan(chosen.scan))
      return new CpoolIterator(std::move(chosen.scan), log, pageParent);
    return new LeafIterator(std::move(chosen.scan), log, pageParent);
  }
  return NewImagePage(resumePath_, chosen.kind == savedscan::SourceFileKind::PoolImage, log,
                      pageParent);
}

}  // namespace kestrel::gui
