// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Status.h"

namespace kestrel::mkimage {

// A disk image cut into the member images of a RAID set, as a controller (or Linux md) lays the
// disk out on its members, so that tests and benchmarks build arrays from the same layouts as
// disks. The levels are "span", "0", "1", "10", "5", "6"; the layouts those of md.
struct StripeRequest {
  std::string image;   // the disk image to cut
  std::string prefix;  // member file i is PREFIX + i + ".img"
  std::string level = "5";
  std::string layout = "left-symmetric";
  std::uint64_t stripe = 64 * 1024;
  std::uint64_t offset = 0;  // bytes before the array on every member (zeros)
  int members = 4;
  std::vector<int> order;     // file i holds array member order[i]; in array order when empty
  std::vector<int> leaveOut;  // file numbers not written: the members that are missing
};

// Writes the member files (sparse: chunks of zeros are holes).
Status WriteMemberImages(const StripeRequest& request);

}  // namespace kestrel::mkimage
