// SPDX-License-Identifier: Apache-2.0
#include "MaskOptions.h"

#include "Command.h"
#include "ProgressLine.h"
#include "filter/MaskDialog.h"
#include "filter/MaskRun.h"

namespace kestrel::cli {

void MaskOptions::AddTo(CLI::App& parser) {
  auto* mask = parser.add_option(
      "--mask", patterns_, "Only files of these types, such as \"*.doc;*.xls\" (\";\" or \",\")");
  parser.add_flag("--deleted-only", deletedOnly_, "Only invalid/deleted entries")->needs(mask);
  parser.add_option("--size-from", sizeFrom_, "Only files of at least N bytes")->needs(mask);
  parser.add_option("--size-upto", sizeUpto_, "Only files of at most N bytes")->needs(mask);
}

bool MaskOptions::Read() {
  if (!patterns_) return true;
  auto criteria = filter::ReadMaskCriteria(
      {*patterns_, deletedOnly_, sizeFrom_, sizeUpto_, "--size-from", "--size-upto"});
  if (!criteria.ok()) {
    PrintError(criteria.error());
    return false;
  }
  if (!filter::KeepsEverything(criteria.value())) criteria_ = std::move(criteria).value();
  return true;
}

std::optional<int> MaskOptions::Apply(ScannedSource& scanned, std::stop_token stop) const {
  if (!criteria_) return std::nullopt;
  const bool pool = scanned.kind == savedscan::ScanKind::Pool;
  if (pool && criteria_->m_maskDeletedOnly) {
    PrintError("--deleted-only applies to a volume's tree; a pool scan's view has no such rule");
    return kUsage;
  }
  ProgressLine progress("Masking");
  auto masked = filter::RunMask(scanned.tree, *criteria_,
                                pool ? filter::MaskView::Pool : filter::MaskView::Volume, progress,
                                std::move(stop));
  if (!masked) return Fail("stopped; nothing was masked");
  scanned.tree = std::move(*masked);
  return std::nullopt;
}

}  // namespace kestrel::cli
