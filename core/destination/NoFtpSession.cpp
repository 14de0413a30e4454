// The FTP seam of a build without an FTP client (Windows: no libcurl is built for MinGW here).
#include "destination/FtpSession.h"

namespace kestrel::destination {
namespace {

constexpr const char* kNoFtpClient =
    "FTP is not available in this build for Windows; recover into a local folder and copy the "
    "files to the server from there";

FtpResult Refusal() {
  return {FtpResult::Refused, kNoFtpClient};
}

class NoFtpUpload : public FtpUpload {
 public:
  FtpResult Write(std::span<const std::uint8_t>) override { return Refusal(); }
  FtpResult Finish() override { return Refusal(); }
};

class NoFtpSession : public FtpSession {
 public:
  FtpResult Connect() override { return Refusal(); }
  FtpResult ListFolders(const std::string&, std::vector<std::string>&, std::stop_token) override {
    return Refusal();
  }
  FtpResult MakeFolder(const std::string&) override { return Refusal(); }
  FtpResult FileSize(const std::string&, std::optional<std::uint64_t>&) override {
    return Refusal();
  }
  FtpResult Delete(const std::string&) override { return Refusal(); }
  std::unique_ptr<FtpUpload> Upload(const std::string&) override {
    return std::make_unique<NoFtpUpload>();
  }
};

}  // namespace

std::unique_ptr<FtpSession> OpenFtpSession(const FtpSettings&) {
  return std::make_unique<NoFtpSession>();
}

std::optional<std::string> FtpUnavailableReason() {
  return kNoFtpClient;
}

}  // namespace kestrel::destination
