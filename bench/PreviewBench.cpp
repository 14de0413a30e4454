// SPDX-License-Identifier: Apache-2.0
// Times the preview area as a person meets it, offscreen, in one process:
//   hex    a page of the first file of IMAGE's first volume, at positions spread over the whole
//          scroll bar: from the bar moved to the page painted;
//   jpeg   the picture file JPEG (read through the same extent reader from a source that holds
//          it) from the pick to the picture painted;
//   keys   1,000 picks in a row, one every 30 ms as a held key repeats, alternating the picture
//          and the large file: the longest time the window's event loop did not turn, and the
//          most processor time one step of the window's thread took (a pick, or one turn of the
//          event loop), which other programs on a busy machine cannot stretch.
// Usage: preview_bench IMAGE JPEG     (prints one line per measure; figures in milliseconds)
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "BenchSource.h"
#include "gui/viewers/CHexViewer.h"
#include "gui/viewers/CImagePreview.h"
#include "gui/viewers/PreviewArea.h"

using namespace kestrel;

namespace {

constexpr int kPositions = 200;
constexpr int kPicks = 1000;
constexpr int kRepeatMs = 30;

// Turns the event loop until the condition holds; false after 60 s.
template <class Condition>
bool Await(Condition condition) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > 60000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  return true;
}

// The first file of the image's first volume.
std::optional<gui::PreviewFile> LargeFile(const std::string& image) {
  const auto source = bench::FirstVolume(image);
  if (!source) return std::nullopt;
  const app::LogReport log("/dev/null");
  app::NoProgress quiet;
  volume::FileTree tree = volume::NewVolumeTree(u"BIG");
  volume::ScanVolume(*source, tree, quiet, {}, log);
  for (volume::RecordId r = 0; r < tree.RecordCount(); ++r) {
    const volume::ScanItem& record = tree.Record(r);
    if (record.IsFolderRecord() || record.IsContinuation()) continue;
    return gui::PreviewFile{source->reader, volume::LayoutFileData(tree, r, source->poolBase),
                            record.m_name};
  }
  return std::nullopt;
}

// The picture file as the only file of a source whose block 1 it starts.
gui::PreviewFile PictureFile(const std::string& path) {
  const disk::OpenedSource opened = disk::OpenSource(path);
  const auto size = static_cast<std::uint64_t>(opened.reader.Size());
  volume::FileTree tree = volume::NewVolumeTree(u"V");
  tree.InsertScanItem({u"photo.jpg",
                       9,
                       size,
                       volume::kTopDirectoryKey,
                       {static_cast<std::uint32_t>((size + 4095) / 4096), 1},
                       {}});
  const volume::RecordId file = tree.Record(tree.Folder(tree.Top()).record).m_next;
  return {opened.reader, volume::LayoutFileData(tree, file, 0), u"photo.jpg"};
}

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Runs one step of the window's thread and keeps the most processor time a step took.
template <class Step>
void CpuTimed(double& longest, Step step) {
  const double before = ThreadCpuMs();
  step();
  longest = std::max(longest, ThreadCpuMs() - before);
}

struct Spread {
  double median, worst;
};

Spread SpreadOf(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times.back()};
}

Spread HexPages(gui::PreviewArea& area, const gui::PreviewFile& file) {
  area.Show(file);
  gui::CHexViewer* hex = area.HexViewer();
  Await([&] { return !hex->ShownPage().lines.empty(); });
  QScrollBar* bar = hex->verticalScrollBar();
  std::mt19937 random(7);
  std::vector<double> times;
  for (int i = 0; i < kPositions; ++i) {
    const int position =
        i == 0 ? bar->maximum() : std::uniform_int_distribution(0, bar->maximum())(random);
    QElapsedTimer clock;
    clock.start();
    bar->setValue(position);
    Await([&] { return hex->ShownPage().index == hex->WantedPage(); });
    hex->viewport()->repaint();
    times.push_back(clock.nsecsElapsed() / 1e6);
  }
  return SpreadOf(times);
}

Spread Picture(gui::PreviewArea& area, const gui::PreviewFile& file) {
  std::vector<double> times;
  for (int round = 0; round < 3; ++round) {
    area.Close();
    QElapsedTimer clock;
    clock.start();
    area.Show(file);
    if (!Await([&] { return area.Current() == area.ImagePreview(); })) return {-1, -1};
    area.ImagePreview()->repaint();
    times.push_back(clock.nsecsElapsed() / 1e6);
  }
  return SpreadOf(times);
}

struct Pauses {
  double longest;  // wall-clock
  double cpu;      // the window thread's processor time in its longest step
};

// The longest pause of the event loop while a held key picks the files in turn.
Pauses HeldKey(gui::PreviewArea& area, const std::vector<gui::PreviewFile>& files) {
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0, worst = 0;
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    worst = std::max(worst, clock.elapsed() - last);
    last = clock.elapsed();
  });
  probe.start(5);
  double cpu = 0;
  for (int pick = 0; pick < kPicks; ++pick) {
    CpuTimed(cpu, [&] { area.Show(files[pick % files.size()]); });
    const qint64 next = clock.elapsed() + kRepeatMs;
    while (clock.elapsed() < next)
      CpuTimed(cpu, [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); });
    worst = std::max(worst, clock.elapsed() - last);
  }
  return {static_cast<double>(worst), cpu};
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: preview_bench IMAGE JPEG\n");
    return 2;
  }
  const auto large = LargeFile(argv[1]);
  if (!large) {
    std::fprintf(stderr, "no file in the first volume of %s\n", argv[1]);
    return 1;
  }
  const gui::PreviewFile picture = PictureFile(argv[2]);
  gui::PreviewArea area(nullptr);
  area.resize(620, 420);
  area.show();
  const Spread hex = HexPages(area, *large);
  std::printf("hex %llu-byte file: median %.2f worst %.2f\n",
              static_cast<unsigned long long>(large->layout.size), hex.median, hex.worst);
  const Spread jpeg = Picture(area, picture);
  std::printf("jpeg %llu bytes: median %.1f worst %.1f\n",
              static_cast<unsigned long long>(picture.layout.size), jpeg.median, jpeg.worst);
  const Pauses keys = HeldKey(area, {picture, *large});
  std::printf("keys %d picks: pause %.1f, longest step of the window's thread %.1f of CPU\n",
              kPicks, keys.longest, keys.cpu);
  return 0;
}
