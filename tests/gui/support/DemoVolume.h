// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>
#include <memory>

#include "DemoDisks.h"
#include "GatedSource.h"
#include "pool/PoolScanner.h"
#include "volume/VolumeScanner.h"

namespace kestrel::guitest {

// A volume of demo disk 0 as the media page hands it to the volume page. With a gate, every read
// of the page goes through it.
volume::VolumeScanSource DemoVolume(const DemoDisks& disks, const QString& volumeName,
                                    std::shared_ptr<GatedSource> gate = nullptr);

// A pool of demo disk 0 as the media page hands it to the pool page.
pool::PoolScanSource DemoPool(const DemoDisks& disks, const QString& poolName);

// The gate for DemoVolume: open until the test closes it.
std::shared_ptr<GatedSource> DemoGate(const DemoDisks& disks);

}  // namespace kestrel::guitest
