// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>
#include <string>

#include "destination/FtpSettings.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kestrel::gui {

// The FTP server, user name and password (masked), the folder on the server, passive mode and
// required TLS. OK, "Browse FTP.." and the folder edit work only with all three texts; OK stores
// the settings, Cancel leaves them as they were.
class CFTPSettings : public QDialog {
  Q_OBJECT

 public:
  CFTPSettings(destination::FtpSettings& settings, QWidget* parent);

  // The folder on the server, once accepted.
  std::string Folder() const;

 private:
  QLayout* BuildButtons();
  void UpdateControls();
  void BrowseFtp();
  void Confirm();
  // The settings as the edits hold them; false when the server is no HOST or HOST:PORT.
  bool Edited(destination::FtpSettings& edited);

  destination::FtpSettings& settings_;
  QLineEdit* server_;
  QLineEdit* user_;
  QLineEdit* password_;
  QLineEdit* folder_;
  QCheckBox* passive_;
  QCheckBox* tlsRequired_;
  QPushButton* browse_;
  QPushButton* ok_;
};

}  // namespace kestrel::gui
