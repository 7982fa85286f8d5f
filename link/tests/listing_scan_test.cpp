#include "link/listing_scan.h"

#include <gtest/gtest.h>

#include <random>

#include "build_test_support.h"

using namespace plclink;
using build_test::StudioFixture;
using build_test::WriteFile;

namespace {

// The assembler's echo of a failing generated line, as it stands in a listing.
const std::string kEcho =
    "     12    00000040   LDI A,1\r\n"
    "        AN P0:1 ; __Pos 0003 0011\r\n"
    "-----------^\r\n"
    "\"qsklinc.$$$\",4  Error[13]: Undefined symbol\r\n"
    "        AN P0:2 ; __Pos 0004 0012\r\n";

TEST(ListingScan, FindsTheFirstMarkerAndCutsTheLine) {
  auto m = FindListingMarker(kEcho);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->col, 3);
  EXPECT_EQ(m->row, 17);
  EXPECT_EQ(m->topRow, 15);
  EXPECT_EQ(m->lines[0], "        AN P0:1 ");
  EXPECT_EQ(m->lines[1], "-----------^");
  EXPECT_EQ(m->lines[2], "\"qsklinc.$$$\",4  Error[13]: Undefined symbol");

  for (int row : {0, 1, 2}) {
    char line[64];
    std::snprintf(line, sizeof line, " X ; __Pos 0000 %04X", row);
    auto r = FindListingMarker(line);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->topRow, 0);
    EXPECT_EQ(r->lines[1], "");  // nothing follows
  }
  EXPECT_FALSE(FindListingMarker("no marker here\r\n ; __pos 0001 0001\r\n"));
  // Fields read as far as they are hexadecimal.
  auto r = FindListingMarker(" X ; __Pos 0AZZ 1G");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->col, 10);
  EXPECT_EQ(r->row, 1);
}

TEST(ListingScan, UnusableMarkersArePassedOver) {
  // Too close to the line start, column past the output, row past the grid.
  const std::string text =
      "__Pos 0001 0001\r\n;__Pos 0001 0001\r\n A ; __Pos 000B 0001\r\n"
      " A ; __Pos 0001 04B0\r\n A ; __Pos FFFF FFFF\r\n B ; __Pos 000A 04AF\r\n";
  auto m = FindListingMarker(text);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->col, 10);
  EXPECT_EQ(m->row, 1199);
  EXPECT_FALSE(FindListingMarker("__Pos 0001 0001"));
}

TEST(ListingScan, RandomTextIsSafe) {
  std::mt19937 rng(7);
  const std::string pieces[] = {"__Pos", " ", "0", "F", "\r\n", "\n", ";", "ZZ", "04B0", "000A"};
  for (int i = 0; i < 2000; ++i) {
    std::string text;
    for (int k = rng() % 20; k > 0; --k) text += pieces[rng() % std::size(pieces)];
    auto m = FindListingMarker(text);
    if (m) {
      EXPECT_LE(m->col, 10);
      EXPECT_LE(m->row, 1199);
      EXPECT_GE(m->topRow, 0);
    }
  }
}

TEST(CheckCompileListing, ReturnsTheCellAndTheLinesUnshown) {
  StudioFixture f;
  WriteFile(f.folder / "ZQCORE2.LST", kEcho);
  WriteFile(f.folder / "ZQCORE3.LST", "nothing");
  const ListingCheck check = CheckCompileListing(f.folder, 10, false, &f.sink);
  EXPECT_EQ(check.outcome, ListingOutcome::ErrorAtCell);
  EXPECT_TRUE(check.Failed());
  EXPECT_EQ(check.col, 3);
  EXPECT_EQ(check.row, 17);
  // The build command shows the cell first, then this message.
  EXPECT_TRUE(f.sink.shown.empty());
  EXPECT_EQ(check.errorMessage.caption, "Korvane Studio COMPILE ERROR !");
  EXPECT_EQ(check.errorMessage.icon, platform::MsgIcon::Information);
  EXPECT_EQ(check.errorMessage.text,
            "Ladder compile Error \r\n\r\nAN P0:1 \r\n-----------^\r\n\"qsklinc.$$$\",4  Error[13]: Undefined symbol");

  EXPECT_EQ(CheckCompileListing(f.folder, 10, true, &f.sink)
                .errorMessage.text.rfind("컴파일도중 에러가 발생했습니다.  \r\n\r\nAN P0:1 ", 0),
            0u);
}

TEST(CheckCompileListing, MissingCleanAndUnreadableListings) {
  StudioFixture f;
  ListingCheck check = CheckCompileListing(f.folder, 2, false, &f.sink);
  EXPECT_EQ(check.outcome, ListingOutcome::NotFound);
  EXPECT_FALSE(check.Failed());
  ASSERT_EQ(f.sink.shown.size(), 1u);
  EXPECT_EQ(f.sink.shown[0].caption, "Korvane Studio Error !");
  EXPECT_EQ(f.sink.shown[0].text, "File not found : ZQCORE3.LST");

  WriteFile(f.folder / "ZQCORE3.LST", "     1    00000000   NOP\r\n\"zqcore.inc\",3  Error[1]: core line\r\n");
  check = CheckCompileListing(f.folder, 2, false, &f.sink);
  EXPECT_EQ(check.outcome, ListingOutcome::Clean);
  EXPECT_FALSE(check.Failed());
  EXPECT_EQ(f.sink.shown.size(), 1u);

  // A listing that exists but cannot be read (a folder stands in its place).
  std::filesystem::remove(f.folder / "ZQCORE3.LST");
  std::filesystem::create_directory(f.folder / "ZQCORE3.LST");
  check = CheckCompileListing(f.folder, 2, false, &f.sink);
  EXPECT_EQ(check.outcome, ListingOutcome::Unreadable);
  EXPECT_TRUE(check.Failed());
  EXPECT_EQ(f.sink.shown.back().text, "Open Error:ZQCORE3.LST");
  EXPECT_EQ(ListingName(9), "ZQCORE3.LST");
  EXPECT_EQ(ListingName(10), "ZQCORE2.LST");
}

}  // namespace
