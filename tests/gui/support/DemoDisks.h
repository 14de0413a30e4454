// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

namespace kestrel::guitest {

// The demo disks, built by kestrel-nss-mkimage in a folder of their own, with the bytes a complete
// recovery of each file must give (DIR/<pool>/<volume>/<path>). Their SHA-256 is taken when they
// are made, so a test can check that nothing wrote to them.
class DemoDisks {
 public:
  DemoDisks();

  // Empty when the disks could be made; else why not.
  const QString& error() const { return error_; }
  QString Disk(int n) const;
  QString ExpectedFolder(const QString& pool, const QString& volume) const;
  // Where a test writes: the log report, recovered files, saved scans.
  QString Scratch(const QString& name) const;
  // KESTREL_NSS_DISKS names the two disks, KESTREL_NSS_LOG a log report in the folder.
  void UseAsSystemDisks() const;
  // The disks whose bytes differ from when they were made.
  QStringList ChangedDisks() const;
  QString LogText() const;

 private:
  QTemporaryDir folder_;
  QString error_;
  QMap<QString, QByteArray> digests_;
};

// The content of a file, and every file below a folder with its bytes, by relative path.
QByteArray FileBytes(const QString& path);
QMap<QString, QByteArray> FolderContents(const QString& folder);
// The files a recovery wrote below the folder, without the report it wrote at the top.
QMap<QString, QByteArray> RecoveredContents(const QString& folder);

}  // namespace kestrel::guitest
