// SPDX-License-Identifier: Apache-2.0
#include "app/CodePageTable.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace kestrel::app {
namespace {

constexpr std::array<std::pair<std::string_view, int>, 15> kCodePages{{
    {"United States", 437},
    {"Arabic", 1256},
    {"Greek", 737},
    {"Baltic", 1257},
    {"Multilingual (Latin I)", 850},
    {"Slavic (Latin II)", 852},
    {"Thai", 874},
    {"Japanese", 932},
    {"Chinese (PRC, Singapore)", 936},
    {"Korean", 949},
    {"Chinese (Taiwan, Hong Kong)", 950},
    {"Hebrew", 1255},
    {"Windows 3.1 US (ANSI)", 1252},
    {"Windows 3.1 Greek", 1253},
    {"UTF-8", 65001},
}};

// Character set names as glibc reports them, normalised to upper case without "-" and "_".
constexpr std::array<std::pair<std::string_view, int>, 22> kCharsets{{
    {"UTF8", 65001},  {"ANSIX3.41968", 1252}, {"ISO88591", 1252}, {"ISO885915", 1252},
    {"CP1252", 1252}, {"ISO88597", 1253},     {"CP1253", 1253},   {"ISO88596", 1256},
    {"CP1256", 1256}, {"ISO885913", 1257},    {"CP1257", 1257},   {"ISO88598", 1255},
    {"CP1255", 1255}, {"TIS620", 874},        {"EUCJP", 932},     {"SHIFTJIS", 932},
    {"GB2312", 936},  {"GBK", 936},           {"GB18030", 936},   {"EUCKR", 949},
    {"BIG5", 950},    {"BIG5HKSCS", 950},
}};

std::string Normalised(std::string_view charset) {
  std::string name;
  for (const char c : charset) {
    if (c != '-' && c != '_')
      name.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  return name;
}

}  // namespace

CodePageTable MakeCodePageTable(int userCodePage) {
  CodePageTable table;
  for (const auto& [label, number] : kCodePages) {
    std::string key = std::string(label) + " - " + std::to_string(number);
    if (number == userCodePage) {
      key += " (this locale)";
      table.currentLabel = key;
    }
    table.entries.push_back({std::move(key), number});
  }
  return table;
}

int CodePageOfCharset(std::string_view charset) {
  const std::string name = Normalised(charset);
  const auto match = std::find_if(kCharsets.begin(), kCharsets.end(),
                                  [&](const auto& entry) { return entry.first == name; });
  return match == kCharsets.end() ? 0 : match->second;
}

}  // namespace kestrel::app
