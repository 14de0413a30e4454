// SPDX-License-Identifier: Apache-2.0
// `mount` on Windows: the read-only folder is served through FUSE, which only the Linux build has.
#include "Command.h"

namespace kestrel::cli {
namespace {

class UnavailableMountCommand : public Command {
 public:
  int Run(const app::LogReport&) override {
    return Fail(
        "mount is not available on Windows: it serves the volume through FUSE, which only the "
        "Linux build has. Copy the files out with recover instead.");
  }
};

}  // namespace

RegisteredCommand AddMountCommand(CLI::App& app) {
  CLI::App* parser =
      app.add_subcommand("mount", "Not available on Windows (Linux only: it needs FUSE)");
  parser->allow_extras();
  return {parser, std::make_unique<UnavailableMountCommand>()};
}

}  // namespace kestrel::cli
