// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "volume/ScanItem.h"

// What a mask keeps of a scanned tree: files by the text after the last "." of their names,
// deleted entries only, and a size range.
namespace kestrel::filter {

struct MaskCriteria {
  std::vector<std::u16string> m_maskPatterns;  // such as "*.doc"; "*.*" names every file
  bool m_maskDeletedOnly = false;
  bool m_maskSizeFromSet = false;
  std::uint64_t m_maskSizeFrom = 0;
  bool m_maskSizeUptoSet = false;
  std::uint64_t m_maskSizeUpto = 0;
};

// The page whose tree is masked: the pool page's mask has no deleted-only rule.
enum class MaskView { Volume, Pool };

// "*.*" alone, with neither size bound nor "deleted only": the mask would keep every file, so
// the view stays as it is.
bool KeepsEverything(const MaskCriteria& criteria);

// The criteria made ready for testing millions of files.
class FileMask {
 public:
  FileMask(const MaskCriteria& criteria, MaskView view);

  // "*." followed by the text after the last "." of the name equals one of the entries, without
  // regard to case; a name without "." never matches. No other wildcard is read.
  bool MatchesMask(std::u16string_view name) const;

  // Whether a file passes, judged by its head record: its continuation records go with it.
  bool Passes(const volume::ScanItem& head) const;

 private:
  MaskCriteria criteria_;
  bool deletedOnly_ = false;
  bool everyName_ = false;                  // an entry "*.*"
  std::vector<std::u32string> extensions_;  // the folded text after "*." of each other entry
};

}  // namespace kestrel::filter
