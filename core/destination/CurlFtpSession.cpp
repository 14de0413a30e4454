// SPDX-License-Identifier: Apache-2.0
// The FTP client over libcurl. One easy handle, always run on one multi handle, so that its
// connection cache holds the one control connection that every operation reuses. Uploads are
// driven from Write: the read callback hands curl the caller's bytes directly and pauses the
// transfer when they are used up, so no copy of a file is ever kept on the local disk.
#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <utility>

#include "app/SizeText.h"
#include "destination/FtpListing.h"
#include "destination/FtpSession.h"

namespace kestrel::destination {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPollMilliseconds = 200;
constexpr long kUploadBufferBytes = 512 * 1024;
constexpr std::string_view kTlsAccepted = "234 ";  // the reply to AUTH TLS that starts TLS

void InitialiseCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool IsUnreserved(unsigned char c) {
  return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

// Percent-encodes everything but the unreserved characters, so that no name can end the path
// (";type=", "?", "#") or hold a separator.
std::string Escaped(std::string_view component) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (const unsigned char c : component) {
    if (IsUnreserved(c)) {
      escaped += static_cast<char>(c);
    } else {
      escaped += '%';
      escaped += kHex[c >> 4];
      escaped += kHex[c & 0xF];
    }
  }
  return escaped;
}

// libcurl takes a password from ~/.netrc only for a user name given in the URL.
std::string ServerUrl(const FtpSettings& settings) {
  const bool ipv6 = settings.host.find(':') != std::string::npos;
  const std::string host = ipv6 ? "[" + settings.host + "]" : settings.host;
  const std::string user = settings.passwordFromNetrc ? Escaped(settings.user) + "@" : "";
  return "ftp://" + user + host + ":" + std::to_string(settings.port) + "/";
}

// libcurl 7.87 and 7.88 send the data of an active-mode connection in the clear after PROT P
// (curl issue 10666, mended in 8.0), which the server refuses; such a libcurl opens the data
// connection of an encrypted session itself (passive mode).
bool ActiveModeLosesTls() {
  const curl_version_info_data* version = curl_version_info(CURLVERSION_NOW);
  return version->version_num >= 0x075700 && version->version_num < 0x080000;
}

// curl before 8.9 closes an FTPS upload's data connection under TLS 1.3 with the server's
// session tickets unread, so the kernel resets the connection and vsftpd or ProFTPD answers 426
// for a file sent whole, now and then. With those versions TLS stops at 1.2.
bool UploadsBreakOnTls13() {
  return curl_version_info(CURLVERSION_NOW)->version_num < 0x080900;
}

// The URL of a path below the server URL. curl changes into every folder of the URL, one at a
// time; "%2F" first makes it start at the server's top folder. A folder's URL ends in "/".
std::string PathUrl(const std::string& server, std::string_view path, bool folder) {
  std::string url = server;
  if (path.starts_with('/')) url += "%2F";
  bool first = true;
  while (!path.empty()) {
    const auto slash = path.find('/');
    const std::string_view component = path.substr(0, slash);
    if (!component.empty()) {
      if (!first) url += '/';
      url += Escaped(component);
      first = false;
    }
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  if (folder && url.back() != '/') url += '/';
  return url;
}

bool IsRefusal(CURLcode code) {
  switch (code) {
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_REMOTE_DISK_FULL:
    case CURLE_REMOTE_FILE_EXISTS:
    case CURLE_UPLOAD_FAILED:
    case CURLE_QUOTE_ERROR:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_FTP_COULDNT_USE_REST:
      return true;
    default:
      return false;
  }
}

class CurlFtpSession;

class CurlUpload : public FtpUpload {
 public:
  CurlUpload(CurlFtpSession& session, std::stop_token stop)
      : session_(session), stop_(std::move(stop)) {}
  ~CurlUpload() override;

  FtpResult Write(std::span<const std::uint8_t> bytes) override;
  FtpResult Finish() override;

  // The read callback: the caller's bytes, a pause while there are none, the end once finishing.
  static std::size_t Read(char* buffer, std::size_t size, std::size_t count, void* self);

 private:
  void Continue();
  // Runs the transfer until `handedOver` says curl has what it needs (nothing: until its end).
  // The result when the transfer ends, or is abandoned: on a stop request, or when no byte
  // reaches the server for the session's timeout.
  std::optional<FtpResult> Send(const std::function<bool()>& handedOver);

  CurlFtpSession& session_;
  std::stop_token stop_;
  std::span<const std::uint8_t> pending_;
  bool finishing_ = false;
  bool paused_ = false;
  bool ended_ = false;
  FtpResult result_;
};

class CurlFtpSession : public FtpSession {
 public:
  explicit CurlFtpSession(FtpSettings settings)
      : settings_(std::move(settings)), server_(ServerUrl(settings_)) {
    InitialiseCurlOnce();
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
  }
  ~CurlFtpSession() override {
    curl_multi_cleanup(multi_);
    curl_easy_cleanup(easy_);
  }

  FtpResult Connect() override {
    Prepare(PathUrl(server_, "", true));
    curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
    return Perform();
  }

  FtpResult List(const std::string& folder, FolderListing& listing, std::stop_token stop) override {
    FtpResult result = Download(folder, "MLSD", stop);
    if (result.outcome == FtpResult::Refused) {  // a server without MLSD
      result = Download(folder, nullptr, stop);
      listing = ListingFromList(body_);
    } else {
      listing = ListingFromMlsd(body_);
    }
    return result;
  }

  FtpResult MakeFolder(const std::string& folder) override {
    Prepare(PathUrl(server_, folder, true));
    curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(easy_, CURLOPT_FTP_CREATE_MISSING_DIRS, long{CURLFTP_CREATE_DIR_RETRY});
    return Perform();
  }

  FtpResult FileSize(const std::string& path, std::optional<std::uint64_t>& size) override {
    size.reset();
    Prepare(PathUrl(server_, path, false));
    curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
    FtpResult result = Perform();
    curl_off_t length = -1;
    curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (result.ok() && length >= 0) size = static_cast<std::uint64_t>(length);
    if (result.ok() && !size) result = {FtpResult::Refused, "the server tells no size of " + path};
    return result;
  }

  FtpResult Delete(const std::string& path) override { return OnFile({{"DELE", path}}); }

  FtpResult Rename(const std::string& from, const std::string& to) override {
    return OnFile({{"RNFR", from}, {"RNTO", to}});
  }

  std::unique_ptr<FtpUpload> Upload(const std::string& path, std::stop_token stop) override {
    auto upload = std::make_unique<CurlUpload>(*this, std::move(stop));
    Prepare(PathUrl(server_, path, false));
    curl_easy_setopt(easy_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(easy_, CURLOPT_READFUNCTION, &CurlUpload::Read);
    curl_easy_setopt(easy_, CURLOPT_READDATA, upload.get());
    curl_easy_setopt(easy_, CURLOPT_UPLOAD_BUFFERSIZE, kUploadBufferBytes);
    curl_multi_add_handle(multi_, easy_);
    return upload;
  }

  // Drives the running transfer until it ends (its result) or until `enough` says so.
  std::optional<FtpResult> Drive(const std::function<bool()>& enough) {
    for (;;) {
      int running = 0;
      curl_multi_perform(multi_, &running);
      int left = 0;
      while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        const CURLcode code = message->data.result;
        curl_multi_remove_handle(multi_, easy_);
        return Outcome(code);
      }
      if (enough && enough()) return std::nullopt;
      curl_multi_poll(multi_, nullptr, 0, kPollMilliseconds, nullptr);
    }
  }

  // Ends a transfer before its end; curl closes its connection.
  void Abandon() { curl_multi_remove_handle(multi_, easy_); }

  std::chrono::seconds Timeout() const { return settings_.timeout; }
  CURL* Easy() { return easy_; }

 private:
  // Every option an operation starts from. curl_easy_reset keeps the live connection.
  void Prepare(const std::string& url) {
    curl_easy_reset(easy_);
    errorText_[0] = '\0';
    lastReply_.clear();
    body_.clear();
    const long seconds = static_cast<long>(settings_.timeout.count());
    curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
    if (settings_.passwordFromNetrc) {
      curl_easy_setopt(easy_, CURLOPT_NETRC, long{CURL_NETRC_OPTIONAL});
    } else {
      curl_easy_setopt(easy_, CURLOPT_USERNAME, settings_.user.c_str());
      curl_easy_setopt(easy_, CURLOPT_PASSWORD, settings_.password.Reveal().c_str());
    }
    const bool passive = settings_.passive || (encrypted_ && ActiveModeLosesTls());
    curl_easy_setopt(easy_, CURLOPT_FTPPORT, passive ? nullptr : "-");
    curl_easy_setopt(
        easy_, CURLOPT_USE_SSL,
        settings_.tls == FtpTls::Required ? long{CURLUSESSL_ALL} : long{CURLUSESSL_TRY});
    if (!settings_.caFile.empty())
      curl_easy_setopt(easy_, CURLOPT_CAINFO, settings_.caFile.c_str());
    if (UploadsBreakOnTls13())
      curl_easy_setopt(easy_, CURLOPT_SSLVERSION,
                       long{CURL_SSLVERSION_TLSv1_2} | long{CURL_SSLVERSION_MAX_TLSv1_2});
    curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy_, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT, seconds);
    curl_easy_setopt(easy_, CURLOPT_SERVER_RESPONSE_TIMEOUT, seconds);
    curl_easy_setopt(easy_, CURLOPT_ACCEPTTIMEOUT_MS, seconds * 1000);
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorText_);
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlFtpSession::KeepReply);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlFtpSession::KeepBody);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
  }

  FtpResult Perform(std::stop_token stop = {}) {
    curl_multi_add_handle(multi_, easy_);
    if (auto end = Drive([&] { return stop.stop_requested(); })) return *end;
    Abandon();
    return {FtpResult::ConnectionLost, "stopped"};
  }

  // Sends each "VERB name" in the folder of the first file; the files share that folder.
  FtpResult OnFile(std::initializer_list<std::pair<std::string_view, std::string>> verbs) {
    const std::string& path = verbs.begin()->second;
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    Prepare(PathUrl(server_, folder, true));
    curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
    curl_slist* commands = nullptr;
    for (const auto& [verb, file] : verbs) {
      const auto nameAt = file.rfind('/');
      const std::string command =
          std::string(verb) + " " + file.substr(nameAt == std::string::npos ? 0 : nameAt + 1);
      commands = curl_slist_append(commands, command.c_str());
    }
    curl_easy_setopt(easy_, CURLOPT_POSTQUOTE, commands);  // sent once curl is in the folder
    FtpResult result = Perform();
    curl_slist_free_all(commands);
    return result;
  }

  FtpResult Download(const std::string& folder, const char* command, std::stop_token stop) {
    Prepare(PathUrl(server_, folder, true));
    if (command) curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, command);
    curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME, static_cast<long>(settings_.timeout.count()));
    return Perform(stop);
  }

  FtpResult Outcome(CURLcode code) const {
    if (code == CURLE_OK) return {};
    const std::string detail = errorText_[0] ? errorText_ : curl_easy_strerror(code);
    switch (code) {
      case CURLE_LOGIN_DENIED:
        return {FtpResult::ConnectionLost, "the server refused the user name or password"};
      case CURLE_PEER_FAILED_VERIFICATION:
      case CURLE_SSL_CACERT_BADFILE:
        return {FtpResult::ConnectionLost, "the server's certificate cannot be trusted: " + detail};
      case CURLE_USE_SSL_FAILED:
        return {FtpResult::ConnectionLost, "the server offers no TLS, and TLS is required"};
      case CURLE_REMOTE_DISK_FULL:
        return {FtpResult::Refused, "the server's disk is full (" + Reply(detail) + ")"};
      default:
        break;
    }
    if (IsRefusal(code)) return {FtpResult::Refused, "the server refused: " + Reply(detail)};
    return {FtpResult::ConnectionLost, detail};
  }

  // The server's last refusal as it said it, else curl's description.
  std::string Reply(const std::string& detail) const {
    return lastReply_.starts_with('4') || lastReply_.starts_with('5') ? lastReply_ : detail;
  }

  // Every reply of the server on the control connection passes here.
  static std::size_t KeepReply(char* text, std::size_t size, std::size_t count, void* self) {
    auto& session = *static_cast<CurlFtpSession*>(self);
    std::string& reply = session.lastReply_;
    reply.assign(text, size * count);
    if (reply.starts_with(kTlsAccepted)) session.encrypted_ = true;
    while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) reply.pop_back();
    return size * count;
  }

  static std::size_t KeepBody(char* text, std::size_t size, std::size_t count, void* self) {
    static_cast<CurlFtpSession*>(self)->body_.append(text, size * count);
    return size * count;
  }

  FtpSettings settings_;
  std::string server_;
  CURL* easy_;
  CURLM* multi_;
  char errorText_[CURL_ERROR_SIZE] = {};
  std::string lastReply_;
  std::string body_;
  bool encrypted_ = false;  // the server took AUTH TLS
};

CurlUpload::~CurlUpload() {
  if (!ended_) session_.Abandon();
}

std::size_t CurlUpload::Read(char* buffer, std::size_t size, std::size_t count, void* self) {
  auto& upload = *static_cast<CurlUpload*>(self);
  if (upload.pending_.empty()) {
    if (upload.finishing_) return 0;
    upload.paused_ = true;
    return CURL_READFUNC_PAUSE;
  }
  const std::size_t taken = std::min(size * count, upload.pending_.size());
  std::memcpy(buffer, upload.pending_.data(), taken);
  upload.pending_ = upload.pending_.subspan(taken);
  return taken;
}

void CurlUpload::Continue() {
  if (!paused_) return;
  paused_ = false;
  curl_easy_pause(session_.Easy(), CURLPAUSE_CONT);
}

std::optional<FtpResult> CurlUpload::Send(const std::function<bool()>& handedOver) {
  curl_off_t sent = 0;
  curl_easy_getinfo(session_.Easy(), CURLINFO_SIZE_UPLOAD_T, &sent);
  Clock::time_point moved = Clock::now();
  bool stalled = false;
  const auto enough = [&] {
    if (handedOver && handedOver()) return true;
    if (stop_.stop_requested()) return true;
    curl_off_t now = 0;
    curl_easy_getinfo(session_.Easy(), CURLINFO_SIZE_UPLOAD_T, &now);
    if (now != sent) {
      sent = now;
      moved = Clock::now();
    }
    stalled = Clock::now() - moved > session_.Timeout();
    return stalled;
  };
  if (auto end = session_.Drive(enough)) {
    ended_ = true;
    result_ = *end;
    return result_;
  }
  if (!stalled && !stop_.stop_requested()) return std::nullopt;
  session_.Abandon();
  ended_ = true;
  result_ = stalled ? FtpResult{FtpResult::ConnectionLost,
                                app::Format("the server took no data for %lld seconds",
                                            static_cast<long long>(session_.Timeout().count()))}
                    : FtpResult{FtpResult::Stopped, "stopped"};
  return result_;
}

FtpResult CurlUpload::Write(std::span<const std::uint8_t> bytes) {
  if (ended_) return result_.ok() ? FtpResult{FtpResult::Refused, "the file has ended"} : result_;
  pending_ = bytes;
  Continue();
  if (const auto end = Send([this] { return pending_.empty(); })) {
    if (end->ok()) result_ = {FtpResult::ConnectionLost, "the server ended the file early"};
    return result_;
  }
  return {};
}

FtpResult CurlUpload::Finish() {
  if (ended_) return result_;
  finishing_ = true;
  Continue();
  return *Send({});
}

}  // namespace

std::unique_ptr<FtpSession> OpenFtpSession(const FtpSettings& settings) {
  return std::make_unique<CurlFtpSession>(settings);
}

}  // namespace kestrel::destination
