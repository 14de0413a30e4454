// SPDX-License-Identifier: Apache-2.0
#include "filter/FilterList.h"

#include <algorithm>

namespace kestrel::filter {
namespace {

char16_t FoldCase(char16_t unit) {
  return unit >= u'A' && unit <= u'Z' ? unit + (u'a' - u'A') : unit;
}

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); });
}

}  // namespace

const std::array<FilterGroup, 5>& PredefinedFilterGroups() {
  static const std::array<FilterGroup, 5> groups{{
      {"Office Documents (*.doc, *.dot, *.xls,  *.xlw, *.ppt)",
       {u"*.doc", u"*.dot", u"*.xls", u"*.xlw", u"*.ppt"}},
      {"Web Documents (*.html, *.htm, *.htx, *.asp, *.stm, *shtml)",
       {u"*.html", u"*.htm", u"*.htx", u"*.asp", u"*.stm", u"*.shtml"}},
      {"Graphics files (*.bmp, *.gif, *.jpg, *.jpeg, *.png, *.tif, *.ico, *.cur)",
       {u"*.bmp", u"*.gif", u"*.jpg", u"*.jpeg", u"*.png", u"*.tif", u"*.ico", u"*.cur"}},
      {"Compressed files (*.zip, *.rar, *.tar, *.lzh, *.cab)",
       {u"*.zip", u"*.rar", u"*.tar", u"*.lzh", u"*.cab"}},
      {"Programming Files (*.c, *.cpp, *.h, *.cxx, *.rc, *.dsw, *.dsp)",
       {u"*.c", u"*.cpp", u"*.h", u"*.cxx", u"*.rc", u"*.dsw", u"*.dsp"}},
  }};
  return groups;
}

void FilterList::AddGroup(const FilterGroup& group) {
  patterns_.insert(patterns_.end(), group.entries.begin(), group.entries.end());
}

bool FilterList::AddTyped(std::u16string_view text) {
  if (text.find_first_not_of(u' ') == std::u16string_view::npos) return false;
  patterns_.emplace_back(text);
  return true;
}

void FilterList::Remove(std::u16string_view text) {
  const auto match =
      std::find_if(patterns_.begin(), patterns_.end(),
                   [&](const std::u16string& pattern) { return EqualIgnoringCase(pattern, text); });
  if (match != patterns_.end()) patterns_.erase(match);
}

bool FilterList::Admits(std::u16string_view fileName) const {
  if (patterns_.empty()) return true;
  const auto dot = fileName.rfind(u'.');
  const std::u16string key =
      u"*." + std::u16string(dot == std::u16string_view::npos ? u"" : fileName.substr(dot + 1));
  const bool listed =
      std::any_of(patterns_.begin(), patterns_.end(),
                  [&](const std::u16string& pattern) { return EqualIgnoringCase(pattern, key); });
  return mode == FilterMode::Include ? listed : !listed;
}

}  // namespace kestrel::filter
