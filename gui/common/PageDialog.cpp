// SPDX-License-Identifier: Apache-2.0
#include "gui/common/PageDialog.h"

#include <QKeyEvent>
#include <QVBoxLayout>

#include "gui/common/PageTitleBar.h"

namespace kestrel::gui {
namespace {

void CentreOn(QWidget& window, QPoint centre) {
  window.move(centre - QPoint(window.width() / 2, window.height() / 2));
}

}  // namespace

PageDialog::PageDialog(const QString& title, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint) {
  setWindowTitle(title);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(1, 1, 1, 1);
  titleBar_ = new PageTitleBar(title, this);
  outer->addWidget(titleBar_);
  body_ = new QVBoxLayout;
  body_->setContentsMargins(10, 6, 10, 10);
  outer->addLayout(body_, 1);
  connect(titleBar_, &PageTitleBar::closeClicked, this, [this] { CloseRequested(); });
}

void PageDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

// One page stands where the last one stood: each opens centred on the page it replaces, and
// the page shown again takes the place the closed one was moved to.
void PageDialog::OpenPage(QDialog* page, std::function<void(app::PageResult)> then) {
  page->setParent(this, page->windowFlags());
  connect(page, &QDialog::finished, this, [this, page, then = std::move(then)](int result) {
    CentreOn(*this, page->geometry().center());
    page->deleteLater();
    then(static_cast<app::PageResult>(result));
  });
  CentreOn(*page, geometry().center());
  hide();
  page->open();
}

void PageDialog::OpenScanPage(QDialog* page) {
  if (!page) return;
  OpenPage(page, [this](app::PageResult result) {
    switch (app::MediaPageReaction(result)) {
      case app::CallerReaction::ShowAgain:
        show();
        return;
      case app::CallerReaction::EndBackToMainWindow:
        EndPage(app::PageResult::BackToMainWindow);
        return;
      case app::CallerReaction::EndClosing:
        break;
    }
    EndPage(app::PageResult::Closing);
  });
}

}  // namespace kestrel::gui
