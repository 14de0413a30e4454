// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <memory>
#include <string>

#include "app/LogReport.h"
#include "disk/DiskReader.h"
#include "gui/common/PageDialog.h"
#include "imaging/EwfImage.h"
#include "imaging/SectorRange.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kestrel::gui {

class CopyRun;
class ProgressGridView;

// What the source selection hands to the imaging page.
struct ImagingChoice {
  std::string sourcePath;  // m_sourceDevicePath: the disk's logical name
  imaging::SectorRange range;
  bool poolImage = false;  // m_imageOfPool; else m_imageOfDisk
  std::string imagePath;
  // A failing disk's rescue: good areas first, and resumable from the map beside the image.
  bool rescue = false;
  // An image already at imagePath is replaced, never resumed, whatever map lies beside it.
  bool replace = false;
  // An E01 evidence file set, whose first segment is imagePath; else a raw image.
  std::optional<imaging::EwfSettings> ewf{};
};

// The imaging page: copies the chosen range into the image file on its worker from the moment it
// opens, and paints the grid, "Reading Sector:", "Image Size:" and the time left from what the
// worker reports. Stop asks, then only asks the worker to stop; the worker closes the image and
// writes the map file beside it. Continue then scans the image: the pool page on a pool image, the
// disk scan page on a disk image.
class CImageCreation : public PageDialog {
  Q_OBJECT

 public:
  // Opens the choice's source for reading (m_sourceHandle) and starts at once.
  CImageCreation(ImagingChoice choice, const app::LogReport& log, QWidget* parent);
  // The source already opened: a test hands in one whose reads it paces.
  CImageCreation(ImagingChoice choice, disk::OpenedSource source, const app::LogReport& log,
                 QWidget* parent);
  ~CImageCreation() override;

 protected:
  void CloseRequested() override { Leave(app::LeaveButton::Close); }

 private:
  QWidget* BuildProgressArea();
  QLayout* BuildButtons();
  void Start();
  void OnProgress(int percent, const QString& detail);
  void OnFinished();
  void ShowStatus();
  void OnStop();
  void OnContinue();
  void Leave(app::LeaveButton button);

  ImagingChoice choice_;
  disk::OpenedSource source_;
  const app::LogReport& log_;
  ProgressGridView* grid_ = nullptr;
  QLabel* readingSector_ = nullptr;
  QLabel* imageSize_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* detail_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* continue_ = nullptr;
  QPushButton* home_ = nullptr;
  QPushButton* back_ = nullptr;
  std::unique_ptr<CopyRun> run_;  // last: stopped and joined first
};

}  // namespace kestrel::gui
