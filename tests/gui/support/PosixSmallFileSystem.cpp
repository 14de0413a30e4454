// SPDX-License-Identifier: Apache-2.0
#include <sys/mount.h>

#include "SmallFileSystem.h"

namespace kestrel::guitest {

SmallFileSystem::SmallFileSystem(const QString& folder, qint64 kibibytes)
    : folder_(folder.toLocal8Bit()) {
  const QByteArray size = "size=" + QByteArray::number(kibibytes) + "k";
  if (::mount("tmpfs", folder_.constData(), "tmpfs", 0, size.constData()) != 0)
    whyNot_ = QStringLiteral("this machine does not let the test mount a small file system");
}

SmallFileSystem::~SmallFileSystem() {
  if (whyNot_.isEmpty()) ::umount(folder_.constData());
}

}  // namespace kestrel::guitest
