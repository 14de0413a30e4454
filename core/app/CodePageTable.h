// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrel::app {

struct CodePageEntry {
  std::string key;  // label, " - ", number, and " (this locale)" for the user's code page
  int codePage = 0;
};

struct CodePageTable {
  std::vector<CodePageEntry> entries;  // the 15 entries in their fixed order
  std::string currentLabel;            // key of the user's code page; empty when none matches
};

// The code-page table, marking the entry whose number is the user's default code page.
CodePageTable MakeCodePageTable(int userCodePage);

// The Windows code page that matches a POSIX character set name (nl_langinfo(CODESET)):
// UTF-8 is 65001; 0 when none matches.
int CodePageOfCharset(std::string_view charset);

// The code page of the running process's locale (LC_CTYPE); on Windows the ANSI code page. One
// implementation per platform, beside ReadSystemFacts.
int LocaleCodePage();

}  // namespace kestrel::app
