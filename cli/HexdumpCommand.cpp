// SPDX-License-Identifier: Apache-2.0
// `hexdump`: the hex viewer's page of a file, or any range of it, as the viewer lays it out.
#include <iostream>

#include "Command.h"
#include "FileChoice.h"
#include "Interrupt.h"
#include "viewers/HexPage.h"

namespace kestrel::cli {
namespace {

constexpr std::size_t kChunk = 64 * 1024;  // a multiple of the 16 bytes of a line

class HexdumpCommand : public Command {
 public:
  explicit HexdumpCommand(CLI::App& parser) {
    source_.AddTo(parser);
    file_.AddTo(parser);
    auto* page = parser.add_option("--page", page_, "The viewer's page of 256 bytes, from 0");
    auto* offset = parser.add_option("--offset", offset_, "The first byte of a range");
    auto* length = parser.add_option("--length", length_, "The bytes of the range");
    page->excludes(offset)->excludes(length);
  }

  int Run(const app::LogReport& log) override {
    const InterruptStop interrupt;
    const auto chosen = OpenChosenFile(source_, file_, interrupt.token(), log);
    if (!chosen.ok()) return Fail(chosen.error());
    const std::uint64_t size = chosen.value().layout.size;
    const auto range = Range(size);
    if (!range.ok()) return Fail(range.error());
    const auto [offset, length] = range.value();
    const viewers::HexColumns columns = viewers::HexColumnsFor(size);
    std::cout << viewers::HexHeaderText(columns) << '\n';
    std::vector<std::uint8_t> buffer(kChunk);
    std::uint64_t unreadable = 0;
    for (std::uint64_t done = 0; done < length; done += kChunk) {
      if (interrupt.interrupted()) return Fail("stopped");
      const auto chunk = std::span(buffer).first(std::min<std::uint64_t>(kChunk, length - done));
      const auto read = volume::ReadFileRange(chosen.value().scanned.source, chosen.value().layout,
                                              offset + done, chunk);
      for (const auto& run : read.unreadable) unreadable += run.length;
      for (const auto& line : viewers::FormatHexLines(offset + done, chunk.first(read.bytes),
                                                      read.unreadable, columns))
        std::cout << viewers::HexLineText(line, columns) << '\n';
    }
    if (unreadable != 0)
      return Fail(std::to_string(unreadable) + " bytes could not be read; they are shown as ??");
    return kSuccess;
  }

 private:
  struct ByteRange {
    std::uint64_t offset;
    std::uint64_t length;
  };

  // A page, or the range cut to the file's size; a start past the end is an error.
  app::Result<ByteRange> Range(std::uint64_t size) const {
    if (!offset_ && !length_) {
      const std::uint64_t pages = viewers::HexPageCount(size);
      if (page_ >= pages)
        return app::Failure{"page " + std::to_string(page_) + " is past the end: the file has " +
                            std::to_string(pages) + " pages of 256 bytes"};
      const std::uint64_t start = page_ * viewers::kHexPageBytes;
      return ByteRange{start, std::min(viewers::kHexPageBytes, size - start)};
    }
    const std::uint64_t start = offset_.value_or(0);
    if (start > size)
      return app::Failure{"offset " + std::to_string(start) + " is past the end of the file (" +
                          std::to_string(size) + " bytes)"};
    return ByteRange{start, std::min(length_.value_or(size - start), size - start)};
  }

  SourceOptions source_;
  FileChoice file_;
  std::uint64_t page_ = 0;
  std::optional<std::uint64_t> offset_;
  std::optional<std::uint64_t> length_;
};

}  // namespace

RegisteredCommand AddHexdumpCommand(CLI::App& app) {
  CLI::App* parser = app.add_subcommand(
      "hexdump", "Shows a page of 256 bytes of one file, or any range, in hex and characters");
  return {parser, std::make_unique<HexdumpCommand>(*parser)};
}

}  // namespace kestrel::cli
