// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "volume/FileTree.h"

// The rows of the file list for one folder: its child folders in tree order, then the files of
// its chain (continuation records are never rows), with each column's content.
namespace kestrel::volume {

struct RowRef {
  bool folder = false;
  FolderId folderId = kNoFolder;  // a child folder row
  RecordId record = kNoRecord;    // the row's record: the child's folder record or a file head
};

std::vector<RowRef> ListRowRefs(const FileTree& tree, FolderId folder);

const std::u16string& RowName(const FileTree& tree, const RowRef& row);
// "File Size (in Bytes)": the file's size; "0" for a folder.
std::string RowSizeText(const FileTree& tree, const RowRef& row);
// "File Type": "Invalid/Deleted File" for a key with all 64 bits set, else "Valid File"; "0" for
// a folder.
std::string RowTypeText(const FileTree& tree, const RowRef& row);
// A file row of a deleted entry (key with all 64 bits set), to be marked as such.
bool RowIsDeleted(const FileTree& tree, const RowRef& row);
// The widest text the size or the type column can hold, so that those columns can be made as
// wide as their content without measuring every row of a large folder.
std::string_view WidestCellText(std::size_t column);

// Icon index in the list's image list: 0 for a folder, else by the file's extension.
int RowIcon(const FileTree& tree, const RowRef& row);
// Check image: the record's state + 1 (2 unchecked, 3 checked, 4 partial).
int RowCheckImage(const FileTree& tree, const RowRef& row);

// Icon index of a file name by the text after its last "." (compared case-sensitively); 56 for
// every other extension and for a name without ".".
int IconForName(std::u16string_view name);

}  // namespace kestrel::volume
