// zqlink: objects built with the ZOLEX encoder are linked by the program; the HEX files are
// compared byte for byte and run through avr-objcopy, and failed links leave no HEX file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "link.h"
#include "platform/tests/ordinary_user_support.h"

namespace fs = std::filesystem;
namespace z = aq71::zolex;

namespace {

struct Outcome {
  int rc = -1;
  std::string out, err;
};

std::string read_text(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void write_bytes(const fs::path& p, const std::vector<uint8_t>& data) {
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

bool have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

class Zqlink : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("ZQV_BIN_DIR");
    exe_ = bin ? fs::path(bin) / "zqlink" : fs::path(ZQLINK_EXE);
    ASSERT_TRUE(fs::exists(exe_)) << exe_;
    dir_ = fs::temp_directory_path() / ("zqlink_test_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path obj(const std::string& name, const std::vector<uint8_t>& data) {
    fs::path p = dir_ / name;
    write_bytes(p, data);
    return p;
  }

  Outcome zqlink(const std::string& args) {
    const std::string cmd = "cd '" + dir_.string() + "' && '" + exe_.string() + "' " + args + " >out.txt 2>err.txt";
    Outcome r;
    int status = std::system(cmd.c_str());
    r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = read_text(dir_ / "out.txt");
    r.err = read_text(dir_ / "err.txt");
    return r;
  }

  // Links and returns the HEX text; checks that avr-objcopy reads it back into the same image.
  std::string link_ok(const std::string& args) {
    Outcome r = zqlink(args + " -o OUT.HEX");
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::string hex = read_text(dir_ / "OUT.HEX");
    EXPECT_FALSE(hex.empty());
    if (have("avr-objcopy")) {
      int st = std::system(
          ("cd '" + dir_.string() + "' && avr-objcopy -I ihex -O binary OUT.HEX OUT.BIN 2>err.txt").c_str());
      EXPECT_EQ(st, 0) << read_text(dir_ / "err.txt");
      image_ = read_text(dir_ / "OUT.BIN");
    }
    return hex;
  }

  // Links expecting failure: non-zero exit, nothing written: the HEX file of an earlier run
  // is no file this run made, so it stays as it was, and no temporary is left.
  Outcome link_fails(const std::string& args) {
    write_bytes(dir_ / "OUT.HEX", {'o', 'l', 'd'});
    Outcome r = zqlink(args + " -o OUT.HEX");
    EXPECT_NE(r.rc, 0);
    EXPECT_EQ(read_text(dir_ / "OUT.HEX"), "old");
    EXPECT_NE(r.err.find("zqlink: error: "), std::string::npos) << r.err;
    for (const auto& e : fs::directory_iterator(dir_))
      EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
    return r;
  }

  fs::path exe_, dir_;
  std::string image_;  // the last HEX converted back to binary by avr-objcopy
};

z::ModuleHeader head(const std::string& name, bool program = true) {
  z::ModuleHeader h;
  h.program = program;
  h.name = name;
  h.day = 1;
  h.month = 1;
  h.year = 125;
  return h;
}

z::Encoder& begin(z::Encoder& e, const std::string& name, bool program = true) {
  return e.header(head(name, program)).sign_on(0x4A, "aq71 test").base_type_definitions();
}

// The linker expressions the instruction encoders write for a target they cannot solve.
void evenness(z::Encoder& e, const char* msg) {
  e.op(z::kDup).op(z::kDup).push_constant(2).op(z::kDiv).shift_left(1).op(z::kNe);
  e.checked_range(0, 0, msg).drop();
}
void rel12(z::Encoder& e, uint16_t opcode, const std::string& source) {  // RJMP, RCALL
  e.check_not_negative("\n Error[405]: negative address\n File: a.s71, Line: 1 \n Source: " + source);
  e.push_location(2).op(z::kSub);
  e.checked_range(-4096, 4095, "\n Error[415]: Relative jump out of range\n File: a.s71, Line: 1 \n Source: " + source);
  evenness(e, "413");
  e.push_constant(2).op(z::kDiv).push_constant(0xFFF).op(z::kBitAnd);
  e.push_constant(opcode).op(z::kBitOr).field(2);
}
void abs22(z::Encoder& e, uint16_t opcode) {  // JMP, CALL
  e.check_not_negative("405").checked_range(0, 8388606, "410");
  evenness(e, "411");
  e.op(z::kDup).op(z::kDup).push_constant(16384).op(z::kDiv).push_constant(0x1F0).op(z::kBitAnd);
  e.op(z::kSwap).push_constant(0x20000).op(z::kDiv).push_constant(1).op(z::kBitAnd).op(z::kBitOr);
  e.push_constant(opcode).op(z::kBitOr).field(2);
  e.push_constant(2).op(z::kDiv).push_constant(0xFFFF).op(z::kBitAnd).field(2);
}
void addr16(z::Encoder& e) {  // second word of LDS, STS
  e.checked_range(0, 65535, "419").push_constant(0xFFFF).op(z::kBitAnd).field(2);
}
void imm8(z::Encoder& e, unsigned rd, uint16_t opcode) {  // LDI
  e.checked_range(-128, 255, "403");
  e.op(z::kDup).shift_left(4).push_constant(0xF00).op(z::kBitAnd).op(z::kSwap);
  e.push_constant(0x0F).op(z::kBitAnd).op(z::kBitOr);
  e.push_constant(static_cast<int32_t>((rd << 4) & 0xF0)).op(z::kBitOr);
  e.push_constant(opcode).op(z::kBitOr).field(2);
}

// Module MAIN calls and reads symbols of module LIB through externals: F (code) and VAR (data).
std::vector<uint8_t> main_module() {
  z::Encoder e;
  begin(e, "MAIN").external(0, "F").external(1, "VAR");
  e.symbol(z::SymbolKind::Relocatable, 0, 0, "main", 0);
  e.segment_declaration(0, z::SegmentKind::Relocatable, 1, 1, "CODE");
  e.segment_location(0, 0);
  e.push_external(0);
  rel12(e, 0xD000, "RCALL F");
  e.push_external(0);
  rel12(e, 0xC000, "RJMP F");
  e.push_external(0);
  abs22(e, 0x940E);  // CALL F
  e.push_external(0);
  abs22(e, 0x940C);  // JMP F
  e.code16(0x9100);  // LDS R16,VAR
  e.push_external(1);
  addr16(e);
  e.code16(0x9310);  // STS VAR,R17
  e.push_external(1);
  addr16(e);
  e.push_external(0).byte_of(0);
  imm8(e, 16, 0xE000);  // LDI R16,LOW(F)
  e.push_external(0).byte_of(1);
  imm8(e, 17, 0xE000);                                       // LDI R17,HIGH(F)
  e.push_external(0).push_constant(2).op(z::kAdd).field(2);  // DW F+2
  e.push_segment(0, 2);
  rel12(e, 0xC000, "RJMP main+2");  // a label of the own segment
  e.end_module_relative(0, 0, false);
  return e.take();
}

std::vector<uint8_t> lib_module(bool program = true) {
  z::Encoder e;
  begin(e, "LIB", program);
  e.symbol(z::SymbolKind::Relocatable, 0, 2, "F", 0);
  e.symbol(z::SymbolKind::Relocatable, 1, 0, "VAR", 0);
  e.segment_declaration(0, z::SegmentKind::Relocatable, 1, 1, "CODE");
  e.segment_declaration(1, z::SegmentKind::Relocatable, 2, 0, "DATA");
  e.segment_location(0, 0).code16(0x0000).code16(0x0000).code16(0x9508);  // NOP, f: NOP, RET
  e.segment_location(1, 0).segment_location(1, 2);                        // VAR: DS 2
  e.end_module(true);
  return e.take();
}

std::vector<uint8_t> concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

TEST_F(Zqlink, UsageAndDump) {
  Outcome r = zqlink("");
  EXPECT_NE(r.rc, 0);
  EXPECT_NE(r.err.find("usage: zqlink"), std::string::npos);
  EXPECT_NE(zqlink("-Q x.r71").rc, 0);
  EXPECT_NE(zqlink("-Z CODE=0 x.r71").rc, 0);

  obj("a.r71", concat(main_module(), lib_module(false)));
  r = zqlink("--dump a.r71");
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(r.out.find("module \"MAIN\" program"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("module \"LIB\" library"), std::string::npos);
  EXPECT_NE(r.out.find("ended by END"), std::string::npos);
  EXPECT_NE(r.out.find(" 93 extern         0 +0"), std::string::npos);
  EXPECT_NE(r.out.find("message        \"\\n Error[415]: Relative jump out of range"), std::string::npos);
  EXPECT_NE(r.out.find(" 55 code2          00 91"), std::string::npos);
  EXPECT_NE(r.out.find("75 segment        1 \"DATA\" RSEG type 2 align 0"), std::string::npos);

  std::vector<uint8_t> bad = main_module();
  bad[30] ^= 0x40;
  obj("bad.r71", bad);
  r = zqlink("--dump bad.r71");
  EXPECT_NE(r.rc, 0);
}

// The HEX records spelled out: a full record, a short last one with its checksum, the end.
TEST(IntelHex, RecordsSpelledOut) {
  std::vector<uint8_t> img;
  for (int i = 0x10; i <= 0x20; ++i) img.push_back(static_cast<uint8_t>(i));
  img.push_back(0xFF);
  EXPECT_EQ(zqlink::intel_hex(img),
            ":10000000101112131415161718191A1B1C1D1E1F78\r\n:0200100020FFCF\r\n:00000001FF\r\n");
  EXPECT_EQ(zqlink::intel_hex({}), ":00000001FF\r\n");
}

// The HEX text for plain absolute code equals what avr-objcopy makes of the same bytes,
// holes are 0xFF, and the file ends with the end record.
TEST_F(Zqlink, WritesIntelHex) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 37; ++i) bytes.push_back(static_cast<uint8_t>(i * 13 + 1));
  z::Encoder e;
  begin(e, "ABS").absolute_location(0).code_bytes(bytes);
  e.absolute_location(0x30).code16(0x1234);
  e.end_module(true);
  obj("abs.r71", e.take());
  std::string hex = link_ok("abs.r71");
  std::vector<uint8_t> expected = bytes;
  expected.resize(0x30, 0xFF);
  expected.push_back(0x34);
  expected.push_back(0x12);
  EXPECT_EQ(hex, zqlink::intel_hex(expected));
  EXPECT_EQ(hex.substr(0, 11), ":10000000" + std::string("01"));
  EXPECT_EQ(hex.substr(hex.size() - 13), ":00000001FF\r\n");
  if (have("avr-objcopy")) {
    EXPECT_EQ(image_, std::string(expected.begin(), expected.end()));
    write_bytes(dir_ / "img.bin", expected);
    ASSERT_EQ(std::system(("cd '" + dir_.string() + "' && avr-objcopy -I binary -O ihex img.bin img.hex").c_str()), 0);
    EXPECT_EQ(hex, read_text(dir_ / "img.hex"));
  }
  // Without -o only the map is reported.
  Outcome r = zqlink("abs.r71");
  EXPECT_EQ(r.rc, 0);
  EXPECT_NE(r.out.find("image 50 bytes"), std::string::npos) << r.out;
}

// Cross-module calls, jumps, data addresses, LOW/HIGH and DW of an external, resolved and
// encoded by the linker, against the bytes worked out by hand: MAIN's code takes 0x1C bytes,
// LIB's follows, so F = 0x1E; VAR = 0x100 in data memory.
TEST_F(Zqlink, ResolvesCrossModuleReferences) {
  obj("main.r71", main_module());
  obj("lib.r71", lib_module());
  std::string hex = link_ok("-Z CODE=0-1FFFF -Z DATA=100-8FF main.r71 lib.r71");
  const std::vector<uint8_t> expected = {
      0x0E, 0xD0,                          // 0x00 RCALL F: (0x1E - 0x02) / 2
      0x0D, 0xC0,                          // 0x02 RJMP F
      0x0E, 0x94, 0x0F, 0x00,              // 0x04 CALL F (word address 0x0F)
      0x0C, 0x94, 0x0F, 0x00,              // 0x08 JMP F
      0x00, 0x91, 0x00, 0x01,              // 0x0C LDS R16,VAR
      0x10, 0x93, 0x00, 0x01,              // 0x10 STS VAR,R17
      0x0E, 0xE1,                          // 0x14 LDI R16,LOW(F)
      0x10, 0xE0,                          // 0x16 LDI R17,HIGH(F)
      0x20, 0x00,                          // 0x18 DW F+2
      0xF3, 0xCF,                          // 0x1A RJMP main+2: (0x02 - 0x1C) / 2 = -13
      0x00, 0x00, 0x00, 0x00, 0x08, 0x95,  // 0x1C LIB: NOP, F: NOP, RET
  };
  EXPECT_EQ(hex, zqlink::intel_hex(expected));
  if (have("avr-objcopy")) {
    EXPECT_EQ(image_, std::string(expected.begin(), expected.end()));
  }
}

// The same program built by the GNU tools gives the same HEX file byte for byte.
TEST_F(Zqlink, MatchesGnuToolchain) {
  if (!have("avr-as") || !have("avr-ld") || !have("avr-objcopy")) GTEST_SKIP() << "binutils-avr missing";
  std::ofstream(dir_ / "main.s") << ".text\n.global main\nmain:\n rcall F\n rjmp F\n call F\n jmp F\n"
                                    " lds r16, VAR\n sts VAR, r17\n ldi r16, lo8(F)\n ldi r17, hi8(F)\n"
                                    " .word F+2\n rjmp main+2\n";
  std::ofstream(dir_ / "lib.s") << ".text\n.global F\n nop\nF: nop\n ret\n"
                                   ".section .bss\n.global VAR\nVAR: .skip 2\n";
  const std::string gnu = "cd '" + dir_.string() +
                          "' && avr-as -mmcu=atmega328p -o main.o main.s && avr-as -mmcu=atmega328p -o lib.o lib.s"
                          " && avr-ld -m avr5 -Tdata=0x800100 -o gnu.elf main.o lib.o 2>ld.txt"
                          " && avr-objcopy -j .text -O ihex gnu.elf gnu.hex";
  ASSERT_EQ(std::system(gnu.c_str()), 0) << read_text(dir_ / "ld.txt");
  obj("main.r71", main_module());
  obj("lib.r71", lib_module());
  EXPECT_EQ(link_ok("-Z CODE=0-1FFFF -Z DATA=100-8FF main.r71 lib.r71"), read_text(dir_ / "gnu.hex"));
}

// Library modules come in only when they define a symbol still needed, also transitively.
TEST_F(Zqlink, LoadsLibraryModulesOnDemand) {
  z::Encoder a, l1, l2, l3;
  begin(a, "APP").external(0, "F").segment_declaration(0, z::SegmentKind::Relocatable, 1, 1, "CODE");
  a.segment_location(0, 0).push_external(0).field(2).end_module(false);
  begin(l1, "L1", false).symbol(z::SymbolKind::Relocatable, 0, 0, "F", 0).external(0, "H");
  l1.segment_declaration(0, z::SegmentKind::Relocatable, 1, 1, "CODE");
  l1.segment_location(0, 0).push_external(0).field(2).end_module(false);
  begin(l2, "L2", false).symbol(z::SymbolKind::Relocatable, 0, 0, "F2", 0).external(0, "MISSING");
  l2.symbol(z::SymbolKind::AbsoluteLabel, 0, 5, "H", 0);  // would clash with L3's H if loaded
  l2.segment_declaration(0, z::SegmentKind::Relocatable, 1, 1, "CODE");
  l2.segment_location(0, 0).code16(0xEEEE).end_module(false);
  begin(l3, "L3", false).symbol(z::SymbolKind::AbsoluteLabel, 0, 0x4321, "H", 0).end_module(true);
  // L3 comes before L1 in the library file; it is still found for L1.
  obj("app.r71", a.take());
  std::vector<uint8_t> lib = l3.take();
  lib = concat(concat(lib, l1.take()), l2.take());
  obj("lib.r71", lib);
  std::string hex = link_ok("-Z CODE=0-FFFF app.r71 lib.r71");
  EXPECT_EQ(hex, zqlink::intel_hex(std::vector<uint8_t>{0x02, 0x00, 0x21, 0x43}));
  // L2 was not loaded: its unresolved external and its clash do not matter.
}

// With debugger records every label of a module is public: two such modules may share a label
// name as long as no module refers to it; without the records a shared public is an error.
TEST_F(Zqlink, DebugModulesShareLabelNames) {
  auto module = [](const std::string& name, bool debug, bool use_loop) {
    z::Encoder e;
    e.header(head(name)).sign_on(0x4A, "aq71 test");
    if (debug) e.source_table_start();
    e.base_type_definitions().symbol(z::SymbolKind::Relocatable, 0, 0, "LOOP", 0);
    if (use_loop) e.external(0, "LOOP");
    e.segment_declaration(0, z::SegmentKind::Relocatable, 1, 1, "CODE");
    e.segment_location(0, 0).code16(0x0000);
    if (use_loop) e.push_external(0).field(2);
    e.end_module(true);
    return e.take();
  };
  obj("a.r71", module("A", true, false));
  obj("b.r71", module("B", true, false));
  link_ok("-Z CODE=0-FFFF a.r71 b.r71");
  obj("b.r71", module("B", false, false));
  EXPECT_NE(link_fails("-Z CODE=0-FFFF a.r71 b.r71").err.find("duplicate public symbol \"LOOP\""), std::string::npos);
  obj("b.r71", module("B", true, false));
  obj("c.r71", module("C", true, true));
  EXPECT_NE(link_fails("-Z CODE=0-FFFF a.r71 b.r71 c.r71").err.find("duplicate public symbol"), std::string::npos);
}

// RSEG parts follow one another at their alignment, COMMON parts lie on top of each other,
// SFB/SFE give segment bounds, data segments get addresses but no bytes.
TEST_F(Zqlink, MergesAndPlacesSegments) {
  z::Encoder a, b;
  begin(a, "A").segment_declaration(0, z::SegmentKind::Relocatable, 1, 1, "CODE");
  a.segment_declaration(1, z::SegmentKind::Common, 1, 0, "SH");
  a.segment_location(0, 0).code8(1).code8(2).code8(3);
  a.segment_location(1, 0).code16(0x1111);
  a.absolute_location(0x100).push_segment_begin(0).field(2).push_segment_end(0).field(2);
  a.push_segment_end(1).push_segment_begin(1).op(z::kSub).field(1);  // SIZEOF SH
  a.end_module(false);
  begin(b, "B").segment_declaration(0, z::SegmentKind::Relocatable, 1, 2, "CODE");
  b.segment_declaration(1, z::SegmentKind::Common, 1, 0, "SH");
  b.segment_declaration(2, z::SegmentKind::Relocatable, 2, 0, "RAM");
  b.segment_location(0, 0).code16(0x4444);
  b.segment_location(1, 2).code16(0x2222);
  b.segment_location(2, 0).segment_location(2, 5);
  b.push_segment(2, 1).field(2);  // address of RAM+1, right after 0x4444 in CODE? no: in RAM
  b.end_module(false);
  obj("a.r71", a.take());
  std::vector<uint8_t> bb = b.take();
  obj("b.r71", bb);
  // The RAM segment holds a field: data memory cannot hold bytes.
  Outcome r = link_fails("-Z CODE=0-FF -Z SH=F0-FF -Z RAM=60-FF a.r71 b.r71");
  EXPECT_NE(r.err.find("segment \"RAM\" lies in data memory"), std::string::npos) << r.err;

  z::Encoder b2;
  begin(b2, "B").segment_declaration(0, z::SegmentKind::Relocatable, 1, 2, "CODE");
  b2.segment_declaration(1, z::SegmentKind::Common, 1, 0, "SH");
  b2.segment_declaration(2, z::SegmentKind::Relocatable, 2, 0, "RAM");
  b2.segment_location(0, 0).code16(0x4444).push_segment(2, 1).field(2);
  b2.segment_location(1, 2).code16(0x2222);
  b2.segment_location(2, 0).segment_location(2, 5);
  b2.end_module(false);
  obj("b.r71", b2.take());
  std::string hex = link_ok("-Z CODE=0-FF -Z SH=F0-FF -Z RAM=60-FF a.r71 b.r71");
  std::vector<uint8_t> img(0x105, 0xFF);
  img[0] = 1, img[1] = 2, img[2] = 3;  // A's part of CODE
  img[4] = 0x44, img[5] = 0x44;        // B's part at the next multiple of 4
  img[6] = 0x61, img[7] = 0x00;        // RAM + 1 (RAM placed at 0x60, data memory)
  img[0xF0] = 0x11, img[0xF1] = 0x11;  // COMMON SH: both parts from 0xF0
  img[0xF2] = 0x22, img[0xF3] = 0x22;
  img[0x100] = 0x00, img[0x101] = 0x00;  // SFB CODE
  img[0x102] = 0x08, img[0x103] = 0x00;  // SFE CODE
  img[0x104] = 4;                        // SIZEOF SH
  EXPECT_EQ(hex, zqlink::intel_hex(img));
  // Absolute code is kept free: CODE placed from 0xFE on must skip 0x100-0x104.
  hex = link_ok("-Z CODE=FE-1FF -Z SH=F0-FD -Z RAM=60-FF a.r71 b.r71");
  EXPECT_EQ(hex.substr(hex.find(":") + 1, 4), "1000");  // still a record at 0x00F0
  Outcome map = zqlink("-Z CODE=FE-1FF -Z SH=F0-FD -Z RAM=60-FF a.r71 b.r71");
  EXPECT_NE(map.out.find("segment CODE                 RSEG   code 00000108-0000010F 8 bytes"), std::string::npos)
      << map.out;
}

TEST_F(Zqlink, ArithmeticAsInTheAssembler) {
  z::Encoder e;
  begin(e, "M").absolute_location(0);
  e.push_constant(7).push_constant(0).op(z::kDiv).field(1);                      // -1
  e.push_constant(7).push_constant(0).op(z::kMod).field(1);                      // 0
  e.push_constant(-1).push_constant(28).op(z::kShrBy).field(1);                  // logical: 15
  e.push_constant(-1).shift_right(28).field(1);                                  // 15
  e.push_constant(-1).push_constant(0).op(z::kGt).field(1);                      // 0
  e.push_constant(-1).push_constant(0).op(z::kUgt).field(1);                     // 1
  e.push_constant(INT32_MIN).push_constant(-1).op(z::kDiv).byte_of(3).field(1);  // 0x80
  e.push_constant(0x123456).byte_of(2).field(1);                                 // 0x12
  e.push_constant(0x12345678).op(z::kHighWord).field(2);                         // 0x1234
  e.push_constant(-7).push_constant(2).op(z::kDiv).field(1);                     // -3
  e.push_constant(1).push_constant(2).op(z::kSwap).op(z::kSub).field(1);         // 1
  e.push_constant(3).op(z::kNeg).op(z::kBitNot).field(1);                        // 2
  e.push_constant(5).op(z::kLogNot).push_constant(2).push_constant(0).op(z::kLogXor).op(z::kLogOr).field(1);
  e.end_module(false);
  obj("m.r71", e.take());
  Outcome r = zqlink("m.r71 -o OUT.HEX");
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(r.err.find("zqlink: warning: "), std::string::npos);  // the divisions by zero
  EXPECT_EQ(read_text(dir_ / "OUT.HEX"),
            zqlink::intel_hex(std::vector<uint8_t>{0xFF, 0, 15, 15, 0, 1, 0x80, 0x12, 0x34, 0x12, 0xFD, 1, 2, 1}));
}

TEST_F(Zqlink, RangeFailurePrintsStoredMessage) {
  // F placed 0x3000 bytes away: out of reach of RCALL.
  z::Encoder lib;
  begin(lib, "FAR").symbol(z::SymbolKind::Relocatable, 0, 0, "F", 0);
  lib.segment_declaration(0, z::SegmentKind::Relocatable, 1, 1, "FAR");
  lib.segment_location(0, 0).code16(0x9508).end_module(true);
  z::Encoder a;
  begin(a, "MAIN").external(0, "F").segment_declaration(0, z::SegmentKind::Relocatable, 1, 1, "CODE");
  a.segment_location(0, 0).push_external(0);
  rel12(a, 0xD000, "RCALL F");
  a.end_module(true);
  obj("a.r71", a.take());
  obj("far.r71", lib.take());
  link_ok("-Z CODE=0-FFF -Z FAR=1000-FFFF a.r71 far.r71");
  Outcome r = link_fails("-Z CODE=0-FFF -Z FAR=3000-FFFF a.r71 far.r71");
  EXPECT_NE(r.err.find("value 12286 at 0x0000 out of range [-4096, 4095]\n"
                       " Error[415]: Relative jump out of range\n File: a.s71, Line: 1 \n Source: RCALL F"),
            std::string::npos)
      << r.err;

  // A deferred LIMIT: value 10 against 0..9.
  z::Encoder l;
  begin(l, "LIM").absolute_location(0).push_constant(10).deferred_limit(0, 9, "limit exceeded").field(1);
  l.end_module(false);
  obj("lim.r71", l.take());
  r = link_fails("lim.r71");
  EXPECT_NE(r.err.find("out of range [0, 9]\nlimit exceeded"), std::string::npos) << r.err;
}

TEST_F(Zqlink, ErrorsLeaveNoHexFile) {
  auto module = [](const std::string& name, auto body) {
    z::Encoder e;
    begin(e, name);
    body(e);
    e.end_module(false);
    return e.take();
  };
  auto abs_code = [](uint32_t at, unsigned n) {
    return [=](z::Encoder& e) {
      e.absolute_location(at);
      for (unsigned i = 0; i < n; ++i) e.code8(0);
    };
  };
  obj("x1.r71", module("X1", [](z::Encoder& e) { e.symbol(z::SymbolKind::AbsoluteLabel, 0, 1, "X", 0); }));
  obj("x2.r71", module("X2", [](z::Encoder& e) { e.symbol(z::SymbolKind::AbsoluteLabel, 0, 2, "X", 0); }));
  Outcome r = link_fails("x1.r71 x2.r71");
  EXPECT_NE(r.err.find("duplicate public symbol \"X\""), std::string::npos) << r.err;

  obj("u.r71",
      module("U", [](z::Encoder& e) { e.external(0, "NOWHERE").absolute_location(0).push_external(0).field(2); }));
  r = link_fails("u.r71");
  EXPECT_NE(r.err.find("unresolved external symbol \"NOWHERE\""), std::string::npos) << r.err;

  obj("o1.r71", module("O1", abs_code(0x10, 4)));
  obj("o2.r71", module("O2", abs_code(0x12, 2)));
  r = link_fails("o1.r71 o2.r71");
  EXPECT_NE(r.err.find("overlaps absolute code"), std::string::npos) << r.err;

  obj("big.r71", module("BIG", abs_code(0xFFFF, 2)));
  r = link_fails("big.r71");
  EXPECT_NE(r.err.find("64 KiB"), std::string::npos) << r.err;
  obj("edge.r71", module("EDGE", abs_code(0xFFFF, 1)));
  link_ok("edge.r71");
  EXPECT_EQ(image_.size(), 0x10000u);

  obj("s.r71", module("S", [](z::Encoder& e) {
        e.segment_declaration(0, z::SegmentKind::Relocatable, 1, 1, "CODE").segment_location(0, 0).code16(0);
      }));
  r = link_fails("s.r71");
  EXPECT_NE(r.err.find("has no address range (-Z CODE=START-END)"), std::string::npos) << r.err;
  r = link_fails("-Z CODE=0-0 s.r71");
  EXPECT_NE(r.err.find("does not fit"), std::string::npos) << r.err;
  // A segment that does not fit is reported once, and the count is of the lines printed.
  EXPECT_EQ(r.err.find("has no address range"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("zqlink: 1 error(s), no output written"), std::string::npos) << r.err;
  obj("u3.r71", module("U3", [](z::Encoder& e) {
        e.external(0, "A1").external(1, "A2").external(2, "A3").absolute_location(0);
        for (uint16_t i = 0; i < 3; ++i) e.push_external(i).field(2);
      }));
  r = link_fails("u3.r71");
  size_t reported = 0;
  for (size_t at = r.err.find("zqlink: error:"); at != std::string::npos; at = r.err.find("zqlink: error:", at + 1))
    ++reported;
  EXPECT_GE(reported, 2u) << r.err;
  EXPECT_NE(r.err.find("zqlink: " + std::to_string(reported) + " error(s)"), std::string::npos) << r.err;
  r = link_fails("-Z CODE=0-FF -Z CODE=100-1FF s.r71");

  std::vector<uint8_t> bad = module("C", abs_code(0, 2));
  bad[bad.size() - 1] ^= 1;  // CRC
  obj("crc.r71", bad);
  r = link_fails("crc.r71");
  EXPECT_NE(r.err.find("CRC error"), std::string::npos) << r.err;
  obj("junk.r71", {7, 7, 7});
  link_fails("junk.r71");
  link_fails("missing.r71");

  // An expression that leaves its value on the stack or takes more than there is.
  obj("st.r71", module("ST", [](z::Encoder& e) { e.absolute_location(0).push_constant(1); }));
  link_fails("st.r71");
  obj("uf.r71", module("UF", [](z::Encoder& e) { e.absolute_location(0).op(z::kAdd).field(1); }));
  link_fails("uf.r71");
}

// Objects damaged after decoding (with their CRC made right again) go through the whole link
// without crashing; this runs under the sanitizers.
TEST(ZqlinkFuzz, SurvivesDamagedObjects) {
  const std::vector<uint8_t> original = concat(main_module(), lib_module());
  const zqlink::Placement places[] = {{"CODE", 0, 0x1FFFF}, {"DATA", 0x100, 0x8FF}};
  std::mt19937 rng(99);
  int linked = 0;
  for (int round = 0; round < 1500; ++round) {
    std::vector<uint8_t> v = original;
    const int flips = 1 + static_cast<int>(rng() % 3);
    for (int f = 0; f < flips; ++f) v[rng() % v.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
    z::DecodeResult d = z::decode(v);
    if (!d.ok) continue;
    for (const auto& m : d.object.modules) {
      const size_t at = m.end_offset - 2 - (m.ended_by_end ? 1 : 0);
      v[at] = static_cast<uint8_t>(m.computed_crc >> 8);
      v[at + 1] = static_cast<uint8_t>(m.computed_crc);
    }
    const zqlink::InputFile in[] = {{"f.r71", v}};
    std::ostringstream diag;
    zqlink::LinkResult r = zqlink::link(in, places, diag);
    if (r.ok) {
      ++linked;
      EXPECT_LE(r.image.size(), zqlink::kImageLimit);
    } else {
      EXPECT_NE(diag.str().find("zqlink: error: "), std::string::npos);
    }
  }
  EXPECT_GT(linked, 0);
}

TEST(ZqlinkPlacement, ParsesRanges) {
  zqlink::Placement p;
  std::string err;
  ASSERT_TRUE(zqlink::parse_placement("CODE=0-1FFFF", p, err));
  EXPECT_EQ(p.name, "CODE");
  EXPECT_EQ(p.start, 0u);
  EXPECT_EQ(p.end, 0x1FFFFu);
  EXPECT_TRUE(zqlink::parse_placement("D=100-8ff", p, err));
  EXPECT_EQ(p.end, 0x8FFu);
  EXPECT_FALSE(zqlink::parse_placement("CODE=0", p, err));
  EXPECT_FALSE(zqlink::parse_placement("=0-1", p, err));
  EXPECT_FALSE(zqlink::parse_placement("CODE=10-1", p, err));
  EXPECT_FALSE(zqlink::parse_placement("CODE=0-x", p, err));
  EXPECT_FALSE(zqlink::parse_placement("CODE=0-123456789", p, err));
}

namespace {

// A HEX file past the file-size limit (ulimit -f) fails like a full disk: the "cannot write"
// message with the reason, exit code 1, the HEX file of an earlier run as it was and no
// temporary.
TEST_F(Zqlink, AWritePastTheFileSizeLimitFails) {
  z::Encoder e;
  begin(e, "EDGE").absolute_location(0xFFFF).code8(0);
  e.end_module(false);
  obj("edge.r71", e.take());
  write_bytes(dir_ / "OUT.HEX", {'o', 'l', 'd'});
  const std::string cmd = "cd '" + dir_.string() + "' && (ulimit -f 64 && exec '" + exe_.string() +
                          "' edge.r71 -o OUT.HEX) >out.txt 2>err.txt";
  const int status = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string err = read_text(dir_ / "err.txt");
  EXPECT_NE(err.find("zqlink: error: cannot write \"OUT.HEX\": "), std::string::npos) << err;
  EXPECT_NE(err.find(std::strerror(EFBIG)), std::string::npos) << err;
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"OUT.HEX", "edge.r71", "err.txt", "out.txt"}));
  EXPECT_EQ(read_text(dir_ / "OUT.HEX"), "old");
}

// Two bytes of absolute code at 0: the HEX file of a link that works.
std::vector<uint8_t> tiny_module() {
  z::Encoder e;
  begin(e, "TINY").absolute_location(0).code16(0x1234);
  e.end_module(true);
  return e.take();
}

std::vector<std::string> names_in(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// An output that is one of the inputs, named the same, spelled another way, or reached
// through a symbolic or a hard link, is refused before anything is written: a message naming
// it, exit code 1, and the input keeps its bytes, whether the link would fail or work.
TEST_F(Zqlink, AnOutputThatIsAnInputIsRefused) {
  obj("keep.r71", tiny_module());
  obj("lib.r71", lib_module());
  const std::string keep = read_text(dir_ / "keep.r71"), lib = read_text(dir_ / "lib.r71");
  fs::create_symlink("keep.r71", dir_ / "alias.hex");
  fs::create_hard_link(dir_ / "keep.r71", dir_ / "second.hex");
  const std::pair<const char*, const char*> runs[] = {
      {"-o keep.r71 keep.r71 nothere.r71", "output \"keep.r71\" is the input file \"keep.r71\""},
      {"-o keep.r71 keep.r71", "output \"keep.r71\" is the input file \"keep.r71\""},
      {"-o ./keep.r71 keep.r71", "output \"./keep.r71\" is the input file \"keep.r71\""},
      {"keep.r71 -o alias.hex", "output \"alias.hex\" is the input file \"keep.r71\""},
      {"-o second.hex keep.r71", "output \"second.hex\" is the input file \"keep.r71\""},
      {"-Z CODE=0-FFFF -o lib.r71 keep.r71 lib.r71", "output \"lib.r71\" is the input file \"lib.r71\""},
  };
  for (const auto& [args, message] : runs) {
    Outcome r = zqlink(args);
    EXPECT_EQ(r.rc, 1) << args;
    EXPECT_EQ(r.err, std::string("zqlink: error: ") + message + "; nothing written\n") << args;
    EXPECT_EQ(read_text(dir_ / "keep.r71"), keep) << args;
    EXPECT_EQ(read_text(dir_ / "lib.r71"), lib) << args;
  }
  EXPECT_TRUE(fs::is_symlink(dir_ / "alias.hex"));
  EXPECT_EQ(fs::hard_link_count(dir_ / "keep.r71"), 2u);
  EXPECT_EQ(names_in(dir_),
            (std::vector<std::string>{"alias.hex", "err.txt", "keep.r71", "lib.r71", "out.txt", "second.hex"}));
}

// An output that is no regular file is written into, as cp does, and stays what it is: a
// FIFO hands the HEX text to its reader, a device node takes it.
TEST_F(Zqlink, AnOutputThatIsNoRegularFileIsWrittenInto) {
  obj("tiny.r71", tiny_module());
  const std::string hex = zqlink::intel_hex(std::vector<uint8_t>{0x34, 0x12});
  ASSERT_EQ(mkfifo((dir_ / "pipe.hex").c_str(), 0644), 0);
  const int reader = open((dir_ / "pipe.hex").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  Outcome r = zqlink("-o pipe.hex tiny.r71");
  EXPECT_EQ(r.rc, 0) << r.err;
  char got[256] = {};
  EXPECT_EQ(read(reader, got, sizeof got - 1), static_cast<ssize_t>(hex.size()));
  close(reader);
  EXPECT_EQ(std::string(got), hex);
  struct stat st {};
  ASSERT_EQ(lstat((dir_ / "pipe.hex").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  if (geteuid() == 0) {  // only root makes device nodes
    ASSERT_EQ(mknod((dir_ / "mynull").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    r = zqlink("-o mynull tiny.r71");
    EXPECT_EQ(r.rc, 0) << r.err;
    ASSERT_EQ(lstat((dir_ / "mynull").c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(st.st_rdev, makedev(1, 3));
  }
}

// A run that fails removes nothing that it did not make: a folder named as the output, a
// link that leads nowhere, the HEX file of an earlier run, a read-only file the user was
// refused all stay as they were, whether the link or the write failed.
TEST_F(Zqlink, AFailedRunRemovesNothingItDidNotMake) {
  obj("tiny.r71", tiny_module());
  fs::create_directory(dir_ / "out.hex");
  Outcome r = zqlink("-o out.hex tiny.r71");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.err, std::string("zqlink: error: cannot write \"out.hex\": ") + std::strerror(EISDIR) + "\n");
  EXPECT_EQ(zqlink("-o out.hex missing.r71").rc, 1);
  EXPECT_TRUE(fs::is_directory(dir_ / "out.hex"));
  fs::create_symlink("nowhere.hex", dir_ / "dangling.hex");
  EXPECT_EQ(zqlink("-o dangling.hex missing.r71").rc, 1);
  EXPECT_TRUE(fs::is_symlink(dir_ / "dangling.hex"));
  write_bytes(dir_ / "OLD.HEX", {'o', 'l', 'd'});
  EXPECT_EQ(zqlink("-o OLD.HEX missing.r71").rc, 1);
  EXPECT_EQ(read_text(dir_ / "OLD.HEX"), "old");
  EXPECT_EQ(names_in(dir_),
            (std::vector<std::string>{"OLD.HEX", "dangling.hex", "err.txt", "out.hex", "out.txt", "tiny.r71"}));

  // Refused: as an ordinary user, since root may write a read-only file.
  ASSERT_TRUE(ordinary_user::Give(dir_));
  const int status = ordinary_user::Run([&] {
    for (const char* made_by_root : {"out.txt", "err.txt"}) fs::remove(dir_ / made_by_root);
    std::ofstream(dir_ / "RO.HEX") << "read-only";
    CHILD_CHECK(chmod((dir_ / "RO.HEX").c_str(), 0444) == 0);
    Outcome refused = zqlink("-o RO.HEX tiny.r71");
    CHILD_CHECK(refused.rc == 1);
    CHILD_CHECK(refused.err == std::string("zqlink: error: cannot write \"RO.HEX\": ") + std::strerror(EACCES) + "\n");
    CHILD_CHECK(zqlink("-o RO.HEX missing.r71").rc == 1);
    CHILD_CHECK(read_text(dir_ / "RO.HEX") == "read-only");
    return 0;
  });
  EXPECT_TRUE(ordinary_user::EndedWell(status)) << ordinary_user::Ending(status);
}

}  // namespace
