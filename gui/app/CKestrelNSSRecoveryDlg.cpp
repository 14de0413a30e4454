// SPDX-License-Identifier: Apache-2.0
#include "gui/app/CKestrelNSSRecoveryDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/ShellTexts.h"
#include "gui/app/AboutBox.h"
#include "gui/app/MyCreateImage.h"
#include "gui/app/MyRecover.h"
#include "gui/app/ShellActions.h"
#include "gui/common/PageTitleBar.h"
#include "gui/common/QtText.h"
#include "gui/common/Skin.h"
#include "gui/disk/CInitialInfo.h"
#include "gui/imaging/CCreateImageItems.h"
#include "gui/imaging/CDiskClone.h"
#include "gui/savedscan/ResumeRecovery.h"

namespace kestrel::gui {

CKestrelNSSRecoveryDlg::CKestrelNSSRecoveryDlg(const app::LogReport& log, QWidget* parent)
    : PageDialog(ToQString(app::kProductTitle), parent), log_(log) {
  setObjectName(QStringLiteral("CKestrelNSSRecoveryDlg"));
  resize(760, 460);
  Body()->addWidget(BuildTabs(), 1);
  Body()->addLayout(BuildButtonRow());
  tabs_->setCurrentIndex(0);
  ShowStartFor(0);
  TitleBar()->AddMenuItem(ToQString(app::kAboutMenuItem), [this] { AboutBox(this).exec(); });
}

QWidget* CKestrelNSSRecoveryDlg::BuildTabs() {
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("tabs"));
  tabs_->tabBar()->setFont(CaptionFont(16));
  auto* fresh = new MyRecover(tabs_);
  resume_ = new ResumeRecovery(tabs_);
  tabs_->addTab(fresh, ToQString(app::kTabCaptions[0]));
  tabs_->addTab(resume_, ToQString(app::kTabCaptions[1]));
  auto* imaging = new MyCreateImage(tabs_);
  tabs_->addTab(imaging, ToQString(app::kTabCaptions[2]));
  connect(tabs_, &QTabWidget::currentChanged, this, &CKestrelNSSRecoveryDlg::ShowStartFor);
  connect(fresh, &MyRecover::startClicked, this, &CKestrelNSSRecoveryDlg::StartFreshRecovery);
  connect(imaging, &MyCreateImage::createImageClicked, this,
          [this] { OpenWorkflowPage(new CCreateImageItems(log_, this)); });
  connect(imaging, &MyCreateImage::cloneDiskClicked, this,
          [this] { OpenWorkflowPage(new CDiskClone(log_, this)); });
  connect(resume_, &ResumeRecovery::browsing, this,
          [this] { ShowStartFor(tabs_->currentIndex()); });
  return tabs_;
}

QLayout* CKestrelNSSRecoveryDlg::BuildButtonRow() {
  auto* row = new QHBoxLayout;
  for (QPushButton* button : {HelpButton(this), AboutButton(this), LogButton(this)})
    row->addWidget(button);
  row->addStretch();
  startCaption_ = CaptionLabel(app::kStartCaption, 15, this);
  startCaption_->setObjectName(QStringLiteral("startCaption"));
  start_ =
      SkinButton(app::kStartCaption, "Resume recovery from the chosen file", "startButton", this);
  connect(start_, &QPushButton::clicked, this, &CKestrelNSSRecoveryDlg::StartResume);
  row->addWidget(startCaption_);
  row->addWidget(start_);
  return row;
}

void CKestrelNSSRecoveryDlg::ShowStartFor(int tab) {
  const bool resumeTab = tab == app::kResumeRecoveryTab;
  start_->setVisible(resumeTab);
  startCaption_->setVisible(resumeTab);
}

void CKestrelNSSRecoveryDlg::StartFreshRecovery() {
  OpenWorkflowPage(new CInitialInfo(log_, this));
}

void CKestrelNSSRecoveryDlg::StartResume() {
  if (QDialog* page = resume_->OpenChosenFile(log_, this)) OpenWorkflowPage(page);
}

void CKestrelNSSRecoveryDlg::OpenWorkflowPage(QDialog* page) {
  OpenPage(page, [this](app::PageResult r) { ActOnPageResult(r); });
}

void CKestrelNSSRecoveryDlg::ActOnPageResult(app::PageResult result) {
  if (app::MainWindowReaction(result) == app::CallerReaction::EndClosing) {
    CloseRequested();
    return;
  }
  show();
}

void CKestrelNSSRecoveryDlg::CloseRequested() {
  done(QDialog::Rejected);
}

}  // namespace kestrel::gui
