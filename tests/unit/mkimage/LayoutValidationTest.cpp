// SPDX-License-Identifier: Apache-2.0
// Layouts that cannot be written are rejected with a message that names the problem.
#include <gtest/gtest.h>

#include "LayoutParser.h"
#include "ScratchImages.h"

namespace kestrel::mkimage::testing {
namespace {

struct RejectedLayout {
  const char* name;
  std::string layout;
  const char* message;  // a part of the expected error
};

void PrintTo(const RejectedLayout& rejected, std::ostream* out) {
  *out << rejected.name;
}

class LayoutValidation : public ::testing::TestWithParam<RejectedLayout> {};

TEST_P(LayoutValidation, RejectsWithAClearMessage) {
  const std::string error = BuildError(GetParam().layout);
  EXPECT_NE(error.find(GetParam().message), std::string::npos) << "error was: " << error;
}

const std::string kManyExtents = R"({"path": "/f.bin", "size": 2048000, "extents": 500})";

INSTANTIATE_TEST_SUITE_P(
    Layouts, LayoutValidation,
    ::testing::Values(
        RejectedLayout{"BadJson", R"({"disks": [)", "not valid JSON"},
        RejectedLayout{"NoDisks", R"({"disks": []})", "at least one disk"},
        RejectedLayout{"MisspeltField", OneVolumeLayout(R"({"path": "/a", "sise": 3})"),
                       "entries[0]: unknown field \"sise\""},
        RejectedLayout{"UnknownCode", OneVolumeLayout(R"({"path": "/a", "code": 21})"),
                       "code: 21 is not one of 23, 22, 20, 128, 127"},
        RejectedLayout{"UnknownForm", OneVolumeLayout(R"({"path": "/a", "form": "form3"})"),
                       "form3\" is not one of form1, form2, neither"},
        RejectedLayout{"NegativeNumber", OneVolumeLayout(R"({"path": "/a", "size": -1})"),
                       "size: -1 is not a whole number"},
        RejectedLayout{"RelativePath", OneVolumeLayout(R"({"path": "a.txt"})"),
                       "must start with /"},
        RejectedLayout{"ParentIsAFile",
                       OneVolumeLayout(R"({"path": "/a", "content": "x"}, {"path": "/a/b"})"),
                       "its parent /a is a file"},
        RejectedLayout{"TopFolderParentWithCode127",
                       OneVolumeLayout(R"({"path": "/Report", "code": 127, "content": "x"})"),
                       "must have the form 0x00520006????????"},
        RejectedLayout{"LateCandidateParentWithCode127",
                       OneVolumeLayout(R"({"path": "/D", "kind": "folder", "key": 4096},
                            {"path": "/D/r", "code": 127, "form": "neither", "stage": 2})"),
                       "must have the form 0x????????????007F"},
        RejectedLayout{"NameLengthReadsAsEarlierCode",
                       OneVolumeLayout(R"({"path": "/abcdefghijklmnopqrstuvw", "form": "neither",
                                           "stage": 3, "content": "x"})"),
                       "candidate 2 read as known code 23"},
        RejectedLayout{"KeyMakesLayoutBReadAsA",
                       OneVolumeLayout(R"({"path": "/a", "key": "0x444E0000", "content": "x"})"),
                       "make a layout-B block read as layout A"},
        RejectedLayout{"RecordTooLongForABlock", OneVolumeLayout(kManyExtents),
                       "cannot fit a block"},
        RejectedLayout{"MoreExtentsThanBlocks",
                       OneVolumeLayout(R"({"path": "/a", "size": 100, "extents": 2})"),
                       "2 extents need at least as many blocks"},
        RejectedLayout{"ZeroLengthThirdPartOfTwo",
                       OneVolumeLayout(R"({"path": "/abc", "code": 22, "zeroLengthPart": 3})"),
                       "zeroLengthPart of code 22 must be 2"},
        RejectedLayout{"PartsThatDoNotJoin",
                       OneVolumeLayout(R"({"path": "/abc", "code": 22, "nameParts": ["a", "x"]})"),
                       "do not join"},
        RejectedLayout{"NameTooShortToSplit", OneVolumeLayout(R"({"path": "/ab", "code": 20})"),
                       "every part of a name needs 1 to 255"},
        RejectedLayout{"SecondNameOutsideForm2",
                       OneVolumeLayout(R"({"path": "/a", "secondName": "b"})"), "need form2"},
        RejectedLayout{"FolderWithContent",
                       OneVolumeLayout(R"({"path": "/a", "kind": "folder", "content": "x"})"),
                       "a folder has no content"},
        RejectedLayout{"ContentLooksLikeATreeBlock",
                       OneVolumeLayout(R"({"path": "/a", "content": "LEAF and more"})"),
                       "structure signature"},
        RejectedLayout{"SegmentPlacementWithoutSegment",
                       OneVolumeLayout("", R"("placement": "segment",)"), "needs a partition with"},
        RejectedLayout{"BulkNamesTooShort",
                       OneVolumeLayout("", R"("generate": {"files": 100000, "nameLength": 8},)"),
                       "nameLength 8 is too short"},
        RejectedLayout{"OverlappingPartitions",
                       R"({"disks": [{"partitions": [{"startSector": 2048, "sizeSectors": 100},
                                                     {"startSector": 2100, "sizeSectors": 100}]}]})",
                       "partition 1 overlaps partition 0"},
        RejectedLayout{
            "PartitionTooSmallForAPool",
            R"({"disks": [{"partitions": [{"sizeSectors": 40, "pool": {"name": "P"}}]}]})",
            "cannot hold a pool"},
        RejectedLayout{"DiskSmallerThanPartitions",
                       R"({"disks": [{"sizeMiB": 1, "partitions": [{"sizeSectors": 4096}]}]})",
                       "smaller than the partitions"},
        RejectedLayout{"SegmentOfMissingPool",
                       R"({"disks": [{"partitions": [{"sizeSectors": 100, "segmentOf": "Q"}]}]})",
                       "segmentOf \"Q\" needs that pool"},
        RejectedLayout{"LooseBlockOverSuperBlock",
                       R"({"disks": [{"partitions": [{"sizeSectors": 8192, "pool": {"name": "P",
                            "volumes": [{"names": ["V"]}],
                            "looseBlocks": [{"offset": 20480, "volume": "V"}]}}]}]})",
                       "must leave the first 24576 bytes free"},
        RejectedLayout{"LooseBlockOfMissingVolume",
                       R"({"disks": [{"partitions": [{"sizeSectors": 8192, "pool": {"name": "P",
                            "looseBlocks": [{"offset": 1048064, "volume": "W"}]}}]}]})",
                       "names volume \"W\", which the pool lacks"},
        RejectedLayout{"PoolTooSmallForItsData",
                       R"({"disks": [{"partitions": [{"sizeSectors": 64, "pool": {"name": "P",
                            "volumes": [{"names": ["V"], "entries": [{"path": "/a", "size": 9000}]}]}}]}]})",
                       "no room left"}),
    [](const ::testing::TestParamInfo<RejectedLayout>& info) {
      return std::string(info.param.name);
    });

TEST(LayoutValidation, APoolImageNeedsExactlyOnePoolOfItsName) {
  Result<Layout> layout = ParseLayout(R"({"disks": [{"partitions": [
      {"sizeSectors": 100, "pool": {"name": "P"}}, {"sizeSectors": 100, "pool": {"name": "P"}}]}]})");
  ASSERT_TRUE(layout);
  EXPECT_TRUE(CheckOutputs(*layout, {{"a.img"}, std::nullopt})) << "two pools may share a name";
  const Status twice = CheckOutputs(*layout, {{"a.img"}, "P"});
  ASSERT_FALSE(twice);
  EXPECT_NE(twice.error().message.find("exactly one pool named \"P\"; the layout has 2"),
            std::string::npos);
  EXPECT_FALSE(CheckOutputs(*layout, {{"a.img"}, "Q"}));
  EXPECT_FALSE(CheckOutputs(*layout, {{"a.img", "b.img"}, std::nullopt}));
}

TEST(LayoutValidation, AcceptsKeysAsNumbersDecimalAndHexText) {
  ScratchDir scratch;
  Result<BuiltImages> built = Build(scratch, OneVolumeLayout(R"(
      {"path": "/a", "kind": "folder", "key": 4660},
      {"path": "/b", "kind": "folder", "key": "4661"},
      {"path": "/c", "kind": "folder", "key": "0x1236"})"));
  ASSERT_TRUE(built) << built.error().message;
  EXPECT_EQ(EntryAt(built->manifest, "/a")["key"], "4660");
  EXPECT_EQ(EntryAt(built->manifest, "/b")["key"], "4661");
  EXPECT_EQ(EntryAt(built->manifest, "/c")["key"], "4662");
}

TEST(LayoutValidation, AcceptsACode127ParentWhoseKeyHoldsTheNameLengthAndFirstCharacter) {
  ScratchDir scratch;
  Result<BuiltImages> built = Build(scratch, OneVolumeLayout(R"(
      {"path": "/D", "kind": "folder", "key": "0x0052000600001234"},
      {"path": "/D/Report", "code": 127, "content": "x"})"));
  ASSERT_TRUE(built) << built.error().message;
  const std::int64_t record = EntryAt(built->manifest, "/D/Report")["recordOffset"];
  // Layout B, one extent: the name section starts at 0x64 and the entry at 0x64 + 15.
  const std::int64_t entry = record + 0x64 + 15;
  EXPECT_EQ(Le(built->disks[0], entry, 2), 127u);
  EXPECT_EQ(Le(built->disks[0], entry + 8, 8), 0x0052000600001234u);
  EXPECT_EQ(Text(built->disks[0], entry + 14, 4), std::string("R\0e\0", 4));
}

}  // namespace
}  // namespace kestrel::mkimage::testing
