// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace kestrel::app {

struct Failure {
  std::string message;
};

// A value, or the text that says why there is none. Errors are values: the core never throws
// and never exits the process.
template <class T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT(google-explicit-constructor)
  Result(Failure failure)
      : error_(std::move(failure.message)) {}  // NOLINT(google-explicit-constructor)

  bool ok() const { return value_.has_value(); }
  const T& value() const& { return *value_; }
  T& value() & { return *value_; }
  T&& value() && { return std::move(*value_); }
  const std::string& error() const { return error_; }

 private:
  std::optional<T> value_;
  std::string error_;
};

}  // namespace kestrel::app
