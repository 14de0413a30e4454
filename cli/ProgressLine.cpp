#include "ProgressLine.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace kestrel::cli {

ProgressLine::ProgressLine(std::string title)
    : title_(std::move(title)),
      terminal_(::isatty(STDERR_FILENO) == 1),
      start_(std::chrono::steady_clock::now()) {}

ProgressLine::~ProgressLine() {
  if (drawn_) std::fputc('\n', stderr);
}

void ProgressLine::OnProgress(const app::Progress& progress) {
  if (!terminal_) return;
  const auto now = std::chrono::steady_clock::now();
  const bool finished = progress.total != 0 && progress.done >= progress.total;
  if (drawn_ && !finished && now - lastDraw_ < std::chrono::milliseconds(100)) return;
  lastDraw_ = now;
  drawn_ = true;
  std::string line = title_ + ": " + progress.status;
  if (progress.total != 0) {
    const double fraction =
        std::min(1.0, static_cast<double>(progress.done) / static_cast<double>(progress.total));
    char percent[64];
    std::snprintf(percent, sizeof percent, "  %3.0f%%", 100 * fraction);
    line += percent;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    if (fraction > 0.02 && fraction < 1 && elapsed > 2) {
      std::snprintf(percent, sizeof percent, "  %.0f s left", elapsed * (1 - fraction) / fraction);
      line += percent;
    }
  }
  std::fprintf(stderr, "\r%s\033[K", line.c_str());
  std::fflush(stderr);
}

}  // namespace kestrel::cli
