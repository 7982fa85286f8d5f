#include "assembler/zolex_format.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <set>

namespace aq71::zolex {

namespace {

struct TagInfo {
  uint8_t tag;
  const char* name;
};

constexpr TagInfo kTagNames[] = {
    {kLibraryModule, "library"},
    {kProgramModule, "program"},
    {kCode1, "code1"},
    {kCode2, "code2"},
    {kCode4, "code4"},
    {kCode3, "code3"},
    {kRepeat, "repeat"},
    {kAbsoluteLocation, "abs-location"},
    {kSegmentLocation, "seg-location"},
    {kNoCode, "no-code"},
    {kTypeDefinition, "type"},
    {kSegmentDeclaration, "segment"},
    {kSymbol, "symbol"},
    {kSourceTableStart, "source-table"},
    {kFormatVersion, "version"},
    {kTarget, "target"},
    {kSourceFile, "source-file"},
    {kEmbeddedSource, "embedded-source"},
    {kDefine, "define"},
    {kLineFile, "line-file"},
    {kLine, "line"},
    {kSymbolDebug, "symbol-debug"},
    {kEndAbsolute, "end-abs"},
    {kEndRelative, "end-rel"},
    {kEnd, "end"},
    {kPushConstant, "const"},
    {kPushSegment, "seg-addr"},
    {kPushExternal, "extern"},
    {kSegmentBegin, "sfb"},
    {kSegmentEnd, "sfe"},
    {kPushLocation, "location"},
    {kMessage, "message"},
    {kCheck, "check"},
    {kCheckFromStack, "check-stack"},
    {kAdd, "add"},
    {kSub, "sub"},
    {kMul, "mul"},
    {kDiv, "div"},
    {kMod, "mod"},
    {kNeg, "neg"},
    {kBitAnd, "and"},
    {kBitOr, "or"},
    {kBitXor, "xor"},
    {kBitNot, "not"},
    {kLogNot, "lnot"},
    {kLogAnd, "land"},
    {kLogOr, "lor"},
    {kLogXor, "lxor"},
    {kGt, "gt"},
    {kUgt, "ugt"},
    {kGe, "ge"},
    {kLt, "lt"},
    {kUlt, "ult"},
    {kLe, "le"},
    {kEq, "eq"},
    {kNe, "ne"},
    {kShrBy, "shr"},
    {kShlBy, "shl"},
    {kShlN, "shl-n"},
    {kShrN, "shr-n"},
    {kByteN, "byte"},
    {kLowWord, "lwrd"},
    {kHighWord, "hwrd"},
    {kDate, "date"},
    {kSwap, "swap"},
    {kDup, "dup"},
    {kDrop, "drop"},
    {kField1, "field1"},
    {kField2, "field2"},
    {kField3, "field3"},
    {kField4, "field4"},
};

// Operator tags without payload.
constexpr uint8_t kPlainOperators[] = {
    kAdd,
    kSub,
    kMul,
    kDiv,
    kMod,
    kNeg,
    kBitAnd,
    kBitOr,
    kBitXor,
    kBitNot,
    kLogNot,
    kLogAnd,
    kLogOr,
    kLogXor,
    kGt,
    kUgt,
    kGe,
    kLt,
    kUlt,
    kLe,
    kEq,
    kNe,
    kShrBy,
    kShlBy,
    kLowWord,
    kHighWord,
    kDate,
    kSwap,
    kDup,
    kDrop,
    kCheckFromStack,
};

bool is_plain_operator(uint8_t tag) {
  for (uint8_t t : kPlainOperators)
    if (t == tag) return true;
  return false;
}

std::array<uint16_t, 256> make_crc_table() {
  std::array<uint16_t, 256> t{};
  for (unsigned i = 0; i < 256; ++i) {
    uint16_t r = static_cast<uint16_t>(i << 8);
    for (int k = 0; k < 8; ++k)
      r = (r & 0x8000) ? static_cast<uint16_t>((r << 1) ^ 0x8005) : static_cast<uint16_t>(r << 1);
    t[i] = r;
  }
  return t;
}

std::array<uint8_t, 256> make_reverse_table() {
  std::array<uint8_t, 256> t{};
  for (unsigned i = 0; i < 256; ++i) {
    uint8_t r = 0;
    for (int k = 0; k < 8; ++k)
      if (i & (1u << k)) r |= static_cast<uint8_t>(0x80u >> k);
    t[i] = r;
  }
  return t;
}

const std::array<uint16_t, 256> kCrcTable = make_crc_table();
const std::array<uint8_t, 256> kReverse = make_reverse_table();

// The same CRC with the register held bit-reversed takes the input bytes as they are, least
// significant bit first (polynomial 0xA001). Table k gives a byte's effect on the register k
// bytes later: eight bytes are taken in one step.
using SlicedCrcTables = std::array<std::array<uint16_t, 256>, 8>;

constexpr SlicedCrcTables make_sliced_crc_tables() {
  SlicedCrcTables t{};
  for (unsigned i = 0; i < 256; ++i) {
    uint16_t r = static_cast<uint16_t>(i);
    for (int k = 0; k < 8; ++k) r = (r & 1) ? static_cast<uint16_t>((r >> 1) ^ 0xA001) : static_cast<uint16_t>(r >> 1);
    t[0][i] = r;
  }
  for (std::size_t k = 1; k < t.size(); ++k)
    for (unsigned i = 0; i < 256; ++i) t[k][i] = static_cast<uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
  return t;
}

constexpr SlicedCrcTables kSlicedCrc = make_sliced_crc_tables();

uint16_t reverse16(uint16_t v) { return static_cast<uint16_t>(kReverse[v & 0xFF] << 8 | kReverse[v >> 8]); }

[[noreturn]] void refuse(const std::string& what) { throw EncodeError(what); }

uint8_t segment_byte(unsigned segment) {
  if (segment > 255) refuse("segment number " + std::to_string(segment) + " does not fit the object format (0-255)");
  return static_cast<uint8_t>(segment);
}

uint16_t word_value(unsigned v, const char* what) {
  if (v > 0xFFFF) refuse(std::string(what) + " " + std::to_string(v) + " does not fit a word");
  return static_cast<uint16_t>(v);
}

void check_string(std::string_view s, const char* what) {
  if (s.size() > 255)
    refuse(std::string(what) + " of " + std::to_string(s.size()) +
           " bytes is longer than the 255 bytes an object string can hold");
}

}  // namespace

bool is_field_tag(uint8_t tag) { return field_size(tag) != 0; }

unsigned field_size(uint8_t tag) {
  switch (tag) {
    case kField1:
      return 1;
    case kField2:
      return 2;
    case kField3:
      return 3;
    case kField4:
      return 4;
    default:
      return 0;
  }
}

bool is_expression_tag(uint8_t tag) {
  switch (tag) {
    case kPushConstant:
    case kPushSegment:
    case kPushExternal:
    case kSegmentBegin:
    case kSegmentEnd:
    case kPushLocation:
    case kMessage:
    case kCheck:
    case kShlN:
    case kShrN:
    case kByteN:
      return true;
    default:
      return is_plain_operator(tag) || is_field_tag(tag);
  }
}

const char* tag_name(uint8_t tag) {
  for (const auto& t : kTagNames)
    if (t.tag == tag) return t.name;
  return "?";
}

// ---- CRC ----

void Crc16::update(uint8_t byte) {
  reg_ = static_cast<uint16_t>((reg_ << 8) ^ kCrcTable[((reg_ >> 8) ^ kReverse[byte]) & 0xFF]);
}

void Crc16::update(std::span<const uint8_t> bytes) {
  const uint8_t* p = bytes.data();
  std::size_t left = bytes.size();
  if (left < 8) {
    for (; left; --left) update(*p++);
    return;
  }
  const SlicedCrcTables& t = kSlicedCrc;
  uint16_t r = reverse16(reg_);
  for (; left >= 8; left -= 8, p += 8) {
    const unsigned b0 = p[0] ^ (r & 0xFFu), b1 = p[1] ^ (r >> 8);
    r = static_cast<uint16_t>(t[7][b0] ^ t[6][b1] ^ t[5][p[2]] ^ t[4][p[3]] ^ t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^
                              t[0][p[7]]);
  }
  for (; left; --left) r = static_cast<uint16_t>((r >> 8) ^ t[0][(r ^ *p++) & 0xFF]);
  reg_ = reverse16(r);
}

uint16_t crc16(std::span<const uint8_t> bytes) {
  Crc16 c;
  c.update(bytes);
  return c.value();
}

// ---- Encoder ----

Encoder& Encoder::u16(uint16_t v) {
  buf_.push_back(static_cast<uint8_t>(v >> 8));
  buf_.push_back(static_cast<uint8_t>(v));
  return *this;
}

Encoder& Encoder::u32(uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) buf_.push_back(static_cast<uint8_t>(v >> shift));
  return *this;
}

Encoder& Encoder::str(std::string_view s) {
  check_string(s, "string");
  buf_.push_back(static_cast<uint8_t>(s.size()));
  buf_.insert(buf_.end(), s.begin(), s.end());
  return *this;
}

Encoder& Encoder::raw(std::span<const uint8_t> bytes) {
  buf_.insert(buf_.end(), bytes.begin(), bytes.end());
  return *this;
}

void Encoder::mark_module_start() { module_start_ = buf_.size(); }

Encoder& Encoder::header(const ModuleHeader& h) {
  check_string(h.name, "module name");
  if (h.month < 1 || h.month > 12 || h.day < 1 || h.day > 31) refuse("module date out of range");
  mark_module_start();
  u8(h.program ? kProgramModule : kLibraryModule).u8(6).u8(5).u8(h.processor_option);
  u8(h.day).u8(h.month).u8(h.year).str(h.name);
  return u8(189).u8(6).u8(0).u8(0).u8(0);
}

Encoder& Encoder::sign_on(uint16_t target, std::string_view text) {
  check_string(text, "sign-on text");
  u8(kFormatVersion).u16(1);
  return u8(kTarget).u16(target).str(text);
}

Encoder& Encoder::type_definition(uint16_t id, uint16_t size_code) {
  return u8(kTypeDefinition).u16(id).u8(21).u8(80).u16(size_code);
}

Encoder& Encoder::base_type_definitions() {
  type_definition(kTypeByte, 1);
  type_definition(kTypeWord, 3);
  return type_definition(kTypeSfr, 7);
}

uint16_t Encoder::finish(bool by_end) {
  last_crc_ = crc16(std::span<const uint8_t>(buf_).subspan(module_start_));
  u16(last_crc_);
  if (by_end) u8(0xFF);
  module_start_ = buf_.size();
  return last_crc_;
}

uint16_t Encoder::end_module(bool by_end) {
  u8(kEnd);
  return finish(by_end);
}

uint16_t Encoder::end_module_absolute(uint32_t entry, bool by_end) {
  u8(kEndAbsolute).u16(0).u32(entry);
  return finish(by_end);
}

uint16_t Encoder::end_module_relative(unsigned segment, uint32_t offset, bool by_end) {
  uint8_t s = segment_byte(segment);
  u8(kEndRelative).u8(s).u32(offset);
  return finish(by_end);
}

Encoder& Encoder::segment_declaration(unsigned segment, SegmentKind kind, unsigned type, unsigned alignment,
                                      std::string_view name) {
  uint8_t s = segment_byte(segment);
  if (type > 31) refuse("segment type " + std::to_string(type) + " out of range (0-31)");
  if (alignment > 255) refuse("segment alignment " + std::to_string(alignment) + " out of range");
  check_string(name, "segment name");
  u8(kSegmentDeclaration).u8(static_cast<uint8_t>(alignment)).u16(s);
  u8(static_cast<uint8_t>(static_cast<unsigned>(kind) * 32 + type));
  return str(name);
}

Encoder& Encoder::symbol(SymbolKind kind, unsigned segment_or_index, uint32_t value, std::string_view name,
                         uint16_t type) {
  check_string(name, "symbol name");
  uint16_t w;
  if (kind == SymbolKind::Relocatable || kind == SymbolKind::RelocatableFlagged)
    w = segment_byte(segment_or_index);
  else
    w = word_value(segment_or_index, kind == SymbolKind::External ? "external index" : "symbol word");
  u8(kSymbol).u8(static_cast<uint8_t>(kind)).u16(w).u32(value).str(name);
  return u16(type).u8(0);
}

Encoder& Encoder::external(unsigned index, std::string_view name, uint16_t type) {
  return symbol(SymbolKind::External, index, 0, name, type);
}

Encoder& Encoder::code8(uint8_t v) { return u8(kCode1).u8(v); }

Encoder& Encoder::code24(uint32_t v) {
  u8(kCode3);
  for (int i = 0; i < 4; ++i) u8(i < 3 ? static_cast<uint8_t>(v >> (8 * i)) : 0);
  return *this;
}

Encoder& Encoder::code32(uint32_t v) {
  u8(kCode4);
  for (int i = 0; i < 4; ++i) u8(static_cast<uint8_t>(v >> (8 * i)));
  return *this;
}

Encoder& Encoder::code_bytes(std::span<const uint8_t> bytes) {
  size_t i = 0;
  auto at = [&](size_t k) { return static_cast<uint32_t>(bytes[i + k]) << (8 * k); };
  for (; bytes.size() - i >= 4; i += 4) code32(at(0) | at(1) | at(2) | at(3));
  switch (bytes.size() - i) {
    case 3:
      code24(at(0) | at(1) | at(2));
      break;
    case 2:
      code16(static_cast<uint16_t>(at(0) | at(1)));
      break;
    case 1:
      code8(bytes[i]);
      break;
    default:
      break;
  }
  return *this;
}

Encoder& Encoder::repeat(unsigned size, uint32_t value, uint32_t count) {
  if (size > 4) refuse("repeated value of " + std::to_string(size) + " bytes (0-4)");
  return u8(kRepeat).u8(static_cast<uint8_t>(size)).u32(value).u32(count);
}

Encoder& Encoder::absolute_location(uint32_t address) { return u8(kAbsoluteLocation).u16(0).u32(address); }

Encoder& Encoder::segment_location(unsigned segment, uint32_t offset) {
  uint8_t s = segment_byte(segment);
  return u8(kSegmentLocation).u8(s).u32(offset);
}

Encoder& Encoder::no_code() { return u8(kNoCode); }

Encoder& Encoder::push_constant(int32_t v) { return u8(kPushConstant).u32(static_cast<uint32_t>(v)); }

Encoder& Encoder::expr_ref(uint8_t tag, unsigned number, const char* what, uint32_t v) {
  uint16_t w = tag == kPushExternal ? word_value(number, what) : segment_byte(number);
  return u8(tag).u16(w).u32(v);
}

Encoder& Encoder::push_segment(unsigned segment, uint32_t offset) {
  return expr_ref(kPushSegment, segment, "segment", offset);
}

Encoder& Encoder::push_external(unsigned index) { return expr_ref(kPushExternal, index, "external index", 0); }

Encoder& Encoder::push_segment_begin(unsigned segment) {
  return expr_ref(kSegmentBegin, segment, "segment", 0).u8(kAdd);
}

Encoder& Encoder::push_segment_end(unsigned segment) { return expr_ref(kSegmentEnd, segment, "segment", 0).u8(kAdd); }

Encoder& Encoder::push_location(int32_t addend) { return u8(kPushLocation).u32(static_cast<uint32_t>(addend)); }

Encoder& Encoder::message(std::string_view text) {
  check_string(text, "message text");
  return u8(kMessage).str(text);
}

Encoder& Encoder::check(int32_t min, int32_t max) {
  return u8(kCheck).u32(static_cast<uint32_t>(min)).u32(static_cast<uint32_t>(max));
}

Encoder& Encoder::check_from_stack() { return u8(kCheckFromStack); }

Encoder& Encoder::op(Tag operator_tag) {
  if (!is_plain_operator(operator_tag))
    refuse("tag " + std::to_string(operator_tag) + " is not an operator without payload");
  return u8(operator_tag);
}

Encoder& Encoder::shift_left(uint32_t n) { return u8(kShlN).u32(n); }
Encoder& Encoder::shift_right(uint32_t n) { return u8(kShrN).u32(n); }

Encoder& Encoder::byte_of(unsigned n) {
  if (n > 3) refuse("byte number " + std::to_string(n) + " out of range (0-3)");
  return u8(kByteN).u32(n);
}

Encoder& Encoder::field(unsigned size) {
  static constexpr uint8_t kFields[] = {kField1, kField2, kField3, kField4};
  if (size < 1 || size > 4) refuse("field of " + std::to_string(size) + " bytes (1-4)");
  return u8(kFields[size - 1]);
}

Encoder& Encoder::checked_range(int32_t min, int32_t max, std::string_view message_text) {
  check_string(message_text, "message text");
  return message(message_text).check(min, max).message("");
}

Encoder& Encoder::check_not_negative(std::string_view message_text) {
  return checked_range(kNotNegativeMin, kNotNegativeMax, message_text);
}

Encoder& Encoder::deferred_limit(int32_t min, int32_t max, std::string_view message_text) {
  check_string(message_text, "message text");
  return message(message_text).push_constant(max).push_constant(min).check_from_stack().message("");
}

Encoder& Encoder::source_table_start() { return u8(kSourceTableStart).u8(0); }

Encoder& Encoder::source_file(unsigned index, std::string_view name, const uint8_t (&stamp)[6]) {
  uint16_t i = word_value(index, "source file index");
  uint16_t n = word_value(static_cast<unsigned>(std::min<size_t>(name.size(), 0x10000)), "file name length");
  u8(kSourceFile).u16(i).u16(n);
  buf_.insert(buf_.end(), name.begin(), name.end());
  for (uint8_t b : stamp) u8(b);
  return *this;
}

Encoder& Encoder::embedded_source(std::string_view main_file, std::span<const std::string> lines) {
  uint16_t count = word_value(static_cast<unsigned>(std::min<size_t>(lines.size(), 0x10000)), "line count");
  check_string(main_file, "file name");
  for (const auto& l : lines)
    word_value(static_cast<unsigned>(std::min<size_t>(l.size(), 0x10000)), "source line length");
  u8(kEmbeddedSource).u16(count).str(main_file);
  for (const auto& l : lines) {
    u16(static_cast<uint16_t>(l.size()));
    for (char c : l) u8(static_cast<uint8_t>(c) < 32 ? ' ' : static_cast<uint8_t>(c));
  }
  return *this;
}

Encoder& Encoder::define(std::string_view name, std::string_view body) {
  check_string(name, "define name");
  uint16_t n = word_value(static_cast<unsigned>(std::min<size_t>(body.size(), 0x10000)), "define body length");
  u8(kDefine).str(name).u16(n);
  buf_.insert(buf_.end(), body.begin(), body.end());
  return *this;
}

Encoder& Encoder::line_file(unsigned index) { return u8(kLineFile).u16(word_value(index, "source file index")); }

Encoder& Encoder::line(unsigned line_number, unsigned length) {
  uint16_t l = word_value(line_number, "line number");
  uint16_t n = word_value(length, "source line length");
  return u8(kLine).u16(l).u16(1).u16(l).u16(n).u8(15);
}

Encoder& Encoder::symbol_debug(uint16_t a, uint16_t b, std::span<const std::pair<uint16_t, uint16_t>> references) {
  u8(kSymbolDebug).u16(a).u16(b).u32(1).u16(0xFFFF).u16(3);
  u32(static_cast<uint32_t>(references.size()));
  for (const auto& r : references) u16(r.first).u16(r.second);
  return *this;
}

// ---- Decoder ----

namespace {

struct DecodeFailure {
  size_t offset;
  std::string message;
};

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> d) : d_(d) {}
  size_t pos() const { return pos_; }
  bool at_end() const { return pos_ >= d_.size(); }
  size_t remaining() const { return d_.size() - pos_; }
  uint8_t peek() const { return d_[pos_]; }

  void need(size_t n, const char* what) const {
    if (remaining() < n) throw DecodeFailure{pos_, std::string("object file ends inside ") + what};
  }
  uint8_t u8(const char* what) {
    need(1, what);
    return d_[pos_++];
  }
  uint16_t u16(const char* what) {
    need(2, what);
    uint16_t v = static_cast<uint16_t>(d_[pos_] << 8 | d_[pos_ + 1]);
    pos_ += 2;
    return v;
  }
  uint32_t u32(const char* what) {
    need(4, what);
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | d_[pos_ + i];
    pos_ += 4;
    return v;
  }
  std::string bytes_as_string(size_t n, const char* what) {
    need(n, what);
    std::string s(reinterpret_cast<const char*>(d_.data() + pos_), n);
    pos_ += n;
    return s;
  }
  std::string str(const char* what) { return bytes_as_string(u8(what), what); }
  RecordBytes bytes(size_t n, const char* what) {
    need(n, what);
    RecordBytes v;
    v.assign(d_.data() + pos_, n);
    pos_ += n;
    return v;
  }

 private:
  std::span<const uint8_t> d_;
  size_t pos_ = 0;
};

[[noreturn]] void fail(size_t offset, std::string message) { throw DecodeFailure{offset, std::move(message)}; }

// Lookup tables of the module being read, so that checks stay fast for large inputs.
struct Declared {
  std::set<uint16_t> segment_numbers;
  std::set<std::string> segment_names;
  std::map<std::string, size_t> publics;  // name -> index in Module::publics
  std::map<uint16_t, size_t> externals;   // index -> index in Module::externals
};

// Reads the payload of one record after its tag byte.
void read_payload(Reader& r, Item& it, Module& m, Declared& decl) {
  const size_t at = it.offset;
  switch (it.tag) {
    case kCode1:
      it.bytes = r.bytes(1, "a code record");
      break;
    case kCode2:
      it.bytes = r.bytes(2, "a code record");
      break;
    case kCode4:
      it.bytes = r.bytes(4, "a code record");
      break;
    case kCode3:
      it.bytes = r.bytes(3, "a code record");
      it.a = r.u8("a code record");
      break;
    case kRepeat:
      it.w = r.u8("a repeat record");
      it.a = r.u32("a repeat record");
      it.b = r.u32("a repeat record");
      if (it.w > 4) fail(at, "repeat record with a value of " + std::to_string(it.w) + " bytes");
      break;
    case kAbsoluteLocation:
    case kEndAbsolute:
      it.w = r.u16("a location record");
      it.a = r.u32("a location record");
      break;
    case kSegmentLocation:
    case kEndRelative:
      it.w = r.u8("a location record");
      it.a = r.u32("a location record");
      break;
    case kNoCode:
    case kEnd:
      break;
    case kTypeDefinition:
      it.w = r.u16("a type record");
      it.a = r.u8("a type record");
      it.a = it.a << 8 | r.u8("a type record");
      it.b = r.u16("a type record");
      break;
    case kSegmentDeclaration: {
      SegmentDecl s;
      s.alignment = r.u8("a segment declaration");
      s.number = r.u16("a segment declaration");
      uint8_t kt = r.u8("a segment declaration");
      if (kt >> 5 > 3) fail(at, "segment declaration of unknown kind " + std::to_string(kt >> 5));
      s.kind = static_cast<SegmentKind>(kt >> 5);
      s.type = kt & 31;
      s.name = r.str("a segment name");
      if (!decl.segment_numbers.insert(s.number).second)
        fail(at, "segment " + std::to_string(s.number) + " declared twice");
      if (!decl.segment_names.insert(s.name).second) fail(at, "segment \"" + s.name + "\" declared twice");
      it.w = s.number;
      it.a = s.alignment;
      it.b = kt;
      it.text = s.name;
      m.segments.push_back(std::move(s));
      break;
    }
    case kSymbol: {
      Symbol s;
      uint8_t kind = r.u8("a symbol record");
      if (kind != 1 && kind != 2 && kind != 3 && kind != 4 && kind != 5 && kind != 9)
        fail(at, "symbol record of unknown kind " + std::to_string(kind));
      s.kind = static_cast<SymbolKind>(kind);
      s.segment_or_index = r.u16("a symbol record");
      s.value = r.u32("a symbol record");
      s.name = r.str("a symbol name");
      s.type = r.u16("a symbol record");
      r.u8("a symbol record");
      if (s.name.empty()) fail(at, "symbol record without a name");
      it.w = s.segment_or_index;
      it.a = s.value;
      it.b = kind;
      it.text = s.name;
      // A declaration repeated word for word is kept once; a conflicting one is refused.
      auto& list = s.is_external() ? m.externals : m.publics;
      size_t found = list.size();
      if (s.is_external()) {
        auto [e, fresh] = decl.externals.emplace(s.segment_or_index, list.size());
        if (!fresh) found = e->second;
      } else {
        auto [p, fresh] = decl.publics.emplace(s.name, list.size());
        if (!fresh) found = p->second;
      }
      if (found == list.size()) {
        list.push_back(std::move(s));
      } else {
        const Symbol& o = list[found];
        if (o.kind != s.kind || o.segment_or_index != s.segment_or_index || o.value != s.value || o.name != s.name)
          fail(at, (s.is_external() ? "external index " + std::to_string(s.segment_or_index)
                                    : "public symbol \"" + s.name + "\"") +
                       " declared twice");
      }
      break;
    }
    case kSourceTableStart:
      it.a = r.u8("a source table record");
      break;
    case kFormatVersion:
      it.w = r.u16("a version record");
      m.version = it.w;
      break;
    case kTarget:
      it.w = r.u16("a target record");
      it.text = r.str("the sign-on text");
      m.target = it.w;
      m.sign_on = it.text;
      break;
    case kSourceFile: {
      it.w = r.u16("a source file record");
      uint16_t n = r.u16("a source file record");
      it.text = r.bytes_as_string(n, "a source file name");
      it.bytes = r.bytes(6, "a source file time stamp");
      break;
    }
    case kEmbeddedSource: {
      uint16_t count = r.u16("an embedded source record");
      it.text = r.str("an embedded source record");
      for (unsigned i = 0; i < count; ++i) {
        uint16_t n = r.u16("an embedded source line");
        it.lines.push_back(r.bytes_as_string(n, "an embedded source line"));
      }
      break;
    }
    case kDefine: {
      it.text = r.str("a define record");
      uint16_t n = r.u16("a define record");
      it.lines.push_back(r.bytes_as_string(n, "a define body"));
      break;
    }
    case kLineFile:
      it.w = r.u16("a line file record");
      break;
    case kLine:
      it.w = r.u16("a line record");
      r.u16("a line record");
      r.u16("a line record");
      it.a = r.u16("a line record");
      r.u8("a line record");
      break;
    case kSymbolDebug: {
      it.w = r.u16("a symbol debug record");
      it.a = r.u16("a symbol debug record");
      r.u32("a symbol debug record");
      r.u16("a symbol debug record");
      r.u16("a symbol debug record");
      uint32_t count = r.u32("a symbol debug record");
      if (count > r.remaining() / 4) fail(at, "symbol debug record count exceeds the file");
      for (uint32_t i = 0; i < count; ++i) {
        uint16_t x = r.u16("a symbol debug record");
        it.pairs.emplace_back(x, r.u16("a symbol debug record"));
      }
      break;
    }
    case kPushConstant:
    case kPushLocation:
    case kShlN:
    case kShrN:
      it.a = r.u32("an expression");
      break;
    case kByteN:
      it.a = r.u32("an expression");
      if (it.a > 3) fail(at, "byte number " + std::to_string(it.a) + " out of range (0-3)");
      break;
    case kPushSegment:
    case kPushExternal:
    case kSegmentBegin:
    case kSegmentEnd:
      it.w = r.u16("an expression");
      it.a = r.u32("an expression");
      if ((it.tag == kSegmentBegin || it.tag == kSegmentEnd) && (r.at_end() || r.peek() != kAdd))
        fail(at, "segment begin/end not followed by its add");
      break;
    case kMessage:
      it.text = r.str("a message text");
      break;
    case kCheck:
      it.a = r.u32("a range check");
      it.b = r.u32("a range check");
      break;
    default:
      if (is_plain_operator(it.tag) || is_field_tag(it.tag)) break;
      fail(at, "unknown tag " + std::to_string(it.tag));
  }
}

// Segment and external references must name declarations of the same module.
void check_references(const Module& m, const Declared& decl) {
  for (const auto& it : m.items) {
    bool seg_ref = it.tag == kSegmentLocation || it.tag == kEndRelative || it.tag == kPushSegment ||
                   it.tag == kSegmentBegin || it.tag == kSegmentEnd || (it.tag == kSymbol && (it.b == 2 || it.b == 4));
    if (seg_ref && !decl.segment_numbers.count(it.w))
      fail(it.offset, "reference to undeclared segment " + std::to_string(it.w));
    if (it.tag == kPushExternal && !decl.externals.count(it.w))
      fail(it.offset, "reference to undeclared external " + std::to_string(it.w));
  }
}

Module read_module(Reader& r, std::span<const uint8_t> data) {
  Module m;
  Declared decl;
  m.offset = r.pos();
  uint8_t tag = r.u8("a module header");
  if (tag != kLibraryModule && tag != kProgramModule)
    fail(m.offset, "expected a module header (tag 0 or 1), found tag " + std::to_string(tag));
  m.header.program = tag == kProgramModule;
  m.format[0] = r.u8("a module header");
  m.format[1] = r.u8("a module header");
  m.header.processor_option = r.u8("a module header");
  m.header.day = r.u8("a module header");
  m.header.month = r.u8("a module header");
  m.header.year = r.u8("a module header");
  m.header.name = r.str("a module name");
  for (auto& b : m.trailer) b = r.u8("a module header");
  // Records average about four bytes: room for the rest of the file saves the vector's
  // repeated growth; what a module of a many-module file leaves unused is given back below.
  m.items.reserve(r.remaining() / 4 + 1);
  for (;;) {
    Item it;
    it.offset = r.pos();
    if (r.at_end()) fail(it.offset, "object file ends inside module \"" + m.header.name + "\"");
    it.tag = r.u8("a record");
    read_payload(r, it, m, decl);
    const uint8_t t = it.tag;
    m.items.push_back(std::move(it));
    if (t == kEnd || t == kEndAbsolute || t == kEndRelative) break;
  }
  const size_t crc_end = r.pos();
  m.computed_crc = crc16(data.subspan(m.offset, crc_end - m.offset));
  m.stored_crc = r.u16("the module CRC");
  if (!r.at_end() && r.peek() == 0xFF) {
    r.u8("");
    m.ended_by_end = true;
  }
  m.end_offset = r.pos();
  if (m.items.capacity() / 2 > m.items.size()) m.items.shrink_to_fit();
  check_references(m, decl);
  return m;
}

}  // namespace

const SegmentDecl* Module::segment(uint16_t number) const {
  for (const auto& s : segments)
    if (s.number == number) return &s;
  return nullptr;
}

const Symbol* Module::external(uint16_t index) const {
  for (const auto& s : externals)
    if (s.segment_or_index == index) return &s;
  return nullptr;
}

DecodeResult decode(std::span<const uint8_t> data) {
  DecodeResult res;
  Reader r(data);
  try {
    if (r.at_end()) fail(0, "empty object file");
    while (!r.at_end()) res.object.modules.push_back(read_module(r, data));
    res.ok = true;
  } catch (const DecodeFailure& f) {
    res.ok = false;
    res.error = f.message;
    res.error_offset = f.offset;
    res.object.modules.clear();
  }
  return res;
}

}  // namespace aq71::zolex
