// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <stop_token>
#include <string>

#include <CLI/CLI.hpp>

#include "ScannedSource.h"
#include "filter/FileMask.h"

namespace kestrel::cli {

// --mask PATTERNS [--deleted-only] [--size-from N] [--size-upto N]: the mask rules over the
// scanned tree, for the commands that list, recover or save it.
class MaskOptions {
 public:
  void AddTo(CLI::App& parser);

  // Reads the options before any scan; false, with the reason on standard error, when they make
  // no sense (the command line was wrong).
  bool Read();

  // Narrows the scanned tree to what the mask keeps. The exit status when the command must end
  // here: an option that does not fit the scan, or a stop.
  std::optional<int> Apply(ScannedSource& scanned, std::stop_token stop) const;

 private:
  std::optional<std::string> patterns_;
  bool deletedOnly_ = false;
  std::optional<std::string> sizeFrom_;
  std::optional<std::string> sizeUpto_;
  std::optional<filter::MaskCriteria> criteria_;
};

}  // namespace kestrel::cli
