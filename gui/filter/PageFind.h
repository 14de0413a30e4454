// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QObject>
#include <optional>
#include <string>

#include "app/LogReport.h"
#include "filter/BrowsedTree.h"

class QWidget;

namespace kestrel::gui {

class VolumeBrowser;

// FIND and F3 on a browsing page: the find dialog, the search through the tree the page shows,
// each match opened in the browser, and the notice once every folder has been searched.
class PageFind : public QObject {
  Q_OBJECT

 public:
  PageFind(VolumeBrowser& browser, filter::BrowsedTree& tree, const app::LogReport& log,
           QWidget* page);

  // FIND: asks for the patterns, then searches from the top item.
  void Find();
  // F3: searches on from the last match; nothing before a text was searched for.
  void FindNext();

 signals:
  // The page's message line: "Press F3 to search next" after a match, empty after the notice.
  void messageChanged(const QString& text);

 private:
  void Show(const std::optional<filter::FindMatch>& match);

  VolumeBrowser& browser_;
  filter::BrowsedTree& tree_;
  const app::LogReport& log_;
  QWidget* page_;
  std::u16string findText_;
};

}  // namespace kestrel::gui
