// SPDX-License-Identifier: Apache-2.0
#include "EntryRules.h"

#include "EntryPath.h"
#include "NssFormat.h"

namespace kestrel::mkimage {
namespace {

using nss::name_block::kThreeNames;
using nss::name_block::kTwoNames;

bool IsMultiPart(std::uint16_t code) {
  return code == kTwoNames || code == kThreeNames;
}

Status CheckNameParts(const EntryLayout& entry) {
  if (!IsMultiPart(entry.code) && (!entry.nameParts.empty() || entry.zeroLengthPart != 0)) {
    return Error{"nameParts and zeroLengthPart need code 22 or 20"};
  }
  const std::size_t parts = entry.code == kTwoNames ? 2 : 3;
  if (!entry.nameParts.empty() && entry.nameParts.size() != parts) {
    return Error{"code " + std::to_string(entry.code) + " takes " + std::to_string(parts) +
                 " nameParts"};
  }
  // The first part's length is never read as "zero-terminated"; a two-part name has no third.
  if (entry.zeroLengthPart == 1 || entry.zeroLengthPart > static_cast<int>(parts)) {
    return Error{"zeroLengthPart of code " + std::to_string(entry.code) + " must be " +
                 (parts == 2 ? "2" : "2 or 3")};
  }
  return {};
}

Status CheckSecondStage(const EntryLayout& entry) {
  const bool secondStageFields =
      entry.secondName || entry.secondParentKey || entry.secondCode != nss::name_block::kOneName;
  if (entry.form != NameForm::Form2 && (secondStageFields || !entry.firstEntry)) {
    return Error{"firstEntry, secondName, secondCode and secondParentKey need form2"};
  }
  if (!entry.secondName &&
      (entry.secondParentKey || entry.secondCode != nss::name_block::kOneName)) {
    return Error{"secondCode and secondParentKey need secondName"};
  }
  if (entry.secondName &&
      (entry.secondName->empty() || entry.secondName->find('/') != std::string::npos)) {
    return Error{"secondName must be a name, without /"};
  }
  if (entry.secondName && !entry.firstEntry) {
    return Error{
        "with firstEntry false the entry's own name is the second-stage entry; "
        "drop secondName"};
  }
  if (entry.stage < 1) return Error{"stage must be 1, 2, 3 or 4"};
  if (entry.form == NameForm::Form1 && entry.stage != 1) {
    return Error{"stage needs form2 or neither"};
  }
  return {};
}

Status CheckData(const EntryLayout& entry) {
  if (entry.kind == EntryKind::Folder && entry.content.kind != ContentLayout::Kind::Empty) {
    return Error{"a folder has no content"};
  }
  if (entry.extents == 0) return Error{"extents must be at least 1"};
  if ((entry.kind == EntryKind::Folder || entry.skip) && entry.extents != 1) {
    return Error{"folders and skipped records have no data extents"};
  }
  if (entry.deleted && entry.key) return Error{"a deleted entry's key is all ones; drop key"};
  return {};
}

}  // namespace

bool IsKnownCode(std::uint16_t code) {
  return code == nss::name_block::kOneName || IsMultiPart(code) ||
         code == nss::name_section::kCodeOneName || code == nss::name_section::kCodeParentOverride;
}

Status CheckEntryLayout(const EntryLayout& entry) {
  for (Status status : {CheckEntryPath(entry.path), CheckNameParts(entry), CheckSecondStage(entry),
                        CheckData(entry)}) {
    if (!status) return status;
  }
  return {};
}

}  // namespace kestrel::mkimage
