// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "volume/FileTree.h"

// Paths of the entries of a tree, as the command line names them: "/" is the top folder,
// "/DOCS/report.doc" a file in its folder DOCS. Names are UTF-8.
namespace kestrel::volume {

struct TreeEntry {
  std::string path;
  bool folder = false;
  FolderId folderId = kNoFolder;  // the folder itself, or the folder holding the file
  RecordId record = kNoRecord;    // the folder record or the file's head record
};

// Every folder (the top one excepted) and every file, in display order: a folder, the files of
// its chain, then its sub-folders.
void ForEachEntry(const FileTree& tree, const std::function<void(const TreeEntry&)>& visit);

std::string FolderPath(const FileTree& tree, FolderId folder);
// The path of the file whose head record is `record`, in `folder`.
std::string FilePath(const FileTree& tree, FolderId folder, RecordId record);

// The entries a path names: every folder or file whose path it is (deleted and live entries can
// share a name); for "/" the top folder.
std::vector<TreeEntry> FindByPath(const FileTree& tree, const std::string& path);

// The extents of a file as stored: its head record's, then each continuation record's.
std::vector<Extent> FileExtents(const FileTree& tree, RecordId head);

}  // namespace kestrel::volume
