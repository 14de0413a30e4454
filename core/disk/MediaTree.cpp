// SPDX-License-Identifier: Apache-2.0
#include "disk/MediaTree.h"

#include "disk/NameBlock.h"

namespace kestrel::disk {

std::u16string VolumeEntry::Label() const {
  return u"Volume:" + JoinNames(names);
}

std::u16string PoolEntry::Label() const {
  return u"Pool:" + name + DamageMark();
}

std::u16string PoolEntry::DamageMark() const {
  return superBlockDamaged ? u" (super block damaged)" : u"";
}

std::u16string DiskEntry::Label() const {
  const std::string digits = std::to_string(number);
  return u"Disk" + std::u16string(digits.begin(), digits.end());
}

}  // namespace kestrel::disk
