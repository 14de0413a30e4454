// SPDX-License-Identifier: Apache-2.0
// Name safety, free space and name clashes at a real local destination.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/TextEncoding.h"
#include "destination/Conflicts.h"
#include "destination/FreeSpace.h"
#include "destination/NameSafety.h"
#include "support/Files.h"

namespace kestrel::destination {
namespace {

namespace fs = std::filesystem;

const NameRules& kPosix = PosixNameRules();

TEST(NameSafety, NamesFromDiskNeverLeaveTheirFolder) {
  EXPECT_EQ(MakeSafeName(u"report.doc", kPosix).name, "report.doc");
  EXPECT_FALSE(MakeSafeName(u"report.doc", kPosix).changed);
  EXPECT_EQ(MakeSafeName(u"../../etc/x", kPosix).name, ".._.._etc_x");
  EXPECT_EQ(MakeSafeName(u"a\\b", kPosix).name, "a_b");
  EXPECT_EQ(MakeSafeName(u"..", kPosix).name, "__");
  EXPECT_EQ(MakeSafeName(u".", kPosix).name, "_");
  EXPECT_EQ(MakeSafeName(std::u16string(u"a\0b\x01\x7F", 5), kPosix).name, "a_b__");
  EXPECT_TRUE(MakeSafeName(u"a/b", kPosix).changed);
  const char16_t lone[] = {u'x', 0xD800, 0};
  const SafeName replaced = MakeSafeName(lone, kPosix);
  EXPECT_EQ(replaced.name, "x\xEF\xBF\xBD");
  EXPECT_TRUE(replaced.changed);
  EXPECT_EQ(MakeSafeName(u"a:b*c?", NameRules{u":*?", 255}).name, "a_b_c_");
}

TEST(NameSafety, LongNamesAreShortenedKeepingTheirExtension) {
  const std::u16string name = std::u16string(200, u'\u00E9') + u".txt";  // two bytes each in UTF-8
  const SafeName safe = MakeSafeName(name, kPosix);
  EXPECT_LE(safe.name.size(), 255u);
  EXPECT_EQ(safe.name.substr(safe.name.size() - 4), ".txt");
  EXPECT_EQ(safe.name.size() % 2, 0u) << "no character is cut in half";
  EXPECT_TRUE(safe.changed);
}

TEST(NameSafety, WindowsNamesNeverOpenADeviceOrLoseTheirEnd) {
  const NameRules& windows = WindowsNameRules();
  EXPECT_EQ(MakeSafeName(u"a<b>c:d\"e|f?g*h", windows).name, "a_b_c_d_e_f_g_h");
  for (const char16_t* device :
       {u"CON", u"con", u"Nul.txt", u"aux.tar.gz", u"COM1", u"lpt9.log", u"PRN .doc", u"com0"}) {
    const SafeName safe = MakeSafeName(device, windows);
    EXPECT_EQ(safe.name, "_" + app::ToUtf8(device)) << app::ToUtf8(device);
    EXPECT_TRUE(safe.changed);
  }
  for (const char16_t* ordinary : {u"CONSOLE", u"COM10", u"NULL.txt", u"xCON", u"COMA", u"LPT"}) {
    EXPECT_FALSE(MakeSafeName(ordinary, windows).changed) << app::ToUtf8(ordinary);
  }
  EXPECT_EQ(MakeSafeName(u"notes.", windows).name, "notes_");
  EXPECT_EQ(MakeSafeName(u"draft . ", windows).name, "draft___");
  EXPECT_EQ(MakeSafeName(u"...", windows).name, "___");
  EXPECT_EQ(MakeSafeName(u"CON.", windows).name, "_CON_");
  EXPECT_EQ(MakeSafeName(u" .profile", windows).name, " .profile") << "only the end counts";
  EXPECT_EQ(MakeSafeName(u"notes.", PosixNameRules()).name, "notes.") << "POSIX keeps the dot";
  EXPECT_EQ(MakeSafeName(u"CON", PosixNameRules()).name, "CON");
}

TEST(NameSafety, ShortenedWindowsNamesStillLoseTheirTrailingBlank) {
  const std::u16string name = std::u16string(254, u'x') + u" y";
  const SafeName safe = MakeSafeName(name, WindowsNameRules());
  EXPECT_EQ(safe.name, std::string(254, 'x') + "_");
}

TEST(FreeSpace, ExactlyEnoughIsEnough) {
  EXPECT_TRUE(HasRoomFor(1000, 1000));
  EXPECT_FALSE(HasRoomFor(1001, 1000));
  EXPECT_TRUE(HasRoomFor(1ull << 40, std::nullopt));
  EXPECT_EQ(kInsufficientSpaceText, "Insufficient drive space at destination location.");
}

// Answers from a script, counting the questions.
class ScriptedPrompt : public ConflictPrompt {
 public:
  ConflictAnswer Ask(const ConflictQuestion& question) override {
    questions.push_back(question);
    return answers.at(questions.size() - 1);
  }
  std::vector<ConflictAnswer> answers;
  std::vector<ConflictQuestion> questions;
};

class Clashes : public ::testing::Test {
 protected:
  Clashes() {
    Touch("a.txt");
    Touch("Copy(1)_a.txt");
  }
  void Touch(const std::string& name) { std::ofstream(folder / name) << "old"; }
  ConflictDecision Resolve(const std::string& name) {
    return ResolveConflict(destination, flags, prompt, folder.path().string(), name);
  }

  test::ScratchFolder folder{"clashes"};
  LocalDestination destination{folder.path().string()};
  ConflictFlags flags;
  ScriptedPrompt prompt;
};

TEST_F(Clashes, ProposalsSkipTheCopiesAlreadyThere) {
  EXPECT_EQ(ProposeCopyName(destination, folder.path().string(), "a.txt"), "Copy(2)_a.txt");
  prompt.answers = {{ConflictChoice::RenameAll, ""}};
  EXPECT_EQ(Resolve("a.txt").target, (folder / "Copy(2)_a.txt").string());
  EXPECT_EQ(prompt.questions.at(0).proposedName, "Copy(2)_a.txt");
  EXPECT_EQ(Resolve("new.txt").target, (folder / "new.txt").string()) << "no clash, no question";
  Touch("b.txt");
  EXPECT_EQ(Resolve("b.txt").target, (folder / "Copy(1)_b.txt").string())
      << "RenameAll answers later clashes";
  EXPECT_EQ(prompt.questions.size(), 1u);
}

// Recovery makes each file in one step that fails on a name in use, whatever uses it, and turns to
// the answers to clashes only then; nothing there is changed or followed.
TEST_F(Clashes, ANewFileIsMadeOnlyWhereTheNameIsFree) {
  fs::create_directory(folder / "sub");
  std::vector<std::string> taken{"a.txt", "sub"};
#ifndef _WIN32
  fs::create_symlink(folder / "elsewhere.txt", folder / "link.txt");
  taken.push_back("link.txt");
#endif
  for (const std::string& name : taken) {
    const platform::CreatedFile created = destination.CreateNewFile((folder / name).string(), {});
    EXPECT_TRUE(created.taken && !created.file) << name;
  }
  EXPECT_EQ(test::ReadFileText(folder / "a.txt"), "old");
  EXPECT_FALSE(fs::exists(folder / "elsewhere.txt")) << "a link is not followed";

  const platform::CreatedFile made = destination.CreateNewFile((folder / "new.txt").string(), {});
  ASSERT_TRUE(made.file) << made.error;
  EXPECT_FALSE(made.taken);
  EXPECT_TRUE(made.file->Close());
  EXPECT_TRUE(fs::exists(folder / "new.txt"));
  const platform::CreatedFile emptied = destination.CreateFile((folder / "a.txt").string(), {});
  ASSERT_TRUE(emptied.file && emptied.file->Close());
  EXPECT_EQ(fs::file_size(folder / "a.txt"), 0u) << "asked to, it empties the file there";
}

TEST_F(Clashes, OnceChoicesAskAgainAndAllChoicesDoNot) {
  Touch("b.txt");
  prompt.answers = {{ConflictChoice::Skip, ""},
                    {ConflictChoice::Rename, "../../escape.txt"},
                    {ConflictChoice::OverWriteAll, ""}};
  EXPECT_EQ(Resolve("a.txt").action, ConflictDecision::SkipFile);
  EXPECT_EQ(Resolve("a.txt").target, (folder / ".._.._escape.txt").string())
      << "a typed name is made safe too";
  EXPECT_EQ(Resolve("b.txt").target, (folder / "b.txt").string());
  EXPECT_EQ(Resolve("a.txt").target, (folder / "a.txt").string());
  EXPECT_EQ(prompt.questions.size(), 3u);
  EXPECT_TRUE(flags.m_overwriteAll);
  EXPECT_FALSE(flags.m_skipOnce) << "each question clears the flags";
}

TEST_F(Clashes, SkipAllEndsTheRun) {
  prompt.answers = {{ConflictChoice::SkipAll, ""}};
  EXPECT_EQ(Resolve("a.txt").action, ConflictDecision::SkipRun);
  EXPECT_EQ(Resolve("Copy(1)_a.txt").action, ConflictDecision::SkipRun);
  EXPECT_EQ(prompt.questions.size(), 1u);
}

TEST(ScanFileProposal, CopyNumbersRiseUntilTheBareNameIsFree) {
  std::set<std::string> present{"(Copy_1)x.IMG"};
  const auto exists = [&](const std::string& name) { return present.count(name) != 0; };
  EXPECT_EQ(ProposeScanFileName("/home/admin/scans/scan.IMG", exists), "(Copy_1)scan.IMG");
  EXPECT_EQ(ProposeScanFileName("C:\\scans\\x.IMG", exists), "(Copy_2)x.IMG");
}

}  // namespace
}  // namespace kestrel::destination
