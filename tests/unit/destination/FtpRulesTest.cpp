// SPDX-License-Identifier: Apache-2.0
// The FTP destination's own rules: the server address, the folder listings servers send, and the
// password's life in memory.
#include <gtest/gtest.h>

#include "destination/FtpListing.h"
#include "destination/FtpSettings.h"

namespace kestrel::destination {
namespace {

using Names = std::vector<std::string>;

TEST(FtpAddress, HostWithAndWithoutPort) {
  HostAndPort parsed;
  ASSERT_TRUE(ParseHostAndPort("files.example.org", parsed));
  EXPECT_EQ(parsed.host, "files.example.org");
  EXPECT_EQ(parsed.port, 21);
  ASSERT_TRUE(ParseHostAndPort("127.0.0.1:2121", parsed));
  EXPECT_EQ(parsed.host, "127.0.0.1");
  EXPECT_EQ(parsed.port, 2121);
  ASSERT_TRUE(ParseHostAndPort("[::1]:990", parsed));
  EXPECT_EQ(parsed.host, "::1");
  EXPECT_EQ(parsed.port, 990);
  ASSERT_TRUE(ParseHostAndPort("::1", parsed)) << "a bare IPv6 address has no port";
  EXPECT_EQ(parsed.host, "::1");
  EXPECT_EQ(parsed.port, 21);
}

TEST(FtpAddress, RefusesWhatIsNoAddress) {
  HostAndPort parsed;
  for (const char* bad : {"", ":21", "host:", "host:0", "host:65536", "host:21x", "[::1", "[::1]x",
                          "[::1]:", "[]:21"}) {
    EXPECT_FALSE(ParseHostAndPort(bad, parsed)) << bad;
  }
}

using Entries = std::vector<ListedEntry>;

TEST(FtpListing, MlsdNamesEveryEntryItsKindAndItsSize) {
  const char* listing =
      "type=cdir;modify=20240101000000; .\r\n"
      "type=pdir;modify=20240101000000; ..\r\n"
      "modify=20240101000000;perm=el;size=4096;type=dir;unique=1; My Folder\r\n"
      "modify=20240101000000;size=6;type=file; a.txt\r\n"
      "Type=DIR;Size=0; UPPER\r\n"
      "type=dir; name;with;semicolons\r\n"
      "type=OS.unix=symlink; link\r\n"
      "type=file;size=18446744073709551615 big\r\n"
      "type=file;size=18446744073709551616; too big\r\n"
      "type=file;size=12x;sizes=3; not a number\r\n"
      "type=file;size=; empty\r\n"
      "garbage-without-blank\r\n";
  const FolderListing read = ListingFromMlsd(listing);
  EXPECT_FALSE(read.namesEveryEntry) << "a line that cannot be read may be a name";
  const Entries& entries = read.entries;
  EXPECT_EQ(entries, (Entries{{"My Folder", true, 4096},
                              {"a.txt", false, 6},
                              {"UPPER", true, 0},
                              {"name;with;semicolons", true, {}},
                              {"link", false, {}},
                              {"big", false, UINT64_MAX},
                              {"too big", false, {}},
                              {"not a number", false, {}},
                              {"empty", false, {}}}));
  EXPECT_EQ(FolderNames(entries), (Names{"My Folder", "UPPER", "name;with;semicolons"}));
  EXPECT_EQ(ListingFromMlsd("").entries, Entries{});
  EXPECT_TRUE(ListingFromMlsd("").namesEveryEntry);
  EXPECT_TRUE(ListingFromMlsd("type=file;size=1; .htaccess\r\ntype=cdir; .\r\n").namesEveryEntry);
}

TEST(FtpListing, ListInUnixAndDosFormats) {
  const char* unix =
      "total 8\n"
      "drwxr-xr-x   2 owner group     4096 Jan 31 10:15 DOCS\n"
      "drwxr-xr-x   2 owner group     4096 Jan 31  2023 two  blanks\n"
      "-rw-r--r--   1 owner group       10 Jan 31 10:15 file.txt\n"
      "lrwxrwxrwx   1 owner group        4 Jan 31 10:15 link -> DOCS\n"
      "drwxr-xr-x   2 owner group     4096 Jan 31 10:15 .\n"
      "drwxr-xr-x   2 owner group\n";
  EXPECT_FALSE(ListingFromList(unix).namesEveryEntry) << "LIST hides dot files on most servers";
  EXPECT_EQ(ListingFromList(unix).entries, (Entries{{"DOCS", true, {}},
                                                    {"two  blanks", true, {}},
                                                    {"file.txt", false, {}},
                                                    {"link", false, {}}}));
  const char* dos =
      "01-31-24  10:15AM       <DIR>          Reports 2024\r\n"
      "01-31-24  10:15AM                  10 file.txt\r\n";
  EXPECT_EQ(ListingFromList(dos).entries,
            (Entries{{"Reports 2024", true, {}}, {"file.txt", false, {}}}));
}

TEST(FtpPassword, CopiesAreIndependentAndEmptyMeansNone) {
  Secret password("s3cret-Pass");
  Secret copy = password;
  EXPECT_EQ(copy.Reveal(), "s3cret-Pass");
  copy = Secret("other");
  EXPECT_EQ(password.Reveal(), "s3cret-Pass");
  EXPECT_TRUE(Secret().empty());
  FtpSettings settings;
  EXPECT_EQ(settings.port, 21);
  EXPECT_FALSE(settings.passive) << "active mode unless passive is asked for";
  EXPECT_EQ(settings.tls, FtpTls::WhenOffered);
}

}  // namespace
}  // namespace kestrel::destination
