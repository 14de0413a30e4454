// SPDX-License-Identifier: Apache-2.0
#include "disk/MediaPage.h"

namespace kestrel::disk {

PanelTexts PanelTextsFor(MediaEntryKind kind) {
  switch (kind) {
    case MediaEntryKind::Root:
      break;
    case MediaEntryKind::Disk:
      return {"Scan Disk",
              "Scanning a disk is useful in case of MBR corruption or any other corruptions that "
              "leads to loss of Pool or Volume. ",
              "It scans entire hard disk to search for lost Pools or Volumes. ",
              "Select the disk and click 'Continue' to start scan for lost pools and/or volumes. "
              "Double Clicking on the disk will also start scanning.  "};
    case MediaEntryKind::Pool:
      return {"Scan Pool",
              "Scanning a Pool lists all volumes that are present in the pool. It also includes "
              "volumes that have been deleted.",
              "This Scan is particularly useful in recovering data from deleted volume.",
              "Select the Pool and click 'Continue' to scan for volumes. Double Clicking  the Pool "
              "will also start Scan Process."};
    case MediaEntryKind::Volume:
      return {"Scan Volume",
              "This Process scans selected Volume for all files and folders and lists them in a "
              "tree view. Deleted Files and Folders are also listed in the tree view. ",
              "Select the volume and Click 'Continue' to scan selected volume for data, or Double "
              "Clicking the volume will also start scan process.",
              ""};
  }
  return {"Recover Data ",
          "Tree on the left displays available physical media connected to the system.  ",
          "Select Disk, Pool or Volume in the tree and click 'Continue'.  ",
          "This will start scanning Process to recover Data."};
}

bool ContinueEnabled(MediaEntryKind kind) {
  return kind != MediaEntryKind::Root;
}

ScanPage ScanPageFor(MediaEntryKind kind) {
  switch (kind) {
    case MediaEntryKind::Root:
      break;
    case MediaEntryKind::Disk:
      return ScanPage::DiskScan;
    case MediaEntryKind::Pool:
      return ScanPage::PoolScan;
    case MediaEntryKind::Volume:
      return ScanPage::VolumeScan;
  }
  return ScanPage::None;
}

}  // namespace kestrel::disk
