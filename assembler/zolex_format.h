// ZOLEX relocatable object format, shared by the assembler's object writer and the linker.
//
// The byte layout is described in docs/zolex.md. This header gives the tag numbers, the CRC,
// an encoder that appends records to a growable byte buffer (every length and number range is
// checked; a value that cannot be written is refused with EncodeError, never truncated) and a
// decoder that parses a whole object file into plain records, checking every length and index.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace aq71::zolex {

// Record tags (the first byte of each record).
enum Tag : uint8_t {
  kLibraryModule = 0,        // module header, library module (MODULE, LIBRARY)
  kProgramModule = 1,        // module header, program module (NAME, PROGRAM)
  kCode1 = 54,               // 1 code byte
  kCode2 = 55,               // 2 code bytes
  kCode4 = 56,               // 4 code bytes
  kCode3 = 163,              // 4 bytes, the first 3 are code
  kRepeat = 116,             // byte size, long value, long count
  kAbsoluteLocation = 58,    // word 0, long address
  kSegmentLocation = 59,     // byte segment, long offset
  kNoCode = 60,              // statement without code
  kTypeDefinition = 74,      // word type id, byte 21, byte 80, word size code
  kSegmentDeclaration = 75,  // byte alignment, word segment, byte kind*32+type, string name
  kSymbol = 76,              // byte kind, word segment/index, long value, string name, word type, byte 0
  kSourceTableStart = 82,    // byte 0
  kFormatVersion = 83,       // word 1
  kTarget = 84,              // word target identifier, string sign-on text
  kSourceFile = 185,         // word index, word name length, name, 6 bytes time stamp
  kEmbeddedSource = 70,      // word line count, string main file, per line: word length, text
  kDefine = 78,              // string name, word body length, body
  kLineFile = 186,           // word file index
  kLine = 71,                // word line, word 1, word line, word length, byte 15
  kSymbolDebug = 181,        // word, word, long 1, word 0xFFFF, word 3, long count, count*(word, word)
  kEndAbsolute = 61,         // word 0, long entry address
  kEndRelative = 62,         // byte segment, long entry offset
  kEnd = 63,                 // no entry address

  // Linker expression tags.
  kPushConstant = 97,     // long
  kPushSegment = 94,      // word segment, long offset
  kPushExternal = 93,     // word external index, long addend (0)
  kSegmentBegin = 95,     // word segment, long addend (0); followed by kAdd
  kSegmentEnd = 96,       // word segment, long addend (0); followed by kAdd
  kPushLocation = 98,     // long addend
  kMessage = 157,         // string
  kCheck = 115,           // long minimum, long maximum
  kCheckFromStack = 158,  // minimum on top, maximum below it, value below that
  kAdd = 99,
  kSub = 100,
  kMul = 101,
  kDiv = 102,
  kMod = 103,
  kNeg = 107,
  kBitAnd = 104,
  kBitOr = 105,
  kBitXor = 106,
  kBitNot = 140,
  kLogNot = 108,
  kLogAnd = 142,
  kLogOr = 143,
  kLogXor = 144,
  kGt = 130,
  kUgt = 131,
  kGe = 132,
  kLt = 134,
  kUlt = 135,
  kLe = 136,
  kEq = 138,
  kNe = 139,
  kShrBy = 170,
  kShlBy = 171,  // shift by the top value
  kShlN = 109,
  kShrN = 110,   // long n
  kByteN = 153,  // long n (0-3)
  kLowWord = 154,
  kHighWord = 155,
  kDate = 169,
  kSwap = 111,
  kDup = 112,
  kDrop = 156,

  // Field tags: the top value fills the next 1, 2, 3 or 4 bytes.
  kField1 = 90,
  kField2 = 91,
  kField3 = 164,
  kField4 = 92,
};

// Segment kinds (tag 75, the value above the low 5 bits).
enum class SegmentKind : uint8_t { Absolute = 0, Relocatable = 1, Stack = 2, Common = 3 };

// Symbol kinds (tag 76).
enum class SymbolKind : uint8_t {
  AbsoluteLabel = 1,
  Relocatable = 2,
  AbsoluteFlagged = 3,
  RelocatableFlagged = 4,
  External = 5,
  AbsoluteTyped = 9,
};

// Base type ids written once per module before the first segment or symbol record.
inline constexpr uint16_t kTypeByte = 100, kTypeWord = 101, kTypeSfr = 102;

// The check of a branch target that the final address is not negative.
inline constexpr int32_t kNotNegativeMin = 0;
inline constexpr int32_t kNotNegativeMax = 0x7FFFFFFF;

// True for tags that take operands off the linker stack or push onto it (expression tags).
bool is_expression_tag(uint8_t tag);
// True for tags 90, 91, 164, 92; field_size gives 1..4 (0 for other tags).
bool is_field_tag(uint8_t tag);
unsigned field_size(uint8_t tag);
// Short name of a tag for dumps ("code2", "push", "add", ...); "?" for an unknown tag.
const char* tag_name(uint8_t tag);

// CRC-16 of a module: polynomial 0x8005, most significant bit first, each input byte
// bit-reversed before it enters the register, initial 0, no final reflection or xor.
class Crc16 {
 public:
  void update(uint8_t byte);
  void update(std::span<const uint8_t> bytes);
  uint16_t value() const { return reg_; }
  void reset() { reg_ = 0; }

 private:
  uint16_t reg_ = 0;
};
uint16_t crc16(std::span<const uint8_t> bytes);

// A value the encoder cannot write (string too long, segment number past 255, ...).
class EncodeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ModuleHeader {
  bool program = true;  // tag 1 (NAME, PROGRAM) or tag 0 (MODULE, LIBRARY)
  uint8_t processor_option = 0;
  uint8_t day = 1;    // 1-31
  uint8_t month = 1;  // 1-12
  uint8_t year = 0;   // year minus 1900
  std::string name;
};

// Appends ZOLEX records to a byte buffer of any length. Words and longs are big-endian,
// code bytes low byte first. Every writer refuses an out-of-range value with EncodeError
// before it appends anything, so a refused record leaves the buffer as it was.
//
// A module is: header(), sign_on(), base_type_definitions() and the declarations, the
// segment contents, then one of the end_module_* calls, which write the end record, the CRC
// of every byte from the header tag on, and the 0xFF that follows a module ended by END.
// Bytes produced elsewhere (for example per statement, for a listing) can be put into their
// own Encoder and appended with raw(); mark_module_start() starts the CRC range when the
// header itself came in through raw().
class Encoder {
 public:
  // Raw numbers.
  Encoder& u8(uint8_t v) {
    buf_.push_back(v);
    return *this;
  }
  Encoder& u16(uint16_t v);
  Encoder& u32(uint32_t v);
  Encoder& str(std::string_view s);  // length byte + characters; over 255 bytes refused
  Encoder& raw(std::span<const uint8_t> bytes);

  // Module frame.
  Encoder& header(const ModuleHeader& h);  // tag 0/1 and its fields; starts the CRC range
  void mark_module_start();
  Encoder& sign_on(uint16_t target, std::string_view text);  // tag 83 (version 1), tag 84
  Encoder& base_type_definitions();                          // the three tag 74 records
  Encoder& type_definition(uint16_t id, uint16_t size_code);
  // Each returns the module's CRC; by_end adds the 0xFF of a module ended by END.
  uint16_t end_module(bool by_end);
  uint16_t end_module_absolute(uint32_t entry, bool by_end);
  uint16_t end_module_relative(unsigned segment, uint32_t offset, bool by_end);

  // Declarations. Segment numbers are those of the file (0 = first user segment), 0..255.
  Encoder& segment_declaration(unsigned segment, SegmentKind kind, unsigned type, unsigned alignment,
                               std::string_view name);
  Encoder& symbol(SymbolKind kind, unsigned segment_or_index, uint32_t value, std::string_view name, uint16_t type);
  Encoder& external(unsigned index, std::string_view name, uint16_t type = 0);

  // Contents.
  Encoder& code8(uint8_t v);
  Encoder& code16(uint16_t v) {  // low byte first
    return u8(kCode2).u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8));
  }
  Encoder& code24(uint32_t v);  // tag 163: 4 bytes, the first 3 are code
  Encoder& code32(uint32_t v);
  Encoder& code_bytes(std::span<const uint8_t> bytes);             // tags 56, then 163/55/54 for the rest
  Encoder& repeat(unsigned size, uint32_t value, uint32_t count);  // size 0-4
  Encoder& absolute_location(uint32_t address);
  Encoder& segment_location(unsigned segment, uint32_t offset);
  Encoder& no_code();

  // Linker expressions (postfix).
  Encoder& push_constant(int32_t v);
  Encoder& push_segment(unsigned segment, uint32_t offset);
  Encoder& push_external(unsigned index);
  Encoder& push_segment_begin(unsigned segment);  // SFB: tag 95 and its add
  Encoder& push_segment_end(unsigned segment);    // SFE: tag 96 and its add
  Encoder& push_location(int32_t addend);
  Encoder& message(std::string_view text);   // tag 157; empty clears
  Encoder& check(int32_t min, int32_t max);  // tag 115
  Encoder& check_from_stack();               // tag 158
  Encoder& op(Tag operator_tag);             // any operator tag without payload
  Encoder& shift_left(uint32_t n);
  Encoder& shift_right(uint32_t n);
  Encoder& byte_of(unsigned n);   // 0-3
  Encoder& field(unsigned size);  // 1-4
  Encoder& drop() { return op(kDrop); }
  // Settled sequences: a range check with its message (157 text, 115, 157 ""), the
  // not-negative check of a branch target, and a deferred LIMIT (157 text, 97 max, 97 min,
  // 158, 157 "").
  Encoder& checked_range(int32_t min, int32_t max, std::string_view message_text);
  Encoder& check_not_negative(std::string_view message_text);
  Encoder& deferred_limit(int32_t min, int32_t max, std::string_view message_text);

  // Source information (listing/debug options).
  Encoder& source_table_start();
  Encoder& source_file(unsigned index, std::string_view name, const uint8_t (&stamp)[6]);
  Encoder& embedded_source(std::string_view main_file, std::span<const std::string> lines);
  Encoder& define(std::string_view name, std::string_view body);
  Encoder& line_file(unsigned index);
  Encoder& line(unsigned line_number, unsigned length);
  Encoder& symbol_debug(uint16_t a, uint16_t b, std::span<const std::pair<uint16_t, uint16_t>> references);

  const std::vector<uint8_t>& bytes() const { return buf_; }
  std::vector<uint8_t> take() { return std::move(buf_); }
  size_t size() const { return buf_.size(); }
  // Room for `bytes` in all without moving what is written (a large image is not held twice
  // while it grows).
  void reserve(size_t bytes) { buf_.reserve(bytes); }
  uint16_t last_crc() const { return last_crc_; }

 private:
  uint16_t finish(bool by_end);
  Encoder& expr_ref(uint8_t tag, unsigned number, const char* what, uint32_t v);

  std::vector<uint8_t> buf_;
  size_t module_start_ = 0;
  uint16_t last_crc_ = 0;
};

// ---- Decoded records ----

struct SegmentDecl {
  uint16_t number = 0;
  uint8_t alignment = 0;
  SegmentKind kind = SegmentKind::Relocatable;
  uint8_t type = 0;
  std::string name;
};

struct Symbol {
  SymbolKind kind = SymbolKind::AbsoluteLabel;
  uint16_t segment_or_index = 0;
  uint32_t value = 0;
  std::string name;
  uint16_t type = 0;
  bool is_external() const { return kind == SymbolKind::External; }
  bool is_relocatable() const { return kind == SymbolKind::Relocatable || kind == SymbolKind::RelocatableFlagged; }
};

// The bytes a record carries: at most six (code records 1-4, a source file's time stamp 6),
// kept in place so that reading a large object makes no allocation per code record.
class RecordBytes {
 public:
  static constexpr size_t kCapacity = 6;
  using value_type = uint8_t;
  using iterator = const uint8_t*;
  using const_iterator = const uint8_t*;
  RecordBytes() = default;
  RecordBytes(std::initializer_list<uint8_t> bytes) { assign(bytes.begin(), bytes.size()); }
  void assign(const uint8_t* bytes, size_t n) {
    if (n > kCapacity) throw std::length_error("record bytes");
    std::copy(bytes, bytes + n, data_);
    size_ = static_cast<uint8_t>(n);
  }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const uint8_t* data() const { return data_; }
  const uint8_t* begin() const { return data_; }
  const uint8_t* end() const { return data_ + size_; }
  uint8_t operator[](size_t i) const { return data_[i]; }
  friend bool operator==(const RecordBytes& a, const RecordBytes& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }
  friend bool operator==(const RecordBytes& a, const std::vector<uint8_t>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }

 private:
  uint8_t data_[kCapacity] = {};
  uint8_t size_ = 0;
};

// One record after the module header, in file order. Which members are used depends on the
// tag: `w` is the word field (segment, index, type id, line), `a` and `b` the long fields
// (value/offset/minimum and count/maximum), `bytes` the code bytes, `text` the string.
struct Item {
  size_t offset = 0;  // file offset of the tag byte
  uint8_t tag = 0;
  uint16_t w = 0;
  uint32_t a = 0, b = 0;
  RecordBytes bytes;
  std::string text;
  std::vector<std::string> lines;                    // tag 70
  std::vector<std::pair<uint16_t, uint16_t>> pairs;  // tag 181
};

struct Module {
  size_t offset = 0, end_offset = 0;  // file range, CRC and trailing 0xFF included
  ModuleHeader header;
  uint8_t format[2] = {0, 0};            // the bytes 6, 5 after the tag
  uint8_t trailer[5] = {0, 0, 0, 0, 0};  // the bytes 189, 6, 0, 0, 0 after the name
  uint16_t version = 0;
  uint16_t target = 0;
  std::string sign_on;
  std::vector<SegmentDecl> segments;
  std::vector<Symbol> publics;
  std::vector<Symbol> externals;
  std::vector<Item> items;  // every record after the header, end record included
  uint16_t stored_crc = 0, computed_crc = 0;
  bool ended_by_end = false;
  bool crc_ok() const { return stored_crc == computed_crc; }
  const SegmentDecl* segment(uint16_t number) const;
  const Symbol* external(uint16_t index) const;
};

struct ObjectFile {
  std::vector<Module> modules;
};

struct DecodeResult {
  bool ok = false;
  std::string error;        // empty when ok
  size_t error_offset = 0;  // file offset the error refers to
  ObjectFile object;
};

// Parses a whole object file. Every length, count, segment number and external index is
// checked against the input; a CRC mismatch is not an error here (see Module::crc_ok).
DecodeResult decode(std::span<const uint8_t> data);

}  // namespace aq71::zolex
