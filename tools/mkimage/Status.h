// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace kestrel::mkimage {

// A failure carried as a value; the message says what is wrong with the layout or the output.
struct Error {
  std::string message;
};

// The same error with the place it came from in front: "volume VOL1: " + message.
inline Error InContext(std::string_view context, const Error& error) {
  return Error{std::string(context) + ": " + error.message};
}

// "0x" and `digits` upper-case hex digits, for keys and ids in messages.
inline std::string HexText(std::uint64_t value, int digits = 16) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
  return text;
}

// Success, or the Error that stopped the work.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Error error) : error_(std::move(error)), failed_(true) {}

  explicit operator bool() const { return !failed_; }
  const Error& error() const { return error_; }

 private:
  Error error_;
  bool failed_ = false;
};

// A value, or the Error that prevented it.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::move(value)) {}
  Result(Error error) : state_(std::move(error)) {}

  explicit operator bool() const { return std::holds_alternative<T>(state_); }
  T& operator*() { return *std::get_if<T>(&state_); }
  const T& operator*() const { return *std::get_if<T>(&state_); }
  T* operator->() { return std::get_if<T>(&state_); }
  const T* operator->() const { return std::get_if<T>(&state_); }
  const Error& error() const { return *std::get_if<Error>(&state_); }

 private:
  std::variant<T, Error> state_;
};

}  // namespace kestrel::mkimage
