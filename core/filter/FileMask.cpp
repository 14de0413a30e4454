// SPDX-License-Identifier: Apache-2.0
#include "filter/FileMask.h"

#include <algorithm>

#include "filter/CaseFold.h"

namespace kestrel::filter {
namespace {

constexpr std::u16string_view kEveryFile = u"*.*";
constexpr std::u16string_view kExtensionPrefix = u"*.";

bool NamesEveryFile(const MaskCriteria& criteria) {
  return std::find(criteria.m_maskPatterns.begin(), criteria.m_maskPatterns.end(), kEveryFile) !=
         criteria.m_maskPatterns.end();
}

}  // namespace

bool KeepsEverything(const MaskCriteria& criteria) {
  return NamesEveryFile(criteria) && !criteria.m_maskDeletedOnly && !criteria.m_maskSizeFromSet &&
         !criteria.m_maskSizeUptoSet;
}

FileMask::FileMask(const MaskCriteria& criteria, MaskView view)
    : criteria_(criteria),
      deletedOnly_(criteria.m_maskDeletedOnly && view == MaskView::Volume),
      everyName_(NamesEveryFile(criteria)) {
  for (const std::u16string& entry : criteria.m_maskPatterns) {
    if (entry != kEveryFile && std::u16string_view(entry).starts_with(kExtensionPrefix))
      extensions_.push_back(FoldedText(std::u16string_view(entry).substr(kExtensionPrefix.size())));
  }
}

bool FileMask::MatchesMask(std::u16string_view name) const {
  const auto dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return false;
  const std::u32string extension = FoldedText(name.substr(dot + 1));
  return std::find(extensions_.begin(), extensions_.end(), extension) != extensions_.end();
}

bool FileMask::Passes(const volume::ScanItem& head) const {
  if (!everyName_ && !MatchesMask(head.m_name)) return false;
  if (deletedOnly_ && !head.IsDeleted()) return false;
  const std::uint64_t size = head.FullSize();
  if (criteria_.m_maskSizeFromSet && size < criteria_.m_maskSizeFrom) return false;
  return !criteria_.m_maskSizeUptoSet || size <= criteria_.m_maskSizeUpto;
}

}  // namespace kestrel::filter
