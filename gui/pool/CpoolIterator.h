// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/LogReport.h"
#include "gui/volume/ScanPage.h"
#include "pool/PoolScanner.h"
#include "savedscan/ScanFileReader.h"

namespace kestrel::gui {

// The pool page, the volume page's twin for a pool: the sector-by-sector pool scan (or the replay
// of a saved pool scan) with the volumes it meets, deleted ones marked, under the top item
// "pool"; recovery writes each volume into a folder of its own.
class CpoolIterator : public ScanPage {
  Q_OBJECT

 public:
  CpoolIterator(pool::PoolScanSource source, const app::LogReport& log, QWidget* parent);
  CpoolIterator(savedscan::SavedScan saved, const app::LogReport& log, QWidget* parent);

 protected:
  filter::MaskView MaskedView() const override { return filter::MaskView::Pool; }
  bool CanRecover() override;
  std::unique_ptr<CSaveFile> DestinationDialog(filter::FilterList& filter) override;
  std::unique_ptr<CThreadForSavingFiles> SavingThread(SavingRequest request,
                                                      filter::FilterList& filter) override;
};

}  // namespace kestrel::gui
