// SPDX-License-Identifier: Apache-2.0
#include "destination/FtpDestination.h"

#include <utility>

#include "app/SizeText.h"
#include "app/TextEncoding.h"
#include "destination/StagedFiles.h"
#include "filter/CaseFold.h"

namespace kestrel::destination {
namespace {

std::u32string Folded(std::string_view name) {
  return filter::FoldedText(app::ToUtf16(name));
}

// The folder and the name of a path: "" is the folder the server logs the user into, "/" its top.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return {{}, path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// An upload through the destination: Write and Close speak for the server.
class FtpFile : public platform::WritableFile {
 public:
  FtpFile(FtpDestination& destination, std::string path, std::unique_ptr<FtpUpload> upload)
      : destination_(destination), path_(std::move(path)), upload_(std::move(upload)) {}

  bool Write(std::span<const std::uint8_t> bytes) override {
    if (!error_.empty()) return false;
    const FtpResult result = upload_->Write(bytes);
    if (!result.ok()) return Failed(result);
    sent_ += bytes.size();
    return true;
  }

  bool Close() override {
    if (!error_.empty()) return false;
    const FtpResult result = upload_->Finish();
    if (!result.ok()) return Failed(result);
    destination_.Sent(path_, sent_);
    return true;
  }

  const std::string& error() const override { return error_; }

 private:
  bool Failed(const FtpResult& result) {
    upload_.reset();  // a transfer still open ends here, before anything else is sent
    error_ = app::Format("after %llu bytes sent, ", static_cast<unsigned long long>(sent_)) +
             destination_.AfterFailedUpload(path_, result);
    return false;
  }

  FtpDestination& destination_;
  std::string path_;
  std::unique_ptr<FtpUpload> upload_;
  std::uint64_t sent_ = 0;
  std::string error_;
};

}  // namespace

FtpDestination::FtpDestination(std::unique_ptr<FtpSession> session, std::string root)
    : session_(std::move(session)), root_(std::move(root)) {}

// Control characters (CR, LF, NUL among them) and the separators are always replaced; an FTP
// server takes any other character, and names of up to 255 bytes.
const NameRules& FtpDestination::Rules() const {
  static const NameRules rules{u"", 255};
  return rules;
}

bool FtpDestination::Connect(std::string& error) {
  const FtpResult result = session_->Connect();
  error = result.error;
  return result.ok();
}

FtpResult FtpDestination::Checked(FtpResult result) {
  if (result.outcome != FtpResult::ConnectionLost) return result;
  const FtpResult again = session_->Connect();
  if (!again.ok()) {
    lost_ = "the connection to the server broke (" + result.error +
            ") and could not be made again: " + again.error;
  }
  return result;
}

bool FtpDestination::CreateFolder(const std::string& path, std::string& error) {
  if (!lost_.empty()) {
    error = lost_;
    return false;
  }
  const FtpResult result = Checked(session_->MakeFolder(path));
  error = result.error;
  if (result.ok()) Taken(path);
  return result.ok();
}

bool FtpDestination::Exists(const std::string& path) {
  if (!lost_.empty()) return false;
  const auto [folder, name] = SplitPath(path);
  const auto& listed = NamesIn(folder);
  if (listed && listed->names.contains(Folded(name))) return true;
  if (listed && listed->complete) return false;
  return OnServer(path);
}

bool FtpDestination::OnServer(const std::string& path) {
  std::optional<std::uint64_t> size;
  Checked(session_->FileSize(path, size));
  return size.has_value();
}

platform::CreatedFile FtpDestination::CreateFile(const std::string& path, std::stop_token stop) {
  if (!lost_.empty()) return {nullptr, lost_};
  Taken(path);  // even a file that fails may leave a part of it behind
  return {std::make_unique<FtpFile>(*this, path, session_->Upload(path, std::move(stop))), {}};
}

const std::optional<FtpDestination::FolderNames>& FtpDestination::NamesIn(
    const std::string& folder) {
  if (const auto known = listed_.find(folder); known != listed_.end()) return known->second;
  FolderListing listing;
  std::optional<FolderNames>& names = listed_[folder];
  if (Checked(session_->List(folder, listing, {})).ok()) {
    names.emplace().complete = listing.namesEveryEntry;
    for (const ListedEntry& entry : listing.entries) names->names.insert(Folded(entry.name));
  }
  return names;
}

void FtpDestination::Taken(const std::string& path) {
  const auto [folder, name] = SplitPath(path);
  if (const auto known = listed_.find(folder); known != listed_.end() && known->second)
    known->second->names.insert(Folded(name));
}

std::string FtpDestination::AfterFailedUpload(const std::string& path, const FtpResult& failure) {
  Checked(failure);
  if (failure.outcome != FtpResult::ConnectionLost) return failure.error;
  if (!lost_.empty()) return lost_ + "; a partial file may be left on the server";
  Checked(session_->Delete(path));
  const std::string broke = "the connection to the server broke (" + failure.error + "); ";
  return OnServer(path) ? broke + "connected again, but the partial file stays on the server"
                        : broke + "connected again, and no partial file is left on the server";
}

void FtpDestination::Sent(const std::string& path, std::uint64_t bytes) {
  const auto [folder, name] = SplitPath(path);
  unchecked_[folder][name] = bytes;
}

std::vector<LateFailure> FtpDestination::CheckClosedFiles() {
  std::vector<LateFailure> failures;
  for (const auto& [folder, files] : std::exchange(unchecked_, {})) {
    const auto sizes = ListedSizes(folder);
    for (const auto& [name, sent] : files) {
      const auto listed = sizes.find(name);
      std::optional<std::uint64_t> size;
      if (listed != sizes.end()) size = listed->second;
      const std::string path = Join(folder, name);
      if (auto reason = Shortfall(path, sent, size)) failures.push_back({path, *reason});
    }
  }
  return failures;
}

// The name's case is the server's business: a name taken in another case counts as taken.
platform::Renamed FtpDestination::Rename(const std::string& from, const std::string& to,
                                         bool replace) {
  if (!lost_.empty()) return {false, false, lost_};
  if (!replace && Exists(to)) return {false, true, {}};
  const FtpResult result = Checked(session_->Rename(from, to));
  if (!result.ok()) return {false, false, result.error};
  Taken(to);
  const auto [folder, name] = SplitPath(from);
  auto& files = unchecked_[folder];
  if (const auto sent = files.find(name); sent != files.end()) {
    unchecked_[SplitPath(to).first][SplitPath(to).second] = sent->second;
    files.erase(sent);
  }
  return {true, false, {}};
}

bool FtpDestination::RenamesFiles(std::string& why) {
  if (!refusesRenames_) {
    const std::string runId = NewRunId();
    const std::string stored = Join(root_, StagingName(runId, 1));
    const std::string renamed = Join(root_, StagingName(runId, 2));
    FtpResult result = session_->Upload(stored, {})->Finish();
    if (result.ok()) result = Checked(session_->Rename(stored, renamed));
    Checked(session_->Delete(result.ok() ? renamed : stored));
    refusesRenames_ = result.ok() ? std::string() : result.error;
  }
  why = *refusesRenames_;
  return why.empty();
}

std::vector<std::string> FtpDestination::FileNamesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const ListedEntry& file : ListedFiles(folder)) names.push_back(file.name);
  return names;
}

std::optional<std::string> FtpDestination::Remove(const std::string& path) {
  if (!lost_.empty()) return lost_;
  const FtpResult result = Checked(session_->Delete(path));
  if (!result.ok()) return result.error;
  const auto [folder, name] = SplitPath(path);
  unchecked_[folder].erase(name);
  return std::nullopt;
}

std::vector<ListedEntry> FtpDestination::ListedFiles(const std::string& folder) {
  FolderListing listing;
  if (!lost_.empty() || !Checked(session_->List(folder, listing, {})).ok()) return {};
  std::erase_if(listing.entries, [](const ListedEntry& entry) { return entry.folder; });
  return std::move(listing.entries);
}

std::unordered_map<std::string, std::uint64_t> FtpDestination::ListedSizes(
    const std::string& folder) {
  std::unordered_map<std::string, std::uint64_t> sizes;
  for (const ListedEntry& file : ListedFiles(folder))
    if (file.size) sizes.emplace(file.name, *file.size);
  return sizes;
}

std::optional<std::string> FtpDestination::Shortfall(const std::string& path, std::uint64_t sent,
                                                     std::optional<std::uint64_t> size) {
  if (!size && !lost_.empty()) return "the server cannot be asked how large it arrived: " + lost_;
  if (!size) {
    const FtpResult result = Checked(session_->FileSize(path, size));
    if (!result.ok()) return "the server does not say how large it arrived: " + result.error;
  }
  if (*size == sent) return std::nullopt;
  return app::Format("the server holds %llu of the %llu bytes sent",
                     static_cast<unsigned long long>(*size), static_cast<unsigned long long>(sent));
}

}  // namespace kestrel::destination
