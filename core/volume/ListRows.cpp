// SPDX-License-Identifier: Apache-2.0
#include "volume/ListRows.h"

#include <array>
#include <utility>

namespace kestrel::volume {
namespace {

constexpr int kFolderIcon = 0;
constexpr int kOtherIcon = 56;
constexpr std::string_view kDeletedFileText = "Invalid/Deleted File";
constexpr std::string_view kValidFileText = "Valid File";
constexpr std::string_view kLargestSizeText = "18446744073709551615";  // 2^64 - 1 bytes

constexpr std::array<std::pair<std::u16string_view, int>, 45> kIcons{{
    {u"asm", 4},  {u"avi", 7},  {u"AVI", 7},   {u"mib", 7},   {u"mpeg", 7}, {u"mpg", 7},
    {u"WMV", 7},  {u"wmv", 7},  {u"bmp", 11},  {u"BMP", 11},  {u"txt", 12}, {u"TXT", 12},
    {u"LOG", 12}, {u"CFG", 14}, {u"HLP", 14},  {u"cpp", 16},  {u"db", 19},  {u"INS", 19},
    {u"doc", 20}, {u"MSG", 23}, {u"EXE", 24},  {u"gif", 28},  {u"png", 28}, {u"h", 29},
    {u"NCF", 30}, {u"htm", 31}, {u"html", 31}, {u"HTML", 31}, {u"ini", 32}, {u"INI", 32},
    {u"CSS", 32}, {u"jpg", 33}, {u"JPG", 33},  {u"jar", 35},  {u"LIB", 35}, {u"xls", 36},
    {u"exe", 37}, {u"pdf", 39}, {u"PDF", 39},  {u"zip", 44},  {u"xml", 44}, {u"Z", 44},
    {u"JAR", 44}, {u"sln", 47}, {u"ZIP", 54},
}};

}  // namespace

std::vector<RowRef> ListRowRefs(const FileTree& tree, FolderId folder) {
  std::vector<RowRef> rows;
  for (FolderId child = tree.Folder(folder).firstChild; child != kNoFolder;
       child = tree.Folder(child).nextSibling) {
    rows.push_back({true, child, tree.Folder(child).record});
  }
  for (RecordId r = tree.Record(tree.Folder(folder).record).m_next; r != kNoRecord;
       r = tree.Record(r).m_next) {
    if (!tree.Record(r).IsContinuation()) rows.push_back({false, kNoFolder, r});
  }
  return rows;
}

// A folder row is named as its tree item is: a pool's volume items have no name of their own.
const std::u16string& RowName(const FileTree& tree, const RowRef& row) {
  return row.folder ? tree.FolderText(row.folderId) : tree.Record(row.record).m_name;
}

std::string RowSizeText(const FileTree& tree, const RowRef& row) {
  return row.folder ? "0" : std::to_string(tree.Record(row.record).FullSize());
}

std::string RowTypeText(const FileTree& tree, const RowRef& row) {
  if (row.folder) return "0";
  return std::string(RowIsDeleted(tree, row) ? kDeletedFileText : kValidFileText);
}

bool RowIsDeleted(const FileTree& tree, const RowRef& row) {
  return !row.folder && tree.Record(row.record).IsDeleted();
}

std::string_view WidestCellText(std::size_t column) {
  switch (column) {
    case 1:
      return kLargestSizeText;
    case 2:
      return kDeletedFileText;
    default:
      break;
  }
  return {};
}

int RowIcon(const FileTree& tree, const RowRef& row) {
  return row.folder ? kFolderIcon : IconForName(RowName(tree, row));
}

int RowCheckImage(const FileTree& tree, const RowRef& row) {
  return static_cast<int>(tree.Record(row.record).m_state) + 1;
}

int IconForName(std::u16string_view name) {
  const auto dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return kOtherIcon;
  const std::u16string_view extension = name.substr(dot + 1);
  for (const auto& [candidate, icon] : kIcons) {
    if (candidate == extension) return icon;
  }
  return kOtherIcon;
}

}  // namespace kestrel::volume
