// SPDX-License-Identifier: Apache-2.0
#include "gui/destination/CFTPSettings.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "destination/DestinationDialog.h"
#include "gui/app/ShellActions.h"
#include "gui/common/NoticeDialog.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"
#include "gui/destination/CFtpTree.h"

namespace kestrel::gui {
namespace {

QLineEdit* Edit(const char* name, const QString& text, QWidget* parent) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setMinimumWidth(260);
  return edit;
}

QString ServerText(const destination::FtpSettings& settings) {
  if (settings.host.empty()) return {};
  const QString host = QString::fromStdString(settings.host);
  if (settings.port == destination::kDefaultFtpPort) return host;
  const bool ipv6 = host.contains(QLatin1Char(':'));
  return (ipv6 ? QStringLiteral("[%1]").arg(host) : host) +
         QStringLiteral(":%1").arg(settings.port);
}

}  // namespace

CFTPSettings::CFTPSettings(destination::FtpSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
  setObjectName(QStringLiteral("CFTPSettings"));
  setWindowTitle(ToQString(app::kProductTitle));
  server_ = Edit("serverEdit", ServerText(settings), this);
  user_ = Edit("userEdit", QString::fromStdString(settings.user), this);
  password_ = Edit("passwordEdit", QString::fromStdString(settings.password.Reveal()), this);
  password_->setEchoMode(QLineEdit::Password);
  folder_ = Edit("folderEdit", {}, this);
  passive_ = new QCheckBox(QStringLiteral("Passive mode"), this);
  passive_->setObjectName(QStringLiteral("passiveOption"));
  passive_->setChecked(settings.passive);
  tlsRequired_ = new QCheckBox(QStringLiteral("Require TLS (FTPS)"), this);
  tlsRequired_->setObjectName(QStringLiteral("tlsOption"));
  tlsRequired_->setChecked(settings.tls == destination::FtpTls::Required);
  browse_ = SkinButton(destination::kBrowseFtpCaption, "Pick the folder on the server",
                       "browseFtpButton", this);
  auto* form = new QFormLayout;
  form->addRow(ToQString(destination::kFtpServerCaption), server_);
  form->addRow(ToQString(destination::kFtpUserCaption), user_);
  form->addRow(ToQString(destination::kFtpPasswordCaption), password_);
  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(folder_);
  folderRow->addWidget(browse_);
  form->addRow(folderRow);
  form->addRow(passive_);
  form->addRow(tlsRequired_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(BuildButtons());
  for (QLineEdit* edit : {server_, user_, password_})
    connect(edit, &QLineEdit::textChanged, this, &CFTPSettings::UpdateControls);
  connect(browse_, &QPushButton::clicked, this, &CFTPSettings::BrowseFtp);
  UpdateControls();
}

QLayout* CFTPSettings::BuildButtons() {
  auto* row = new QHBoxLayout;
  ok_ = SkinButton(app::kOkCaption, "Keep these settings", "okButton", this);
  QPushButton* cancel = SkinButton(app::kCancelCaption, "Keep the settings as they were",
                                   "cancelButton", this);
  connect(ok_, &QPushButton::clicked, this, &CFTPSettings::Confirm);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  row->addStretch();
  for (QPushButton* button : {ok_, cancel, HelpButton(this)}) row->addWidget(button);
  return row;
}

void CFTPSettings::UpdateControls() {
  const bool complete = destination::FtpSettingsComplete(
      ToUtf8String(server_->text()), ToUtf8String(user_->text()), ToUtf8String(password_->text()));
  ok_->setEnabled(complete);
  browse_->setEnabled(complete);
  folder_->setEnabled(complete);
}

bool CFTPSettings::Edited(destination::FtpSettings& edited) {
  destination::HostAndPort server;
  if (!destination::ParseHostAndPort(ToUtf8String(server_->text().trimmed()), server)) {
    NoticeDialog("BadServer",
                 "The server is a name or an address, with :PORT after it if it is not 21.",
                 {NoticeDialog::kOk}, this)
        .exec();
    return false;
  }
  edited.host = server.host;
  edited.port = server.port;
  edited.user = ToUtf8String(user_->text());
  edited.password = destination::Secret(ToUtf8String(password_->text()));
  edited.passive = passive_->isChecked();
  edited.tls =
      tlsRequired_->isChecked() ? destination::FtpTls::Required : destination::FtpTls::WhenOffered;
  return true;
}

void CFTPSettings::BrowseFtp() {
  destination::FtpSettings edited = settings_;
  if (!Edited(edited)) return;
  CFtpTree browser(std::move(edited), this);
  if (browser.exec() == QDialog::Accepted)
    folder_->setText(QString::fromStdString(browser.Folder()));
}

void CFTPSettings::Confirm() {
  if (Edited(settings_)) accept();
}

std::string CFTPSettings::Folder() const {
  return ToUtf8String(folder_->text().left(260));
}

}  // namespace kestrel::gui
