// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>

#include "disk/ByteReader.h"

namespace kestrel::disk {

// What a drive says about itself: from ATA IDENTIFY DEVICE and SMART READ DATA, or from the
// operating system's description when the drive does not answer those commands.
struct DriveIdentity {
  std::string model;             // at most 40 characters
  std::string serial;            // at most 20
  std::string firmware;          // at most 8
  std::uint8_t temperature = 0;  // raw value of SMART attribute 194; 0 when unknown
};

// Model (words 27-46), serial (words 10-19) and firmware revision (words 23-26) of 512 bytes of
// IDENTIFY data. The drive stores each text with the two bytes of every word swapped; each text
// is cut to one word: the last one when the field starts with a blank (right-aligned), else the
// first.
DriveIdentity ParseIdentifyData(ByteView identify);

// The first raw byte of SMART attribute 194 (temperature) in 512 bytes of SMART data, 0 when the
// drive keeps no such attribute.
std::uint8_t SmartTemperature(ByteView smartData);

// One text field of IDENTIFY data: `words` words from word `firstWord`, bytes exchanged, cut to
// one word as above.
std::string IdentifyText(ByteView identify, std::size_t firstWord, std::size_t words);

}  // namespace kestrel::disk
