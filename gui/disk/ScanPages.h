#pragma once

#include <QDialog>

#include "app/LogReport.h"
#include "disk/MediaTree.h"

// The scan pages that the media page and the disk scan page open for an entry of their trees.
// Each returns nullptr, after telling the person why, when the entry's source does not open.
namespace kestrel::gui {

QDialog* NewDiskScanPage(const disk::DiskEntry& disk, const app::LogReport& log, QWidget* parent);
QDialog* NewPoolPage(const disk::PoolEntry& pool, const app::LogReport& log, QWidget* parent);
QDialog* NewVolumePage(const disk::VolumeEntry& volume, const disk::PartitionChain& chain,
                       const app::LogReport& log, QWidget* parent);

}  // namespace kestrel::gui
