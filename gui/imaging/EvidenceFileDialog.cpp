// SPDX-License-Identifier: Apache-2.0
#include "gui/imaging/EvidenceFileDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"

namespace kestrel::gui {
namespace {

// The compression box's entries, in the order of their names.
constexpr imaging::EwfCompression kCompressions[] = {
    imaging::EwfCompression::None, imaging::EwfCompression::Fast, imaging::EwfCompression::Best};

}  // namespace

EvidenceFileDialog::EvidenceFileDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("EvidenceFileDialog"));
  setWindowTitle(ToQString(imaging::kEwfFieldsTitle));
  auto* layout = new QVBoxLayout(this);
  form_ = new QFormLayout;
  caseNumber_ = AddField("Case number:", "caseNumberEdit");
  evidenceNumber_ = AddField("Evidence number:", "evidenceNumberEdit");
  examiner_ = AddField("Examiner:", "examinerEdit");
  description_ = AddField("Description:", "descriptionEdit");
  notes_ = AddField("Notes:", "notesEdit");
  compression_ = new QComboBox(this);
  compression_->setObjectName(QStringLiteral("compressionBox"));
  compression_->addItems({QStringLiteral("none"), QStringLiteral("fast"), QStringLiteral("best")});
  compression_->setCurrentIndex(1);
  form_->addRow(QStringLiteral("Compression:"), compression_);
  segmentSize_ = AddField("Segment size:", "segmentSizeEdit");
  segmentSize_->setText(QStringLiteral("1500m"));
  segmentSize_->setToolTip(QStringLiteral("The largest segment file: bytes, or with k, m or g"));
  layout->addLayout(form_);
  refusal_ = new QLabel(this);
  refusal_->setObjectName(QStringLiteral("refusalText"));
  layout->addWidget(refusal_);
  auto* row = new QHBoxLayout;
  QPushButton* ok = SkinButton(app::kOkCaption, "Write the evidence file", "okButton", this);
  QPushButton* cancel = SkinButton(app::kCancelCaption, "Do not image", "cancelButton", this);
  connect(ok, &QPushButton::clicked, this, &EvidenceFileDialog::OnOk);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  layout->addLayout(row);
}

QLineEdit* EvidenceFileDialog::AddField(const char* caption, const char* name) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(QString::fromLatin1(name));
  form_->addRow(QString::fromLatin1(caption), edit);
  return edit;
}

void EvidenceFileDialog::OnOk() {
  const auto segmentBytes = imaging::ParseEwfSegmentSize(ToUtf8String(segmentSize_->text()));
  if (!segmentBytes.ok()) {
    refusal_->setText(ToQString("Segment size: " + segmentBytes.error()));
    return;
  }
  settings_.fields = {ToUtf8String(caseNumber_->text()), ToUtf8String(evidenceNumber_->text()),
                      ToUtf8String(examiner_->text()), ToUtf8String(description_->text()),
                      ToUtf8String(notes_->text())};
  settings_.compression = kCompressions[compression_->currentIndex()];
  settings_.segmentBytes = segmentBytes.value();
  accept();
}

}  // namespace kestrel::gui
