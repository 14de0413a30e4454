// SPDX-License-Identifier: Apache-2.0
#include "imaging/EwfImage.h"

#include <algorithm>
#include <cctype>

#include "app/SizeText.h"

namespace kestrel::imaging {
namespace {

constexpr std::string_view kFirstSegmentExtension = ".E01";

bool EndsWithFirstExtension(const std::string& path) {
  const std::size_t length = kFirstSegmentExtension.size();
  if (path.size() <= length) return false;
  return std::equal(kFirstSegmentExtension.begin(), kFirstSegmentExtension.end(),
                    path.end() - static_cast<std::ptrdiff_t>(length), [](char wanted, char given) {
                      return wanted == std::toupper(static_cast<unsigned char>(given));
                    });
}

// Image sector k is source sector range.first + k.
std::vector<SectorRun> ImageRuns(const BadSectorMap& unreadable, SectorRange range) {
  std::vector<SectorRun> runs = unreadable.Runs();
  for (SectorRun& run : runs) run.first -= range.first;
  return runs;
}

}  // namespace

std::optional<EwfCompression> ParseEwfCompression(std::string_view text) {
  if (text == "none") return EwfCompression::None;
  if (text == "fast") return EwfCompression::Fast;
  if (text == "best") return EwfCompression::Best;
  return std::nullopt;
}

app::Result<std::uint64_t> ParseEwfSegmentSize(std::string_view text) {
  const auto bytes = app::ParseByteCount(text);
  if (!bytes || *bytes < kSmallestEwfSegmentBytes)
    return app::Failure{"a segment size of at least 1m, such as 650m or 2g, not " +
                        std::string(text)};
  return *bytes;
}

bool NeedsRoomForWholeRange(const std::optional<EwfSettings>& ewf) {
  return !ewf || ewf->compression == EwfCompression::None;
}

std::string EwfFirstSegmentPath(const std::string& asked) {
  if (!EndsWithFirstExtension(asked)) return asked + std::string(kFirstSegmentExtension);
  return asked.substr(0, asked.size() - kFirstSegmentExtension.size()) +
         std::string(kFirstSegmentExtension);
}

app::Result<EwfOutcome> CreateEwfImage(const ImagingJob& job, const EwfSettings& settings,
                                       CopyStatus& status, app::ProgressObserver& observer,
                                       std::stop_token stop, const app::LogReport& log) {
  auto writer = CreateEwfWriter(job.imagePath, settings);
  if (!writer.ok()) {
    log.AppendLogEntry("Image creation failed: " + writer.error());
    return app::Failure{writer.error()};
  }
  auto copy = CreateImage(job, *writer.value(), status, observer, std::move(stop), log);
  if (!copy.ok()) return app::Failure{copy.error()};
  auto digests = writer.value()->Finish(ImageRuns(copy.value().unreadable, job.range));
  if (!digests.ok()) {
    log.AppendLogEntry("Image creation failed: " + digests.error());
    return app::Failure{digests.error()};
  }
  log.AppendLogEntry(app::Format("E01 evidence file %s: MD5 %s, SHA-1 %s", job.imagePath.c_str(),
                                 digests.value().md5.c_str(), digests.value().sha1.c_str()));
  return EwfOutcome{std::move(copy).value(), std::move(digests).value()};
}

}  // namespace kestrel::imaging
