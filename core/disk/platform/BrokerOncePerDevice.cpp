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
    for (const auto& [path, descriptor] : descriptors_) ::close(descriptor);
  }

  BrokeredDevice Open(const std::string& devicePath) {
    const std::lock_guard lock(mutex_);
    auto kept = descriptors_.find(devicePath);
    if (kept == descriptors_.end()) {
      const BrokeredDevice asked = ask_(devicePath);
      if (asked.descriptor < 0) return asked;
      kept = descriptors_.emplace(devicePath, asked.descriptor).first;
    }
    const int duplicate = ::fcntl(kept->second, F_DUPFD_CLOEXEC, 0);
    if (duplicate < 0)
      return {-1, std::string("its descriptor could not be duplicated: ") + std::strerror(errno)};
    return {duplicate, {}};
  }

 private:
  DiskBroker ask_;
  std::mutex mutex_;
  std::map<std::string, int> descriptors_;
};

}  // namespace

DiskBroker AskingOncePerDevice(DiskBroker ask) {
  auto kept = std::make_shared<KeptDescriptors>(std::move(ask));
  return [kept](const std::string& devicePath) { return kept->Open(devicePath); };
}

}  // namespace kestrel::platform
