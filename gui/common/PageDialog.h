// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>
#include <functional>

#include "app/Navigation.h"

class QVBoxLayout;

namespace kestrel::gui {

class PageTitleBar;

// A page of the program: a modal dialog without the system's frame, on the page colour, under
// its own title bar. It ends with a page result (1, 2 or 3) that the page which opened it acts on.
class PageDialog : public QDialog {
  Q_OBJECT

 public:
  PageDialog(const QString& title, QWidget* parent);

  // Ends the page with the result for the page that opened it.
  void EndPage(app::PageResult result) { done(static_cast<int>(result)); }

 protected:
  // Where the page puts its controls, under the title bar.
  QVBoxLayout* Body() const { return body_; }
  // The page's own title bar, whose menu stands in for the system menu of a framed window.
  PageTitleBar* TitleBar() const { return titleBar_; }

  // "X", the window's close and Alt+F4 come here. Escape does nothing on a page: it must not end
  // a scan or the program by accident.
  virtual void CloseRequested() = 0;
  void reject() override { CloseRequested(); }
  void keyPressEvent(QKeyEvent* event) override;

  // Opens another page modally, hides this one while it runs, and hands its result on. The page
  // becomes this one's child and is deleted when it ends.
  void OpenPage(QDialog* page, std::function<void(app::PageResult)> then);
  // Opens a scan page (volume, pool or disk scan) and acts on its result as the media page does:
  // show this page again, or end it towards the main window or the program's close. Nothing
  // happens for a page that could not be made (nullptr).
  void OpenScanPage(QDialog* page);

 private:
  QVBoxLayout* body_;
  PageTitleBar* titleBar_;
};

}  // namespace kestrel::gui
