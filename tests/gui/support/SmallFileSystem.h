// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>

namespace kestrel::guitest {

// A file system of a given size mounted on a folder while this lives, for a destination that
// runs out of room. Only a system that lets the test mount one (Linux, as root) gives it.
class SmallFileSystem {
 public:
  SmallFileSystem(const QString& folder, qint64 kibibytes);
  ~SmallFileSystem();
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;

  // Empty when mounted; else why there is none, for the test's SKIPPED line.
  const QString& WhyNot() const { return whyNot_; }

 private:
  QByteArray folder_;
  QString whyNot_;
};

}  // namespace kestrel::guitest
