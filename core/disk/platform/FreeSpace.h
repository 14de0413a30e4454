#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestrel::platform {

// Bytes an ordinary user may still write on the file system that will hold the file at path (the
// file system of its folder); nothing when that folder cannot be asked.
std::optional<std::uint64_t> FreeBytesFor(const std::string& path);

}  // namespace kestrel::platform
