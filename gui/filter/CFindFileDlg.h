// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace kestrel::gui {

// The find dialog: the name patterns to search the page's tree for. "Search Now" ends it only
// while the edit holds text; Cancel ends it with no text.
class CFindFileDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CFindFileDlg(QWidget* parent);

  // The text searched for: empty unless "Search Now" ended the dialog.
  const QString& FindText() const { return findText_; }

 private:
  void OnSearchNow();

  QLineEdit* edit_;
  QString findText_;
};

}  // namespace kestrel::gui
