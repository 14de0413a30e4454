// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace kestrel::cli {

// The JSON on one line. Bytes that are not UTF-8 (an image path in another encoding, a system
// error text) become U+FFFD: the writer would otherwise throw and end the program.
inline std::string JsonText(const nlohmann::ordered_json& json) {
  return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace kestrel::cli
