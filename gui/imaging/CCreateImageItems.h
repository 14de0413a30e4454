#pragma once

#include <array>
#include <optional>

#include "app/LogReport.h"
#include "disk/MediaTree.h"
#include "gui/common/PageDialog.h"
#include "gui/imaging/CImageCreation.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace kestrel::gui {

// The source selection of imaging: "Physical Disks", each disk and the NSS pools found on it;
// "Item Information" with the size, starting sector and ending sector of the chosen disk or pool.
// Continue (or a double click) asks for the image file, refuses a destination on the source disk
// or without room, asks before an existing image is replaced, and opens the imaging page.
class CCreateImageItems : public PageDialog {
  Q_OBJECT

 public:
  CCreateImageItems(const app::LogReport& log, QWidget* parent);

 protected:
  void CloseRequested() override { EndPage(app::ImagingPageResult(app::LeaveButton::Close)); }

  // Called when the chosen image file exists, before the question whether to replace it. The
  // imaging of this page cannot be resumed; an imaging that can offers Resume here for an image
  // with a map file beside it, and returns true when it has taken the run over.
  virtual bool OfferResume(const ImagingChoice& /*choice*/) { return false; }

 private:
  QWidget* BuildTree();
  QWidget* BuildItemInformation();
  QLayout* BuildButtons();
  void FillTree();
  void OnSelectionChanged();
  void OnContinue();
  // The choice with the image file asked for, once every check has passed; nothing when the flow
  // ends there.
  std::optional<ImagingChoice> WithImageFile(ImagingChoice choice);

  const app::LogReport& log_;
  disk::MediaTree media_;
  std::optional<ImagingChoice> chosen_;  // the source of the selected disk or pool
  QTreeWidget* tree_ = nullptr;
  std::array<QLabel*, 3> itemLines_{};
  QPushButton* continue_ = nullptr;
};

}  // namespace kestrel::gui
