// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "app/LogReport.h"
#include "disk/DiskReader.h"
#include "disk/MediaDiscovery.h"
#include "disk/MediaTree.h"
#include "disk/raid/RaidAssembly.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace kestrel::gui {

// "Assemble RAID...": the members of an array picked from the page's disks, from image files or
// as missing, put in order, and the array's level, layout, stripe and offset, given or found by
// Detect. OK is accepted only once the set opens; what is wrong with it is said in the dialog.
class RaidAssemblyDialog : public QDialog {
  Q_OBJECT

 public:
  RaidAssemblyDialog(const disk::MediaTree& media, QWidget* parent);

  // The set's "raid:" name; valid once the dialog is accepted, which it is only once it opens.
  const std::string& SourceName() const { return sourceName_; }

 private:
  QLayout* BuildMembers(const disk::MediaTree& media);
  QLayout* BuildGeometry();
  QLayout* BuildButtons();
  void AddMember(const QString& member);
  void AddImage();
  void MoveMember(int step);
  void RemoveMember();
  void OnLevelChanged();
  disk::RaidAssembly Assembly() const;
  void Show(const disk::RaidAssembly& assembly);
  void OnDetect();
  void OnOk();

  QListWidget* members_ = nullptr;
  QComboBox* disks_ = nullptr;
  QComboBox* level_ = nullptr;
  QComboBox* layout_ = nullptr;
  QComboBox* stripe_ = nullptr;
  QLineEdit* offset_ = nullptr;
  QLabel* problem_ = nullptr;
  std::string sourceName_;
};

// Runs the dialog over a page's disks and reads the set it opens as the page reads a disk, listed
// after the disks; nothing when the person cancels. The set is remembered for the rest of the
// run, so every page that lists the disks lists it too.
std::optional<disk::DiskEntry> AssembleRaidDisk(const disk::MediaTree& media,
                                                const app::LogReport& log, disk::DiscoveryLog lines,
                                                QWidget* parent);

}  // namespace kestrel::gui
