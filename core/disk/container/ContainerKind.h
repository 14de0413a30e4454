// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "disk/ByteReader.h"

// The containers a failed server's disk reaches us in: a raw image, a raw image in numbered
// pieces, an EWF evidence file (E01), a virtual machine's disk (VMDK, VHD, VHDX, QCOW2), or the
// members of a RAID set.
namespace kestrel::disk {

enum class ContainerKind { Raw, SplitRaw, Ewf, Vmdk, Vhd, Vhdx, Qcow2, Raid };

// The file dialogs that open an image list the containers by their usual names, in both cases
// (names are told apart by case here): E01, VMDK, VHD, VHDX, QCOW2 and a split image's first piece.
inline constexpr std::string_view kContainerFileFilter =
    "Evidence files and virtual disks (*.E01 *.e01 *.vmdk *.VMDK *.vhd *.VHD *.vhdx *.VHDX "
    "*.qcow2 *.QCOW2 *.000 *.001 *.aa)";

// The kind as `disks --json` names it: "raw", "split", "ewf", "vmdk", "vhd", "vhdx", "qcow2",
// "raid".
std::string_view ContainerKey(ContainerKind kind);
// The kind for a person: "raw image", "EWF evidence file (E01)", ...
std::string_view ContainerTitle(ContainerKind kind);

// What a file is, by its signature: `head` is its first sector, `tail` its last (a fixed VHD
// keeps its footer only there). Raw when no signature matches; split raw is told by its name.
ContainerKind KindFromSignature(ByteView head, ByteView tail);

// Whether the name is that of the first piece of a split raw image: it ends in ".000" or ".001"
// (as imaging tools number pieces), or in ".aa" (as split names them).
bool NamesFirstPiece(const std::string& path);
// The name of the piece that follows `path`: "disk.001" gives "disk.002", "disk.az" gives
// "disk.ba"; nothing when the numbering has run out.
std::optional<std::string> NextPieceName(const std::string& path);

}  // namespace kestrel::disk
