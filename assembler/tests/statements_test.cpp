// Statement records and their memory: arenas keep records and texts in place for the whole run,
// the store holds each line and file name once (or reads a line again when it keeps none), and a
// statement gets problem lines and side records only when it needs them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "assembler/diagnostics.h"
#include "assembler/record_arena.h"
#include "assembler/statements.h"
#include "assembler/tests/driver_test_support.h"
#include "assembler/tests/test_run.h"

namespace {

struct Counted {
  static inline int alive = 0;
  int value = 7;
  std::string text = "record";
  Counted() { ++alive; }
  ~Counted() { --alive; }
};

TEST(RecordArena, RecordsStayInPlaceAcrossBlocksAndAreDestroyedOnce) {
  std::vector<Counted*> made;
  {
    aq71::RecordArena<Counted, 4, 64> arena;
    for (int i = 0; i < 1000; ++i) {
      Counted& c = arena.emplace_back();
      EXPECT_EQ(c.value, 7);
      c.value = i;
      made.push_back(&c);
    }
    EXPECT_EQ(arena.size(), 1000u);
    EXPECT_EQ(Counted::alive, 1000);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(made[static_cast<std::size_t>(i)]->value, i);
  }
  EXPECT_EQ(Counted::alive, 0);

  // Large blocks (mapped ones in an optimised build, their pages made present step by step) hold
  // records as well as small ones.
  aq71::RecordArena<std::array<std::uint64_t, 64>, 1024, 1024> big;
  std::vector<std::array<std::uint64_t, 64>*> rows;
  for (std::uint64_t i = 0; i < 12000; ++i) {
    auto& row = big.emplace_back();
    EXPECT_EQ(row[63], 0u);
    row.fill(i);
    rows.push_back(&row);
  }
  for (std::uint64_t i = 0; i < 12000; ++i) ASSERT_EQ((*rows[i])[17], i);
}

TEST(RecordArena, BlockPagesArePreparedStepByStepToTheEnd) {
  const std::pair<std::size_t, bool> blocks[] = {
      {4096, false}, {200 * 1024 + 8, false}, {aq71::kHugeArenaBlock, false}, {aq71::kHugeArenaBlock - 72, true}};
  for (const auto& [bytes, huge_page] : blocks) {
    char* block = static_cast<char*>(aq71::take_arena_block(bytes, huge_page));
    std::size_t prepared = 0;
    while (prepared < bytes) {
      const std::size_t now = aq71::prepare_arena_block(block, bytes, prepared);
      ASSERT_GT(now, prepared);
      ASSERT_LE(now, bytes);
      std::memset(block + prepared, 0x5A, now - prepared);
      prepared = now;
    }
    EXPECT_EQ(block[bytes - 1], 0x5A);
    aq71::give_back_arena_block(block, bytes);
  }
}

TEST(RecordArena, RecordsAreFoundByTheirPlaceAndWalkedInOrder) {
  aq71::RecordArena<int, 4, 64> arena;
  for (int i = 0; i < 3000; ++i) arena.emplace_back() = i;
  for (std::size_t i : {0u, 3u, 4u, 11u, 12u, 59u, 60u, 1999u, 2999u}) {
    ASSERT_EQ(arena[i], static_cast<int>(i));
    auto c = arena.cursor(i);
    for (std::size_t k = i; k < std::min<std::size_t>(i + 200, 3000); ++k, ++c) ASSERT_EQ(*c, static_cast<int>(k));
    EXPECT_EQ(arena.index_of(&arena[i]), i);  // and a record's place is found from the record
  }
  const int elsewhere = 0;
  EXPECT_EQ(arena.index_of(&elsewhere), arena.size());
}

TEST(RecordArena, TextsKeepTheirBytesWithAnyLength) {
  aq71::TextArena arena;
  std::vector<std::pair<std::string_view, std::string>> kept;
  for (int i = 0; i < 3000; ++i) {
    // Mostly short lines, now and then one longer than a quarter block or than a block.
    std::string text(static_cast<std::size_t>(i % 97 == 0 ? aq71::TextArena::BLOCK + i : i % 40), 'a' + i % 26);
    const char tail = i % 2 ? '\n' : 0;
    kept.emplace_back(arena.keep(text, tail), tail ? text + tail : text);
  }
  for (const auto& [view, expected] : kept) ASSERT_EQ(view, expected);
}

TEST(StatementStore, LinesAndFileNamesAreHeldOnce) {
  aq71_test::reset_run_state();
  aq71::StatementStore store(aq71_test::test_run());
  std::string_view a = store.keep_line(" NOP");
  EXPECT_EQ(a, " NOP\n");
  EXPECT_EQ(store.keep_line(" NOP\n").data(), a.data());  // records of one line share it
  EXPECT_EQ(store.keep_line(""), "\n");
  std::string_view b = store.keep_line(" NOP");
  EXPECT_NE(b.data(), a.data());
  EXPECT_EQ(b, a);
  // Generated text keeps its own last line: a call line and its expansion lines alternate.
  std::string_view call = store.keep_line(" DELAY 3");
  const char* gen = store.keep_generated_line(" LDI R16,3");
  EXPECT_EQ(store.keep_line(" DELAY 3").data(), call.data());
  EXPECT_EQ(store.keep_generated_line(" LDI R16,3\n"), gen);
  aq71::Statement& st = store.make(aq71::StatementKind::Instruction, 1);
  EXPECT_EQ(st.generated_text(), "");
  st.set_generated_text(store, gen);
  EXPECT_EQ(st.generated_text(), " LDI R16,3\n");
  // A generated line keeps every byte, line feeds inside included, across text blocks.
  for (int i = 0; i < 200; ++i) {
    const std::string line = std::string(static_cast<std::size_t>(i * 97 % 5000), 'x') + "\n;" + std::to_string(i);
    st.set_generated_text(store, store.keep_generated_line(line));
    ASSERT_EQ(st.generated_text(), line + "\n");
  }

  const std::uint16_t main = store.keep_file_name("t.s71");
  const std::uint16_t inc = store.keep_file_name("a.inc");
  EXPECT_STREQ(store.file_name(main), "t.s71");
  EXPECT_STREQ(store.file_name(inc), "a.inc");
  EXPECT_EQ(store.keep_file_name(std::string("t.s71")), main);
  EXPECT_EQ(store.keep_file_name("a.inc"), inc);
  EXPECT_EQ(store.keep_file_name(""), 0);
  EXPECT_STREQ(store.file_name(0), "");

  aq71::Fixup f[2];
  f[1].field = 922;
  const aq71::Fixup* kept = store.keep_fixups(f, 2);
  f[1].field = 0;
  EXPECT_EQ(kept[1].field, 922);
  EXPECT_EQ(store.keep_fixups(f, 0), nullptr);
}

TEST(StatementStore, AStatementKeepsItsLineWhenItGetsSideRecords) {
  aq71_test::reset_run_state();
  aq71::StatementStore store(aq71_test::test_run());
  // Lines of odd lengths one after the other: every kept line still begins at an even address.
  for (int i = 0; i < 50; ++i) {
    const std::string line(static_cast<std::size_t>(i), 'a' + i % 26);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(store.keep_line(line).data()) % 2, 0u) << i;
  }
  aq71::Statement& plain = store.make(aq71::StatementKind::Instruction, 1);
  plain.set_line(store, " LDI R16,1", 7);
  EXPECT_EQ(plain.location_label(), nullptr);
  plain.set_fixups(store, nullptr, 0);  // nothing to keep: no side record either
  plain.set_label(store, nullptr);
  EXPECT_FALSE(plain.has_side_record());
  EXPECT_EQ(plain.label(), nullptr);
  EXPECT_EQ(plain.text(store), " LDI R16,1\n");
  // Side records made after the line was set and a line set after the side record.
  aq71::Statement& rich = store.make(aq71::StatementKind::Storage, 1);
  rich.set_line(store, " DB 1", 9);
  rich.set_generated_text(store, store.keep_generated_line(" DB 1"));
  rich.data(store).count_value = 4;
  EXPECT_EQ(rich.text(store), " DB 1\n");
  rich.set_line(store, " DB 2", 15);
  EXPECT_EQ(rich.text(store), " DB 2\n");
  EXPECT_EQ(rich.data().count_value, 4u);
  EXPECT_EQ(rich.generated_text(), " DB 1\n");
  // A label goes to the side record beside the line.
  aq71::SymbolNode* node = reinterpret_cast<aq71::SymbolNode*>(&rich);  // only compared
  plain.set_label(store, node);
  EXPECT_EQ(plain.label(), node);
  EXPECT_EQ(plain.text(store), " LDI R16,1\n");
  EXPECT_EQ(store.make(aq71::StatementKind::Nothing, 1).text(store), "");
}

class StatementLines : public aq71_test::InFolder {};

// A store that keeps no lines reads a record's line again from the place the reader gave for it,
// as the reader gave it, whether the record has a side record or not, and keeps what it read.
TEST_F(StatementLines, AStoreWithoutLinesReadsThemAgainFromTheirPlace) {
  aq71_test::write_file(dir_ / "l.s71", " NOP\n\tLDI R16,1 \\\n ;more\n DB 1\n");
  const std::string name = "l.s71";
  aq71::open_source_file(aq71_test::test_run(), &name);
  aq71::SourceReader& reader = aq71::source_reader(aq71_test::test_run());
  std::vector<std::uint64_t> places;
  for (std::string line; reader.next_line(line);) places.push_back(reader.line_place());
  ASSERT_EQ(places.size(), 3u);
  aq71::StatementStore store(aq71_test::test_run());
  store.set_keeps_lines(false);
  const std::uint16_t file = store.keep_file_name("l.s71");
  std::vector<aq71::Statement*> made;
  for (const std::uint64_t place : places) {
    aq71::Statement& st = store.make(aq71::StatementKind::Instruction, 1);
    st.file = file;
    st.set_line(store, "not kept", place);
    made.push_back(&st);
  }
  made[2]->data(store).count_value = 1;  // a side record made before the line is read
  EXPECT_EQ(made[0]->text(store), " NOP\n");
  EXPECT_EQ(made[1]->text(store), "        LDI R16,1  ;more\n");
  EXPECT_EQ(made[2]->text(store), " DB 1\n");
  EXPECT_EQ(made[1]->source(store).text.data(), made[1]->text(store).data());  // read once
  EXPECT_TRUE(made[0]->has_side_record());
  // A line set again is read again; a record without a line, or a place the file no longer
  // has, has an empty one.
  made[0]->set_line(store, "not kept", places[2]);
  EXPECT_EQ(made[0]->text(store), " DB 1\n");
  made[0]->set_line(store, "", 0);
  EXPECT_EQ(made[0]->text(store), "");
  aq71::Statement& past = store.make(aq71::StatementKind::Nothing, 1);
  past.file = file;
  past.set_line(store, "", places[0] + 400);
  EXPECT_EQ(past.text(store), "\n");
}

TEST(StatementStore, ChainsAndRangesGiveTheirRecordsInTheOrderMade) {
  aq71_test::reset_run_state();
  aq71::StatementStore store(aq71_test::test_run());
  // Three segments taking turns in stretches of varying length, across many arena blocks.
  std::array<aq71::StatementChain, 3> chains;
  std::array<std::vector<const aq71::Statement*>, 3> expected;
  std::uint32_t seed = 7;
  int segment = 0;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1103515245u + 12345u;
    if (seed % 97 < 3) segment = static_cast<int>(seed >> 16) % 3;
    aq71::Statement& st = store.make(aq71::StatementKind::Instruction, segment);
    st.size = static_cast<std::uint32_t>(i);
    chains[static_cast<std::size_t>(segment)].append(store, store.count() - 1);
    expected[static_cast<std::size_t>(segment)].push_back(&st);
  }
  for (std::size_t k = 0; k < 3; ++k) {
    std::vector<const aq71::Statement*> walked;
    for (const aq71::Statement* st : chains[k]) walked.push_back(st);
    ASSERT_EQ(walked, expected[k]) << k;
    EXPECT_EQ(chains[k].size(), expected[k].size());
  }
  EXPECT_TRUE(aq71::StatementChain().empty());
  EXPECT_EQ(aq71::StatementChain().begin(), aq71::StatementChain().end());

  const aq71::StatementRange later = store.since(12345);
  ASSERT_EQ(later.size(), 20000u - 12345u);
  EXPECT_EQ(later.front()->size, 12345u);
  EXPECT_EQ(later[later.size() - 1]->size, 19999u);
  std::uint32_t next = 12345;
  for (const aq71::Statement* st : later) ASSERT_EQ(st->size, next++);
  EXPECT_EQ(next, 20000u);
  EXPECT_TRUE(store.since(store.count()).empty());
}

TEST(StatementStore, ProblemLinesAreMadeByTheFirstReportAtASite) {
  aq71_test::reset_run_state();
  aq71_test::CapturedConsole console;
  aq71::ProblemSite site;
  site.where = {"t.s71", 4, " RJMP FAR\n"};
  site.columns = {2, 7, 0};
  EXPECT_EQ(site.problems, nullptr);
  aq71::user_error_pass2_A01(aq71_test::test_run(), 2, &site, 50, 2, {.text = "FAR"});
  ASSERT_NE(site.problems, nullptr);
  EXPECT_EQ(site.problems->severity, 2);
  aq71::ProblemLines* first = site.problems;
  aq71::user_warning_pass2_A01(aq71_test::test_run(), 2, &site, 15, 1);
  EXPECT_EQ(site.problems, first);
  EXPECT_EQ(console.text(),
            "\n RJMP FAR\n------^\n\"t.s71\",4  Error[50]: undefined symbol:'FAR'\n"
            "\n RJMP FAR\n-^\n\"t.s71\",4  Warning[15]: Constant truncated\n");

  // Nothing waits for the next record until something is reported before it exists.
  EXPECT_FALSE(aq71::pending_problems(aq71_test::test_run()));
  aq71::user_error_A01(aq71_test::test_run(), 40);
  EXPECT_TRUE(aq71::pending_problems(aq71_test::test_run()));
  aq71::ProblemLines into;
  aq71::take_pending_problems(aq71_test::test_run(), into);
  EXPECT_EQ(into.severity, 2);
  EXPECT_FALSE(aq71::pending_problems(aq71_test::test_run()));
}

class StatementRecords : public aq71_test::InProcessAssembly {};

TEST_F(StatementRecords, RecordsNameTheirOwnFileAndLineAndCarryOnlyWhatTheyNeed) {
  aq71_test::write_file(dir_ / "a.inc", " NOP\n DB 1,2\n");
  ASSERT_EQ(assemble(" ASEG\n LDI R16,1\n#include \"a.inc\"\n ALIGN 2\n RJMP L9\n END\n"), 2);
  // The report after the source pass names the main file again after the include.
  EXPECT_TRUE(has("\"t.s71\",5  Error[50]: undefined symbol:'L9'")) << out;
  const aq71::Statement* ldi = statement_of(1, "LDI");
  const aq71::Statement* nop = statement_of(1, "NOP");
  const aq71::Statement* db = statement_of(1, "DB");
  const aq71::Statement* rjmp = statement_of(1, "RJMP");
  ASSERT_TRUE(ldi && nop && db && rjmp);
  aq71::StatementStore& store = aq71::statement_store(aq71_test::test_run());
  EXPECT_STREQ(ldi->source(store).file, "t.s71");
  EXPECT_EQ(ldi->source(store).line, 2);
  EXPECT_EQ(ldi->text(store), " LDI R16,1\n");
  EXPECT_STREQ(nop->source(store).file, "a.inc");
  EXPECT_EQ(nop->source(store).line, 1);
  EXPECT_EQ(nop->text(store), " NOP\n");
  EXPECT_EQ(db->data().items.size(), 2u);
  EXPECT_EQ(ldi->data().items.size(), 0u);  // read without making a side record
  EXPECT_EQ(ldi->problems().lines.size(), 0u);
  EXPECT_EQ(ldi->site(store).problems, nullptr);
  EXPECT_EQ(rjmp->problems().severity, 2);
  EXPECT_EQ(rjmp->site(store).problems, &rjmp->problems());
  EXPECT_EQ(ldi->code.word_count, 1);
}

// Without a listing records keep no lines: a report after the source pass shows its line read
// again, tabs expanded and a continued line joined, in an include file and after it.
TEST_F(StatementRecords, ReportsAfterTheSourcePassShowLinesReadAgain) {
  aq71_test::write_file(dir_ / "a.inc", " NOP\n\tRJMP\tFAR \\\n ; joined\n");
  ASSERT_EQ(assemble(" ASEG\n#include \"a.inc\"\n\tRCALL\tNEAR+9000\t; far\nNEAR: NOP\n END\n"), 2);
  EXPECT_FALSE(aq71::statement_store(run()).keeps_lines());
  EXPECT_TRUE(has("\n        RJMP    FAR  ; joined\n--------^\n\"a.inc\",3  Error[50]: undefined symbol:'FAR'\n"))
      << out;
  EXPECT_TRUE(has("\n        RCALL   NEAR+9000       ; far\n----------------^\n\"t.s71\",3  Error[414]")) << out;
}

}  // namespace
