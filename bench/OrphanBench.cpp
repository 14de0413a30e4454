// SPDX-License-Identifier: Apache-2.0
// Times the placing of orphans that nest: folders whose parents never appear, each placed in the
// last folder of the tree, so that every one goes one level deeper, as on a badly damaged volume.
// Usage: orphan_bench [COUNT]  (default 1,000,000)
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "BenchSource.h"
#include "volume/VolumeScanner.h"

using namespace kestrel;
using bench::SecondsSince;

int main(int argc, char** argv) {
  const std::uint64_t count = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
  constexpr std::uint64_t kLostParent = 1ull << 40;
  volume::FileTree tree = volume::NewVolumeTree(u"BENCH");
  const auto start = std::chrono::steady_clock::now();
  for (std::uint64_t n = 0; n < count; ++n)
    tree.InsertScanItem({u"F" + std::u16string(1, static_cast<char16_t>(u'a' + n % 26)),
                         1000 + n,
                         0,
                         kLostParent + n,
                         {},
                         {}});
  tree.PlaceOrphans();
  const double seconds = SecondsSince(start);
  const auto deepest = tree.LastFolderInDisplayOrder();
  if (tree.Folder(deepest).depth != count) return 1;
  std::printf("%llu nested orphan folders filed and placed: %.2f s\n",
              static_cast<unsigned long long>(count), seconds);
  return 0;
}
