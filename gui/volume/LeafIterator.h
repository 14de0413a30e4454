#pragma once

#include <memory>

#include "app/LogReport.h"
#include "filter/FilterList.h"
#include "gui/common/PageDialog.h"
#include "gui/volume/CThreadForSavingFiles.h"
#include "gui/volume/CVolumeThread.h"
#include "savedscan/ScanFileReader.h"
#include "volume/Selection.h"
#include "volume/VolumePage.h"
#include "volume/VolumeScanner.h"

class QLabel;
class QProgressBar;

namespace kestrel::gui {

class VolumeBrowser;
class VolumePageButtons;
enum class SaveScanOutcome;

// The volume page: the scan of a volume (or the replay of a saved scan) on a worker, then the
// folder tree and the file list to tick folders and files in, Recover into a local folder on a
// second worker, "S SCAN", and HOME (result 1), BACK (3) and X (2).
class LeafIterator : public PageDialog {
  Q_OBJECT

 public:
  LeafIterator(volume::VolumeScanSource source, const app::LogReport& log, QWidget* parent);
  LeafIterator(savedscan::SavedScan saved, const app::LogReport& log, QWidget* parent);

 protected:
  void CloseRequested() override { Leave(app::LeaveButton::Close); }

 private:
  LeafIterator(std::unique_ptr<CVolumeThread> scan, const app::LogReport& log, QWidget* parent);
  QWidget* BuildStatusArea();
  void EnterStage(volume::VolumePageStage stage);
  bool WorkRunning() const;
  void OnScanProgress(int percent, const QString& total);
  void OnScanFinished();
  void OnSelectionChanged(const volume::SelectionChange& change);
  void OnStop();
  void OnRecover();
  void OnRecoveryFinished();
  SaveScanOutcome OnSaveScan();
  void Leave(app::LeaveButton button);

  const app::LogReport& log_;
  LoadedVolume volume_;  // the empty tree of the start until the scan's worker has finished
  volume::VolumePageStage stage_ = volume::VolumePageStage::Scanning;
  bool filesFound_ = false;
  bool scanSaved_ = false;        // saved, or resumed from a saved scan: leaving asks nothing
  bool scanFileWritten_ = false;  // since the last recovery run: S SCAN stays off
  filter::FilterList filter_;
  VolumeBrowser* browser_ = nullptr;
  VolumePageButtons* buttons_ = nullptr;
  QLabel* total_ = nullptr;
  QLabel* selection_ = nullptr;
  QLabel* status_ = nullptr;
  QProgressBar* scanBar_ = nullptr;
  QProgressBar* recoveryBar_ = nullptr;
  // Last, so that they are stopped and joined before the tree and the filter they use go.
  std::unique_ptr<CVolumeThread> scan_;
  std::unique_ptr<CThreadForSavingFiles> saving_;
};

}  // namespace kestrel::gui
