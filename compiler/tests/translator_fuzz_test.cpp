// Random ladders: the translator must end cleanly on any grid, and a ladder of contacts,
// wires, links and coils that it accepts must compile into the logic the drawing shows.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "drawn_logic_support.h"
#include "translator_test_util.h"

using namespace compiler;
using namespace ladder_test;

namespace {

const char* const kInputs[] = {"X0", "X1", "X2", "X3"};

std::string Describe(const ProgramDocument& doc, int rows) {
  std::string s;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c <= 10; ++c) {
      const int t = doc.TypeAt(c, r);
      const std::string& x = doc.TextAt(c, r);
      std::string cell = t == 0    ? "."
                         : t == 3  ? "-"
                         : t == 1  ? x
                         : t == 2  ? "/" + x
                         : t == 5  ? "(" + x + ")"
                         : t == 6  ? "[" + x + "]"
                         : t == 8  ? "{" + x + "}"
                         : t == 10 ? "!"
                         : t == 11 ? "%" + x
                         : t == 12 ? "^" + x
                                   : "@" + std::to_string(t);
      s += cell;
      s += doc.LinkAt(c, r) ? "|" : " ";
      s += "\t";
    }
    s += "\n";
  }
  return s;
}

std::string RandomContact(std::mt19937& rng) {
  const std::string name = kInputs[rng() % 4];
  return (rng() % 3 == 0) ? "/" + name : name;
}

// Rungs drawn the way the editor draws series-parallel logic: parallel branches from the
// rail (one contact reached over wires, or a series of contacts), parallel blocks in the
// middle of a rung (one contact below, between two links), a second branch row below the
// first, and output splits whose lower rows carry contacts and coils of their own.
// Returns the number of rows used.
int RandomDrawnRung(ProgramDocument& doc, std::mt19937& rng, int r, int& coilNo) {
  auto chance = [&](int percent) { return static_cast<int>(rng() % 100) < percent; };
  auto coil = [&](int row) { SetCell(doc, 10, row, "(Y" + std::to_string(coilNo++) + ")"); };
  const int width = 2 + static_cast<int>(rng() % 7);  // main row contacts in 0..width-1
  for (int c = 0; c < width; ++c) SetCell(doc, c, r, chance(85) ? RandomContact(rng) : "-");
  for (int c = width; c <= 9; ++c) SetCell(doc, c, r, "-");
  coil(r);

  if (chance(35)) {  // output split after column k
    const int k = static_cast<int>(rng() % static_cast<unsigned>(width));
    const int lower = 1 + static_cast<int>(rng() % 2);
    for (int i = 1; i <= lower; ++i) {
      Link(doc, k, r + i - 1);
      for (int c = k + 1; c <= 9; ++c) SetCell(doc, c, r + i, chance(30) ? RandomContact(rng) : "-");
      if (k + 1 <= 9 && doc.TypeAt(k + 1, r + i) == kEmpty) SetCell(doc, k + 1, r + i, "-");
      coil(r + i);
    }
    return lower + 1;
  }

  int usedRows = 1;
  int c = 0;
  if (chance(50)) {  // parallel from the rail over columns 0..s
    const int s = static_cast<int>(rng() % static_cast<unsigned>(width));
    const int rowsBelow = chance(30) ? 2 : 1;
    for (int i = 1; i <= rowsBelow; ++i) {
      Link(doc, s, r + i - 1);
      if (chance(50) && s >= 1) {  // a series of contacts: closed by ORS
        for (int x = 0; x <= s; ++x) SetCell(doc, x, r + i, chance(80) ? RandomContact(rng) : "-");
        SetCell(doc, 0, r + i, RandomContact(rng));
        SetCell(doc, s, r + i, RandomContact(rng));
      } else {  // one contact reached from the rail over wires
        const int at = static_cast<int>(rng() % static_cast<unsigned>(s + 1));
        for (int x = 0; x <= s; ++x) SetCell(doc, x, r + i, x == at ? RandomContact(rng) : "-");
      }
    }
    usedRows = rowsBelow + 1;
    c = s + 1;
  }
  // Parallel blocks in the middle, on the row below the main row.
  while (c < width) {
    const int a = c + 1 + static_cast<int>(rng() % 2);  // block columns a..b, link at a-1
    if (a >= width) break;
    const int b = a + static_cast<int>(rng() % static_cast<unsigned>(width - a));
    if (!chance(60) || (usedRows > 2)) {
      c = b + 1;
      continue;
    }
    Link(doc, a - 1, r);
    Link(doc, b, r);
    const int at = a + static_cast<int>(rng() % static_cast<unsigned>(b - a + 1));
    for (int x = a; x <= b; ++x) SetCell(doc, x, r + 1, x == at ? RandomContact(rng) : "-");
    usedRows = std::max(usedRows, 2);
    c = b + 1;
  }
  return usedRows;
}

// Anything, links included.
void RandomAnyLadder(ProgramDocument& doc, std::mt19937& rng, int rows) {
  static const char* const kTokens[] = {
      "",      "-",           "-",           "X0",       "/X1", "!",       "^M1:0",      "%M1:1",
      "(Y0)",  "[TON T0, 5]", "{CTU C1, 3}", "@9",       "@4",  "[MCS 0]", "[MCSCLR 0]", "[SGNOUT P0:4]",
      "[END]", "T5",          "S1:2",        "D>= D0, 1"};
  std::uniform_int_distribution<int> pick(0, 99);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c <= 10; ++c) {
      SetCell(doc, c, r, kTokens[pick(rng) % (sizeof kTokens / sizeof *kTokens)]);
      if (pick(rng) < 15) Link(doc, c, r);
    }
  }
}

}  // namespace

TEST(TranslatorFuzz, AnyGridEndsCleanly) {
  std::mt19937 rng(20261208);
  platform::RecordingMessageSink sink;
  auto studio = NewStudio();
  ProgramDocument& doc = studio->doc;
  auto clearRows = [&](int from, int to) {
    for (int r = from; r <= to; ++r)
      for (int c = 0; c <= 10; ++c) {
        doc.CellType[c][r] = kEmpty;
        doc.CellText[c][r].clear();
        doc.VertLink[c][r] = 0;
      }
  };
  for (int n = 0; n < 3000; ++n) {
    clearRows(0, 9);
    clearRows(kProgramRows - 10, kProgramRows - 1);
    const int rows = 1 + static_cast<int>(rng() % 8);
    RandomAnyLadder(doc, rng, rows);
    int end = rows;
    if (n % 10 == 0) {  // the same rows against the end of the grid
      end = kProgramRows - 1;
      for (int r = 0; r < rows; ++r)
        for (int c = 0; c <= 10; ++c) {
          const int to = kProgramRows - rows + r;
          doc.CellType[c][to] = doc.CellType[c][r];
          doc.CellText[c][to] = doc.CellText[c][r];
          doc.VertLink[c][to] = doc.VertLink[c][r];
        }
    }
    doc.EndRow = static_cast<int16_t>(end);
    LadderTranslator t(doc, &sink);
    const bool failed = t.Run();
    EXPECT_EQ(t.Output().find('\0'), std::string::npos);
    if (failed) {
      EXPECT_FALSE(t.TransErrMsg.empty());
      EXPECT_FALSE(t.TransErrMsgKor.empty());
      EXPECT_GE(t.PosCol, 0);
      EXPECT_LE(t.PosCol, kOutputCol);
      EXPECT_GE(t.PosRow, 0);
      EXPECT_LE(t.PosRow, kProgramRows);
    }
  }
}

TEST(TranslatorFuzz, DrawnSeriesParallelRungsCompileIntoTheDrawnLogic) {
  std::mt19937 rng(4242);
  auto studio = NewStudio();
  ProgramDocument& doc = studio->doc;
  int mismatches = 0, refused = 0;
  std::map<std::string, int> seen;  // line kinds met, so the shapes stay varied
  const int kRuns = 1500;
  for (int n = 0; n < kRuns; ++n) {
    for (int r = 0; r < 12; ++r)
      for (int c = 0; c <= 10; ++c) {
        doc.CellType[c][r] = kEmpty;
        doc.CellText[c][r].clear();
        doc.VertLink[c][r] = 0;
      }
    int row = 0, coilNo = 0;
    while (row < 8) row += RandomDrawnRung(doc, rng, row, coilNo);
    auto r = TranslateWithEnd(doc, row);
    if (r.failed) {
      ++refused;
      if (refused <= 5)
        ADD_FAILURE() << "refused: " << r.en << " at " << r.col << "," << r.row << "\n" << Describe(doc, row);
      continue;
    }
    for (const char* word : {" ORS", " ANDS", " SAVES", " IOR ", " IORN", " LOAD   F0:1 \r\n AN"})
      if (r.text.find(word) != std::string::npos) ++seen[word];
    for (int bits = 0; bits < 16; ++bits) {
      auto input = [&](const std::string& name) {
        for (int i = 0; i < 4; ++i)
          if (name == kInputs[i]) return ((bits >> i) & 1) != 0;
        return false;
      };
      if (EvaluateDrawing(doc, 0, row - 1, input) != Simulate(r.text, input)) {
        ++mismatches;
        if (mismatches <= 5)
          ADD_FAILURE() << "drawn logic differs for inputs " << bits << "\n" << Describe(doc, row) << r.text;
        break;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(refused, 0);
  for (const char* word : {" ORS", " ANDS", " SAVES", " IOR ", " IORN", " LOAD   F0:1 \r\n AN"})
    EXPECT_GT(seen[word], kRuns / 20) << word;
}

namespace {

// A cell the editor can put anywhere in columns 0 to 9, weighted towards the elements of
// ordinary rungs. Boxes, coils and edges get texts of their own so that each output and each
// edge memory is one variable.
std::string RandomCellToken(std::mt19937& rng, int& serial) {
  const int p = static_cast<int>(rng() % 100);
  if (p < 30) return "-";
  if (p < 48) return kInputs[rng() % 4];
  if (p < 58) return std::string("/") + kInputs[rng() % 4];
  if (p < 70) return "";
  if (p < 76) return "!";
  if (p < 80) return "^E" + std::to_string(serial++);
  if (p < 84) return "%E" + std::to_string(serial++);
  if (p < 90) return "[SETOUT B" + std::to_string(serial++) + "]";
  if (p < 93) return "(Y" + std::to_string(serial++) + ")";
  if (p < 95) return "{CTU C" + std::to_string(serial++) + ", 3}";
  return "S1:" + std::to_string(rng() % 8);
}

std::string RandomOutputToken(std::mt19937& rng, int& serial) {
  const int p = static_cast<int>(rng() % 100);
  if (p < 78) return "(Y" + std::to_string(serial++) + ")";
  if (p < 90) return "";
  if (p < 94) return "-";
  if (p < 97) return "X0";
  return "[SETOUT B" + std::to_string(serial++) + "]";
}

// Any grid the editor can draw: drawn series-parallel rungs with random cells and links
// changed, or rows of random cells and links.
int RandomEditorGrid(ProgramDocument& doc, std::mt19937& rng) {
  int serial = 0;
  int rows = 0;
  if (rng() % 3 != 0) {
    int coilNo = 100;
    while (rows < 4) {
      if (rng() % 6 == 0) {  // a counter: count input on its row, reset input below
        for (int r = rows; r <= rows + 1; ++r) {
          for (int c = 0; c <= 8; ++c) SetCell(doc, c, r, c < 3 && rng() % 2 ? RandomContact(rng) : "-");
          if (rng() % 3 == 0) Link(doc, static_cast<int>(rng() % 3), r);
        }
        SetCell(doc, 9, rows, "{CTU C" + std::to_string(serial++) + ", 3}");
        rows += 2;
        continue;
      }
      rows += RandomDrawnRung(doc, rng, rows, coilNo);
    }
    const int changes = static_cast<int>(rng() % 4);
    for (int k = 0; k < changes; ++k) {
      const int c = static_cast<int>(rng() % 11), r = static_cast<int>(rng() % static_cast<unsigned>(rows));
      if (rng() % 2) {
        doc.VertLink[c][r] = doc.VertLink[c][r] ? 0 : 1;
      } else {
        SetCell(doc, c, r, c == 10 ? RandomOutputToken(rng, serial) : RandomCellToken(rng, serial));
      }
    }
  } else {
    rows = 1 + static_cast<int>(rng() % 5);
    const int linkChance = 5 + static_cast<int>(rng() % 30);
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c <= 9; ++c) {
        SetCell(doc, c, r, RandomCellToken(rng, serial));
        if (static_cast<int>(rng() % 100) < linkChance) Link(doc, c, r);
      }
      SetCell(doc, 10, r, RandomOutputToken(rng, serial));
    }
  }
  return rows;
}

}  // namespace

TEST(TranslatorFuzz, EveryDrawableGridCompilesIntoTheDrawnLogicOrIsRefused) {
  std::mt19937 rng(190019);
  auto studio = NewStudio();
  ProgramDocument& doc = studio->doc;
  int mismatches = 0, accepted = 0;
  std::map<std::string, int> refusals;
  std::map<std::string, int> seen;  // line kinds in accepted grids, so the shapes stay varied
  static const char* const kAcceptedKinds[] = {" ORS", " ANDS", " SAVES", " NT", " DF ", " DFN", " SETOUT", " CTU"};
  const int kRuns = 20000;
  for (int n = 0; n < kRuns; ++n) {
    for (int r = 0; r < 14; ++r)
      for (int c = 0; c <= 10; ++c) {
        doc.CellType[c][r] = kEmpty;
        doc.CellText[c][r].clear();
        doc.VertLink[c][r] = 0;
      }
    const int rows = RandomEditorGrid(doc, rng);
    auto r = TranslateWithEnd(doc, rows);
    if (r.failed) {
      ++refusals[r.en + "/" + r.ko];
      EXPECT_TRUE(r.col >= 0 && r.col <= kOutputCol && r.row >= 0 && r.row <= rows) << Describe(doc, rows + 1);
      continue;
    }
    ++accepted;
    for (const char* word : kAcceptedKinds)
      if (r.text.find(word) != std::string::npos) ++seen[word];
    std::vector<std::string> names(kInputs, kInputs + 4);
    for (int row = 0; row < rows; ++row)
      for (int c = 0; c <= 9; ++c)
        if (doc.TypeAt(c, row) == kRisingEdge || doc.TypeAt(c, row) == kFallingEdge)
          names.push_back("prev:" + doc.TextAt(c, row));
    if (names.size() > 6) names.resize(6);
    const InputMasks in = InputMasks::Count(names);
    const OutputMasks drawn = DrawnOutputs(doc, 0, rows - 1, in);
    const OutputMasks compiled = TranslatedOutputs(r.text, in);
    if (drawn != compiled) {
      ++mismatches;
      if (mismatches <= 8) {
        std::string diff;
        for (const auto& [k, v] : drawn) {
          auto it = compiled.find(k);
          if (it == compiled.end() || it->second != v) diff += " drawn " + k;
        }
        for (const auto& [k, v] : compiled)
          if (!drawn.count(k)) diff += " extra " + k;
        ADD_FAILURE() << "grid " << n << " compiles into other logic:" << diff << "\n" << Describe(doc, rows) << r.text;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  // Both outcomes stay frequent, and refusals come from the walk, the branch rows and the
  // output column alike.
  EXPECT_GT(accepted, kRuns / 4);
  EXPECT_GT(kRuns - accepted, kRuns / 4);
  EXPECT_GE(refusals.size(), 5u);
  for (const char* word : kAcceptedKinds) EXPECT_GT(seen[word], 40) << word;
}
