// SPDX-License-Identifier: Apache-2.0
#include "destination/FtpSettings.h"

#include <charconv>

namespace kestrel::destination {

Secret& Secret::operator=(const Secret& other) {
  if (this != &other) {
    Wipe();
    text_ = other.text_;
  }
  return *this;
}

// The stores go through a volatile pointer, so that the compiler cannot leave them out as writes
// nobody reads (as explicit_bzero, which not every C library has).
void Secret::Wipe() {
  volatile char* bytes = text_.data();
  for (std::size_t i = 0; i < text_.capacity(); ++i) bytes[i] = 0;
  text_.clear();
}

bool ParseHostAndPort(std::string_view text, HostAndPort& out) {
  std::string_view host = text;
  std::string_view port;
  if (text.starts_with('[')) {
    const auto close = text.find(']');
    if (close == std::string_view::npos) return false;
    host = text.substr(1, close - 1);
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty() && !rest.starts_with(':')) return false;
    port = rest.empty() ? rest : rest.substr(1);
    if (!rest.empty() && port.empty()) return false;
  } else if (const auto colon = text.rfind(':');
             colon != std::string_view::npos && text.find(':') == colon) {
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (port.empty()) return false;
  }
  if (host.empty()) return false;
  unsigned number = kDefaultFtpPort;
  if (!port.empty()) {
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (error != std::errc{} || end != port.data() + port.size() || number == 0 || number > 65535)
      return false;
  }
  out = {std::string(host), static_cast<std::uint16_t>(number)};
  return true;
}

}  // namespace kestrel::destination
