// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "Status.h"

namespace kestrel::mkimage {

// Reads the fields of one JSON object of the layout. The first problem is kept and every later
// read returns its fallback, so a parser reads all its fields and asks finish() once; finish()
// also rejects any field that was never asked for, which catches misspelt field names.
class JsonFields {
 public:
  JsonFields(const nlohmann::json& object, std::string where);

  bool has(std::string_view name) const;  // present and not null
  bool boolean(std::string_view name, bool fallback);
  std::optional<std::uint64_t> optionalNumber(std::string_view name, std::uint64_t max = kNoLimit);
  std::uint64_t number(std::string_view name, std::uint64_t fallback, std::uint64_t max = kNoLimit);
  std::uint64_t requiredNumber(std::string_view name, std::uint64_t max = kNoLimit);
  std::optional<std::string> optionalText(std::string_view name);
  std::string requiredText(std::string_view name);
  std::vector<std::string> texts(std::string_view name);
  std::vector<std::uint64_t> numbers(std::string_view name, std::uint64_t max = kNoLimit);

  // The value of a field that must be one of `choices`, given by their names.
  template <typename T>
  T choice(std::string_view name, const std::vector<std::pair<std::string_view, T>>& choices,
           T fallback);

  // A nested object, or a list of them, read by `parse(value, where)`.
  template <typename T, typename Parse>
  std::optional<T> nested(std::string_view name, Parse parse);
  template <typename T, typename Parse>
  std::vector<T> list(std::string_view name, Parse parse);

  std::string where(std::string_view name) const { return where_ + "." + std::string(name); }
  void fail(Error error);
  Status finish() const;

  static constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();

 private:
  const nlohmann::json* field(std::string_view name);
  std::optional<std::uint64_t> toNumber(const nlohmann::json& value, std::string_view name,
                                        std::uint64_t max);

  const nlohmann::json& object_;
  std::string where_;
  std::set<std::string, std::less<>> known_;
  std::optional<Error> error_;
};

template <typename T>
T JsonFields::choice(std::string_view name,
                     const std::vector<std::pair<std::string_view, T>>& choices, T fallback) {
  const nlohmann::json* value = field(name);
  if (value == nullptr) return fallback;
  for (const auto& [text, choice] : choices) {
    if (value->is_string() && value->get_ref<const std::string&>() == text) return choice;
  }
  std::string allowed;
  for (const auto& entry : choices) {
    allowed += (allowed.empty() ? "" : ", ") + std::string(entry.first);
  }
  fail(Error{where(name) + ": " + value->dump() + " is not one of " + allowed});
  return fallback;
}

template <typename T, typename Parse>
std::optional<T> JsonFields::nested(std::string_view name, Parse parse) {
  const nlohmann::json* value = field(name);
  if (value == nullptr) return std::nullopt;
  Result<T> parsed = parse(*value, where(name));
  if (!parsed) {
    fail(parsed.error());
    return std::nullopt;
  }
  return std::move(*parsed);
}

template <typename T, typename Parse>
std::vector<T> JsonFields::list(std::string_view name, Parse parse) {
  std::vector<T> items;
  const nlohmann::json* value = field(name);
  if (value == nullptr) return items;
  if (!value->is_array()) {
    fail(Error{where(name) + ": expected a list"});
    return items;
  }
  for (std::size_t i = 0; i < value->size() && !error_; ++i) {
    Result<T> parsed = parse((*value)[i], where(name) + "[" + std::to_string(i) + "]");
    if (parsed) {
      items.push_back(std::move(*parsed));
    } else {
      fail(parsed.error());
    }
  }
  return items;
}

}  // namespace kestrel::mkimage
