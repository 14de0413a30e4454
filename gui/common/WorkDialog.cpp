// SPDX-License-Identifier: Apache-2.0
#include "gui/common/WorkDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "gui/common/QtText.h"

namespace kestrel::gui {

WorkDialog::WorkDialog(const char* name, std::string_view title, QWidget* parent, Bar bar)
    : QDialog(parent), bar_(new QProgressBar(this)), detail_(new QLabel(this)) {
  setObjectName(QString::fromLatin1(name));
  setWindowTitle(ToQString(title));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(ToQString(title), this));
  bar_->setRange(0, bar == Bar::Percent ? 100 : 0);
  bar_->setMinimumWidth(360);
  detail_->setObjectName(QStringLiteral("progressDetail"));
  layout->addWidget(bar_);
  layout->addWidget(detail_);
  connect(&observer_, &QtProgressObserver::progressed, this,
          [this](int percent, const QString&, const QString& detail) {
            bar_->setValue(percent);
            detail_->setText(detail);
          });
  connect(&worker_, &WorkerThread::finished, this, &QDialog::accept);
}

void WorkDialog::Run(Job job) {
  worker_.Start([this, job = std::move(job)](std::stop_token) { job(observer_); });
  exec();
}

}  // namespace kestrel::gui
