// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QWidget>

#include "volume/Selection.h"
#include "volume/VolumePage.h"

class QPushButton;

namespace kestrel::gui {

// The button row of the volume page. Which buttons take clicks is the core's to say: by the
// page's stage, and by each selection gesture.
class VolumePageButtons : public QWidget {
  Q_OBJECT

 public:
  explicit VolumePageButtons(QWidget* parent);

  void Apply(const volume::VolumePageControls& controls);
  void Apply(const volume::ButtonStates& states);
  void SetSaveScanEnabled(bool enabled);
  // MASK and Unmask share a place: while a mask is shown Unmask stands there.
  void ShowMasked(bool masked);
  // Once a stop is asked for, the worker's end is awaited.
  void DisableStop();
  // The pool page's button that opens the log report, beside About.
  void AddLogButton();

 signals:
  void homeClicked();
  void backClicked();
  void saveScanClicked();
  void findClicked();
  void maskClicked();
  void unmaskClicked();
  void selectAllClicked();
  void unselectClicked();
  void recoverClicked();
  void stopClicked();

 private:
  QPushButton* Add(const volume::ButtonText& text, const char* objectName);

  QPushButton* about_;
  QPushButton* home_;
  QPushButton* back_;
  QPushButton* saveScan_;
  QPushButton* find_;
  QPushButton* mask_;
  QPushButton* unmask_;
  QPushButton* selectAll_;
  QPushButton* unselect_;
  QPushButton* recover_;
  QPushButton* stop_;
};

}  // namespace kestrel::gui
