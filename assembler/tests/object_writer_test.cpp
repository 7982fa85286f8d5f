// The object modules aq71 writes, read back with the ZOLEX decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "assembler/object_writer.h"
#include "assembler/tests/driver_test_support.h"
#include "assembler/tests/test_run.h"
#include "assembler/zolex_format.h"

namespace aq71_test {
namespace {

namespace zx = aq71::zolex;

class ObjectWriter : public InFolder {
 protected:
  // Assembles t.s71 with the options; the exit code.
  int assemble(const std::string& source, std::vector<std::string> options = {}) {
    write_file(dir_ / "t.s71", source);
    std::vector<std::string> args{"t", "-S"};
    args.insert(args.end(), options.begin(), options.end());
    result = run_aq71(dir_, args);
    return result.code;
  }
  // The object file, decoded (a failed test when it cannot be read).
  zx::ObjectFile object() {
    std::string bytes = read_file(dir_ / "t.r71");
    raw.assign(bytes.begin(), bytes.end());
    zx::DecodeResult d = zx::decode(raw);
    EXPECT_TRUE(d.ok) << d.error << " at " << d.error_offset;
    return d.object;
  }
  // The records of the first module from the first code record on (declarations skipped).
  std::vector<zx::Item> contents(const zx::Module& m) {
    std::vector<zx::Item> out;
    for (const zx::Item& it : m.items)
      if (it.tag != zx::kFormatVersion && it.tag != zx::kTarget && it.tag != zx::kTypeDefinition &&
          it.tag != zx::kSegmentDeclaration && it.tag != zx::kSymbol)
        out.push_back(it);
    return out;
  }
  static std::vector<int> tags(const std::vector<zx::Item>& items) {
    std::vector<int> t;
    for (const auto& it : items) t.push_back(it.tag);
    return t;
  }
  // Code bytes of the records in order.
  static std::vector<int> code(const std::vector<zx::Item>& items) {
    std::vector<int> b;
    for (const auto& it : items)
      if (it.tag == zx::kCode1 || it.tag == zx::kCode2 || it.tag == zx::kCode3 || it.tag == zx::kCode4)
        for (std::uint8_t x : it.bytes) b.push_back(x);
    return b;
  }
  RunResult result;
  std::vector<std::uint8_t> raw;
};

TEST_F(ObjectWriter, DataItemsAsCodeRecords) {
  ASSERT_EQ(assemble(" ASEG\n DB \"AB\",0\n DW \"ABC\"\n DB 1\n DW 0x1234,-2\n DP 0x123456\n DD 0x12345678\n"
                     " DS 3\n DB 7\n EVEN 0xFF\n EVEN 0xEE\n END\n"),
            0)
      << result.out;
  zx::ObjectFile obj = object();
  ASSERT_EQ(obj.modules.size(), 1u);
  const std::vector<zx::Item> items = contents(obj.modules[0]);
  // Strings are written a character at a time; constants in their item size; DS is a gap.
  EXPECT_EQ(tags(items), (std::vector<int>{58, 58, 54, 54, 54, 54, 54, 54, 54, 54, 55, 55, 163, 56, 58, 54, 54, 63}));
  EXPECT_EQ(code(items), (std::vector<int>{0x41, 0x42, 0x00, 0x41, 0x42, 0x43, 0x00, 0x01, 0x34, 0x12, 0xFE,
                                           0xFF, 0x56, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0x07, 0xFF}));
  EXPECT_EQ(items[0].a, 0u);
  EXPECT_EQ(items[14].a, 22u);  // after DS 3; then EVEN at 23 pads one byte, at 24 none
}

TEST_F(ObjectWriter, ExternalsAndOtherSegmentsBecomeLinkerExpressions) {
  ASSERT_EQ(assemble(" EXTERN ext\n RSEG A:CODE\n RJMP there\n DW ext\n RSEG B:CODE\nthere: RET\n END\n", {"-v6"}), 0)
      << result.out;
  zx::ObjectFile obj = object();
  ASSERT_EQ(obj.modules.size(), 1u);
  const zx::Module& m = obj.modules[0];
  ASSERT_EQ(m.externals.size(), 1u);
  EXPECT_EQ(m.externals[0].name, "ext");
  ASSERT_EQ(m.segments.size(), 2u);
  EXPECT_EQ(m.segments[0].name, "A");
  EXPECT_EQ(m.segments[1].name, "B");
  const std::vector<zx::Item> items = contents(m);
  // RJMP into segment B: the target as tag 94 (segment 1, offset 0), its program, field 91.
  ASSERT_GE(items.size(), 3u);
  EXPECT_EQ(items[0].tag, zx::kSegmentLocation);
  EXPECT_EQ(items[1].tag, zx::kPushSegment);
  EXPECT_EQ(items[1].w, 1u);
  EXPECT_EQ(items[1].a, 0u);
  std::size_t i = 2;
  while (i < items.size() && items[i].tag != zx::kField2) ++i;
  ASSERT_LT(i + 2, items.size());
  // DW ext: tag 93 with index 0 and 0, then field 91.
  EXPECT_EQ(items[i + 1].tag, zx::kPushExternal);
  EXPECT_EQ(items[i + 1].w, 0u);
  EXPECT_EQ(items[i + 1].a, 0u);
  EXPECT_EQ(items[i + 2].tag, zx::kField2);
  EXPECT_EQ(items.back().tag, zx::kEnd);
}

TEST_F(ObjectWriter, ModulesEachWithTheirOwnCrc) {
  ASSERT_EQ(assemble(" NAME one\n NOP\n ENDMOD\n MODULE two(3)\n NOP\n NOP\n END 0\n", {"-c#"}), 0) << result.out;
  zx::ObjectFile obj = object();
  ASSERT_EQ(obj.modules.size(), 2u);
  const zx::Module& a = obj.modules[0];
  const zx::Module& b = obj.modules[1];
  EXPECT_TRUE(a.crc_ok());
  EXPECT_TRUE(b.crc_ok());
  // ENDMOD: nothing after the CRC; END: one 0xFF.
  EXPECT_FALSE(a.ended_by_end);
  EXPECT_TRUE(b.ended_by_end);
  EXPECT_EQ(a.end_offset, b.offset);
  EXPECT_EQ(b.end_offset, raw.size());
  EXPECT_EQ(raw.back(), 0xFF);
  // The second CRC starts again from 0: it is the CRC of the second module's bytes alone.
  std::span<const std::uint8_t> second(raw.data() + b.offset, b.end_offset - b.offset - 3);
  EXPECT_EQ(zx::crc16(second), b.stored_crc);
  EXPECT_EQ(raw[b.end_offset - 3], b.stored_crc >> 8);
  // Headers: program and library module, names, option byte, fixed date.
  EXPECT_TRUE(a.header.program);
  EXPECT_FALSE(b.header.program);
  EXPECT_EQ(a.header.name, "one");
  EXPECT_EQ(b.header.name, "two");
  EXPECT_EQ(a.header.processor_option, 0u);
  EXPECT_EQ(b.header.processor_option, 3u);
  EXPECT_EQ(a.header.day, 28u);
  EXPECT_EQ(a.header.month, 11u);
  EXPECT_EQ(a.header.year, 90u);
  EXPECT_EQ(a.sign_on, " Assembler V2.11D/DOS");
  EXPECT_EQ(b.items.back().tag, zx::kEndAbsolute);
}

TEST_F(ObjectWriter, PublicSymbolsAndEntryPoints) {
  ASSERT_EQ(assemble(" PUBLIC code,abs,val\n RSEG C\n NOP\ncode: NOP\n ASEG\n ORG 0x40\nabs: NOP\nval EQU 77\n"
                     " END code\n"),
            0)
      << result.out;
  zx::ObjectFile obj = object();
  ASSERT_EQ(obj.modules.size(), 1u);
  const zx::Module& m = obj.modules[0];
  ASSERT_EQ(m.publics.size(), 3u);
  EXPECT_EQ(m.publics[0].name, "code");
  EXPECT_EQ(m.publics[0].kind, zx::SymbolKind::Relocatable);
  EXPECT_EQ(m.publics[0].segment_or_index, 0u);
  EXPECT_EQ(m.publics[0].value, 2u);
  EXPECT_EQ(m.publics[1].kind, zx::SymbolKind::AbsoluteLabel);
  EXPECT_EQ(m.publics[1].value, 0x40u);
  EXPECT_EQ(m.publics[2].kind, zx::SymbolKind::AbsoluteTyped);
  EXPECT_EQ(m.publics[2].value, 77u);
  const zx::Item& end = m.items.back();
  EXPECT_EQ(end.tag, zx::kEndRelative);
  EXPECT_EQ(end.w, 0u);
  EXPECT_EQ(end.a, 2u);
}

// Debugger output: -r adds the source-file table, the #define table, line records and every
// label as a public symbol; -rb a reference record after each symbol; -re the main source
// itself. The listing stays as without it.
TEST_F(ObjectWriter, DebuggerRecords) {
  const std::string source =
      "#define SPEED 12\n"
      "#define TWICE(a) a+a\n"
      " NAME demo\n"
      " RSEG CODE\n"
      "entry: LDI R16,SPEED\n"
      "loop: DEC R16\n"
      " BRNE loop\n"
      "#include \"part.inc\"\n"
      " RJMP entry\n"
      " END\n";
  write_file(dir_ / "part.inc", "inner: NOP\n");
  ASSERT_EQ(assemble(source, {"-l", "plain.lst"}), 0) << result.out;
  const std::string plain_listing = read_file(dir_ / "plain.lst");
  ASSERT_TRUE(object().modules.at(0).publics.empty());

  ASSERT_EQ(assemble(source, {"-r", "-l", "debug.lst"}), 0) << result.out;
  std::string debug_listing = read_file(dir_ / "debug.lst");
  // The listed lines, up to the report box: the box centres the CRC, whose digits vary with the
  // source's time stamp in the object.
  auto body = [](const std::string& listing) {
    const std::string lines = listing.substr(listing.find("entry:"));
    return lines.substr(0, lines.rfind('\n', lines.find("CRC:")));
  };
  EXPECT_EQ(body(debug_listing), body(plain_listing));
  zx::Module m = object().modules.at(0);
  std::vector<std::string> names;
  for (const zx::Symbol& s : m.publics) names.push_back(s.name);
  EXPECT_EQ(names, (std::vector<std::string>{"entry", "loop", "inner"}));
  std::vector<std::string> files, defines;
  std::vector<std::pair<int, int>> lines;  // (file record or -1, line)
  for (const zx::Item& it : m.items) {
    if (it.tag == zx::kSourceFile) files.push_back(std::to_string(it.w) + " " + it.text);
    if (it.tag == zx::kDefine) defines.push_back(it.text + "=" + it.lines.at(0));
    if (it.tag == zx::kLineFile) lines.emplace_back(-1, it.w);
    if (it.tag == zx::kLine) lines.emplace_back(it.w, static_cast<int>(it.a));
    EXPECT_NE(it.tag, zx::kSymbolDebug);
  }
  EXPECT_EQ(files, (std::vector<std::string>{"0 t.s71", "1 part.inc"}));
  EXPECT_NE(std::find(defines.begin(), defines.end(), "SPEED=12"), defines.end());
  for (const std::string& d : defines) EXPECT_NE(d.substr(0, 5), "TWICE");
  // (line, length): entry, loop, BRNE, the included NOP, RJMP; the file changes twice.
  EXPECT_EQ(lines,
            (std::vector<std::pair<int, int>>{{-1, 0}, {5, 20}, {6, 13}, {7, 10}, {-1, 1}, {1, 10}, {-1, 0}, {9, 11}}));

  ASSERT_EQ(assemble(source, {"-rb"}), 0) << result.out;
  m = object().modules.at(0);
  std::vector<std::string> refs;
  for (std::size_t i = 0; i + 1 < m.items.size(); ++i)
    if (m.items[i].tag == zx::kSymbol) {
      const zx::Item& d = m.items[i + 1];
      ASSERT_EQ(d.tag, zx::kSymbolDebug) << m.items[i].text;
      std::string r = m.items[i].text + " at " + std::to_string(d.w) + ":" + std::to_string(d.a);
      for (const auto& [file, line] : d.pairs) r += " " + std::to_string(file) + ":" + std::to_string(line);
      refs.push_back(r);
    }
  EXPECT_EQ(refs, (std::vector<std::string>{"entry at 0:5 0:9", "loop at 0:6 0:7", "inner at 1:1"}));

  // -re embeds the main file and refuses include files (a fatal error).
  ASSERT_EQ(assemble(source, {"-re"}), 3);
  EXPECT_NE(result.out.find("Option -re cannot handle include files"), std::string::npos) << result.out;
  std::string single = source;
  single.replace(single.find("#include"), std::string("#include \"part.inc\"\n").size(), "");
  ASSERT_EQ(assemble(single, {"-re"}), 0) << result.out;
  m = object().modules.at(0);
  const zx::Item* embedded = nullptr;
  for (const zx::Item& it : m.items) {
    EXPECT_NE(it.tag, zx::kLineFile);
    EXPECT_NE(it.tag, zx::kSourceFile);
    if (it.tag == zx::kEmbeddedSource) embedded = &it;
  }
  ASSERT_NE(embedded, nullptr);
  EXPECT_EQ(embedded->text, "t.s71");
  ASSERT_EQ(embedded->lines.size(), 9u);
  EXPECT_EQ(embedded->lines[4], "entry: LDI R16,SPEED");
}

// A name only tested by the preprocessor gives the debugger nothing; a label that also names a
// #define is passed over.
TEST_F(ObjectWriter, DebugSymbolsLeaveOutWhatHasNoValue) {
  ASSERT_EQ(
      assemble(" RSEG CODE\nfirst: NOP\n#ifdef NEVER\n#endif\nlate: NOP\n#define late 3\n RJMP first\n END\n", {"-r"}),
      0)
      << result.out;
  const zx::ObjectFile obj = object();
  std::vector<std::string> names;
  for (const zx::Symbol& s : obj.modules.at(0).publics) names.push_back(s.name);
  EXPECT_EQ(names, (std::vector<std::string>{"first"}));
}

// A name whose value is left to the linker (a label plus an offset, an external plus one) has
// no value a symbol record can carry: debugger output goes without it and the source still
// assembles; the EQU of a plain label or of a number is carried. A PUBLIC of such a name is
// still refused.
TEST_F(ObjectWriter, DebugSymbolsOfAssignedNames) {
  const std::string source =
      " EXTERN EE\n RSEG CODE\nL1: NOP\nKL EQU L1\nKR EQU L1+2\nKN EQU 5\nKE EQU EE+1\n RJMP KR\n RJMP KE\n END\n";
  ASSERT_EQ(assemble(source), 0) << result.out;
  for (const char* option : {"-r", "-rb", "-re"}) {
    ASSERT_EQ(assemble(source, {option}), 0) << option << result.out;
    const zx::Module m = object().modules.at(0);
    std::vector<std::string> names;
    for (const zx::Symbol& sym : m.publics) names.push_back(sym.name);
    EXPECT_EQ(names, (std::vector<std::string>{"L1", "KL", "KN"})) << option;
    ASSERT_EQ(m.publics.size(), 3u);
    EXPECT_EQ(m.publics[1].kind, zx::SymbolKind::RelocatableFlagged);
    EXPECT_EQ(m.publics[1].value, 0u);
    EXPECT_EQ(m.publics[2].kind, zx::SymbolKind::AbsoluteTyped);
    EXPECT_EQ(m.publics[2].value, 5u);
    int debug_records = 0;
    for (const zx::Item& it : m.items) debug_records += it.tag == zx::kSymbolDebug;
    // One after each symbol record, the external's too.
    EXPECT_EQ(debug_records, std::string(option) == "-rb" ? 4 : 0) << option;
  }
  EXPECT_EQ(assemble(" PUBLIC KR\n RSEG CODE\nL1: NOP\nKR EQU L1+2\n END\n", {"-r"}), 2);
  EXPECT_NE(result.out.find("Error[64]"), std::string::npos) << result.out;
}

// An embedded source carries at most 65535 lines: a longer one is refused with the limit named.
TEST_F(ObjectWriter, EmbeddedSourceLineLimit) {
  std::string source = " RSEG CODE\n";
  for (int i = 0; i < 65533; ++i) source += " NOP\n";
  ASSERT_EQ(assemble(source + " END\n", {"-re"}), 0) << result.out;
  ASSERT_EQ(object().modules.at(0).publics.size(), 0u);
  const std::string earlier = read_file(dir_ / "t.r71");
  ASSERT_EQ(assemble(source + " NOP\n END\n", {"-re"}), 2);
  EXPECT_NE(result.out.find("Error[48]: value out of range '-re: 65536 source lines (max is 65535)'"), std::string::npos)
      << result.out.substr(0, 400);
  EXPECT_EQ(result.out.find("String too long"), std::string::npos);
  // The failed run puts no object in place: the one before stays as it was.
  EXPECT_EQ(read_file(dir_ / "t.r71"), earlier);
}

TEST_F(ObjectWriter, ModulesWithErrorsOrWithoutCode) {
  // An error anywhere: no object file stays.
  EXPECT_EQ(assemble(" NOP\n LDI R1,5\n END\n"), 2);
  EXPECT_FALSE(fs::exists(dir_ / "t.r71"));
  // A public name that never got a value.
  EXPECT_EQ(assemble(" PUBLIC nowhere\n NOP\n END\n"), 2);
  EXPECT_NE(result.out.find("Error[67]"), std::string::npos) << result.out;
  EXPECT_FALSE(fs::exists(dir_ / "t.r71"));
  // An empty module gives warning 17 and is skipped; the others are written.
  EXPECT_EQ(assemble(" NAME a\n NOP\n ENDMOD\n NAME empty\n ENDMOD\n NAME c\n NOP\n END\n"), 0);
  EXPECT_NE(result.out.find("Warning[17]"), std::string::npos) << result.out;
  zx::ObjectFile obj = object();
  ASSERT_EQ(obj.modules.size(), 2u);
  EXPECT_EQ(obj.modules[1].header.name, "c");
}

TEST_F(ObjectWriter, LongestNamesFit) {
  // Identifiers are cut at 255 bytes by the scanner: the longest name still fits its record.
  const std::string name(300, 'n');
  ASSERT_EQ(assemble(" PUBLIC " + name + "\n" + name + ": NOP\n END\n"), 0) << result.out;
  zx::ObjectFile obj = object();
  ASSERT_EQ(obj.modules.size(), 1u);
  ASSERT_EQ(obj.modules[0].publics.size(), 1u);
  EXPECT_EQ(obj.modules[0].publics[0].name, std::string(255, 'n'));
}

class ObjectWriterInProcess : public InProcessAssembly {};

TEST_F(ObjectWriterInProcess, StringsOverTheFormatLimitAreRefused) {
  ASSERT_EQ(assemble(" RSEG C\n NOP\n END\n"), 0) << out;
  aq71::ModuleView view;
  view.name = std::string(256, 'm');
  console.clear();
  EXPECT_FALSE(aq71::build_object_module(aq71_test::test_run(), view).has_value());
  EXPECT_NE(console.text().find("Error[12]"), std::string::npos) << console.text();
  view.name = std::string(255, 'm');
  std::optional<std::vector<std::uint8_t>> bytes = aq71::build_object_module(aq71_test::test_run(), view);
  ASSERT_TRUE(bytes.has_value());
  zx::DecodeResult d = zx::decode(*bytes);
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.object.modules.at(0).header.name, view.name);
  EXPECT_TRUE(d.object.modules.at(0).crc_ok());
  EXPECT_TRUE(aq71::last_object_module(aq71_test::test_run()).written);
  EXPECT_EQ(aq71::last_object_module(aq71_test::test_run()).crc, d.object.modules.at(0).stored_crc);
  EXPECT_EQ(aq71::last_object_module(aq71_test::test_run()).bytes, 2u);
}

TEST_F(ObjectWriter, MoreThan256SegmentsAreRefused) {
  std::string src;
  for (int i = 0; i < 257; ++i) src += " RSEG S" + std::to_string(i) + "\n NOP\n";
  EXPECT_EQ(assemble(src + " END\n"), 2);
  EXPECT_NE(result.out.find("Error[48]"), std::string::npos) << result.out.substr(0, 500);
  EXPECT_FALSE(fs::exists(dir_ / "t.r71"));
  src.clear();
  for (int i = 0; i < 256; ++i) src += " RSEG S" + std::to_string(i) + "\n NOP\n";
  ASSERT_EQ(assemble(src + " END\n"), 0) << result.out.substr(0, 500);
  EXPECT_EQ(object().modules.at(0).segments.size(), 256u);
}

}  // namespace
}  // namespace aq71_test

namespace aq71_test {
namespace {

// Random modules of data, scope and instruction lines (valid and broken ones): the assembler ends
// with 0 or 2, and a module without errors always gives an object module the decoder reads back.
TEST_F(ObjectWriterInProcess, RandomModulesGiveReadableObjects) {
  const char* pieces[] = {
      " DB 1,2,\"xy\"\n", " DW lab+2,ext\n", " DP 0x123456\n",
      " DD -1,lab\n",     " DB \n",          " DW ,\n",
      " PUBLIC lab\n",    " EXTERN ext\n",   " EXTERN ext:CODE,e2\n",
      " PUBLIC lab,\n",   " RSEG C:CODE\n",  " RSEG D:DATA\n",
      " ASEG\n",          " ORG 0x20\n",     " NOP\n",
      " RJMP lab\n",      " RCALL ext\n",    " LDI R16,LOW(ext)\n",
      " LDS R16,lab\n",   " DS 3\n",         " EVEN 0xFF\n",
      " ALIGN 2,1,2\n",   " DB 300\n",       " CALL e2\n",
      " BRNE lab\n",      " DW lab-$\n",     " DB \"\"\n",
      " DD 1.5\n",
  };
  std::uint32_t seed = 12345;
  auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  int written = 0;
  for (int round = 0; round < 500; ++round) {
    std::string src = next() % 4 ? " EXTERN ext,e2\n" : "";
    int n = 1 + static_cast<int>(next() % 14);
    for (int i = 0; i < n; ++i) src += pieces[next() % (sizeof pieces / sizeof pieces[0])];
    src += next() % 4 ? "lab: NOP\n END\n" : " END\n";
    int code = assemble(src, 6);
    ASSERT_TRUE(code == 0 || code == 2) << src << out;
    if (code != 0) continue;
    aq71::ModuleView view;
    view.name = aq71::module_state(run()).name;
    view.start_address = aq71::module_state(run()).start_address;
    view.program_end = true;
    std::optional<std::vector<std::uint8_t>> bytes = aq71::build_object_module(aq71_test::test_run(), view);
    ASSERT_TRUE(bytes.has_value()) << src << console.text();
    zx::DecodeResult d = zx::decode(*bytes);
    ASSERT_TRUE(d.ok) << src << d.error;
    ASSERT_EQ(d.object.modules.size(), 1u);
    EXPECT_TRUE(d.object.modules[0].crc_ok());
    ++written;
  }
  EXPECT_GT(written, 50);
}

}  // namespace
}  // namespace aq71_test
