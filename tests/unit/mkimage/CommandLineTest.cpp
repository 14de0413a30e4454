// SPDX-License-Identifier: Apache-2.0
// The program's exit codes and messages.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>

#include "ScratchImages.h"

namespace kestrel::mkimage::testing {
namespace {

struct Outcome {
  int exitCode;
  std::string errors;
};

Outcome RunProgram(const ScratchDir& scratch, const std::string& arguments) {
  const std::string errors = scratch.path("stderr.txt");
  const std::string command =
      "cd '" + scratch.path("") + "' && '" MKIMAGE_PROGRAM "' " + arguments + " 2>'" + errors + "'";
  const int status = std::system(command.c_str());
  const Bytes text = ReadFile(errors);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(text.begin(), text.end())};
}

TEST(CommandLine, BuildsTheDemoFromAnyFolder) {
  ScratchDir scratch;
  const Outcome outcome =
      RunProgram(scratch, "--layout demo --out a.img --out b.img --manifest m.json");
  EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
  EXPECT_EQ(ReadFile(scratch.path("b.img")).size(), 8u << 20);
  EXPECT_FALSE(ReadFile(scratch.path("m.json")).empty());
}

TEST(CommandLine, AWrongNumberOfImagesIsACommandLineError) {
  ScratchDir scratch;
  const Outcome outcome = RunProgram(scratch, "--layout demo --out a.img");
  EXPECT_EQ(outcome.exitCode, 2);
  EXPECT_EQ(outcome.errors.rfind("kestrel-nss-mkimage: the layout has 2 disk(s) but 1 --out", 0),
            0u)
      << outcome.errors;
  EXPECT_EQ(RunProgram(scratch, "--out a.img").exitCode, 2) << "--layout is required";
}

TEST(CommandLine, ABadLayoutFailsWithItsMessage) {
  ScratchDir scratch;
  std::ofstream(scratch.path("bad.json")) << R"({"disks": [{"partitions": [{"sizeSector": 1}]}]})";
  const Outcome outcome = RunProgram(scratch, "--layout bad.json --out a.img");
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_NE(outcome.errors.find("kestrel-nss-mkimage: bad.json: layout.disks[0].partitions[0]"),
            std::string::npos)
      << outcome.errors;
}

}  // namespace
}  // namespace kestrel::mkimage::testing
