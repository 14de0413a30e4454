// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <memory>

#include "app/LogReport.h"
#include "app/Navigation.h"
#include "filter/BrowsedTree.h"
#include "filter/FileMask.h"
#include "filter/FilterList.h"
#include "gui/common/PageDialog.h"
#include "gui/filter/CThreadForMask.h"
#include "gui/volume/CThreadForSavingFiles.h"
#include "gui/volume/ScanThread.h"
#include "gui/volume/TreeGrowth.h"
#include "volume/Selection.h"
#include "volume/VolumePage.h"

class QLabel;
class QProgressBar;

namespace kestrel::gui {

class CSaveFile;
class PageFind;
class PreviewArea;
class VolumeBrowser;
class VolumePageButtons;
enum class SaveScanOutcome;

// What the volume page and the pool page share: the scan on a worker with the folder tree
// growing while it runs, then the folder tree and the file list to tick folders and files in,
// Recover on a second worker, "S SCAN", MASK and Unmask (the mask run on a worker), FIND and F3,
// the stop question, and HOME (result 1), BACK (3) and X (2) with the question whether to save
// the scan. The two pages differ in their worker, their destination dialog, their mask rules
// and what Recover says when nothing was found.
class ScanPage : public PageDialog {
  Q_OBJECT

 protected:
  ScanPage(const char* objectName, std::unique_ptr<ScanThread> scan, const app::LogReport& log,
           QWidget* parent);

  void CloseRequested() override { Leave(app::LeaveButton::Close); }

  // The tree shown: the scan's, or a mask of it.
  volume::FileTree& Tree() { return browsed_.Shown(); }
  const app::LogReport& Log() const { return log_; }
  VolumePageButtons& Buttons() { return *buttons_; }

  virtual filter::MaskView MaskedView() const { return filter::MaskView::Volume; }
  // The page's Recover: false when it has told the person why nothing can be recovered.
  virtual bool CanRecover() { return true; }
  virtual std::unique_ptr<CSaveFile> DestinationDialog(filter::FilterList& filter);
  virtual std::unique_ptr<CThreadForSavingFiles> SavingThread(SavingRequest request,
                                                              filter::FilterList& filter);

 private:
  QWidget* BuildStatusArea();
  void EnterStage(volume::VolumePageStage stage);
  bool WorkRunning() const;
  void OnScanProgress(int percent, const QString& total, const QString& detail);
  void OnScanGrown(const FolderBatch& batch);
  void OnScanFinished();
  void LayUnreadAreas();
  void OnSelectionChanged(const volume::SelectionChange& change);
  void OnFileChosen(volume::RecordId file);
  void OnStop();
  void OnRecover();
  void OnRecoveryFinished();
  report::Report RecoveryReportStart();
  void OnMask();
  void OnMaskFinished();
  void OnUnmask();
  void ShowTree();
  // The selection line and the buttons it calls for, from the shown tree's ticks.
  void ShowSelection();
  SaveScanOutcome OnSaveScan();
  void Leave(app::LeaveButton button);

  const app::LogReport& log_;
  LiveFolders live_;   // the folders filed so far, while the scan runs
  LoadedScan loaded_;  // the source of the scan, once its worker has finished
  std::optional<volume::UnreadAreas> unread_;  // from the map beside the image, if there is one
  std::string unreadMap_;                      // that map's path
  filter::BrowsedTree browsed_{volume::NewVolumeTree(u"")};  // the scan's tree, maybe masked
  volume::VolumePageStage stage_ = volume::VolumePageStage::Scanning;
  volume::VolumePageStage stageBeforeMask_ = volume::VolumePageStage::Browsing;
  bool filesFound_ = false;
  bool scanSaved_ = false;        // saved, or resumed from a saved scan: leaving asks nothing
  bool scanFileWritten_ = false;  // since the last recovery run: S SCAN stays off
  filter::FilterList filter_;
  std::string recoveryDestination_;  // where the last recovery run wrote, as the person reads it
  destination::DestinationKind recoveryKind_ = destination::DestinationKind::LocalDrive;
  VolumeBrowser* browser_ = nullptr;
  VolumePageButtons* buttons_ = nullptr;
  PageFind* find_ = nullptr;
  PreviewArea* preview_ = nullptr;
  QLabel* total_ = nullptr;
  QLabel* selection_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* detail_ = nullptr;
  QProgressBar* scanBar_ = nullptr;
  QProgressBar* recoveryBar_ = nullptr;
  // Last, so that they are stopped and joined before the tree and the filter they use go.
  std::unique_ptr<ScanThread> scan_;
  std::unique_ptr<CThreadForSavingFiles> saving_;
  std::unique_ptr<CThreadForMask> mask_;
};

}  // namespace kestrel::gui
