// SPDX-License-Identifier: Apache-2.0
#include "disk/DriveIdentity.h"

#include <sstream>
#include <vector>

namespace kestrel::disk {
namespace {

constexpr std::uint8_t kTemperatureAttribute = 194;
constexpr std::size_t kSmartAttributesStart = 2;
constexpr std::size_t kSmartAttributeCount = 30;
constexpr std::size_t kSmartAttributeSize = 12;
constexpr std::size_t kSmartRawValue = 5;

std::vector<std::string> Words(const std::string& text) {
  std::istringstream stream(text);
  std::vector<std::string> words;
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

}  // namespace

std::string IdentifyText(ByteView identify, std::size_t firstWord, std::size_t words) {
  std::string text;
  for (std::size_t word = firstWord; word < firstWord + words; ++word) {
    const std::uint16_t value = ReadU16(identify, 2 * word);
    for (const auto byte : {static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)}) {
      if (byte != '\0') text.push_back(byte);
    }
  }
  const std::vector<std::string> parts = Words(text);
  if (parts.empty()) return {};
  const bool rightAligned = ReadU8(identify, 2 * firstWord) == ' ';
  return rightAligned ? parts.back() : parts.front();
}

DriveIdentity ParseIdentifyData(ByteView identify) {
  DriveIdentity identity;
  identity.model = IdentifyText(identify, 27, 20);
  identity.serial = IdentifyText(identify, 10, 10);
  identity.firmware = IdentifyText(identify, 23, 4);
  return identity;
}

std::uint8_t SmartTemperature(ByteView smartData) {
  for (std::size_t i = 0; i < kSmartAttributeCount; ++i) {
    const std::size_t entry = kSmartAttributesStart + i * kSmartAttributeSize;
    if (ReadU8(smartData, entry) == kTemperatureAttribute) {
      return ReadU8(smartData, entry + kSmartRawValue);
    }
  }
  return 0;
}

}  // namespace kestrel::disk
