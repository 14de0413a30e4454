// SPDX-License-Identifier: Apache-2.0
// kestrel-nss-mkimage: builds NSS disk images and pool images from a JSON layout.
#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include "ExpectedFiles.h"
#include "MemberImages.h"
#include "MkImage.h"
#include "app/Version.h"

namespace {

using namespace kestrel::mkimage;

constexpr int kFailed = 1;
constexpr int kWrongCommandLine = 2;

int Fail(int code, const Error& error) {
  std::fprintf(stderr, "kestrel-nss-mkimage: %s\n", error.message.c_str());
  return code;
}

struct CommandLine {
  std::string layout;
  OutputRequest outputs;
  std::string manifest;
  std::string expect;
};

int Run(const CommandLine& command) {
  Result<Layout> layout = LoadLayout(command.layout);
  if (!layout) return Fail(kFailed, layout.error());
  if (Status status = CheckOutputs(*layout, command.outputs); !status) {
    return Fail(kWrongCommandLine, status.error());
  }
  Result<Manifest> manifest = BuildImages(*layout, command.outputs);
  if (!manifest) return Fail(kFailed, manifest.error());
  Status status;
  if (!command.manifest.empty()) status = WriteManifestFile(*manifest, command.manifest);
  if (status && !command.expect.empty()) status = WriteExpectedFiles(*manifest, command.expect);
  return status ? 0 : Fail(kFailed, status.error());
}

}  // namespace

// `stripe`: an image already built, cut into the member images of a RAID set.
CLI::App* AddStripeCommand(CLI::App& app, StripeRequest& request) {
  CLI::App* stripe = app.add_subcommand(
      "stripe", "Cuts a disk image into the member images of a RAID set, as md lays them out");
  stripe->add_option("--image", request.image, "the disk image to cut")->required();
  stripe->add_option("--prefix", request.prefix, "member file i is PREFIXi.img")->required();
  stripe->add_option("--level", request.level, "span, 0, 1, 10, 5 (default) or 6");
  stripe->add_option("--layout", request.layout,
                     "RAID 5: left-symmetric (default), left-asymmetric, right-symmetric or "
                     "right-asymmetric");
  stripe->add_option("--stripe", request.stripe, "chunk size (default 64k)")
      ->transform(CLI::AsSizeValue(false));
  stripe->add_option("--offset", request.offset, "bytes before the array on each member")
      ->transform(CLI::AsSizeValue(false));
  stripe->add_option("--members", request.members, "how many members (default 4)");
  stripe
      ->add_option("--order", request.order,
                   "file i holds array member ORDER[i] (a shuffled set), e.g. 2,0,3,1")
      ->delimiter(',');
  stripe->add_option("--leave-out", request.leaveOut, "member files not written (missing)")
      ->delimiter(',');
  return stripe;
}

int main(int argc, char** argv) {
  CLI::App app{"Builds NSS disk images (or one pool image) from a JSON layout.",
               "kestrel-nss-mkimage"};
  app.set_version_flag("--version",
                       "kestrel-nss-mkimage " + std::string(kestrel::app::VersionText()));
  CommandLine command;
  std::string poolImage;
  app.add_option("--layout", command.layout, "layout file, or \"demo\" for the built-in demo");
  app.add_option("--out", command.outputs.imagePaths, "image file, one per disk in layout order");
  app.add_option("--pool-image", poolImage, "write only the image of this pool to the one --out");
  app.add_option("--manifest", command.manifest, "write a JSON manifest of what was written");
  app.add_option("--expect", command.expect, "write every file entry's exact content under DIR");
  StripeRequest stripeRequest;
  const CLI::App* stripe = AddStripeCommand(app, stripeRequest);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForVersion& version) {
    return app.exit(version);
  } catch (const CLI::ParseError& error) {
    app.exit(error);
    return kWrongCommandLine;
  }
  if (stripe->parsed()) {
    const Status status = WriteMemberImages(stripeRequest);
    return status ? 0 : Fail(kFailed, status.error());
  }
  for (const auto& [given, name] : {std::pair{!command.layout.empty(), "--layout"},
                                    std::pair{!command.outputs.imagePaths.empty(), "--out"}}) {
    if (!given) return Fail(kWrongCommandLine, Error{std::string(name) + " is required"});
  }
  if (!poolImage.empty()) command.outputs.poolImage = poolImage;
  return Run(command);
}
