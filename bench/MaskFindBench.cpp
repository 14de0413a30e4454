// SPDX-License-Identifier: Apache-2.0
// Times, in one process, the volume scan of an image, a mask run over the scanned tree (every
// tenth file renamed to ".doc" in memory first, so that one extension keeps about 10 % of the
// files), Unmask, a find whose only match is in the last folder and a find that matches nothing.
// Usage: mask_find_bench IMAGE
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "BenchSource.h"
#include "filter/BrowsedTree.h"
#include "filter/MaskDialog.h"
#include "filter/MaskRun.h"

using namespace kestrel;
using bench::SecondsSince;

namespace {

// A field of /proc/self/status in bytes (VmRSS, VmHWM).
double MemoryBytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1)) * 1024;
  }
  return 0;
}

// From here on VmHWM is the peak of what follows.
void ResetPeakMemory() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

void RenameEveryTenthFile(volume::FileTree& tree) {
  std::size_t files = 0;
  for (volume::RecordId r = 0; r < tree.RecordCount(); ++r) {
    volume::ScanItem& record = tree.Record(r);
    if (record.IsFolderRecord() || record.IsContinuation() || files++ % 10 != 0) continue;
    record.m_name.replace(record.m_name.rfind(u'.'), std::u16string::npos, u".doc");
  }
}

// The name of the first file of the last folder in display order.
std::u16string NameInLastFolder(const volume::FileTree& tree) {
  const volume::FolderId last = tree.LastFolderInDisplayOrder();
  const volume::RecordId first = tree.Record(tree.Folder(last).record).m_next;
  return first == volume::kNoRecord ? u"" : tree.Record(first).m_name;
}

template <class Work>
double Timed(Work work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return SecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mask_find_bench IMAGE\n");
    return 2;
  }
  const app::LogReport log("/dev/null");
  const auto source = bench::FirstVolume(argv[1]);
  if (!source) return 1;
  app::NoProgress quiet;

  const double before = MemoryBytes("VmRSS");
  volume::FileTree tree = volume::NewVolumeTree(u"BIG");
  const double scan = Timed([&] { volume::ScanVolume(*source, tree, quiet, {}, log); });
  const double treeBytes = MemoryBytes("VmRSS") - before;
  RenameEveryTenthFile(tree);

  const auto criteria = filter::ReadMaskCriteria({"*.doc", false, {}, {}}).value();
  ResetPeakMemory();
  std::optional<volume::FileTree> masked;
  const double mask =
      Timed([&] { masked = filter::RunMask(tree, criteria, filter::MaskView::Volume, quiet, {}); });
  const double peakRatio = (MemoryBytes("VmHWM") - before) / treeBytes;
  const std::uint32_t files = tree.counters.fileCount, kept = masked->counters.fileCount;

  filter::BrowsedTree view(std::move(tree));
  view.ShowMasked(std::move(*masked));
  const double unmask = Timed([&] { view.Unmask(); });

  const filter::FindMatching last(NameInLastFolder(view.Shown()));
  const filter::FindMatching nothing(u"nothing*.xyz");
  bool lastFound = false, nothingFound = true;
  const double findLast =
      Timed([&] { lastFound = filter::FindFromTop(view.Shown(), last, view.Find()).has_value(); });
  const double findNothing = Timed(
      [&] { nothingFound = filter::FindFromTop(view.Shown(), nothing, view.Find()).has_value(); });

  std::printf(
      "%u files, scan %.2f s; mask (%u kept) %.2f s = %.2f of the scan, peak memory %.2f of the "
      "tree's (%.0f MiB)\n",
      files, scan, kept, mask, mask / scan, peakRatio, treeBytes / (1 << 20));
  std::printf("unmask %.4f s; find in the last folder %.3f s; find of nothing %.3f s\n", unmask,
              findLast, findNothing);
  const bool met = mask <= scan && peakRatio < 1.5 && unmask <= 0.5 && findLast < 0.5 &&
                   findNothing < 0.5 && lastFound && !nothingFound;
  return met ? 0 : 1;
}
