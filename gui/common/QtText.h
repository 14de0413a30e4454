// SPDX-License-Identifier: Apache-2.0
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

// The text for a word-wrapped label that must not widen its window: a zero-width space (U+200B)
// in each run of more than 16 characters without a space or "/" (a SHA-256 in hex) lets a line
// break there too.
inline QString WrapLongWords(const QString& text) {
  constexpr int kLongest = 16;
  QString wrapped;
  int run = 0;
  for (const QChar c : text) {
    run = c.isSpace() || c == QLatin1Char('/') ? 0 : run + 1;
    if (run > kLongest) {
      wrapped += QChar(0x200B);
      run = 1;
    }
    wrapped += c;
  }
  return wrapped;
}

// The text for a word-wrapped label that may break lines at its spaces only: a word joiner
// (U+2060) after each "/", "\" and "-" keeps a path on one line.
inline QString BreakOnlyAtSpaces(QString text) {
  static const QString kJoiner(QChar(0x2060));
  for (const QString& mark : {QStringLiteral("/"), QStringLiteral("\\"), QStringLiteral("-")})
    text.replace(mark, mark + kJoiner);
  return text;
}

}  // namespace kestrel::gui
