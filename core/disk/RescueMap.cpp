// SPDX-License-Identifier: Apache-2.0
#include "disk/RescueMap.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/SizeText.h"
#include "disk/NssLayout.h"
#include "disk/platform/Utf8Path.h"

namespace kestrel::disk {
namespace {

using Count = unsigned long long;  // for the %llX of Format

constexpr std::uint64_t kSector = layout::kSectorSize;
constexpr std::string_view kStatusLetters = "?*/-+";

std::optional<std::uint64_t> ReadNumber(const std::string& word) {
  if (word.empty() || word.front() == '-' || word.front() == '+') return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const Count value = std::strtoull(word.c_str(), &end, 0);
  if (errno != 0 || *end != '\0') return std::nullopt;
  return value;
}

std::optional<char> ReadLetter(const std::string& word, std::string_view letters) {
  if (word.size() != 1 || letters.find(word.front()) == std::string_view::npos) return std::nullopt;
  return word.front();
}

// The lines that are not comments, split into words.
std::vector<std::vector<std::string>> DataLines(std::string_view text) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream input{std::string(text)};
  for (std::string line; std::getline(input, line);) {
    std::istringstream words(line);
    std::vector<std::string> split;
    for (std::string word; words >> word;) split.push_back(word);
    if (!split.empty() && split.front().front() != '#') lines.push_back(std::move(split));
  }
  return lines;
}

app::Failure NotAMap(const std::string& why) {
  return app::Failure{"the map file cannot be used: " + why};
}

}  // namespace

RescueMap::RescueMap(std::uint64_t bytes) : blocks_{{0, bytes, BlockStatus::NonTried}} {}

app::Result<RescueMap> RescueMap::Parse(std::string_view text, std::uint64_t bytes) {
  const auto lines = DataLines(text);
  if (lines.empty() || lines.front().size() < 2) return NotAMap("it has no current position line");
  RescueMap map;
  const auto position = ReadNumber(lines.front()[0]);
  const auto phase = ReadLetter(lines.front()[1], "?*/-+FG");
  if (!position || !phase) return NotAMap("its current position line is not understood");
  map.currentPosition = *position;
  map.phase = kStatusLetters.find(*phase) == std::string_view::npos ? RescuePhase::Copying
                                                                    : RescuePhase{*phase};
  if (lines.front().size() > 2)
    map.pass = static_cast<unsigned>(ReadNumber(lines.front()[2]).value_or(1));
  std::uint64_t expected = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const auto& words = lines[i];
    if (words.size() != 3) return NotAMap("a run line does not hold three words");
    const std::uint64_t at = ReadNumber(words[0]).value_or(~std::uint64_t{0});
    const std::uint64_t size = ReadNumber(words[1]).value_or(0);
    const auto status = ReadLetter(words[2], kStatusLetters);
    if (!status || at != expected || size == 0 || size % kSector != 0)
      return NotAMap("its runs do not follow each other in whole sectors");
    if (size > bytes - at) return NotAMap("a run ends past the end of the image");
    map.blocks_.push_back({at, size, BlockStatus{*status}});
    expected = at + size;
  }
  if (map.blocks_.empty() || expected != bytes) {
    return NotAMap(app::Format("it describes %llu bytes, and the image holds %llu", Count{expected},
                               Count{bytes}));
  }
  return map;
}

std::string RescueMap::Text(std::string_view header) const {
  std::string text;
  std::istringstream lines{std::string(header)};
  for (std::string line; std::getline(lines, line);) text += "# " + line + "\n";
  text += "# current_pos  current_status  current_pass\n";
  text += app::Format("0x%08llX     %c               %u\n", Count{currentPosition},
                      static_cast<char>(phase), pass);
  text += "#      pos        size  status\n";
  for (const MapBlock& block : blocks_) {
    text += app::Format("0x%08llX  0x%08llX  %c\n", Count{block.position}, Count{block.size},
                        static_cast<char>(block.status));
  }
  return text;
}

std::size_t RescueMap::SplitAt(std::uint64_t position) {
  auto after =
      std::upper_bound(blocks_.begin(), blocks_.end(), position,
                       [](std::uint64_t at, const MapBlock& block) { return at < block.position; });
  auto holder = std::prev(after);
  if (holder->position == position) return static_cast<std::size_t>(holder - blocks_.begin());
  const MapBlock tail{position, holder->End() - position, holder->status};
  holder->size = position - holder->position;
  const auto inserted = blocks_.insert(after, tail);  // before begin(): the insert may reallocate
  return static_cast<std::size_t>(inserted - blocks_.begin());
}

void RescueMap::Mark(std::uint64_t position, std::uint64_t size, BlockStatus status) {
  const std::uint64_t end = std::min(position + size, Bytes());
  if (position >= end) return;
  const std::size_t first = SplitAt(position);
  const std::size_t last = end == Bytes() ? blocks_.size() : SplitAt(end);
  blocks_[first] = {position, end - position, status};
  blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(first) + 1,
                blocks_.begin() + static_cast<std::ptrdiff_t>(last));
  // Runs of one status are one run.
  if (first + 1 < blocks_.size() && blocks_[first + 1].status == status) {
    blocks_[first].size += blocks_[first + 1].size;
    blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(first) + 1);
  }
  if (first > 0 && blocks_[first - 1].status == status) {
    blocks_[first - 1].size += blocks_[first].size;
    blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(first));
  }
}

std::uint64_t RescueMap::BytesWith(BlockStatus status) const {
  std::uint64_t bytes = 0;
  for (const MapBlock& block : blocks_) {
    if (block.status == status) bytes += block.size;
  }
  return bytes;
}

std::optional<MapBlock> RescueMap::NextWith(BlockStatus status, std::uint64_t from) const {
  auto block = std::upper_bound(blocks_.begin(), blocks_.end(), from,
                                [](std::uint64_t at, const MapBlock& b) { return at < b.End(); });
  for (; block != blocks_.end(); ++block) {
    if (block->status != status) continue;
    const std::uint64_t start = std::max(from, block->position);
    return MapBlock{start, block->End() - start, status};
  }
  return std::nullopt;
}

app::Result<std::string> ReadMapText(const std::string& path) {
  std::ifstream file(platform::Utf8Path(path), std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  if (!file) return app::Failure{path + ": the map file cannot be read"};
  return text.str();
}

}  // namespace kestrel::disk
