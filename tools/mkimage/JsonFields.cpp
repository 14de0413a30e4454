// SPDX-License-Identifier: Apache-2.0
#include "JsonFields.h"

#include <charconv>

namespace kestrel::mkimage {
namespace {

// A decimal or "0x" hexadecimal string that is nothing but the number.
std::optional<std::uint64_t> ParseNumberText(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  std::uint64_t value = 0;
  const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || problem != std::errc{} || end != text.data() + text.size()) return {};
  return value;
}

}  // namespace

JsonFields::JsonFields(const nlohmann::json& object, std::string where)
    : object_(object), where_(std::move(where)) {
  if (!object_.is_object()) error_ = Error{where_ + ": expected an object"};
}

const nlohmann::json* JsonFields::field(std::string_view name) {
  known_.emplace(name);
  if (error_) return nullptr;
  const auto found = object_.find(name);
  if (found == object_.end() || found->is_null()) return nullptr;
  return &*found;
}

bool JsonFields::has(std::string_view name) const {
  if (!object_.is_object()) return false;
  const auto found = object_.find(name);
  return found != object_.end() && !found->is_null();
}

bool JsonFields::boolean(std::string_view name, bool fallback) {
  const nlohmann::json* value = field(name);
  if (value == nullptr) return fallback;
  if (!value->is_boolean()) {
    fail(Error{where(name) + ": expected true or false"});
    return fallback;
  }
  return value->get<bool>();
}

std::optional<std::uint64_t> JsonFields::toNumber(const nlohmann::json& value,
                                                  std::string_view name, std::uint64_t max) {
  std::optional<std::uint64_t> number;
  if (value.is_number_unsigned()) number = value.get<std::uint64_t>();
  if (value.is_string()) number = ParseNumberText(value.get_ref<const std::string&>());
  if (!number) {
    fail(Error{where(name) + ": " + value.dump() +
               " is not a whole number >= 0 (a JSON number, a decimal or a 0x string)"});
  } else if (*number > max) {
    fail(Error{where(name) + ": " + std::to_string(*number) + " is larger than " +
               std::to_string(max)});
    number.reset();
  }
  return number;
}

std::optional<std::uint64_t> JsonFields::optionalNumber(std::string_view name, std::uint64_t max) {
  const nlohmann::json* value = field(name);
  if (value == nullptr) return std::nullopt;
  return toNumber(*value, name, max);
}

std::uint64_t JsonFields::number(std::string_view name, std::uint64_t fallback, std::uint64_t max) {
  return optionalNumber(name, max).value_or(fallback);
}

std::uint64_t JsonFields::requiredNumber(std::string_view name, std::uint64_t max) {
  if (!error_ && !has(name)) fail(Error{where(name) + ": missing"});
  return number(name, 0, max);
}

std::optional<std::string> JsonFields::optionalText(std::string_view name) {
  const nlohmann::json* value = field(name);
  if (value == nullptr) return std::nullopt;
  if (!value->is_string()) {
    fail(Error{where(name) + ": expected a string"});
    return std::nullopt;
  }
  return value->get<std::string>();
}

std::string JsonFields::requiredText(std::string_view name) {
  if (!error_ && !has(name)) fail(Error{where(name) + ": missing"});
  return optionalText(name).value_or("");
}

std::vector<std::string> JsonFields::texts(std::string_view name) {
  std::vector<std::string> items;
  const nlohmann::json* value = field(name);
  if (value == nullptr) return items;
  for (const nlohmann::json& item : value->is_array() ? *value : nlohmann::json::array()) {
    if (item.is_string()) items.push_back(item.get<std::string>());
  }
  if (!value->is_array() || items.size() != value->size()) {
    fail(Error{where(name) + ": expected a list of strings"});
  }
  return items;
}

std::vector<std::uint64_t> JsonFields::numbers(std::string_view name, std::uint64_t max) {
  std::vector<std::uint64_t> items;
  const nlohmann::json* value = field(name);
  if (value == nullptr) return items;
  if (!value->is_array()) {
    fail(Error{where(name) + ": expected a list of numbers"});
    return items;
  }
  for (const nlohmann::json& item : *value) {
    if (const auto number = toNumber(item, name, max)) items.push_back(*number);
  }
  return items;
}

void JsonFields::fail(Error error) {
  if (!error_) error_ = std::move(error);
}

Status JsonFields::finish() const {
  if (error_) return *error_;
  for (const auto& [name, value] : object_.items()) {
    if (!known_.contains(name)) return Error{where_ + ": unknown field \"" + name + "\""};
  }
  return {};
}

}  // namespace kestrel::mkimage
