// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QDialog>
#include <string>

#include "app/LogReport.h"
#include "disk/MediaTree.h"

// The scan pages that the media page and the disk scan page open for an entry of their trees, and
// that the resume and imaging pages open on an image file. Each returns nullptr, after telling
// the person why, when the source does not open.
namespace kestrel::gui {

QDialog* NewDiskScanPage(const disk::DiskEntry& disk, const app::LogReport& log, QWidget* parent);
QDialog* NewPoolPage(const disk::PoolEntry& pool, const app::LogReport& log, QWidget* parent);
QDialog* NewVolumePage(const disk::VolumeEntry& volume, const disk::PartitionChain& chain,
                       const app::LogReport& log, QWidget* parent);
// The pool page on an image of one pool, the disk scan page on an image of a whole disk.
QDialog* NewImagePage(const std::string& imagePath, bool poolImage, const app::LogReport& log,
                      QWidget* parent);

}  // namespace kestrel::gui
