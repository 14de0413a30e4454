// SPDX-License-Identifier: Apache-2.0
#include "EntryNames.h"

#include "EntryPath.h"
#include "NssFormat.h"
#include "Utf16.h"

namespace kestrel::mkimage {
namespace {

std::size_t PartCount(std::uint16_t code) {
  if (code == nss::name_block::kTwoNames) return 2;
  return code == nss::name_block::kThreeNames ? 3 : 1;
}

Result<NameEntry> MakeNameEntry(const std::u16string& units, std::uint16_t code,
                                const std::vector<std::string>& parts, int zeroLengthPart,
                                std::uint64_t parentKey) {
  Result<NameParts> split = SplitName(units, PartCount(code), parts, zeroLengthPart);
  if (!split) return split.error();
  return NameEntry{code, std::move(*split), parentKey};
}

Result<NameEntry> MakeNameEntry(std::string_view name, std::uint16_t code,
                                const std::vector<std::string>& parts, int zeroLengthPart,
                                std::uint64_t parentKey) {
  Result<std::u16string> units = Utf8ToUtf16(name);
  if (!units) return units.error();
  return MakeNameEntry(*units, code, parts, zeroLengthPart, parentKey);
}

}  // namespace

Result<NameSectionLayout> PlainNameSection(std::string_view name, std::uint64_t parentKey) {
  Result<NameEntry> entry = MakeNameEntry(name, nss::name_block::kOneName, {}, 0, parentKey);
  if (!entry) return entry.error();
  return NameSectionLayout{NameForm::Form1, std::move(*entry), std::nullopt, 1};
}

Result<NameSectionLayout> MakeNameSection(const ResolvedEntry& entry) {
  if (entry.wanted == nullptr) return PlainNameSection(LeafName(entry.path), entry.parentKey);
  const EntryLayout& wanted = *entry.wanted;
  const auto named = [&](const auto& name) {
    return MakeNameEntry(name, wanted.code, wanted.nameParts, wanted.zeroLengthPart,
                         entry.parentKey);
  };
  Result<NameEntry> own = wanted.nameUnits ? named(*wanted.nameUnits) : named(LeafName(entry.path));
  if (!own) return own.error();
  NameSectionLayout section{wanted.form, std::nullopt, std::nullopt, wanted.stage};
  const bool ownIsFirst =
      wanted.form == NameForm::Form1 || (wanted.form == NameForm::Form2 && wanted.firstEntry);
  (ownIsFirst ? section.first : section.second) = std::move(*own);
  if (wanted.secondName) {
    Result<NameEntry> second = MakeNameEntry(*wanted.secondName, wanted.secondCode, {}, 0,
                                             wanted.secondParentKey.value_or(entry.parentKey));
    if (!second) return InContext("secondName", second.error());
    section.second = std::move(*second);
  }
  return section;
}

}  // namespace kestrel::mkimage
