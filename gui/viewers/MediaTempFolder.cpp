// SPDX-License-Identifier: Apache-2.0
#include "gui/viewers/MediaTempFolder.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>

namespace kestrel::gui {
namespace {

const QString kFolderPrefix = QStringLiteral("kestrel-nss-preview-");
const QString kLockName = QStringLiteral("owner.lock");

QString FolderTemplate() {
  return QDir(QDir::tempPath()).filePath(kFolderPrefix + "XXXXXX");
}

}  // namespace

MediaTempFolder::MediaTempFolder() : folder_(FolderTemplate()), lock_(folder_.filePath(kLockName)) {
  // Only the process check tells a crashed owner: a lock held for long is not stale.
  lock_.setStaleLockTime(0);
  locked_ = folder_.isValid() && lock_.tryLock(0);
}

std::unique_ptr<QTemporaryFile> MediaTempFolder::NewFile(const QString& extension) const {
  auto file = std::make_unique<QTemporaryFile>(folder_.filePath("sample-XXXXXX." + extension));
  if (!file->open()) return nullptr;
  return file;
}

// A folder of this user whose lock can be taken has no running owner: its program ended without
// removing it. Links are never followed.
void MediaTempFolder::RemoveLeftovers() {
  const QDir temp(QDir::tempPath());
  const auto folders = QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks;
  for (const QString& name : temp.entryList({kFolderPrefix + "*"}, folders)) {
    QDir folder(temp.filePath(name));
    if (QFileInfo(folder.path()).ownerId() != ::getuid()) continue;
    QLockFile lock(folder.filePath(kLockName));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) continue;
    lock.unlock();
    folder.removeRecursively();
  }
}

}  // namespace kestrel::gui
