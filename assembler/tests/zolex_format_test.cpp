// ZOLEX object format: CRC, encoder layout and refusals, decoder round trip and robustness.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "assembler/zolex_format.h"

namespace z = aq71::zolex;

namespace {

std::span<const uint8_t> bytes_of(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

z::ModuleHeader header(const std::string& name, bool program = true) {
  z::ModuleHeader h;
  h.program = program;
  h.processor_option = 3;
  h.day = 17;
  h.month = 5;
  h.year = 124;
  h.name = name;
  return h;
}

// A program module using every record kind, ended by END, then a library module ended by
// ENDMOD.
std::vector<uint8_t> sample_object(uint16_t* crc1 = nullptr, uint16_t* crc2 = nullptr) {
  z::Encoder e;
  e.header(header("MAIN")).sign_on(0x4A, "aq71 test sign-on").base_type_definitions();
  e.external(0, "EXT").symbol(z::SymbolKind::Relocatable, 0, 4, "START", 0);
  e.symbol(z::SymbolKind::AbsoluteTyped, 0, 0x3F, "SREG", z::kTypeByte);
  e.segment_declaration(0, z::SegmentKind::Relocatable, 1, 1, "CODE");
  e.segment_declaration(1, z::SegmentKind::Common, 2, 0, "SHARED");
  e.source_table_start();
  const uint8_t stamp[6] = {1, 2, 3, 4, 5, 124};
  e.source_file(0, "main.s71", stamp).define("ANSWER", "42").line_file(0).line(12, 20);
  const std::pair<uint16_t, uint16_t> refs[] = {{1, 2}, {3, 4}};
  e.symbol_debug(7, 8, refs);
  const std::string lines[] = {"  NOP\t; x", "END"};
  e.embedded_source("main.s71", lines);
  e.absolute_location(0).code16(0x940C);
  e.push_segment(0, 4).field(2);
  e.segment_location(0, 0).code8(0x11).code16(0x2233).code24(0x445566).code32(0x778899AA);
  e.repeat(2, 0xBEEF, 3).no_code();
  e.push_external(0).check_not_negative("\n 405\n File: main.s71, Line: 3 \n Source: RCALL EXT");
  e.push_location(2).op(z::kSub).checked_range(-4096, 4095, "415");
  e.op(z::kDup).op(z::kDup).push_constant(2).op(z::kDiv).shift_left(1).op(z::kNe);
  e.checked_range(0, 0, "413").drop();
  e.push_constant(2).op(z::kDiv).push_constant(0xFFF).op(z::kBitAnd);
  e.push_constant(0xD000).op(z::kBitOr).field(2);
  e.push_segment_begin(1).push_segment_end(1).op(z::kSub).byte_of(1).shift_right(3).field(1);
  e.push_constant(5).deferred_limit(0, 9, "limit").field(4);
  e.push_constant(1).field(3);
  uint16_t c1 = e.end_module_relative(0, 0, true);
  e.header(header("LIB", false)).sign_on(0x4A, "").base_type_definitions();
  e.symbol(z::SymbolKind::AbsoluteLabel, 0, 0x1234, "ABS", 0);
  uint16_t c2 = e.end_module(false);
  if (crc1) *crc1 = c1;
  if (crc2) *crc2 = c2;
  return e.take();
}

}  // namespace

TEST(ZolexCrc, CheckValues) {
  EXPECT_EQ(z::crc16(bytes_of("123456789")), 0xBCDD);
  EXPECT_EQ(z::crc16(bytes_of("abc")), 0x1CE9);
  EXPECT_EQ(z::crc16({}), 0);
  z::Crc16 c;
  for (char ch : std::string("123456789")) c.update(static_cast<uint8_t>(ch));
  EXPECT_EQ(c.value(), 0xBCDD);
}

// A run of bytes is taken several at a time: it must give what the bytes one by one give, for
// every length around the step and from any register state.
TEST(ZolexCrc, RunsAgreeWithSingleBytes) {
  std::vector<uint8_t> data(70);
  uint32_t seed = 12345;
  for (uint8_t& b : data) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<uint8_t>(seed >> 16);
  }
  for (std::size_t head = 0; head < 3; ++head) {
    for (std::size_t size = 0; size + head <= data.size(); ++size) {
      z::Crc16 one_by_one, run;
      for (std::size_t i = 0; i < head; ++i) {
        one_by_one.update(data[i]);
        run.update(data[i]);
      }
      for (std::size_t i = head; i < head + size; ++i) one_by_one.update(data[i]);
      run.update(std::span<const uint8_t>(data).subspan(head, size));
      EXPECT_EQ(run.value(), one_by_one.value()) << "head " << head << " size " << size;
    }
  }
}

TEST(ZolexEncoder, ByteLayout) {
  z::Encoder e;
  e.header(header("AB"));
  const std::vector<uint8_t> head = {1, 6, 5, 3, 17, 5, 124, 2, 'A', 'B', 189, 6, 0, 0, 0};
  EXPECT_EQ(e.bytes(), head);

  z::Encoder s;
  s.sign_on(0x1234, "S");
  EXPECT_EQ(s.bytes(), (std::vector<uint8_t>{83, 0, 1, 84, 0x12, 0x34, 1, 'S'}));

  // Code low byte first, location numbers big-endian; a two-character DB string is two
  // one-byte code records.
  z::Encoder c;
  c.code16(0x940C).segment_location(2, 0x01020304).code_bytes(bytes_of("AB"));
  EXPECT_EQ(c.bytes(), (std::vector<uint8_t>{55, 0x0C, 0x94, 59, 2, 1, 2, 3, 4, 55, 'A', 'B'}));
  z::Encoder d;
  d.code8('A').code8('B').code24(0x030201).code_bytes(bytes_of("12345"));
  EXPECT_EQ(d.bytes(), (std::vector<uint8_t>{54, 'A', 54, 'B', 163, 1, 2, 3, 0, 56, '1', '2', '3', '4', 54, '5'}));

  // A DW naming an external: tag 93 with the index and 0, then field 91.
  z::Encoder x;
  x.push_external(3).field(2);
  EXPECT_EQ(x.bytes(), (std::vector<uint8_t>{93, 0, 3, 0, 0, 0, 0, 91}));
  // A branch target in another segment: tag 94 with the segment and offset.
  z::Encoder y;
  y.push_segment(1, 0x10).field(2);
  EXPECT_EQ(y.bytes(), (std::vector<uint8_t>{94, 0, 1, 0, 0, 0, 0x10, 91}));
  // SFB and SFE carry their add; the deferred LIMIT is message, maximum, minimum, check.
  z::Encoder f;
  f.push_segment_begin(0).push_segment_end(0);
  EXPECT_EQ(f.bytes(), (std::vector<uint8_t>{95, 0, 0, 0, 0, 0, 0, 99, 96, 0, 0, 0, 0, 0, 0, 99}));
  z::Encoder l;
  l.deferred_limit(1, 2, "m");
  EXPECT_EQ(l.bytes(), (std::vector<uint8_t>{157, 1, 'm', 97, 0, 0, 0, 2, 97, 0, 0, 0, 1, 158, 157, 0}));
  z::Encoder n;
  n.check_not_negative("");
  EXPECT_EQ(n.bytes(), (std::vector<uint8_t>{157, 0, 115, 0, 0, 0, 0, 0x7F, 0xFF, 0xFF, 0xFF, 157, 0}));
}

TEST(ZolexEncoder, ModuleEndsWithCrcAndEndByte) {
  uint16_t crc1 = 0, crc2 = 0;
  std::vector<uint8_t> obj = sample_object(&crc1, &crc2);
  // The second module's CRC starts again from 0: encoding it alone gives the same CRC.
  z::Encoder alone;
  alone.header(header("LIB", false)).sign_on(0x4A, "").base_type_definitions();
  alone.symbol(z::SymbolKind::AbsoluteLabel, 0, 0x1234, "ABS", 0);
  EXPECT_EQ(alone.end_module(false), crc2);
  EXPECT_EQ(alone.bytes().back(), crc2 & 0xFF);  // ENDMOD: no 0xFF after the CRC
  // Module ended by END: end record, CRC high, CRC low, 0xFF; the CRC covers header to end.
  const std::vector<uint8_t>& lib = alone.bytes();
  const size_t first_size = obj.size() - lib.size();
  EXPECT_EQ(obj[first_size - 1], 0xFF);
  EXPECT_EQ(obj[first_size - 3], crc1 >> 8);
  EXPECT_EQ(obj[first_size - 2], crc1 & 0xFF);
  EXPECT_EQ(z::crc16(std::span<const uint8_t>(obj).first(first_size - 3)), crc1);
}

TEST(ZolexEncoder, RefusesWhatDoesNotFit) {
  z::Encoder e;
  e.code8(1);
  const std::string s255(255, 'x'), s256(256, 'x');
  EXPECT_NO_THROW(e.message(s255));
  const size_t before = e.size();
  EXPECT_THROW(e.message(s256), z::EncodeError);
  EXPECT_THROW(e.str(s256), z::EncodeError);
  EXPECT_THROW(e.external(0, s256), z::EncodeError);
  EXPECT_THROW(e.segment_declaration(0, z::SegmentKind::Relocatable, 1, 1, s256), z::EncodeError);
  EXPECT_THROW(e.check_not_negative(s256), z::EncodeError);
  EXPECT_THROW(e.deferred_limit(0, 1, s256), z::EncodeError);
  EXPECT_THROW(e.header(header(s256)), z::EncodeError);
  EXPECT_THROW(e.sign_on(0, s256), z::EncodeError);
  EXPECT_THROW(e.define(s256, ""), z::EncodeError);
  // Segment numbers past 255 never wrap.
  EXPECT_NO_THROW(e.segment_location(255, 0));
  const size_t before_seg = e.size();
  EXPECT_THROW(e.segment_location(256, 0), z::EncodeError);
  EXPECT_THROW(e.segment_declaration(256, z::SegmentKind::Relocatable, 1, 1, "S"), z::EncodeError);
  EXPECT_THROW(e.push_segment(256, 0), z::EncodeError);
  EXPECT_THROW(e.push_segment_begin(300), z::EncodeError);
  EXPECT_THROW(e.symbol(z::SymbolKind::Relocatable, 256, 0, "L", 0), z::EncodeError);
  EXPECT_THROW(e.end_module_relative(256, 0, false), z::EncodeError);
  EXPECT_THROW(e.push_external(0x10000), z::EncodeError);
  EXPECT_THROW(e.repeat(5, 0, 1), z::EncodeError);
  EXPECT_THROW(e.field(0), z::EncodeError);
  EXPECT_THROW(e.field(5), z::EncodeError);
  EXPECT_THROW(e.byte_of(4), z::EncodeError);
  EXPECT_THROW(e.op(z::kPushConstant), z::EncodeError);
  EXPECT_THROW(e.line(70000, 1), z::EncodeError);
  EXPECT_THROW(e.segment_declaration(0, z::SegmentKind::Relocatable, 32, 1, "S"), z::EncodeError);
  EXPECT_EQ(e.size(), before_seg);
  EXPECT_GT(before_seg, before);
}

TEST(ZolexEncoder, RecordsOfAnyLength) {
  std::vector<uint8_t> code(10001);
  for (size_t i = 0; i < code.size(); ++i) code[i] = static_cast<uint8_t>(i * 7);
  z::Encoder e;
  e.header(header("BIG")).segment_declaration(0, z::SegmentKind::Relocatable, 1, 1, "CODE");
  e.segment_location(0, 0).code_bytes(code);
  e.end_module(true);
  z::DecodeResult d = z::decode(e.bytes());
  ASSERT_TRUE(d.ok) << d.error;
  std::vector<uint8_t> back;
  for (const auto& it : d.object.modules.at(0).items) back.insert(back.end(), it.bytes.begin(), it.bytes.end());
  EXPECT_EQ(back, code);
}

TEST(ZolexDecoder, RoundTrip) {
  uint16_t crc1 = 0, crc2 = 0;
  std::vector<uint8_t> obj = sample_object(&crc1, &crc2);
  z::DecodeResult d = z::decode(obj);
  ASSERT_TRUE(d.ok) << d.error << " at " << d.error_offset;
  ASSERT_EQ(d.object.modules.size(), 2u);
  const z::Module& m = d.object.modules[0];
  EXPECT_TRUE(m.header.program);
  EXPECT_EQ(m.header.name, "MAIN");
  EXPECT_EQ(m.header.processor_option, 3);
  EXPECT_EQ(m.header.year, 124);
  EXPECT_EQ(m.version, 1);
  EXPECT_EQ(m.target, 0x4A);
  EXPECT_EQ(m.sign_on, "aq71 test sign-on");
  EXPECT_TRUE(m.crc_ok());
  EXPECT_EQ(m.stored_crc, crc1);
  EXPECT_TRUE(m.ended_by_end);
  ASSERT_EQ(m.segments.size(), 2u);
  EXPECT_EQ(m.segments[1].name, "SHARED");
  EXPECT_EQ(m.segments[1].kind, z::SegmentKind::Common);
  EXPECT_EQ(m.segments[1].type, 2);
  EXPECT_EQ(m.segments[0].alignment, 1);
  ASSERT_EQ(m.externals.size(), 1u);
  EXPECT_EQ(m.externals[0].name, "EXT");
  ASSERT_EQ(m.publics.size(), 2u);
  EXPECT_EQ(m.publics[0].name, "START");
  EXPECT_EQ(m.publics[0].value, 4u);
  EXPECT_EQ(m.publics[1].type, z::kTypeByte);

  // Expression and code records in order with their values.
  std::vector<uint8_t> tags;
  for (const auto& it : m.items) tags.push_back(it.tag);
  auto find = [&](uint8_t tag) {
    for (const auto& it : m.items)
      if (it.tag == tag) return it;
    ADD_FAILURE() << "tag " << int(tag) << " missing";
    return z::Item{};
  };
  EXPECT_EQ(find(z::kCode3).bytes, (std::vector<uint8_t>{0x66, 0x55, 0x44}));
  EXPECT_EQ(find(z::kRepeat).a, 0xBEEFu);
  EXPECT_EQ(find(z::kRepeat).b, 3u);
  EXPECT_EQ(find(z::kCheck).b, 0x7FFFFFFFu);
  EXPECT_EQ(find(z::kMessage).text, "\n 405\n File: main.s71, Line: 3 \n Source: RCALL EXT");
  EXPECT_EQ(find(z::kSourceFile).text, "main.s71");
  EXPECT_EQ(find(z::kDefine).lines.at(0), "42");
  EXPECT_EQ(find(z::kEmbeddedSource).lines.at(0), "  NOP ; x");  // control characters as blanks
  EXPECT_EQ(find(z::kSymbolDebug).pairs.size(), 2u);
  EXPECT_EQ(find(z::kPushLocation).a, 2u);
  EXPECT_EQ(tags.back(), z::kEndRelative);

  const z::Module& lib = d.object.modules[1];
  EXPECT_FALSE(lib.header.program);
  EXPECT_TRUE(lib.crc_ok());
  EXPECT_FALSE(lib.ended_by_end);
  EXPECT_EQ(lib.stored_crc, crc2);
  EXPECT_EQ(lib.end_offset, obj.size());
}

TEST(ZolexDecoder, DetectsBadInput) {
  std::vector<uint8_t> obj = sample_object();
  // A CRC mismatch is reported per module, not as a decode failure.
  std::vector<uint8_t> bad = obj;
  bad[20] ^= 0x01;
  z::DecodeResult d = z::decode(bad);
  if (d.ok) {
    EXPECT_FALSE(d.object.modules[0].crc_ok());
  }

  auto decode_module = [](auto build) {
    z::Encoder e;
    e.header(header("M"));
    build(e);
    e.end_module(false);
    return z::decode(e.bytes());
  };
  EXPECT_FALSE(z::decode({}).ok);
  EXPECT_FALSE(decode_module([](z::Encoder& e) { e.u8(200); }).ok);                  // unknown tag
  EXPECT_FALSE(decode_module([](z::Encoder& e) { e.u8(95).u16(0).u32(0); }).ok);     // SFB without add
  EXPECT_FALSE(decode_module([](z::Encoder& e) { e.segment_location(0, 0); }).ok);   // undeclared segment
  EXPECT_FALSE(decode_module([](z::Encoder& e) { e.push_external(0).drop(); }).ok);  // undeclared external
  EXPECT_FALSE(decode_module([](z::Encoder& e) {
                 e.segment_declaration(0, z::SegmentKind::Relocatable, 1, 1, "A");
                 e.segment_declaration(0, z::SegmentKind::Relocatable, 1, 1, "B");
               }).ok);
  EXPECT_FALSE(decode_module([](z::Encoder& e) { e.u8(116).u8(5).u32(0).u32(0); }).ok);  // size 5
  EXPECT_FALSE(decode_module([](z::Encoder& e) { e.u8(153).u32(4); }).ok);               // byte 4
  EXPECT_FALSE(decode_module([](z::Encoder& e) { e.u8(76).u8(7).u16(0).u32(0).str("X").u16(0).u8(0); }).ok);
  // A symbol declaration repeated word for word is kept once; a conflicting one is refused.
  z::DecodeResult twice =
      decode_module([](z::Encoder& e) { e.external(0, "E").external(0, "E").push_external(0).drop(); });
  ASSERT_TRUE(twice.ok) << twice.error;
  EXPECT_EQ(twice.object.modules[0].externals.size(), 1u);
  EXPECT_FALSE(decode_module([](z::Encoder& e) { e.external(0, "E").external(0, "F"); }).ok);
  // Bytes after a module that do not start another module.
  std::vector<uint8_t> trailing = obj;
  trailing.push_back(0x42);
  z::DecodeResult t = z::decode(trailing);
  EXPECT_FALSE(t.ok);
  EXPECT_EQ(t.error_offset, obj.size());
  // A symbol debug count beyond the file.
  z::DecodeResult big =
      decode_module([](z::Encoder& e) { e.u8(181).u16(0).u16(0).u32(1).u16(0xFFFF).u16(3).u32(0x40000000); });
  EXPECT_FALSE(big.ok);
}

// Truncated, bit-flipped and random objects must be refused or decoded, never crash
// (this runs under the sanitizers).
TEST(ZolexDecoder, SurvivesDamagedInput) {
  const std::vector<uint8_t> obj = sample_object();
  for (size_t n = 0; n < obj.size(); ++n) {
    z::DecodeResult d = z::decode(std::span<const uint8_t>(obj).first(n));
    EXPECT_FALSE(d.ok && d.object.modules.size() == 2) << n;
  }
  std::mt19937 rng(4711);
  size_t decoded = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> v = obj;
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int f = 0; f < flips; ++f) v[rng() % v.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
    if (round % 5 == 0) v.resize(rng() % v.size());
    z::DecodeResult d = z::decode(v);
    if (d.ok) {
      ++decoded;
      for (const auto& m : d.object.modules) {
        EXPECT_LE(m.end_offset, v.size());
        for (const auto& it : m.items) EXPECT_LT(it.offset, v.size());
      }
    } else {
      EXPECT_LE(d.error_offset, v.size());
      EXPECT_FALSE(d.error.empty());
    }
  }
  EXPECT_GT(decoded, 0u);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> v(rng() % 200);
    for (auto& b : v) b = static_cast<uint8_t>(rng());
    if (!v.empty()) v[0] = static_cast<uint8_t>(rng() % 2);
    z::decode(v);
  }
}
