// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>

class QTextBrowser;

namespace kestrel::gui {

// The help manual in a window of its own, beside the pages: one HTML page per topic, with the
// links between them, Back and Contents.
class HelpWindow : public QDialog {
  Q_OBJECT

 public:
  // pagePath: the manual's page to show first.
  HelpWindow(const QString& pagePath, QWidget* parent);

  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};

}  // namespace kestrel::gui
