#include "link/batch_output.h"

#include <gtest/gtest.h>

#include <string>

using plclink::BatchOutputLines;
using plclink::WithBatchOutput;

namespace {

std::string Numbered(int from, int to) {
  std::string lines;
  for (int i = from; i <= to; ++i) lines += "line " + std::to_string(i) + "\n";
  return lines;
}

TEST(BatchOutput, LinesAsAMessageShowsThem) {
  EXPECT_EQ(BatchOutputLines(""), "");
  EXPECT_EQ(BatchOutputLines("\n  \r\n\t\n"), "");
  // Blank lines at the ends go, those between stay; LF and CR LF both end a line.
  EXPECT_EQ(BatchOutputLines("\n\n foo\r\n----^\n\n\"core.S71\",2  Error[40]: bad instruction\n\n"),
            " foo\r\n----^\r\n\r\n\"core.S71\",2  Error[40]: bad instruction");
  EXPECT_EQ(BatchOutputLines("no line end"), "no line end");
  // UTF-8 stays as written; other bytes are the studio's code page (an echoed source line).
  EXPECT_EQ(BatchOutputLines("한글 \xE2\x9C\x93\n"), "한글 \xE2\x9C\x93");
  EXPECT_EQ(BatchOutputLines(" 'pump \xB0\xA1 ; x\n"), " 'pump 가 ; x");

  EXPECT_EQ(WithBatchOutput("Assemble Code Error : ZQOUT.HEX", "\n"), "Assemble Code Error : ZQOUT.HEX");
  EXPECT_EQ(WithBatchOutput("Assemble Code Error : ZQOUT.HEX", "zqlink: error: x\n"),
            "Assemble Code Error : ZQOUT.HEX\r\n\r\nzqlink: error: x");
}

TEST(BatchOutput, ALongOutputShowsItsFirstAndLastLines) {
  std::string shown;
  for (int i = 1; i <= plclink::kShownBatchLines; ++i) shown += (i > 1 ? "\r\n" : "") + ("line " + std::to_string(i));
  EXPECT_EQ(BatchOutputLines(Numbered(1, plclink::kShownBatchLines)), shown);

  // One line more: the first ten, "...", the last nine; the linker's lines at the end stay.
  const std::string out = BatchOutputLines(Numbered(1, 500) + "zqlink: 1 error(s), no output written\n");
  std::string expected;
  for (int i = 1; i <= 10; ++i) expected += "line " + std::to_string(i) + "\r\n";
  expected += "...\r\n";
  for (int i = 493; i <= 500; ++i) expected += "line " + std::to_string(i) + "\r\n";
  expected += "zqlink: 1 error(s), no output written";
  EXPECT_EQ(out, expected);

  // A long line is cut at a character, never inside one.
  const std::string wide(300, 'x');
  EXPECT_EQ(BatchOutputLines(wide), std::string(plclink::kShownLineChars, 'x') + "...");
  std::string korean;
  for (int i = 0; i < 250; ++i) korean += "가";
  std::string cut;
  for (int i = 0; i < plclink::kShownLineChars; ++i) cut += "가";
  EXPECT_EQ(BatchOutputLines(korean), cut + "...");
}

}  // namespace
