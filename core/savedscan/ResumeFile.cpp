// SPDX-License-Identifier: Apache-2.0
#include "savedscan/ResumeFile.h"

#include <array>

#include "app/SizeText.h"

namespace kestrel::savedscan {
namespace {

constexpr std::uint64_t kMebibyte = 1 << 20;

app::Result<SourceFileKind> ClassifyFileAt(const std::string& path) {
  const disk::OpenedSource opened = disk::OpenSource(path);
  // A container that cannot be read says why: a missing segment, a parent not found.
  if (!opened.status.ok() && opened.container != disk::ContainerKind::Raw)
    return app::Failure{opened.status.message};
  if (!opened.status.ok()) return app::Failure{std::string(kNotAScanFileText)};
  std::array<std::uint8_t, kScanFileBanner.size()> first{};
  const std::size_t count = opened.reader.ReadSome(0, first).value_or(0);
  return ClassifySourceFile(disk::ByteView(first).first(count));
}

}  // namespace

std::string ResumeSizeText(std::uint64_t bytes) {
  if (bytes >= kMebibyte)
    return app::Format("%llu MB", static_cast<unsigned long long>(bytes / kMebibyte));
  return app::Format("%llu Bytes", static_cast<unsigned long long>(bytes));
}

ResumeFileFields DescribeResumeFile(const std::string& path, std::optional<std::uint64_t> size) {
  ResumeFileFields fields;
  fields.name = path;
  if (path.empty()) return fields;
  if (size) fields.size = ResumeSizeText(*size);
  // Only the file's own name has an extension: a dot in a folder's name is no type.
  const auto nameStart = path.find_last_of("/\\");
  const auto dot = path.rfind('.');
  if (dot != std::string::npos && (nameStart == std::string::npos || dot > nameStart))
    fields.type = path.substr(dot + 1);
  return fields;
}

app::Result<ResumeOpening> OpenResumeFile(const std::string& path, const app::LogReport& log) {
  app::NoProgress quiet;
  return OpenResumeFile(path, log, quiet);
}

app::Result<ResumeOpening> OpenResumeFile(const std::string& path, const app::LogReport& log,
                                          app::ProgressObserver& observer) {
  auto scan = ReadScanFile(path, log, observer);
  if (scan.ok()) return ResumeOpening{SourceFileKind::ScanInformation, std::move(scan.value())};
  const auto kind = ClassifyFileAt(path);
  if (!kind.ok()) return app::Failure{kind.error()};
  log.AppendLogEntry(kind.value() == SourceFileKind::PoolImage ? "Resume recovery from pool image"
                                                               : "Resume recovery from disk image");
  return ResumeOpening{kind.value(), {}};
}

}  // namespace kestrel::savedscan
