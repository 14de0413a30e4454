// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <optional>

#include "app/LogReport.h"
#include "disk/MediaTree.h"
#include "gui/common/PageDialog.h"
#include "gui/imaging/CImageCreation.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace kestrel::gui {

// The source selection of imaging: "Physical Disks", each disk and the NSS pools found on it;
// "Item Information" with the size, starting sector and ending sector of the chosen disk or pool.
// Continue (or a double click) asks for the image file, refuses a destination on the source disk
// or without room, offers to resume a rescue the image was left by, asks before an existing image
// is replaced, and opens the imaging page; "rescue" images a failing disk good areas first. The
// image is raw or, chosen in "Image format:", an E01 evidence file with the examiner's case fields.
// "Assemble RAID..." adds a RAID set to the list, imaged as one disk.
class CCreateImageItems : public PageDialog {
  Q_OBJECT

 public:
  CCreateImageItems(const app::LogReport& log, QWidget* parent);

 protected:
  void CloseRequested() override { EndPage(app::ImagingPageResult(app::LeaveButton::Close)); }

 private:
  QWidget* BuildTree();
  QWidget* BuildItemInformation();
  QLayout* BuildButtons();
  void FillTree();
  void AddDiskItem(int diskIndex);
  void OnAssembleRaid();
  void OnSelectionChanged();
  void OnContinue();
  // The choice with the image file asked for, once every check has passed; nothing when the flow
  // ends there.
  std::optional<ImagingChoice> WithImageFile(ImagingChoice choice);
  // The image's path from the name chosen, and for an E01 the case fields asked for; false when
  // the examiner cancels them.
  bool NameImage(ImagingChoice& choice, const QString& chosen);
  // An existing image with the map of a rescue that did not end beside it: whether to resume it.
  bool ResumesRescue(const ImagingChoice& choice);
  // Room for the whole range, counting what an image already there holds; else says why not.
  bool HasRoomForImage(const ImagingChoice& choice);

  const app::LogReport& log_;
  disk::MediaTree media_;
  std::optional<ImagingChoice> chosen_;  // the source of the selected disk or pool
  QTreeWidget* tree_ = nullptr;
  std::array<QLabel*, 3> itemLines_{};
  QPushButton* continue_ = nullptr;
  QCheckBox* rescue_ = nullptr;
  QComboBox* format_ = nullptr;
};

}  // namespace kestrel::gui
