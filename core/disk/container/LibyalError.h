// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace kestrel::disk {

// Turns a libyal library's error object into its text, and frees it. The libraries end each line
// of their backtrace with a newline; the first line is enough.
template <class Error, int (*Print)(Error*, char*, std::size_t), void (*Free)(Error**)>
std::string TakeErrorText(Error*& error) {
  if (!error) return "no reason given";
  std::array<char, 1024> text{};
  Print(error, text.data(), text.size());
  Free(&error);
  std::string message = text.data();
  if (const auto end = message.find('\n'); end != std::string::npos) message.resize(end);
  return message;
}

}  // namespace kestrel::disk
