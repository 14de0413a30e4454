// SPDX-License-Identifier: Apache-2.0
#include "gui/app/HelpWindow.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace kestrel::gui {

HelpWindow::HelpWindow(const QString& pagePath, QWidget* parent)
    : QDialog(parent, Qt::Window), browser_(new QTextBrowser(this)) {
  setObjectName(QStringLiteral("HelpWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  resize(640, 560);
  browser_->setObjectName(QStringLiteral("helpBrowser"));
  browser_->setOpenExternalLinks(true);
  browser_->setSource(QUrl::fromLocalFile(pagePath));
  setWindowTitle(browser_->documentTitle());
  connect(browser_, &QTextBrowser::sourceChanged, this,
          [this] { setWindowTitle(browser_->documentTitle()); });
  auto* back = new QPushButton(tr("Back"), this);
  auto* contents = new QPushButton(tr("Contents"), this);
  auto* close = new QPushButton(tr("Close"), this);
  connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
  back->setEnabled(false);
  const QString index = QFileInfo(pagePath).absolutePath() + QStringLiteral("/index.html");
  connect(contents, &QPushButton::clicked, this,
          [this, index] { browser_->setSource(QUrl::fromLocalFile(index)); });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  auto* row = new QHBoxLayout;
  row->addWidget(back);
  row->addWidget(contents);
  row->addStretch();
  row->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(browser_, 1);
  layout->addLayout(row);
}

}  // namespace kestrel::gui
