// SPDX-License-Identifier: Apache-2.0
// The definition a hand-assembled array stands for: the grammar the command line reads, written
// from the fields a person picks, and every choice the array could not be read with refused with
// its reason.
#include <gtest/gtest.h>

#include <string>

#include "disk/raid/RaidAssembly.h"
#include "disk/raid/RaidDefinition.h"

namespace kestrel::disk {
namespace {

RaidAssembly FourMembers() {
  RaidAssembly assembly;
  assembly.members = {"/images/d0.img", DiskMember(2), std::string(kMissingMember),
                      "/images/d 3.img"};
  return assembly;
}

std::string ErrorOf(const RaidAssembly& assembly) {
  const auto definition = BuildRaidDefinition(assembly);
  EXPECT_FALSE(definition.ok()) << definition.value();
  return definition.ok() ? std::string() : definition.error();
}

TEST(RaidAssembly, WritesTheDefinitionTheCommandLineReads) {
  RaidAssembly assembly = FourMembers();
  assembly.layout = RaidLayout::RightAsymmetric;
  assembly.stripe = 128 * 1024;
  assembly.offset = "1m";
  const auto definition = BuildRaidDefinition(assembly);
  ASSERT_TRUE(definition.ok()) << definition.error();
  EXPECT_EQ(definition.value(),
            "level=5,layout=right-asymmetric,stripe=128k,offset=1m:/images/d0.img,disk:2,missing,"
            "/images/d 3.img");
  const auto parsed = ParseRaidDefinition(definition.value());
  ASSERT_TRUE(parsed.ok());
  EXPECT_EQ(parsed.value().geometry.stripe, 128 * 1024);
  EXPECT_EQ(parsed.value().geometry.offset, 1 << 20);
  EXPECT_EQ(parsed.value().members, assembly.members);
}

TEST(RaidAssembly, AsksTheLayoutOnlyOfParityLevelsAndTheStripeOnlyOfStripedOnes) {
  for (const RaidLevel level : kRaidLevels)
    EXPECT_EQ(UsesParityLayout(level), level == RaidLevel::Raid5 || level == RaidLevel::Raid6);
  RaidAssembly mirror;
  mirror.level = RaidLevel::Raid1;
  mirror.layout = RaidLayout::RightSymmetric;
  mirror.members = {"a.img", "b.img"};
  EXPECT_EQ(BuildRaidDefinition(mirror).value(), "level=1,offset=0:a.img,b.img");
  RaidAssembly stripes = mirror;
  stripes.level = RaidLevel::Raid10;
  stripes.stripe = 4 * 1024 * 1024;
  stripes.members = {"a", "b", "c", "d"};
  EXPECT_EQ(BuildRaidDefinition(stripes).value(), "level=10,stripe=4m,offset=0:a,b,c,d");
}

TEST(RaidAssembly, OffersEveryStripeFromOneSectorToFourMebibytes) {
  const auto stripes = StripeChoices();
  ASSERT_EQ(stripes.size(), 14u);
  EXPECT_EQ(stripes.front(), 512);
  EXPECT_EQ(stripes.back(), 4 << 20);
  for (std::size_t s = 1; s < stripes.size(); ++s) EXPECT_EQ(stripes[s], 2 * stripes[s - 1]);
  EXPECT_EQ(ShortByteCountText(512), "512");
  EXPECT_EQ(ShortByteCountText(1536), "1536");
  EXPECT_EQ(ShortByteCountText(64 * 1024), "64k");
  EXPECT_EQ(ShortByteCountText(3 << 20), "3m");
  EXPECT_EQ(ShortByteCountText(0), "0");
}

TEST(RaidAssembly, ReadsTheOffsetAsTheCommandLineDoes) {
  RaidAssembly assembly = FourMembers();
  assembly.offset = "2048";
  EXPECT_TRUE(BuildRaidDefinition(assembly).ok());
  assembly.offset = "64K";
  EXPECT_TRUE(BuildRaidDefinition(assembly).ok());
  for (const char* typed : {"", "ten", "1m,level=0", "-512", "1.5m"}) {
    assembly.offset = typed;
    EXPECT_NE(ErrorOf(assembly).find("is not a byte count"), std::string::npos) << typed;
  }
  assembly.offset = "1000";
  EXPECT_NE(ErrorOf(assembly).find("not whole sectors"), std::string::npos);
}

TEST(RaidAssembly, RefusesAChoiceTheArrayCannotBeReadWith) {
  EXPECT_EQ(ErrorOf(RaidAssembly{}), "RAID set: add the members of the array");

  RaidAssembly tooFew = FourMembers();
  tooFew.members.resize(2);
  EXPECT_NE(ErrorOf(tooFew).find("RAID 5 needs at least 3 members, not 2"), std::string::npos);

  RaidAssembly oddPairs = FourMembers();
  oddPairs.level = RaidLevel::Raid10;
  oddPairs.members.push_back("e.img");
  EXPECT_NE(ErrorOf(oddPairs).find("even number"), std::string::npos);

  RaidAssembly raid6 = FourMembers();
  raid6.level = RaidLevel::Raid6;
  raid6.layout = RaidLayout::LeftAsymmetric;
  EXPECT_NE(ErrorOf(raid6).find("left-symmetric layout only"), std::string::npos);

  RaidAssembly comma = FourMembers();
  comma.members[0] = "/images/d0,old.img";
  EXPECT_NE(ErrorOf(comma).find("holds a comma"), std::string::npos);

  RaidAssembly twice = FourMembers();
  twice.members[3] = DiskMember(2);
  EXPECT_NE(ErrorOf(twice).find("(\"disk:2\"): the member is named twice"), std::string::npos);
  RaidAssembly twoMissing = FourMembers();
  twoMissing.level = RaidLevel::Raid6;
  twoMissing.members[0] = std::string(kMissingMember);
  EXPECT_TRUE(BuildRaidDefinition(twoMissing).ok()) << "missing members are no repeat";

  RaidAssembly empty = FourMembers();
  empty.members[1].clear();
  EXPECT_EQ(ErrorOf(empty), "RAID set: a member is empty");
}

}  // namespace
}  // namespace kestrel::disk
