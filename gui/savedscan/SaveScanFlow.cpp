// SPDX-License-Identifier: Apache-2.0
#include "gui/savedscan/SaveScanFlow.h"

#include <QFileDialog>
#include <optional>

#include "gui/common/NoticeDialog.h"
#include "gui/common/QtText.h"
#include "gui/common/WorkDialog.h"
#include "gui/destination/CScanRename.h"
#include "gui/savedscan/ScanSaved.h"
#include "savedscan/SaveRules.h"
#include "savedscan/ScanSaving.h"

namespace kestrel::gui {
namespace {

// The scan file's name clash, asked with CScanRename.
class ScanRenameQuestion : public savedscan::ScanRenamePrompt {
 public:
  explicit ScanRenameQuestion(QWidget* page) : page_(page) {}

  savedscan::ScanRenameAnswer Ask(const std::string& fullPath,
                                  const std::string& proposedName) override {
    CScanRename dialog(fullPath, proposedName, page_);
    dialog.exec();
    return dialog.Answer();
  }

 private:
  QWidget* page_;
};

// The path the person chose in the save dialog, without the extension the program adds.
std::optional<std::string> ChooseSavePath(QWidget* page) {
  QFileDialog dialog(page, ToQString(savedscan::kSaveScanTitle));
  dialog.setObjectName(QStringLiteral("saveScanFileDialog"));
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(ToQString(savedscan::kScanFileFilter));
  dialog.selectFile(ToQString(savedscan::kSaveScanInitialName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return ToUtf8String(dialog.selectedFiles().constFirst());
}

}  // namespace

SaveScanOutcome SaveScanFromPage(QWidget* page, const volume::FileTree& tree,
                                 savedscan::ScanKind kind,
                                 const savedscan::SourceDescription& source,
                                 const app::LogReport& log) {
  if (!savedscan::HasSomethingToSave(tree)) return SaveScanOutcome::NothingToSave;
  log.AppendLogEntry(savedscan::kStartedSavingLogText);
  const std::optional<std::string> chosen = ChooseSavePath(page);
  if (!chosen) return SaveScanOutcome::Cancelled;
  ScanRenameQuestion question(page);
  const std::optional<std::string> path =
      savedscan::ChooseScanFilePath(savedscan::ScanFileName(*chosen), question);
  if (!path) return SaveScanOutcome::Cancelled;
  app::Result<bool> written = false;
  WorkDialog("WritingScanFile", savedscan::kWritingScanFileText, page)
      .Run([&](app::ProgressObserver& observer) {
        written = savedscan::WriteScanFile(tree, kind, source, *path, observer);
      });
  if (!written.ok()) {
    NoticeDialog("ScanNotSaved", written.error(), {NoticeDialog::kOk}, page).exec();
    return SaveScanOutcome::Failed;
  }
  ScanSaved(page).exec();
  if (kind == savedscan::ScanKind::Volume) log.AppendLogEntry(savedscan::kScanSavedLogText);
  return SaveScanOutcome::Saved;
}

}  // namespace kestrel::gui
