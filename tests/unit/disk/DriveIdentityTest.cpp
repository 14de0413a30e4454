// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "disk/DriveIdentity.h"
#include "disk/DriveName.h"
#include "support/Bytes.h"

namespace kestrel::disk {
namespace {

using test::Bytes;

// Stores text into IDENTIFY words with the two bytes of every word swapped, as drives do.
void PutIdentifyText(Bytes& data, std::size_t firstWord, std::size_t words, std::string text) {
  text.resize(2 * words, ' ');
  for (std::size_t i = 0; i < words; ++i) {
    data.PutU8(2 * (firstWord + i), static_cast<std::uint8_t>(text[2 * i + 1]));
    data.PutU8(2 * (firstWord + i) + 1, static_cast<std::uint8_t>(text[2 * i]));
  }
}

TEST(DriveIdentity, TextsAreByteSwappedAndCutToOneWord) {
  Bytes data(512);
  PutIdentifyText(data, 27, 20, "WDC WD800BB-00JHC0");
  PutIdentifyText(data, 10, 10, "     WD-WMAM9A123456");
  PutIdentifyText(data, 23, 4, "05.01C05");
  const DriveIdentity identity = ParseIdentifyData(data.data());
  EXPECT_EQ(identity.model, "WDC") << "a left-aligned field gives its first word";
  EXPECT_EQ(identity.serial, "WD-WMAM9A123456")
      << "a field that begins with blanks gives its last word";
  EXPECT_EQ(identity.firmware, "05.01C05");
  EXPECT_TRUE(ParseIdentifyData(Bytes(512).data()).model.empty());
}

TEST(DriveIdentity, TemperatureIsTheRawValueOfAttribute194) {
  Bytes smart(512);
  smart.PutU8(2, 9).PutU8(2 + 5, 77);                      // power-on hours
  smart.PutU8(2 + 4 * 12, 194).PutU8(2 + 4 * 12 + 5, 41);  // temperature
  EXPECT_EQ(SmartTemperature(smart.data()), 41);
  smart.PutU8(2 + 4 * 12, 190);
  EXPECT_EQ(SmartTemperature(smart.data()), 0);
  smart.PutU8(2 + 30 * 12, 194).PutU8(2 + 30 * 12 + 5, 50);  // a 31st entry is not an attribute
  EXPECT_EQ(SmartTemperature(smart.data()), 0);
}

TEST(DriveName, LogicalNamesOfPhysicalDisks) {
  EXPECT_EQ(PhysicalDriveName(2), R"(\\.\PhysicalDrive2)");
  EXPECT_EQ(PhysicalDriveNumber(R"(\\.\PHYSICALDRIVE12)"), 12);
  EXPECT_EQ(PhysicalDriveNumber(R"(\\.\PhysicalDrive)"), std::nullopt);
  EXPECT_EQ(PhysicalDriveNumber(R"(\\.\PhysicalDrive1x)"), std::nullopt);
  EXPECT_EQ(PhysicalDriveNumber("/tmp/disk.img"), std::nullopt);
}

}  // namespace
}  // namespace kestrel::disk
