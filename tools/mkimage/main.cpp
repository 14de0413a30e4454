// kestrel-nss-mkimage: builds NSS disk images and pool images from a JSON layout.
#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include "ExpectedFiles.h"
#include "MkImage.h"

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

int main(int argc, char** argv) {
  CLI::App app{"Builds NSS disk images (or one pool image) from a JSON layout.",
               "kestrel-nss-mkimage"};
  CommandLine command;
  std::string poolImage;
  app.add_option("--layout", command.layout, "layout file, or \"demo\" for the built-in demo")
      ->required();
  app.add_option("--out", command.outputs.imagePaths, "image file, one per disk in layout order")
      ->required();
  app.add_option("--pool-image", poolImage, "write only the image of this pool to the one --out");
  app.add_option("--manifest", command.manifest, "write a JSON manifest of what was written");
  app.add_option("--expect", command.expect, "write every file entry's exact content under DIR");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::ParseError& error) {
    app.exit(error);
    return kWrongCommandLine;
  }
  if (!poolImage.empty()) command.outputs.poolImage = poolImage;
  return Run(command);
}
