// SPDX-License-Identifier: Apache-2.0
#include "gui/destination/CSaveFile.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "destination/DestinationDialog.h"
#include "gui/app/ShellActions.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"
#include "gui/destination/CFTPSettings.h"
#include "gui/destination/InsufficientSpace.h"
#include "gui/destination/SessionFtpSettings.h"
#include "gui/filter/CFilterDialog.h"

namespace kestrel::gui {
namespace {

QLineEdit* Edit(const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setMinimumWidth(320);
  return edit;
}

}  // namespace

CSaveFile::CSaveFile(std::function<std::uint64_t()> bytesToWrite, filter::FilterList& filter,
                     QWidget* parent)
    : QDialog(parent), bytesToWrite_(std::move(bytesToWrite)), filter_(filter) {
  setObjectName(QStringLiteral("CSaveFile"));
  setWindowTitle(ToQString(app::kProductTitle));
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(ToQString(destination::kDestinationGroupCaption), this);
  group->setLayout(BuildDestinationRows());
  layout->addWidget(group);
  layout->addLayout(BuildButtons());
  UpdateControls();
}

QLayout* CSaveFile::BuildDestinationRows() {
  auto* grid = new QGridLayout;
  local_ = new QRadioButton(ToQString(destination::kLocalDriveOption), this);
  local_->setObjectName(QStringLiteral("localDriveOption"));
  local_->setChecked(true);
  ftp_ = new QRadioButton(ToQString(destination::kFtpServerOption), this);
  ftp_->setObjectName(QStringLiteral("ftpServerOption"));
  auto* kinds = new QButtonGroup(this);
  kinds->addButton(local_);
  kinds->addButton(ftp_);
  localEdit_ = Edit("localFolderEdit", this);
  ftpEdit_ = Edit("ftpPathEdit", this);
  browse_ = SkinButton(destination::kBrowseCaption, "Pick the folder to recover into",
                       "browseButton", this);
  ftpOptions_ = SkinButton(destination::kFtpOptionsCaption,
                           "The FTP server, the user and password, and the folder on the server",
                           "ftpOptionsButton", this);
  grid->addWidget(local_, 0, 0, 1, 2);
  grid->addWidget(localEdit_, 1, 0);
  grid->addWidget(browse_, 1, 1);
  auto* ftpFolder = new QLabel(ToQString(destination::kFtpFolderCaption), this);
  ftpFolder->setBuddy(ftpEdit_);
  ftpDestination_ = new QLabel(this);
  ftpDestination_->setObjectName(QStringLiteral("ftpDestinationText"));
  grid->addWidget(ftp_, 2, 0, 1, 2);
  grid->addWidget(ftpFolder, 3, 0, 1, 2);
  grid->addWidget(ftpEdit_, 4, 0);
  grid->addWidget(ftpOptions_, 4, 1);
  grid->addWidget(ftpDestination_, 5, 0, 1, 2);
  connect(kinds, &QButtonGroup::buttonClicked, this, &CSaveFile::UpdateControls);
  connect(localEdit_, &QLineEdit::textChanged, this, &CSaveFile::UpdateControls);
  connect(ftpEdit_, &QLineEdit::textChanged, this, &CSaveFile::UpdateControls);
  connect(browse_, &QPushButton::clicked, this, &CSaveFile::Browse);
  connect(ftpOptions_, &QPushButton::clicked, this, &CSaveFile::OpenFtpOptions);
  return grid;
}

QLayout* CSaveFile::BuildButtons() {
  auto* row = new QHBoxLayout;
  QPushButton* filter =
      SkinButton(destination::kFilterCaption, "Recover only some file types, or keep some out",
                 "filterButton", this);
  ok_ = SkinButton(app::kOkCaption, "Recover into the chosen folder", "okButton", this);
  QPushButton* cancel = SkinButton(app::kCancelCaption, "Do not recover now", "cancelButton", this);
  QPushButton* help = HelpButton(this);
  connect(filter, &QPushButton::clicked, this, &CSaveFile::OpenFilter);
  connect(ok_, &QPushButton::clicked, this, &CSaveFile::Confirm);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  row->addWidget(filter);
  row->addStretch();
  for (QPushButton* button : {ok_, cancel, help}) row->addWidget(button);
  return row;
}

void CSaveFile::UpdateControls() {
  const bool local = local_->isChecked();
  localEdit_->setEnabled(local && !pickedFolder_);
  browse_->setEnabled(local);
  ftpEdit_->setEnabled(!local);
  // The server is part of where the files go: a folder alone does not say which server.
  const destination::FtpSettings& server = SessionFtpSettings();
  ftpDestination_->setText(
      server.host.empty()
          ? QString()
          : ToQString(destination::DestinationText(
                destination::DestinationKind::FtpServer, ToUtf8String(ftpEdit_->text()),
                destination::FtpServerText(server.host, server.port))));
  ftpDestination_->setEnabled(!local);
  ftpOptions_->setEnabled(!local);
  ok_->setEnabled(destination::DestinationOkEnabled(Kind(), ToUtf8String(localEdit_->text()),
                                                    ToUtf8String(ftpEdit_->text())));
}

void CSaveFile::Browse() {
  QFileDialog browser(this, ToQString(destination::kFolderBrowserTitle));
  browser.setObjectName(QStringLiteral("folderBrowser"));
  browser.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ShowDirsOnly);
  browser.setFileMode(QFileDialog::Directory);
  pickedFolder_ = false;
  if (browser.exec() != QDialog::Accepted || browser.selectedFiles().isEmpty()) {
    localEdit_->clear();
  } else if (const QString folder = browser.selectedFiles().constFirst(); HasRoom(folder)) {
    pickedFolder_ = true;
    localEdit_->setText(folder);
  }
  UpdateControls();
}

bool CSaveFile::HasRoom(const QString& folder) {
  if (!destination::RoomProblem(ToUtf8String(folder), bytesToWrite_())) return true;
  InsufficientSpace(this).exec();
  return false;
}

void CSaveFile::OpenFilter() {
  CFilterDialog(filter_, this).exec();
}

void CSaveFile::OpenFtpOptions() {
  CFTPSettings settings(SessionFtpSettings(), this);
  if (settings.exec() == QDialog::Accepted && !settings.Folder().empty())
    ftpEdit_->setText(QString::fromStdString(settings.Folder()));
  UpdateControls();  // the server may have changed
}

// The free space of a server is not known: a file that does not fit is named when it fails.
void CSaveFile::Confirm() {
  if (Kind() == destination::DestinationKind::FtpServer || HasRoom(localEdit_->text())) accept();
}

destination::DestinationKind CSaveFile::Kind() const {
  return local_->isChecked() ? destination::DestinationKind::LocalDrive
                             : destination::DestinationKind::FtpServer;
}

std::string CSaveFile::Folder() const {
  return ToUtf8String(Kind() == destination::DestinationKind::LocalDrive ? localEdit_->text()
                                                                         : ftpEdit_->text());
}

}  // namespace kestrel::gui
