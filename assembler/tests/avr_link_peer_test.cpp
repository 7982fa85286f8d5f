// End-to-end peer checks of the object road: sources assembled by aq71 into ZOLEX objects and
// linked by zqlink into Intel HEX give the same bytes as the GNU tools (avr-as, avr-ld,
// avr-objcopy), and avr-objcopy reads every HEX file zqlink writes.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "assembler/tests/aq71_test_support.h"
#include "assembler/tests/avr_peer_support.h"

namespace aq71 {
namespace {

using namespace aq71::peer_support;
namespace fs = std::filesystem;

fs::path zqlink_binary() { return aq71_test::aq71_binary().parent_path() / "zqlink"; }

std::string upper_text(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::vector<uint8_t> read_bytes(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

// Runs a shell command in dir; the exit status and what it printed.
struct Shell {
  int code = -1;
  std::string out;
};
Shell shell(const fs::path& dir, const std::string& command) {
  const std::string cmd = "cd '" + dir.string() + "' && (" + command + ") >shell.log 2>&1";
  Shell r;
  const int status = std::system(cmd.c_str());
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream log(dir / "shell.log");
  r.out.assign(std::istreambuf_iterator<char>(log), {});
  return r;
}

// Image of an Intel HEX file of type-00 records (and its end record), checked line by line.
bool parse_hex(const std::string& text, std::vector<uint8_t>& image, std::string& why) {
  image.clear();
  std::size_t pos = 0;
  bool ended = false;
  while (pos < text.size()) {
    std::size_t eol = text.find("\r\n", pos);
    if (eol == std::string::npos) {
      why = "line without CR LF";
      return false;
    }
    const std::string line = text.substr(pos, eol - pos);
    pos = eol + 2;
    if (line.size() < 11 || line[0] != ':' || ended) {
      why = "bad line " + line;
      return false;
    }
    std::vector<uint8_t> b;
    for (std::size_t i = 1; i + 1 < line.size(); i += 2)
      b.push_back(static_cast<uint8_t>(std::stoul(line.substr(i, 2), nullptr, 16)));
    uint8_t sum = 0;
    for (uint8_t x : b) sum = static_cast<uint8_t>(sum + x);
    if (sum != 0 || b.size() != b[0] + 5u) {
      why = "checksum or length " + line;
      return false;
    }
    const unsigned address = b[1] << 8 | b[2];
    if (b[3] == 1) {
      ended = true;
      continue;
    }
    if (b[3] != 0 || address != image.size()) {
      why = "record type or gap " + line;
      return false;
    }
    image.insert(image.end(), b.begin() + 4, b.end() - 1);
  }
  if (!ended) why = "no end record";
  return ended;
}

class LinkPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = aq71_test::make_temp_dir("link");
    if (!fs::exists(zqlink_binary())) GTEST_SKIP() << "zqlink not built";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  // Assembles name.s71 with aq71 (processor option 6).
  void assemble(const std::string& name, const std::string& source) {
    aq71_test::write_file(dir_ / (name + ".s71"), source);
    const auto r = aq71_test::run_aq71(dir_, {name, "-v6", "-S"});
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    ASSERT_TRUE(fs::exists(dir_ / (name + ".r71")));
  }
  // zqlink on the objects; the image of the HEX file, also read back through avr-objcopy.
  std::vector<uint8_t> link(const std::string& args) {
    const Shell r = shell(dir_, "'" + zqlink_binary().string() + "' " + args + " -o out.hex");
    EXPECT_EQ(r.code, 0) << r.out;
    std::vector<uint8_t> image;
    std::string why;
    EXPECT_TRUE(parse_hex(aq71_test::read_file(dir_ / "out.hex"), image, why)) << why;
    const Shell back = shell(dir_, "avr-objcopy -I ihex -O binary out.hex back.bin");
    EXPECT_EQ(back.code, 0) << back.out;
    EXPECT_EQ(read_bytes(dir_ / "back.bin"), image);
    return image;
  }
  // The GNU build of several sources, .text from 0 and data from 0x800200, as raw bytes.
  std::vector<uint8_t> gnu(const std::vector<std::string>& sources) {
    std::string objects;
    std::string cmd;
    for (std::size_t i = 0; i < sources.size(); ++i) {
      const std::string n = "g" + std::to_string(i);
      aq71_test::write_file(dir_ / (n + ".s"), sources[i]);
      cmd += "avr-as -mmcu=avr6 " + n + ".s -o " + n + ".o && ";
      objects += " " + n + ".o";
    }
    cmd +=
        "avr-ld -mavr6 -Ttext=0 -Tdata=0x800200" + objects + " -o g.elf && avr-objcopy -j .text -O binary g.elf g.bin";
    const Shell r = shell(dir_, cmd);
    EXPECT_EQ(r.code, 0) << r.out;
    return read_bytes(dir_ / "g.bin");
  }
  // The instruction sweep at address 256, in ASEG or in a relocatable segment that the linker
  // places there (branch targets are then relative to a relocatable "$").
  void sweep(bool relocatable);
  fs::path dir_;
};

TEST_F(LinkPeer, InstructionSweepThroughObjectAndLinkerMatchesThePeer) {
  REQUIRE_PEER();
  sweep(false);
}

TEST_F(LinkPeer, InstructionSweepInARelocatableSegmentMatchesThePeer) {
  REQUIRE_PEER();
  sweep(true);
}

void LinkPeer::sweep(bool relocatable) {
  const uint32_t origin = 256;
  const Program p = lay_out(origin, sweep_items());
  const PeerResult peer = run_peer(p.gnu, "avr6");
  ASSERT_TRUE(peer.accepted) << peer.log.substr(0, 2000);
  std::string src = relocatable ? " RSEG CODE:CODE\n" : " ASEG\n ORG " + std::to_string(origin) + "\n";
  for (std::size_t i = 0; i < p.items.size(); ++i) {
    const Item& it = p.items[i];
    std::string line = upper_text(it.gnu);
    if (it.target_slot) {
      const auto a = assemble_instruction(it.name.c_str(), it.ops, 6, p.addresses[i]);
      const int64_t distance = static_cast<int64_t>(a.size) + it.offset;
      line.replace(line.find('@'), 1, "$ + (" + std::to_string(distance) + ")");
    }
    src += " " + line + "\n";
  }
  src += " END\n";
  assemble("sweep", src);
  const std::vector<uint8_t> image = link(relocatable ? "-Z CODE=100-1FFFF sweep.r71" : "sweep.r71");
  ASSERT_EQ(image.size(), peer.bytes.size());
  for (uint32_t a = 0; a < origin; ++a) ASSERT_EQ(image[a], 0xFF) << a;
  int differences = 0;
  for (std::size_t a = origin; a < image.size(); ++a)
    if (image[a] != peer.bytes[a] && ++differences <= 10) ADD_FAILURE() << "byte " << a;
  EXPECT_EQ(differences, 0);
  EXPECT_GT(p.items.size(), 4000u);
}

// "$" in an ORG operand is the location where the ORG line begins, in the absolute segment and in
// a relocatable one, after storage, alignment and branches to labels further on (which make the
// sizing walk several times): the bytes land where the GNU tools put them. Gaps are 0xFF in both.
// The peer refuses to move its location back, so "ORG $-n" goes with a larger step forward (aq71
// takes it while it stays in the segment).
TEST_F(LinkPeer, LocationsFromDollarMatchThePeer) {
  REQUIRE_PEER();
  struct Case {
    std::string ours;
    std::string gnu;
    std::string link;
  };
  const std::vector<Case> cases = {
      {" ASEG\n ORG 110\n ORG $+2\nB: NOP\n RJMP B\n ORG $\n DW B\n LDI R16,LOW(B)\n END\n",
       " .text\n .org 110, 0xff\n .org .+2, 0xff\nb: nop\n rjmp b\n .org ., 0xff\n .word b\n ldi r16, lo8(b)\n",
       "t.r71"},
      {" ASEG\n ORG 0x100\n RJMP FWD\n DS 3\n EVEN\n ORG $+4\nF1: RCALL FWD\n DS N\n ORG $-2\n ORG $+6\n"
       "FWD: NOP\n DW F1,FWD\n ORG $+N+1\n DB 1\nN EQU 4\n END\n",
       " .text\n .org 0x100, 0xff\n rjmp fwd\n .skip 3, 0xff\n .balign 2, 0xff\n .org .+4, 0xff\nf1: rcall fwd\n"
       " .skip 4, 0xff\n .org .+4, 0xff\nfwd: nop\n .word f1, fwd\n .org .+5, 0xff\n .byte 1\n",
       "t.r71"},
      {" RSEG CODE:CODE\n NOP\n ORG $+2\nB: NOP\n DS 1\n EVEN\n ORG $+N\nC: RJMP B\n RCALL D\n ORG $\nD: RET\n"
       " DW C\n ORG $-1\n ORG $+3\n DB 7,8\nN EQU 4\n END\n",
       " .text\n nop\n .org .+2, 0xff\nb: nop\n .skip 1, 0xff\n .balign 2, 0xff\n .org .+4, 0xff\nc: rjmp b\n"
       " rcall d\nd: ret\n .word c\n .org .+2, 0xff\n .byte 7, 8\n",
       "-Z CODE=0-1FFFF t.r71"},
      // Code before the first ORG of the absolute segment: the segment starts at 0 when that ORG
      // is reckoned from "$" or from a label before it.
      {" NOP\n ORG $+2\nB: NOP\nL1: RJMP B\n ORG L1+0x10\n DW L1\n END\n",
       " .text\n nop\n .org .+2, 0xff\nb: nop\nl1: rjmp b\n .org l1+0x10, 0xff\n .word l1\n", "t.r71"},
  };
  for (const Case& c : cases) {
    assemble("t", c.ours);
    EXPECT_EQ(link(c.link), gnu({c.gnu})) << c.ours;
  }
  // A location below the start of the segment: both refuse the source at that line, aq71 with
  // error 405 and no object, the peer as a location moved back.
  struct Refused {
    std::string ours;
    std::string gnu;
    int line;
  };
  const std::vector<Refused> refused = {
      {" RSEG CODE:CODE\n NOP\n ORG $-3\n ORG $+5\n NOP\n END\n",
       " .text\n nop\n .org .-3, 0xff\n .org .+5, 0xff\n nop\n", 3},
      {" ASEG\nA: NOP\n ORG A-4\n NOP\n END\n", " .text\na: nop\n .org a-4, 0xff\n nop\n", 3},
  };
  for (const Refused& c : refused) {
    std::error_code ec;
    fs::remove(dir_ / "t.r71", ec);
    aq71_test::write_file(dir_ / "t.s71", c.ours);
    const auto ours = aq71_test::run_aq71(dir_, {"t", "-v6", "-S"});
    EXPECT_EQ(ours.code, 2) << c.ours;
    EXPECT_NE(ours.out.find("\"t.s71\"," + std::to_string(c.line) + "  Error[405]: Address can't be negative."),
              std::string::npos)
        << ours.out;
    EXPECT_FALSE(fs::exists(dir_ / "t.r71")) << c.ours;
    aq71_test::write_file(dir_ / "g.s", c.gnu);
    const Shell peer = shell(dir_, "avr-as -mmcu=avr6 g.s -o g.o");
    EXPECT_NE(peer.code, 0) << c.gnu;
    EXPECT_NE(peer.out.find("g.s:" + std::to_string(c.line) + ": Error: attempt to move .org backwards"),
              std::string::npos)
        << peer.out;
  }
}

TEST_F(LinkPeer, CrossModuleReferencesMatchTheGnuBuildWithGlobals) {
  REQUIRE_PEER();
  assemble("a",
           " NAME a\n EXTERN ext,fext\n IMPORT dat\n RSEG CODE:CODE\n"
           "main: RCALL ext\n RJMP ext\n JMP fext\n CALL fext\n"
           " LDS R16,dat\n STS dat+1,R17\n LDI R16,LOW(ext)\n LDI R17,HIGH(ext)\n"
           " LDI R18,LOW(loc)\n DW loc+2\nloc: NOP\n RJMP main\n END\n");
  assemble("b",
           " MODULE b\n PUBLIC ext\n EXPORT fext,dat\n RSEG CODE:CODE\n"
           "ext: NOP\n RET\nfext: RET\n RSEG DATA:DATA\n DS 3\ndat: DS 4\n END\n");
  const std::vector<uint8_t> image = link("-Z CODE=0-1FFFF -Z DATA=200-FFFF a.r71 b.r71");
  const std::vector<uint8_t> expected =
      gnu({" .text\nmain: rcall ext\n rjmp ext\n jmp fext\n call fext\n"
           " lds r16,dat\n sts dat+1,r17\n ldi r16,lo8(ext)\n ldi r17,hi8(ext)\n"
           " ldi r18,lo8(loc)\n .word loc+2\nloc: nop\n rjmp main\n",
           " .global ext, fext, dat\n .text\next: nop\n ret\nfext: ret\n"
           " .section .bss\n .skip 3\ndat: .skip 4\n"});
  EXPECT_EQ(image, expected);
  EXPECT_EQ(image.size(), 38u);
}

TEST_F(LinkPeer, OutOfRangeCallToAnExternalFailsTheLinkWithTheStoredMessage) {
  assemble("a", " NAME a\n EXTERN far\n RSEG CODE:CODE\n RCALL far\n END\n");
  assemble("b", " NAME b\n PUBLIC far\n RSEG CODE:CODE\n DS 10000\nfar: RET\n END\n");
  aq71_test::write_file(dir_ / "out.hex", "stale");
  const Shell r = shell(dir_, "'" + zqlink_binary().string() + "' -Z CODE=0-1FFFF a.r71 b.r71 -o out.hex");
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.out.find("PC offset out of range. Valid range is -4096 (-0x1000) to 4094 (0x0FFE)."), std::string::npos)
      << r.out;
  EXPECT_EQ(aq71_test::read_file(dir_ / "out.hex"), "stale");  // nothing written, nothing removed
  // In range, the same objects link.
  assemble("b", " NAME b\n PUBLIC far\n RSEG CODE:CODE\n DS 4000\nfar: RET\n END\n");
  const std::vector<uint8_t> image = link("-Z CODE=0-1FFFF a.r71 b.r71");
  ASSERT_EQ(image.size(), 4004u);
  // RCALL .+4000: offset (4002 - 2) / 2 = 2000 words.
  EXPECT_EQ(image[0] | image[1] << 8, 0xD000 | 2000);
}

}  // namespace
}  // namespace aq71
