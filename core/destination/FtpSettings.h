// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

// How to reach an FTP server: the settings of the FTP dialog and of the command line.
namespace kestrel::destination {

inline constexpr std::string_view kConnectionFailedText = "Connection Failed";
inline constexpr std::uint16_t kDefaultFtpPort = 21;

// A password. It lives in memory only and is wiped from it when dropped, so that it is not left
// behind in freed memory for a dump of the process to show. It has no way to be printed.
class Secret {
 public:
  Secret() = default;
  explicit Secret(std::string text) : text_(std::move(text)) {}
  Secret(const Secret& other) : text_(other.text_) {}
  Secret& operator=(const Secret& other);
  ~Secret() { Wipe(); }

  const std::string& Reveal() const { return text_; }
  bool empty() const { return text_.empty(); }

 private:
  void Wipe();
  std::string text_;
};

enum class FtpTls {
  WhenOffered,  // AUTH TLS when the server offers it; plain FTP when it does not
  Required,     // no connection without TLS
};

struct FtpSettings {
  std::string host;
  std::uint16_t port = kDefaultFtpPort;
  std::string user;
  Secret password;
  bool passwordFromNetrc = false;  // the password is the one ~/.netrc holds for the server
  bool passive = false;            // active mode (PORT) unless asked for passive (PASV)
  FtpTls tls = FtpTls::WhenOffered;
  std::string caFile;  // certificates to trust instead of the system's; empty: the system's
  // The longest wait for the server: to connect, for a reply, for a stalled transfer to move.
  std::chrono::seconds timeout{15};
};

struct HostAndPort {
  std::string host;
  std::uint16_t port = kDefaultFtpPort;
};

// "HOST", "HOST:PORT" or "[IPv6]:PORT"; false when the port is no number from 1 to 65535 or the
// host is empty.
bool ParseHostAndPort(std::string_view text, HostAndPort& out);

}  // namespace kestrel::destination
