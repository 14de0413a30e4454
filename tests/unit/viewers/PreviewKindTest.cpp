// SPDX-License-Identifier: Apache-2.0
// Which preview a file gets: the extension table, case-insensitively, and what each preview reads.
#include <gtest/gtest.h>

#include "viewers/PictureFit.h"
#include "viewers/PreviewKind.h"

namespace kestrel::viewers {
namespace {

using Show = PreviewPlan::Show;

TEST(PreviewKindOf, TheExtensionAfterTheLastDotDecidesWithoutRegardToCase) {
  EXPECT_EQ(PreviewKindOf(u"photo.JPG"), PreviewKind::Picture);
  EXPECT_EQ(PreviewKindOf(u"photo.jpeg"), PreviewKind::Picture);
  EXPECT_EQ(PreviewKindOf(u"scan.TiF"), PreviewKind::Picture);
  EXPECT_EQ(PreviewKindOf(u"movie.MPG"), PreviewKind::Media);
  EXPECT_EQ(PreviewKindOf(u"song.Mp3"), PreviewKind::Media);
  EXPECT_EQ(PreviewKindOf(u"archive.jpg.zip"), PreviewKind::Hex);
  EXPECT_EQ(PreviewKindOf(u"backup.zip.WAV"), PreviewKind::Media);
}

TEST(PreviewKindOf, NamesWithoutAnExtensionAreHex) {
  EXPECT_EQ(PreviewKindOf(u"README"), PreviewKind::Hex);
  EXPECT_EQ(PreviewKindOf(u"picture.bmp."), PreviewKind::Hex);
  EXPECT_EQ(PreviewKindOf(u""), PreviewKind::Hex);
  EXPECT_EQ(PreviewKindOf(u"bmp"), PreviewKind::Hex);
  EXPECT_EQ(PreviewKindOf(u"x.bm"), PreviewKind::Hex);        // a prefix of an entry is not one
  EXPECT_EQ(PreviewKindOf(u"x.bmpx"), PreviewKind::Hex);      // nor is a longer word
  EXPECT_EQ(PreviewKindOf(u"x.\u00e9mf"), PreviewKind::Hex);  // only ASCII letters fold
}

TEST(PlanPreview, EmptyFilesShowNothingAndMp4HasNoPlayerEntry) {
  EXPECT_EQ(PlanPreview(u"a.bmp", 0), PreviewPlan{});
  EXPECT_EQ(PlanPreview(u"clip.MP4", 5000), (PreviewPlan{Show::Hex, 0}));
  EXPECT_EQ(PlanPreview(u"notes.txt", 5000), (PreviewPlan{Show::Hex, 0}));
}

TEST(PlanPreview, VideoReadsItsFirst3MiBAudio1MiBAndPicturesUpToTheCap) {
  EXPECT_EQ(PlanPreview(u"movie.avi", 10ull << 20), (PreviewPlan{Show::Video, 3ull << 20}));
  EXPECT_EQ(PlanPreview(u"movie.WMV", 1000), (PreviewPlan{Show::Video, 1000}));
  EXPECT_EQ(PlanPreview(u"song.mp3", 10ull << 20), (PreviewPlan{Show::Audio, 1ull << 20}));
  EXPECT_EQ(PlanPreview(u"tune.MIDI", 300), (PreviewPlan{Show::Audio, 300}));
  // A damaged record that claims a terabyte never makes the preview read more than the cap.
  EXPECT_EQ(PlanPreview(u"photo.png", 1ull << 40), (PreviewPlan{Show::Picture, kPictureReadCap}));
  EXPECT_EQ(kPictureReadCap, 64ull << 20);
  EXPECT_EQ(PlanPreview(u"photo.png", 1ull << 40, 4096), (PreviewPlan{Show::Picture, 4096}));
  EXPECT_EQ(PlanPreview(u"photo.png", 100), (PreviewPlan{Show::Picture, 100}));
}

TEST(FitPicture, APictureThatFitsIsCentredAtItsOwnSize) {
  EXPECT_EQ(FitPicture(64, 48, 200, 100), (PictureRect{68, 26, 64, 48}));
  // Less than 2 pixels to spare: drawn at the box's edge.
  EXPECT_EQ(FitPicture(199, 99, 200, 100), (PictureRect{0, 0, 199, 99}));
  EXPECT_EQ(FitPicture(198, 98, 200, 100), (PictureRect{1, 1, 198, 98}));
}

TEST(FitPicture, ALargerPictureShrinksKeepingItsRatio) {
  EXPECT_EQ(FitPicture(800, 200, 400, 300), (PictureRect{0, 100, 400, 100}));
  EXPECT_EQ(FitPicture(300, 600, 400, 300), (PictureRect{125, 0, 150, 300}));
  EXPECT_EQ(FitPicture(5472, 3648, 400, 300), (PictureRect{0, 16, 400, 267}));
  EXPECT_EQ(FitPicture(100000, 1, 400, 300), (PictureRect{0, 149, 400, 1}));
  EXPECT_EQ(FitPicture(0, 10, 400, 300), PictureRect{});
}

}  // namespace
}  // namespace kestrel::viewers
