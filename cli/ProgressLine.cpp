// SPDX-License-Identifier: Apache-2.0
#include "ProgressLine.h"

#include <cstdio>

#include "Console.h"
#include "app/SizeText.h"

namespace kestrel::cli {

ProgressLine::ProgressLine(std::string title)
    : title_(std::move(title)),
      terminal_(StandardErrorIsTerminal()),
      start_(std::chrono::steady_clock::now()) {}

ProgressLine::~ProgressLine() {
  if (drawn_) std::fputc('\n', stderr);
}

void ProgressLine::OnProgress(const app::Progress& progress) {
  if (!terminal_) return;
  const auto now = std::chrono::steady_clock::now();
  const app::ProgressEstimate estimate =
      estimator_.Update(progress, std::chrono::duration<double>(now - start_).count());
  const bool complete = estimate.percent == 100;
  const bool firstComplete = complete && !completeDrawn_;
  if (drawn_ && !firstComplete && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  drawn_ = true;
  completeDrawn_ = completeDrawn_ || complete;
  std::string line = title_ + ": " + progress.status;
  if (estimate.percent) line += app::Format("  %3d%%", *estimate.percent);
  const std::string detail = app::ProgressDetailText(estimate, progress.unit);
  if (!detail.empty()) line += "  " + detail;
  std::fprintf(stderr, "\r%s\033[K", line.c_str());
  std::fflush(stderr);
}

}  // namespace kestrel::cli
