// SPDX-License-Identifier: Apache-2.0
// RAID definitions as a person types them: every key read, each mistake named with where it is, and
// a set opened by its "raid:" name from member files like any other source, and remembered
// once assembled.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "disk/raid/AssembledSets.h"
#include "disk/raid/RaidDefinition.h"
#include "support/Files.h"

namespace kestrel::disk {
namespace {

TEST(RaidDefinition, ReadsEveryKeyAndMemberKind) {
  const auto definition = ParseRaidDefinition(
      "level=5,layout=right-asymmetric,stripe=64k,offset=1m:d0.img,disk:3,missing,/a/d 3.img");
  ASSERT_TRUE(definition.ok()) << definition.error();
  const RaidGeometry& geometry = definition.value().geometry;
  EXPECT_FALSE(definition.value().detect);
  EXPECT_EQ(geometry.level, RaidLevel::Raid5);
  EXPECT_EQ(geometry.layout, RaidLayout::RightAsymmetric);
  EXPECT_EQ(geometry.stripe, 65536);
  EXPECT_EQ(geometry.offset, 1 << 20);
  EXPECT_EQ(geometry.members, 4);
  EXPECT_EQ(definition.value().members,
            (std::vector<std::string>{"d0.img", "disk:3", "missing", "/a/d 3.img"}));

  const auto defaults = ParseRaidDefinition("level=6:a,b,c,d");
  ASSERT_TRUE(defaults.ok());
  EXPECT_EQ(defaults.value().geometry.layout, RaidLayout::LeftSymmetric);
  EXPECT_EQ(defaults.value().geometry.stripe, 65536);
  EXPECT_EQ(defaults.value().geometry.offset, 0);

  const auto detect = ParseRaidDefinition("auto:a,b,c");
  ASSERT_TRUE(detect.ok());
  EXPECT_TRUE(detect.value().detect);
  EXPECT_EQ(detect.value().members.size(), 3u);
}

TEST(RaidDefinition, AMistakeIsNamedWithWhereItIs) {
  const auto error = [](std::string_view text) {
    const auto definition = ParseRaidDefinition(text);
    return definition.ok() ? std::string("parsed") : definition.error();
  };
  EXPECT_EQ(error("level=5,stripe=64k"),
            "RAID set: a SET is KEY=VALUE,...:MEMBER,... or auto:MEMBER,...");
  EXPECT_EQ(error("level=7:a,b"),
            "RAID set, character 1 (\"level=7\"): the level is one of span, 0, 1, 10, 5, 6");
  EXPECT_EQ(error("level=5,layout=diagonal:a,b,c"),
            "RAID set, character 9 (\"layout=diagonal\"): the layout is one of left-symmetric, "
            "left-asymmetric, right-symmetric, right-asymmetric");
  EXPECT_EQ(error("level=5,stripe=64q:a,b,c"),
            "RAID set, character 9 (\"stripe=64q\"): a size is a byte count, or one with k or m, "
            "such as 64k");
  EXPECT_EQ(error("level=5,chunk=64k:a,b,c"),
            "RAID set, character 9 (\"chunk=64k\"): the keys are level, layout, stripe and offset");
  EXPECT_EQ(error("level=5,level=6:a,b,c"),
            "RAID set, character 9 (\"level=6\"): the key is given twice");
  EXPECT_EQ(error("level=5,64k:a,b,c"), "RAID set, character 9 (\"64k\"): a setting is KEY=VALUE");
  EXPECT_EQ(error("stripe=64k:a,b,c"),
            "RAID set: the level is missing (level=span, 0, 1, 10, 5 or 6)");
  EXPECT_EQ(error("level=5:a,,c"),
            "RAID set, character 11 (\"\"): a member is an image path, disk:N or missing");
  EXPECT_EQ(error("level=5:a,disk:x,c"),
            "RAID set, character 11 (\"disk:x\"): disk:N names disk N by its number");
  EXPECT_EQ(error("level=5:a,b,a"), "RAID set, character 13 (\"a\"): the member is named twice");
  EXPECT_EQ(error("level=1:disk:0,disk:0"),
            "RAID set, character 16 (\"disk:0\"): the member is named twice");
  EXPECT_EQ(error("level=6:missing,b,missing,d"), "parsed") << "missing members may repeat";
}

void WriteFile(const std::filesystem::path& path, std::size_t size, char fill) {
  std::ofstream(path, std::ios::binary) << std::string(size, fill);
}

TEST(RaidDefinition, ASetOpensByItsNameFromMemberFilesAndSaysWhatIsWrong) {
  const test::ScratchFolder folder("kestrel-raid-definition");
  for (const char* name : {"a", "b", "c"}) WriteFile(folder / name, 8192, name[0]);
  WriteFile(folder / "short", 4096, 's');
  const auto member = [&](const char* name) { return (folder / name).string(); };

  const std::string definition =
      "level=0,stripe=512:" + member("a") + "," + member("b") + "," + member("c");
  const OpenedSource opened = OpenSource(RaidSourceName(definition));
  ASSERT_TRUE(opened.status.ok()) << opened.status.message;
  EXPECT_EQ(opened.container, ContainerKind::Raid);
  EXPECT_EQ(opened.reader.Size(), 3 * 8192);
  std::string bytes(1536, '\0');
  ASSERT_TRUE(opened.reader.ReadAt(512, {reinterpret_cast<std::uint8_t*>(bytes.data()), 1536}));
  EXPECT_EQ(bytes, std::string(512, 'b') + std::string(512, 'c') + std::string(512, 'a'));

  const auto failure = [](const std::string& text) {
    return OpenSource(RaidSourceName(text)).status.message;
  };
  EXPECT_EQ(
      failure("level=0:" + member("a") + "," + member("nothing")),
      "RAID member " + member("nothing") + ": " + OpenSource(member("nothing")).status.message);
  EXPECT_EQ(failure("level=1:" + member("a") + "," + member("short")),
            "RAID set: the members differ in size: " + member("a") + " holds 8192 bytes, " +
                member("short") +
                " 4096; the members of one array are the same size, so one "
                "of them is not a member of this array");
  EXPECT_EQ(failure("level=5:" + member("a") + ",missing,missing"),
            "RAID set: 2 members are missing; RAID 5 can rebuild at most 1");
  EXPECT_EQ(failure("auto:" + member("a") + "," + member("b")),
            "RAID set: no consistent geometry on the members; give level, layout, stripe and "
            "offset");
  EXPECT_EQ(failure("level=9:" + member("a")).substr(0, 24), "RAID set, character 1 (\"");
}

// A set assembled once is listed after the disks until the run ends, once however often it is
// assembled; when a member goes away it is still listed, with the reason it does not open.
TEST(AssembledSets, AreListedAfterTheDisksAndSayWhyOneNoLongerOpens) {
  const test::ScratchFolder folder("kestrel-assembled-sets");
  for (const char* name : {"a", "b"}) WriteFile(folder / name, 8192, name[0]);
  const std::string set =
      RaidSourceName("level=1:" + (folder / "a").string() + "," + (folder / "b").string());
  const app::LogReport log((folder / "log.txt").string());
  ForgetAssembledSets();
  RememberAssembledSet(set);
  RememberAssembledSet(set);
  MediaTree media;
  media.disks.resize(2);
  AddAssembledSets(media, log, DiscoveryLog::UnreadableOnly);
  ASSERT_EQ(media.disks.size(), 3u);
  EXPECT_EQ(media.disks[2].number, 2);
  EXPECT_TRUE(media.disks[2].status.ok()) << media.disks[2].status.message;
  EXPECT_EQ(media.disks[2].sectorCount, 16u);
  EXPECT_EQ(media.disks[2].container, ContainerKind::Raid);

  std::filesystem::remove(folder / "b");
  const DiskEntry gone = DiscoverAssembledSet(5, set, log, DiscoveryLog::UnreadableOnly);
  EXPECT_EQ(gone.number, 5);
  EXPECT_EQ(gone.node.sourcePath, set);
  EXPECT_NE(gone.status.message.find("RAID member " + (folder / "b").string()), std::string::npos)
      << gone.status.message;
  ForgetAssembledSets();
  EXPECT_TRUE(AssembledSets().empty());
}

}  // namespace
}  // namespace kestrel::disk
