// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "app/LogReport.h"
#include "savedscan/ScanFileWriter.h"
#include "volume/FileTree.h"

class QWidget;

namespace kestrel::gui {

enum class SaveScanOutcome {
  NothingToSave,  // the scan found nothing: no file is offered
  Cancelled,      // the save dialog or the name clash question was cancelled
  Failed,         // the file could not be written; the person was told why
  Saved,
};

// "S SCAN": the log line, the save dialog ("Save Scan", "%s.IMG"), the name clash question
// CScanRename, the writer, the notice ScanSaved and the closing log line.
SaveScanOutcome SaveScanFromPage(QWidget* page, const volume::FileTree& tree,
                                 savedscan::ScanKind kind,
                                 const savedscan::SourceDescription& source,
                                 const app::LogReport& log);

}  // namespace kestrel::gui
