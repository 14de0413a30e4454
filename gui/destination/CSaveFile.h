// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

#include "destination/Destination.h"
#include "filter/FilterList.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kestrel::gui {

// The destination of a recovery: a local folder (typed, or picked with Browse) whose file system
// must have room for the files to write, or a folder on an FTP server (chosen with "FTP Options").
// Filter opens the filter dialog on the run's filter list.
class CSaveFile : public QDialog {
  Q_OBJECT

 public:
  // bytesToWrite: what the run would write with the filter list as it stands.
  CSaveFile(std::function<std::uint64_t()> bytesToWrite, filter::FilterList& filter,
            QWidget* parent);

  // The chosen kind and folder (on the server, for FtpServer), once accepted.
  destination::DestinationKind Kind() const;
  std::string Folder() const;

 private:
  QLayout* BuildDestinationRows();
  QLayout* BuildButtons();
  void Browse();
  void UpdateControls();
  void OpenFilter();
  void OpenFtpOptions();
  // OK: the folder's file system must have room, typed or picked.
  void Confirm();
  bool HasRoom(const QString& folder);

  std::function<std::uint64_t()> bytesToWrite_;
  filter::FilterList& filter_;
  QRadioButton* local_;
  QRadioButton* ftp_;
  QLineEdit* localEdit_;
  QLineEdit* ftpEdit_;
  QPushButton* browse_;
  QPushButton* ftpOptions_;
  QPushButton* ok_;
  QLabel* ftpDestination_;     // the server and its folder, as one destination
  bool pickedFolder_ = false;  // the local folder was picked with Browse, not typed
};

}  // namespace kestrel::gui
