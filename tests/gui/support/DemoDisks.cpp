// SPDX-License-Identifier: Apache-2.0
#include "DemoDisks.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>

#include "disk/platform/Platform.h"

namespace kestrel::guitest {
namespace {

QByteArray Digest(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(&file);
  return hash.result();
}

}  // namespace

DemoDisks::DemoDisks() : folder_(QDir::tempPath() + QStringLiteral("/kestrel-gui-XXXXXX")) {
  if (!folder_.isValid()) {
    error_ = QStringLiteral("no temporary folder");
    return;
  }
  QProcess mkimage;
  mkimage.start(QStringLiteral(KESTREL_MKIMAGE), {"--layout", "demo", "--out", Disk(0), "--out",
                                                  Disk(1), "--expect", folder_.filePath("expect")});
  if (!mkimage.waitForFinished(120000) || mkimage.exitCode() != 0) {
    error_ = QStringLiteral("kestrel-nss-mkimage failed: ") +
             QString::fromUtf8(mkimage.readAllStandardError());
    return;
  }
  for (int n = 0; n < 2; ++n) digests_[Disk(n)] = Digest(Disk(n));
}

QString DemoDisks::Disk(int n) const {
  return folder_.filePath(QStringLiteral("disk%1.img").arg(n));
}

QString DemoDisks::ExpectedFolder(const QString& pool, const QString& volume) const {
  return folder_.filePath(QStringLiteral("expect/%1/%2").arg(pool, volume));
}

QString DemoDisks::Scratch(const QString& name) const {
  return folder_.filePath(name);
}

void DemoDisks::UseAsSystemDisks() const {
  qputenv("KESTREL_NSS_DISKS",
          (Disk(0) + QLatin1Char(platform::DiskListSeparator()) + Disk(1)).toUtf8());
  qputenv("KESTREL_NSS_LOG", Scratch(QStringLiteral("KestrelNSSLogReport.txt")).toUtf8());
}

QStringList DemoDisks::ChangedDisks() const {
  QStringList changed;
  for (auto it = digests_.begin(); it != digests_.end(); ++it) {
    if (Digest(it.key()) != it.value()) changed << it.key();
  }
  return changed;
}

QString DemoDisks::LogText() const {
  return QString::fromUtf8(FileBytes(Scratch(QStringLiteral("KestrelNSSLogReport.txt"))));
}

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QMap<QString, QByteArray> FolderContents(const QString& folder) {
  QMap<QString, QByteArray> contents;
  const QDir root(folder);
  QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
  while (files.hasNext()) {
    const QString path = files.next();
    contents[root.relativeFilePath(path)] = FileBytes(path);
  }
  return contents;
}

QMap<QString, QByteArray> RecoveredContents(const QString& folder) {
  QMap<QString, QByteArray> contents = FolderContents(folder);
  for (const char* name : {"report.json", "report.dfxml", "report.html"}) contents.remove(name);
  return contents;
}

}  // namespace kestrel::guitest
