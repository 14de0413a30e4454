#pragma once

#include <QString>
#include <string>
#include <string_view>

// The core speaks UTF-8 and, for names from disk, UTF-16; Qt speaks QString.
namespace kestrel::gui {

inline QString ToQString(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToUtf8String(const QString& text) {
  return text.toStdString();
}

}  // namespace kestrel::gui
