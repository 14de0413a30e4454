// SPDX-License-Identifier: Apache-2.0
#include "gui/filter/PageFind.h"

#include "app/TextEncoding.h"
#include "filter/FindMatching.h"
#include "gui/common/NoticeDialog.h"
#include "gui/common/QtText.h"
#include "gui/filter/CFindFileDlg.h"
#include "gui/volume/VolumeBrowser.h"

namespace kestrel::gui {

PageFind::PageFind(VolumeBrowser& browser, filter::BrowsedTree& tree, const app::LogReport& log,
                   QWidget* page)
    : QObject(page), browser_(browser), tree_(tree), log_(log), page_(page) {}

void PageFind::Find() {
  findText_.clear();
  CFindFileDlg dialog(page_);
  if (dialog.exec() != QDialog::Accepted) return;
  findText_ = dialog.FindText().toStdU16String();
  log_.AppendLogEntry(filter::SearchingForText(app::ToUtf8(findText_)));
  Show(filter::FindFromTop(tree_.Shown(), filter::FindMatching(findText_), tree_.Find()));
}

void PageFind::FindNext() {
  if (findText_.empty()) return;
  Show(filter::FindNext(tree_.Shown(), filter::FindMatching(findText_), tree_.Find()));
}

void PageFind::Show(const std::optional<filter::FindMatch>& match) {
  if (match) {
    browser_.ShowMatch(match->folder, match->row);
    emit messageChanged(ToQString(filter::kPressF3Text));
    return;
  }
  NoticeDialog("NoMatchingEntriesFound", filter::kNoMatchingEntriesFoundText, {NoticeDialog::kOk},
               page_)
      .exec();
  browser_.ClearList();
  emit messageChanged({});
}

}  // namespace kestrel::gui
