// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>

#include "filter/FilterList.h"

class QComboBox;
class QListWidget;
class QPushButton;

namespace kestrel::gui {

// "Enter Filter Basis": the file types one recovery run is limited to (Include) or keeps out
// (Exclude), from the predefined groups or typed. The dialog works on a copy of the list: Include
// and Exclude keep what it shows, Cancel leaves the list as it was before the dialog opened.
class CFilterDialog : public QDialog {
  Q_OBJECT

 public:
  CFilterDialog(filter::FilterList& filter, QWidget* parent);

 private:
  QLayout* BuildButtons();
  void Add();
  void Remove();
  void Finish(filter::FilterMode mode);
  void ShowEntries();
  void UpdateButtons();

  filter::FilterList& filter_;
  filter::FilterList editing_;
  QComboBox* text_;
  QListWidget* entries_;
  QPushButton* add_;
  QPushButton* include_;
  QPushButton* exclude_;
  QPushButton* remove_;
};

}  // namespace kestrel::gui
