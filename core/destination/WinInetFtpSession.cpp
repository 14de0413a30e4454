// SPDX-License-Identifier: Apache-2.0
// The FTP client over the Windows internet functions (WinINet): one session handle holds the
// logged-in control connection that every operation reuses. WinINet speaks no FTP over TLS, so a
// server that must be reached with TLS is refused. Paths are made absolute from the folder the
// server logs the user into, so that no operation depends on a current folder on the server.
// Names go to the server as UTF-8 through the narrow (A) functions, which WinINet sends as they
// are; its wide functions would pass them through the ANSI code page.
#include <windows.h>

#include <wininet.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

#include "destination/FtpSession.h"
#include "disk/platform/WideText.h"

namespace kestrel::destination {
namespace {

using platform::FromWide;

class InternetHandle {
 public:
  InternetHandle() = default;
  explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
  InternetHandle(InternetHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, nullptr)) {}
  InternetHandle& operator=(InternetHandle&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  ~InternetHandle() { Close(); }

  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  bool Close() {
    return handle_ == nullptr || InternetCloseHandle(std::exchange(handle_, nullptr));
  }

 private:
  HINTERNET handle_ = nullptr;
};

// The server's last answer, without its line end.
std::string LastResponse() {
  std::array<wchar_t, 1024> text{};
  DWORD code = 0, length = static_cast<DWORD>(text.size());
  InternetGetLastResponseInfoW(&code, text.data(), &length);
  std::string answer = FromWide(text.data());
  while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
  return answer;
}

// What the last call's failure means: the server's own answer is a refusal on a good connection;
// anything from the network ends the connection.
FtpResult LastFailure(const std::string& what) {
  const DWORD error = GetLastError();
  if (error == ERROR_INTERNET_EXTENDED_ERROR || error == ERROR_NO_MORE_FILES ||
      error == ERROR_FILE_NOT_FOUND) {
    const std::string answer = LastResponse();
    return {FtpResult::Refused, what + ": " + (answer.empty() ? "refused by the server" : answer)};
  }
  return {FtpResult::ConnectionLost, what + ": network error " + std::to_string(error)};
}

// The internet functions block in each write, bounded by the send timeout; a stop request is
// taken between writes of at most 1 MiB.
class WinInetUpload : public FtpUpload {
 public:
  WinInetUpload(InternetHandle file, std::string path, std::stop_token stop)
      : file_(std::move(file)), path_(path), stop_(std::move(stop)) {}

  FtpResult Write(std::span<const std::uint8_t> bytes) override {
    for (std::size_t done = 0; done < bytes.size();) {
      if (stop_.stop_requested()) return {FtpResult::Stopped, "stopped"};
      const auto piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
      DWORD written = 0;
      if (!InternetWriteFile(file_.get(), bytes.data() + done, piece, &written) || written == 0)
        return LastFailure("storing " + path_);
      done += written;
    }
    return {};
  }

  FtpResult Finish() override {
    if (!file_.Close()) return LastFailure("storing " + path_);
    return {};
  }

 private:
  InternetHandle file_;
  std::string path_;
  std::stop_token stop_;
};

class WinInetFtpSession : public FtpSession {
 public:
  explicit WinInetFtpSession(const FtpSettings& settings) : settings_(settings) {}

  FtpResult Connect() override {
    if (settings_.tls == FtpTls::Required)
      return {FtpResult::Refused,
              "the Windows FTP client speaks no TLS; connect without --ftp-tls, or recover into a "
              "folder and copy the files over a secure connection"};
    std::array<char, MAX_PATH> folder{};
    DWORD length = static_cast<DWORD>(folder.size());
    if (session_ && FtpGetCurrentDirectoryA(session_.get(), folder.data(), &length)) return {};
    return LogIn();
  }

  // The internet functions list with LIST: the listing may leave names out.
  FtpResult List(const std::string& folder, FolderListing& listing, std::stop_token) override {
    listing = {};
    std::vector<ListedEntry>& entries = listing.entries;
    WIN32_FIND_DATAA found{};
    InternetHandle search(FtpFindFirstFileA(session_.get(), (Absolute(folder) + "/*").c_str(),
                                            &found, INTERNET_FLAG_RELOAD, 0));
    if (!search) {
      if (GetLastError() == ERROR_NO_MORE_FILES) return {};
      return LastFailure("listing " + folder);
    }
    do {
      const std::string name = found.cFileName;
      if (name != "." && name != "..")
        entries.push_back(
            {name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, std::nullopt});
    } while (InternetFindNextFileA(search.get(), &found));
    return {};
  }

  FtpResult MakeFolder(const std::string& folder) override {
    const std::string path = Absolute(folder);
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
      FtpCreateDirectoryA(session_.get(), path.substr(0, end).c_str());
      if (end == std::string::npos) break;
    }
    if (!FtpSetCurrentDirectoryA(session_.get(), path.c_str()))
      return LastFailure("making the folder " + folder);
    return {};
  }

  // SIZE on the control connection: a listing's lines are not parsed alike by every version.
  // Binary mode first, since servers refuse SIZE in ASCII mode, which a listing leaves behind.
  FtpResult FileSize(const std::string& path, std::optional<std::uint64_t>& size) override {
    size.reset();
    const std::string command = "SIZE " + Absolute(path);
    for (const char* sent : {"TYPE I", command.c_str()}) {
      if (!FtpCommandA(session_.get(), FALSE, FTP_TRANSFER_TYPE_BINARY, sent, 0, nullptr))
        return LastFailure(path);
    }
    const std::string answer = LastResponse();
    if (!answer.starts_with("213 ")) return {FtpResult::Refused, path + ": " + answer};
    std::uint64_t bytes = 0;
    const auto [end, error] =
        std::from_chars(answer.data() + 4, answer.data() + answer.size(), bytes);
    if (error != std::errc{}) return {FtpResult::Refused, "the server tells no size of " + path};
    size = bytes;
    return {};
  }

  FtpResult Delete(const std::string& path) override {
    if (!FtpDeleteFileA(session_.get(), Absolute(path).c_str()))
      return LastFailure("deleting " + path);
    return {};
  }

  FtpResult Rename(const std::string& from, const std::string& to) override {
    if (!FtpRenameFileA(session_.get(), Absolute(from).c_str(), Absolute(to).c_str()))
      return LastFailure("renaming " + from);
    return {};
  }

  std::unique_ptr<FtpUpload> Upload(const std::string& path, std::stop_token stop) override {
    InternetHandle file(FtpOpenFileA(session_.get(), Absolute(path).c_str(), GENERIC_WRITE,
                                     FTP_TRANSFER_TYPE_BINARY, 0));
    if (!file) return std::make_unique<RefusedUpload>(LastFailure("storing " + path));
    return std::make_unique<WinInetUpload>(std::move(file), path, std::move(stop));
  }

 private:
  // An upload the server would not start: every step says why.
  class RefusedUpload : public FtpUpload {
   public:
    explicit RefusedUpload(FtpResult why) : why_(std::move(why)) {}
    FtpResult Write(std::span<const std::uint8_t>) override { return why_; }
    FtpResult Finish() override { return why_; }

   private:
    FtpResult why_;
  };

  FtpResult LogIn() {
    session_ = InternetHandle();
    internet_ = InternetHandle(
        InternetOpenW(L"kestrel-nss", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!internet_) return LastFailure("starting the internet functions");
    DWORD milliseconds = static_cast<DWORD>(settings_.timeout.count() * 1000);
    for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                               INTERNET_OPTION_SEND_TIMEOUT})
      InternetSetOptionW(internet_.get(), option, &milliseconds, sizeof milliseconds);
    session_ = InternetHandle(
        InternetConnectA(internet_.get(), settings_.host.c_str(), settings_.port,
                         settings_.user.c_str(), settings_.password.Reveal().c_str(),
                         INTERNET_SERVICE_FTP, settings_.passive ? INTERNET_FLAG_PASSIVE : 0, 0));
    if (!session_) {
      FtpResult failure = LastFailure("connecting to " + settings_.host);
      failure.outcome = FtpResult::ConnectionLost;
      return failure;
    }
    std::array<char, MAX_PATH> folder{};
    DWORD length = static_cast<DWORD>(folder.size());
    if (!FtpGetCurrentDirectoryA(session_.get(), folder.data(), &length))
      return LastFailure("asking the server for its folder");
    home_ = folder.data();  // some versions count the closing NUL in the length
    return {};
  }

  // A path that starts with "/" is from the server's top folder, another from the login folder.
  std::string Absolute(const std::string& path) const {
    if (path.starts_with('/')) return path;
    const std::string home = home_.ends_with('/') ? home_ : home_ + "/";
    return path.empty() ? home_ : home + path;
  }

  FtpSettings settings_;
  InternetHandle internet_;
  InternetHandle session_;
  std::string home_ = "/";
};

}  // namespace

std::unique_ptr<FtpSession> OpenFtpSession(const FtpSettings& settings) {
  return std::make_unique<WinInetFtpSession>(settings);
}

}  // namespace kestrel::destination
