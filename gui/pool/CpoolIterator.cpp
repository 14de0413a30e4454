// SPDX-License-Identifier: Apache-2.0
#include "gui/pool/CpoolIterator.h"

#include "gui/common/NoticeDialog.h"
#include "gui/destination/CPoolSaving.h"
#include "gui/pool/CThreadForSavingPOOLFiles.h"
#include "gui/pool/ThreadForPool.h"
#include "gui/volume/VolumePageButtons.h"
#include "pool/PoolPage.h"
#include "volume/SavingRun.h"

namespace kestrel::gui {

CpoolIterator::CpoolIterator(pool::PoolScanSource source, const app::LogReport& log,
                             QWidget* parent)
    : ScanPage("CpoolIterator", std::make_unique<ThreadForPool>(std::move(source), log, nullptr),
               log, parent) {
  Buttons().AddLogButton();
}

CpoolIterator::CpoolIterator(savedscan::SavedScan saved, const app::LogReport& log, QWidget* parent)
    : ScanPage("CpoolIterator", std::make_unique<ThreadForPool>(std::move(saved), nullptr), log,
               parent) {
  Buttons().AddLogButton();
}

bool CpoolIterator::CanRecover() {
  if (Tree().filesFound) return true;
  NoticeDialog("NoFilesFound", pool::kNoFilesFoundText, {NoticeDialog::kOk}, this).exec();
  return false;
}

std::unique_ptr<CSaveFile> CpoolIterator::DestinationDialog(filter::FilterList& filter) {
  return std::make_unique<CPoolSaving>(
      [this, &filter] { return volume::BytesToSave(Tree(), filter); }, filter, this);
}

std::unique_ptr<CThreadForSavingFiles> CpoolIterator::SavingThread(SavingRequest request,
                                                                   filter::FilterList& filter) {
  return std::make_unique<CThreadForSavingPOOLFiles>(Tree(), std::move(request), filter, Log(),
                                                     this);
}

}  // namespace kestrel::gui
