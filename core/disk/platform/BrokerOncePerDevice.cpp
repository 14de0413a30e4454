// SPDX-License-Identifier: Apache-2.0
#include "disk/platform/BrokerOncePerDevice.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace kestrel::platform {
namespace {

class KeptDescriptors {
 public:
  explicit KeptDescriptors(DiskBroker ask) : ask_(std::move(ask)) {}
  KeptDescriptors(const KeptDescriptors&) = delete;
  KeptDescriptors& operator=(const KeptDescriptors&) = delete;
  ~KeptDescriptors() {
    for (const auto& [path, device] : devices_) {
      if (device.descriptor >= 0) ::close(device.descriptor);
    }
  }

  BrokeredDevice Open(const std::string& devicePath) {
    Device& device = Find(devicePath);
    const std::lock_guard answered(device.answering);
    if (device.descriptor < 0) {
      const BrokeredDevice asked = ask_(devicePath);
      if (asked.descriptor < 0) return asked;
      device.descriptor = asked.descriptor;
    }
    const int duplicate = ::fcntl(device.descriptor, F_DUPFD_CLOEXEC, 0);
    if (duplicate < 0)
      return {-1, std::string("its descriptor could not be duplicated: ") + std::strerror(errno)};
    return {duplicate, {}};
  }

 private:
  struct Device {
    // Held while the broker is asked about this device, which may take minutes while a person
    // answers a password question: a second opening of it waits for that answer, and openings of
    // other devices do not.
    std::mutex answering;
    int descriptor = -1;
  };

  Device& Find(const std::string& devicePath) {
    const std::lock_guard lock(devicesMutex_);
    return devices_[devicePath];  // an entry of a std::map stays where it is
  }

  DiskBroker ask_;
  std::mutex devicesMutex_;  // held only to find or add an entry
  std::map<std::string, Device> devices_;
};

}  // namespace

DiskBroker AskingOncePerDevice(DiskBroker ask) {
  auto kept = std::make_shared<KeptDescriptors>(std::move(ask));
  return [kept](const std::string& devicePath) { return kept->Open(devicePath); };
}

}  // namespace kestrel::platform
