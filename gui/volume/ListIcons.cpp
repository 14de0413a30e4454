// SPDX-License-Identifier: Apache-2.0
#include "gui/volume/ListIcons.h"

#include <QApplication>
#include <QHash>
#include <QStyle>

namespace kestrel::gui {
namespace {

// The icon theme's name for each icon index of the file list.
QString ThemeName(int iconIndex) {
  switch (iconIndex) {
    case 0:
      return QStringLiteral("folder");
    case 7:
      return QStringLiteral("video-x-generic");
    case 11:
    case 28:
    case 33:
      return QStringLiteral("image-x-generic");
    case 4:
    case 16:
    case 29:
    case 30:
    case 47:
      return QStringLiteral("text-x-script");
    case 12:
    case 14:
    case 32:
      return QStringLiteral("text-x-generic");
    case 19:
    case 36:
      return QStringLiteral("x-office-spreadsheet");
    case 20:
    case 39:
      return QStringLiteral("x-office-document");
    case 23:
      return QStringLiteral("x-office-address-book");
    case 24:
    case 37:
      return QStringLiteral("application-x-executable");
    case 31:
      return QStringLiteral("text-html");
    case 35:
    case 44:
    case 54:
      return QStringLiteral("package-x-generic");
    default:
      break;
  }
  return QStringLiteral("application-x-generic");
}

}  // namespace

const QIcon& ListIcon(int iconIndex) {
  static QHash<int, QIcon> cache;
  auto found = cache.find(iconIndex);
  if (found == cache.end()) {
    const QStyle::StandardPixmap fallback =
        iconIndex == 0 ? QStyle::SP_DirIcon : QStyle::SP_FileIcon;
    found = cache.insert(
        iconIndex,
        QIcon::fromTheme(ThemeName(iconIndex), QApplication::style()->standardIcon(fallback)));
  }
  return *found;
}

const QIcon& DeletedFileIcon() {
  static const QIcon icon = QIcon::fromTheme(
      QStringLiteral("user-trash-full"), QApplication::style()->standardIcon(QStyle::SP_TrashIcon));
  return icon;
}

const QIcon& UnreadFileIcon() {
  static const QIcon icon =
      QIcon::fromTheme(QStringLiteral("dialog-warning"),
                       QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning));
  return icon;
}

}  // namespace kestrel::gui
