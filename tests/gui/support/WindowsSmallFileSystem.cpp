// SPDX-License-Identifier: Apache-2.0
#include "SmallFileSystem.h"

namespace kestrel::guitest {

// Windows mounts no file system of a chosen size without a virtual disk driver and
// administrator rights, which a test run does not have.
SmallFileSystem::SmallFileSystem(const QString&, qint64)
    : whyNot_(QStringLiteral("Windows gives a test no small file system to mount")) {}

SmallFileSystem::~SmallFileSystem() = default;

}  // namespace kestrel::guitest
