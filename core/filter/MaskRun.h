// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <stop_token>
#include <string_view>

#include "app/Progress.h"
#include "filter/FileMask.h"
#include "volume/FileTree.h"

namespace kestrel::filter {

// The text of a masked tree's top item, and the name of its record.
inline constexpr std::u16string_view kMaskedTopText = u"Root";

// The mask run: a new tree (the masked items) holding copies of the files of the full tree that
// pass, each with all its extents, under copies of the folders above them, nested as before and
// each placed once. Its top item is "Root", whose record carries the key of the full tree's top
// record. Files keep their order; the totals are recounted; nothing is selected.
// Reports the folders walked of all folders; checks the stop token before each folder and
// returns nothing when stopped (the full tree is never touched).
std::optional<volume::FileTree> RunMask(const volume::FileTree& full, const MaskCriteria& criteria,
                                        MaskView view, app::ProgressObserver& observer,
                                        std::stop_token stop);

}  // namespace kestrel::filter
