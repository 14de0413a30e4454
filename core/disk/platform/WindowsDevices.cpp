// SPDX-License-Identifier: Apache-2.0
// Questions the Windows platform asks of handles, disks and drives.
#include "disk/platform/WindowsDevices.h"

#include <winioctl.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <span>

#include "disk/platform/WideText.h"

namespace kestrel::platform {
namespace {

bool StartsWith(const std::string& text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// SMART requests address one device of the controller behind the disk's handle.
struct SmartDevice {
  BYTE number = 0;
  bool packet = false;  // an ATAPI device answers IDENTIFY PACKET DEVICE instead
};

std::optional<SmartDevice> FindSmartDevice(HANDLE drive) {
  GETVERSIONINPARAMS version{};
  DWORD returned = 0;
  if (!DeviceIoControl(drive, SMART_GET_VERSION, nullptr, 0, &version, sizeof version, &returned,
                       nullptr))
    return std::nullopt;
  for (BYTE device = 0; device < 4; ++device) {
    if (version.bIDEDeviceMap & (1u << device))
      return SmartDevice{device, (version.bIDEDeviceMap & (0x10u << device)) != 0};
  }
  return std::nullopt;
}

// One SMART request: the ATA registers in, and, for a request that reads, 512 bytes out.
bool SmartRequest(HANDLE drive, const SmartDevice& device, BYTE command, BYTE feature,
                  std::span<std::uint8_t> data) {
  constexpr BYTE kSmartCommand = 0xB0;
  SENDCMDINPARAMS in{};
  in.cBufferSize = static_cast<DWORD>(data.size());
  in.bDriveNumber = device.number;
  in.irDriveRegs.bFeaturesReg = feature;
  in.irDriveRegs.bSectorCountReg = 1;
  in.irDriveRegs.bSectorNumberReg = 1;
  in.irDriveRegs.bCylLowReg = command == kSmartCommand ? SMART_CYL_LOW : 0;
  in.irDriveRegs.bCylHighReg = command == kSmartCommand ? SMART_CYL_HI : 0;
  in.irDriveRegs.bDriveHeadReg = static_cast<BYTE>(0xA0 | ((device.number & 1) << 4));
  in.irDriveRegs.bCommandReg = command;
  std::array<std::uint8_t, sizeof(SENDCMDOUTPARAMS) + 512> out{};
  DWORD returned = 0;
  const DWORD request = data.empty() ? SMART_SEND_DRIVE_COMMAND : SMART_RCV_DRIVE_DATA;
  if (!DeviceIoControl(drive, request, &in, sizeof in - 1, out.data(),
                       static_cast<DWORD>(sizeof(SENDCMDOUTPARAMS) - 1 + data.size()), &returned,
                       nullptr))
    return false;
  const std::size_t bufferAt = offsetof(SENDCMDOUTPARAMS, bBuffer);
  std::copy_n(out.begin() + bufferAt, data.size(), data.begin());
  return true;
}

std::optional<disk::DriveIdentity> IdentifyBySmart(HANDLE drive) {
  const auto device = FindSmartDevice(drive);
  if (!device) return std::nullopt;
  constexpr BYTE kIdentifyDevice = 0xEC, kIdentifyPacketDevice = 0xA1, kSmart = 0xB0;
  const bool smartEnabled =
      !device->packet && SmartRequest(drive, *device, kSmart, ENABLE_SMART, {});
  std::array<std::uint8_t, 512> data{};
  if (!SmartRequest(drive, *device, device->packet ? kIdentifyPacketDevice : kIdentifyDevice, 0,
                    data))
    return std::nullopt;
  disk::DriveIdentity identity = disk::ParseIdentifyData(data);
  if (identity.model.empty()) return std::nullopt;
  data.fill(0);
  if (smartEnabled && SmartRequest(drive, *device, kSmart, READ_ATTRIBUTES, data))
    identity.temperature = disk::SmartTemperature(data);
  return identity;
}

// A text of the storage description at offset, blanks trimmed; "" where the offset is 0.
std::string DescriptionText(std::span<const std::uint8_t> description, DWORD offset) {
  if (offset == 0 || offset >= description.size()) return {};
  std::string text;
  for (std::size_t at = offset; at < description.size() && description[at] != 0; ++at)
    text += static_cast<char>(description[at]);
  const auto first = text.find_first_not_of(' ');
  const auto last = text.find_last_not_of(' ');
  return first == std::string::npos ? std::string{} : text.substr(first, last - first + 1);
}

std::optional<disk::DriveIdentity> IdentifyByDescription(HANDLE drive) {
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageDeviceProperty;
  query.QueryType = PropertyStandardQuery;
  std::array<std::uint8_t, 1024> description{};
  DWORD returned = 0;
  if (!DeviceIoControl(drive, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query,
                       description.data(), static_cast<DWORD>(description.size()), &returned,
                       nullptr) ||
      returned < sizeof(STORAGE_DEVICE_DESCRIPTOR))
    return std::nullopt;
  STORAGE_DEVICE_DESCRIPTOR header{};
  std::memcpy(&header, description.data(), sizeof header);
  const std::span<const std::uint8_t> filled(description.data(), returned);
  disk::DriveIdentity identity;
  const std::string vendor = DescriptionText(filled, header.VendorIdOffset);
  const std::string product = DescriptionText(filled, header.ProductIdOffset);
  identity.model = vendor.empty() ? product : vendor + " " + product;
  identity.serial = DescriptionText(filled, header.SerialNumberOffset);
  identity.firmware = DescriptionText(filled, header.ProductRevisionOffset);
  if (identity.model.empty() && identity.serial.empty()) return std::nullopt;
  return identity;
}

}  // namespace

std::string SystemErrorText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length ? std::wstring(text, length) : std::wstring{};
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.'))
    message.pop_back();
  return message.empty() ? "error " + std::to_string(error) : FromWide(message);
}

bool IsDeviceNamespace(const std::string& path) {
  if (StartsWith(path, "\\\\.\\") || StartsWith(path, "//./")) return true;
  if (!StartsWith(path, "\\\\?\\")) return false;
  const std::string rest = path.substr(4);
  const bool driveLetterPath = rest.size() >= 3 && rest[1] == ':' && rest[2] == '\\';
  return !driveLetterPath && !StartsWith(rest, "UNC\\");
}

bool IsPlainFile(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION information{};
  GET_LENGTH_INFORMATION length{};
  DWORD returned = 0;
  return GetFileType(handle) == FILE_TYPE_DISK &&
         GetFileInformationByHandle(handle, &information) &&
         !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !DeviceIoControl(handle, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length,
                          &returned, nullptr);
}

std::optional<DWORD> DiskNumberOf(const std::string& path) {
  if (!IsDeviceNamespace(path)) return std::nullopt;
  const Handle device(CreateFileW(ToWide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
  STORAGE_DEVICE_NUMBER number{};
  DWORD returned = 0;
  if (!device.ok() || !DeviceIoControl(device.get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0,
                                       &number, sizeof number, &returned, nullptr))
    return std::nullopt;
  if (number.DeviceType != FILE_DEVICE_DISK || number.PartitionNumber != 0) return std::nullopt;
  return number.DeviceNumber;
}

// The SMART requests want read and write access; without them (no administrator) the storage
// description is still there.
std::optional<disk::DriveIdentity> IdentifyDevice(const std::string& path) {
  const DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
  const Handle drive(CreateFileW(ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, sharing,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
  if (drive.ok()) {
    if (auto identity = IdentifyBySmart(drive.get())) return identity;
    return IdentifyByDescription(drive.get());
  }
  const Handle described(
      CreateFileW(ToWide(path).c_str(), 0, sharing, nullptr, OPEN_EXISTING, 0, nullptr));
  return described.ok() ? IdentifyByDescription(described.get()) : std::nullopt;
}

}  // namespace kestrel::platform
