// SPDX-License-Identifier: Apache-2.0
#include "disk/container/ContainerKind.h"

namespace kestrel::disk {
namespace {

// The signatures at the start of each container's first sector.
constexpr std::string_view kEwf = "EVF\x09\x0D\x0A\xFF\x00";  // EWF-E01 segment file
constexpr std::string_view kVmdkSparse = "KDMV";              // hosted sparse extent
constexpr std::string_view kVmdkCowd = "COWD";                // ESX sparse extent
constexpr std::string_view kVmdkDescriptor = "# Disk DescriptorFile";
constexpr std::string_view kVhdx = "vhdxfile";
constexpr std::string_view kVhdFooter = "conectix";  // a dynamic VHD copies its footer to sector 0
constexpr std::string_view kQcow = "QFI\xFB";

// The numbering from `first` to the end of the name increased by one in place, with carry; false
// when it runs out ("999", "zz").
bool Increase(std::string& name, std::size_t first) {
  for (std::size_t at = name.size(); at-- > first;) {
    char& c = name[at];
    if (c == '9') {
      c = '0';
    } else if (c == 'z') {
      c = 'a';
    } else {
      ++c;
      return true;
    }
  }
  return false;
}

// The numbering after the last dot of the file's name: digits, or two or more lower-case letters;
// empty when the name ends otherwise.
std::string_view PieceSuffix(std::string_view path) {
  const std::size_t nameStart = path.find_last_of("/\\") + 1;  // npos + 1 is 0
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < nameStart) return {};
  const std::string_view suffix = path.substr(dot + 1);
  const bool digits = suffix.find_first_not_of("0123456789") == std::string_view::npos;
  const bool letters =
      suffix.size() >= 2 &&
      suffix.find_first_not_of("abcdefghijklmnopqrstuvwxyz") == std::string_view::npos;
  return digits || letters ? suffix : std::string_view{};
}

struct KindNames {
  ContainerKind kind;
  std::string_view key;
  std::string_view title;
};

constexpr KindNames kKindNames[] = {
    {ContainerKind::Raw, "raw", "raw image"},
    {ContainerKind::SplitRaw, "split", "raw image in numbered pieces"},
    {ContainerKind::Ewf, "ewf", "EWF evidence file (E01)"},
    {ContainerKind::Vmdk, "vmdk", "VMware disk (VMDK)"},
    {ContainerKind::Vhd, "vhd", "Virtual PC / Hyper-V disk (VHD)"},
    {ContainerKind::Vhdx, "vhdx", "Hyper-V disk (VHDX)"},
    {ContainerKind::Qcow2, "qcow2", "QEMU disk (QCOW2)"},
    {ContainerKind::Raid, "raid", "RAID set"},
};

const KindNames& NamesOf(ContainerKind kind) {
  for (const KindNames& names : kKindNames) {
    if (names.kind == kind) return names;
  }
  return kKindNames[0];
}

}  // namespace

std::string_view ContainerKey(ContainerKind kind) {
  return NamesOf(kind).key;
}

std::string_view ContainerTitle(ContainerKind kind) {
  return NamesOf(kind).title;
}

ContainerKind KindFromSignature(ByteView head, ByteView tail) {
  if (HasBytesAt(head, 0, kEwf)) return ContainerKind::Ewf;
  if (HasBytesAt(head, 0, kVmdkSparse) || HasBytesAt(head, 0, kVmdkCowd) ||
      HasBytesAt(head, 0, kVmdkDescriptor))
    return ContainerKind::Vmdk;
  if (HasBytesAt(head, 0, kVhdx)) return ContainerKind::Vhdx;
  if (HasBytesAt(head, 0, kQcow)) return ContainerKind::Qcow2;
  // Virtual PC before 2004 wrote a footer of 511 bytes.
  if (HasBytesAt(head, 0, kVhdFooter) || HasBytesAt(tail, 0, kVhdFooter) ||
      HasBytesAt(tail, 1, kVhdFooter))
    return ContainerKind::Vhd;
  return ContainerKind::Raw;
}

bool NamesFirstPiece(const std::string& path) {
  const std::string_view suffix = PieceSuffix(path);
  if (suffix.size() < 2) return false;
  const std::string_view leading = suffix.substr(0, suffix.size() - 1);
  const bool zeros = leading.find_first_not_of('0') == std::string_view::npos;
  const bool letters = suffix.find_first_not_of('a') == std::string_view::npos;
  return (zeros && (suffix.back() == '0' || suffix.back() == '1')) || letters;
}

std::optional<std::string> NextPieceName(const std::string& path) {
  const std::string_view suffix = PieceSuffix(path);
  if (suffix.empty()) return std::nullopt;
  std::string next = path;
  if (!Increase(next, path.size() - suffix.size())) return std::nullopt;
  return next;
}

}  // namespace kestrel::disk
