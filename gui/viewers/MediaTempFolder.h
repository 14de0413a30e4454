// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QLockFile>
#include <QString>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <memory>

namespace kestrel::gui {

// The private folder the player's media files are written to: an unpredictable name in the
// system's temporary folder, readable by this user only, removed with everything in it when it
// goes. A lock file inside names the running program, so that the folder of a program that
// crashed is found and removed when the next one starts.
class MediaTempFolder {
 public:
  MediaTempFolder();

  bool IsValid() const { return folder_.isValid() && locked_; }
  QString Path() const { return folder_.path(); }
  // A new file of mode 0600 in the folder, removed when it is destroyed; the extension lets the
  // player's backend tell the format where its content does not.
  std::unique_ptr<QTemporaryFile> NewFile(const QString& extension) const;

  // Removes the folders of programs no longer running from the system's temporary folder.
  static void RemoveLeftovers();

 private:
  QTemporaryDir folder_;
  QLockFile lock_;
  bool locked_ = false;
};

}  // namespace kestrel::gui
