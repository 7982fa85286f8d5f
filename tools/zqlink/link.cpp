#include "link.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <map>
#include <ostream>
#include <set>

namespace zqlink {

namespace z = aq71::zolex;

namespace {

std::string hex(uint64_t v) {
  char b[24];
  std::snprintf(b, sizeof b, "0x%04" PRIX64, v);
  return b;
}

// Segment types whose contents are program memory and go into the image: UNTYPED, CODE,
// CONST. The others (DATA, XDATA, IDATA, BIT, REGISTER) are data memory: they are placed
// so that their labels get addresses, but they may hold no bytes.
bool is_code_type(uint8_t type) { return type == 0 || type == 1 || type == 7; }

struct Diag {
  std::ostream& out;
  unsigned errors = 0;
  void error(const std::string& m) {
    out << "zqlink: error: " << m << '\n';
    ++errors;
  }
  void warning(const std::string& m) { out << "zqlink: warning: " << m << '\n'; }
};

// Thrown to stop walking one module after a malformed expression.
struct StopModule {};

struct Mod {
  const z::Module* m = nullptr;
  const std::string* file = nullptr;
  bool loaded = false;
  std::map<uint16_t, const z::Symbol*> externals;       // by external index
  std::map<uint16_t, uint64_t> seg_size;                // pass 1: size of each part
  std::vector<std::pair<uint64_t, uint64_t>> abs_runs;  // pass 1: absolute bytes [begin, end)
  std::string where() const { return "module \"" + m->header.name + "\" (" + *file + ")"; }
};

struct Merged {
  std::string name;
  z::SegmentKind kind = z::SegmentKind::Relocatable;
  uint8_t type = 0;
  unsigned align = 0;
  uint64_t size = 0;
  uint64_t start = 0;
  bool placed = false;
  bool range_given = false;  // a -Z range named it (placed or reported as not fitting)
  bool code_space() const { return is_code_type(type); }
};

struct Part {
  size_t merged = 0;
  uint64_t offset = 0;
};

uint64_t align_up(uint64_t v, unsigned exponent) {
  const uint64_t a = uint64_t{1} << exponent;
  return (v + a - 1) & ~(a - 1);
}

class Linker {
 public:
  Linker(std::ostream& out) : diag_{out} {}
  LinkResult run(std::span<const InputFile> inputs, std::span<const Placement> placements);
  unsigned error_count() const { return diag_.errors; }

 private:
  void load_modules();
  void load(size_t mi);
  void pass1(Mod& md);
  void merge_segments();
  void check_absolute_overlaps();
  void place(std::span<const Placement> placements);
  void pass2(Mod& md, size_t mi);
  uint32_t symbol_value(size_t mi, const z::Symbol& s) const;
  const Part& part(size_t mi, uint16_t seg) const { return parts_.at({mi, seg}); }

  Diag diag_;
  std::vector<z::ObjectFile> objects_;
  std::vector<Mod> mods_;
  std::map<std::string, std::pair<size_t, const z::Symbol*>> publics_;
  // Names public in several modules that all carry debugger records: the assembler makes every
  // label of such a module public for the debugger, so only a name some module uses is a clash.
  std::map<std::string, std::string> debug_duplicates_;
  std::vector<Merged> merged_;
  std::map<std::pair<size_t, uint16_t>, Part> parts_;
  std::vector<uint8_t> image_;
  uint64_t top_ = 0;
  std::tm now_{};
};

bool has_debug_records(const z::Module& m) {
  for (const z::Item& it : m.items)
    if (it.tag == z::kSourceTableStart) return true;
  return false;
}

void Linker::load(size_t mi) {
  Mod& md = mods_[mi];
  md.loaded = true;
  for (const auto& s : md.m->publics) {
    auto [it, fresh] = publics_.emplace(s.name, std::make_pair(mi, &s));
    if (fresh) continue;
    std::string text =
        "duplicate public symbol \"" + s.name + "\" in " + md.where() + " and " + mods_[it->second.first].where();
    if (has_debug_records(*md.m) && has_debug_records(*mods_[it->second.first].m))
      debug_duplicates_.emplace(s.name, std::move(text));
    else
      diag_.error(text);
  }
}

// Program modules are always loaded; a library module only when it defines a symbol that a
// loaded module still needs.
void Linker::load_modules() {
  for (size_t i = 0; i < mods_.size(); ++i)
    if (mods_[i].m->header.program) load(i);
  for (bool changed = true; changed;) {
    changed = false;
    std::set<std::string> needed;
    for (const auto& md : mods_)
      if (md.loaded)
        for (const auto& e : md.m->externals)
          if (!publics_.count(e.name)) needed.insert(e.name);
    for (size_t i = 0; i < mods_.size() && !changed; ++i) {
      if (mods_[i].loaded) continue;
      for (const auto& s : mods_[i].m->publics)
        if (needed.count(s.name)) {
          load(i);
          changed = true;
          break;
        }
    }
  }
  for (const auto& md : mods_)
    if (md.loaded)
      for (const auto& e : md.m->externals)
        if (!publics_.count(e.name)) diag_.error("unresolved external symbol \"" + e.name + "\" in " + md.where());
  for (const auto& [name, text] : debug_duplicates_) {
    bool used = false;
    for (const auto& md : mods_)
      if (md.loaded)
        for (const auto& e : md.m->externals) used = used || e.name == name;
    if (used) diag_.error(text);
  }
}

// Sizes of the segment parts and the ranges of absolute bytes.
void Linker::pass1(Mod& md) {
  bool abs = true;
  uint16_t seg = 0;
  uint64_t loc = 0;
  auto advance = [&](uint64_t n) {
    if (n == 0) return true;
    if (loc + n > 0x100000000ull) {
      diag_.error(md.where() + ": location counter passes 0xFFFFFFFF");
      return false;
    }
    if (abs) {
      if (!md.abs_runs.empty() && md.abs_runs.back().second == loc)
        md.abs_runs.back().second += n;
      else
        md.abs_runs.emplace_back(loc, loc + n);
    }
    loc += n;
    if (!abs) md.seg_size[seg] = std::max(md.seg_size[seg], loc);
    return true;
  };
  for (const auto& it : md.m->items) {
    bool ok = true;
    switch (it.tag) {
      case z::kAbsoluteLocation:
        abs = true;
        loc = it.a;
        break;
      case z::kSegmentLocation:
        abs = false;
        seg = it.w;
        loc = it.a;
        md.seg_size[seg] = std::max(md.seg_size[seg], loc);
        break;
      case z::kCode1:
      case z::kCode2:
      case z::kCode3:
      case z::kCode4:
        ok = advance(it.bytes.size());
        break;
      case z::kRepeat:
        ok = advance(uint64_t{it.w} * it.b);
        break;
      default:
        if (z::is_field_tag(it.tag)) ok = advance(z::field_size(it.tag));
    }
    if (!ok) return;
  }
}

// Joins the parts of equally named segments: RSEG and STACK parts one after the other, each
// at its own alignment; COMMON parts on top of one another.
void Linker::merge_segments() {
  std::map<std::string, size_t> by_name;
  for (size_t mi = 0; mi < mods_.size(); ++mi) {
    Mod& md = mods_[mi];
    if (!md.loaded) continue;
    for (const auto& d : md.m->segments) {
      if (d.alignment > 31) {
        diag_.error(md.where() + ": segment \"" + d.name + "\" has alignment " + std::to_string(d.alignment) +
                    " (at most 31)");
        continue;
      }
      auto [it, fresh] = by_name.emplace(d.name, merged_.size());
      if (fresh) {
        Merged g;
        g.name = d.name;
        g.kind = d.kind == z::SegmentKind::Absolute ? z::SegmentKind::Relocatable : d.kind;
        g.type = d.type;
        merged_.push_back(g);
      }
      Merged& g = merged_[it->second];
      const auto kind = d.kind == z::SegmentKind::Absolute ? z::SegmentKind::Relocatable : d.kind;
      if ((kind == z::SegmentKind::Common) != (g.kind == z::SegmentKind::Common)) {
        diag_.error("segment \"" + d.name + "\" is COMMON in one module and not in another (" + md.where() + ")");
        continue;
      }
      if (is_code_type(d.type) != g.code_space())
        diag_.error("segment \"" + d.name + "\" is declared for program and for data memory (" + md.where() + ")");
      g.align = std::max<unsigned>(g.align, d.alignment);
      const uint64_t size = md.seg_size.count(d.number) ? md.seg_size[d.number] : 0;
      Part p{it->second, 0};
      if (g.kind == z::SegmentKind::Common) {
        g.size = std::max(g.size, size);
      } else {
        p.offset = align_up(g.size, d.alignment);
        g.size = p.offset + size;
      }
      parts_[{mi, d.number}] = p;
    }
  }
}

void Linker::check_absolute_overlaps() {
  struct Run {
    uint64_t begin, end;
    size_t mi;
  };
  std::vector<Run> runs;
  for (size_t mi = 0; mi < mods_.size(); ++mi)
    if (mods_[mi].loaded)
      for (const auto& r : mods_[mi].abs_runs) runs.push_back({r.first, r.second, mi});
  std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.begin < b.begin; });
  size_t far = 0;  // the run that reaches furthest so far
  for (size_t i = 1; i < runs.size(); ++i) {
    if (runs[i].begin < runs[far].end)
      diag_.error("absolute code at " + hex(runs[i].begin) + " of " + mods_[runs[i].mi].where() +
                  " overlaps absolute code of " + mods_[runs[far].mi].where());
    if (runs[i].end > runs[far].end) far = i;
  }
}

// Places each segment named by a -Z option at the lowest address of its range, aligned, that
// does not overlap absolute code or a segment placed before it in the same memory.
void Linker::place(std::span<const Placement> placements) {
  std::vector<std::pair<uint64_t, uint64_t>> used_code, used_data;
  for (const auto& md : mods_)
    if (md.loaded) used_code.insert(used_code.end(), md.abs_runs.begin(), md.abs_runs.end());
  std::set<std::string> seen;
  for (const auto& pl : placements) {
    if (!seen.insert(pl.name).second) {
      diag_.error("segment \"" + pl.name + "\" is given more than one -Z range");
      continue;
    }
    auto g = std::find_if(merged_.begin(), merged_.end(), [&](const Merged& m) { return m.name == pl.name; });
    if (g == merged_.end()) continue;  // a range for a segment no module uses
    g->range_given = true;
    auto& used = g->code_space() ? used_code : used_data;
    uint64_t at = align_up(pl.start, g->align);
    for (bool moved = true; moved && g->size > 0;) {
      moved = false;
      for (const auto& u : used)
        if (at < u.second && u.first < at + g->size) {
          at = align_up(u.second, g->align);
          moved = true;
        }
    }
    if (at + g->size > uint64_t{pl.end} + 1 || (g->size == 0 && at > pl.end)) {
      diag_.error("segment \"" + g->name + "\" (" + std::to_string(g->size) + " bytes) does not fit in " +
                  hex(pl.start) + "-" + hex(pl.end));
      continue;
    }
    g->start = at;
    g->placed = true;
    if (g->size > 0) used.emplace_back(at, at + g->size);
  }
  for (const auto& g : merged_)
    if (!g.placed && !g.range_given && g.size > 0)
      diag_.error("segment \"" + g.name + "\" has no address range (-Z " + g.name + "=START-END)");
}

uint32_t Linker::symbol_value(size_t mi, const z::Symbol& s) const {
  if (!s.is_relocatable()) return s.value;
  const Part& p = part(mi, s.segment_or_index);
  return static_cast<uint32_t>(merged_[p.merged].start + p.offset + s.value);
}

// Writes the bytes of one module and evaluates its linker expressions.
void Linker::pass2(Mod& md, size_t mi) {
  bool abs = true;
  uint16_t seg = 0;
  uint64_t loc = 0;
  std::vector<uint32_t> stack;
  std::string message;
  std::set<std::string> reported;

  auto base = [&]() -> uint64_t {
    if (abs) return 0;
    const Part& p = part(mi, seg);
    return merged_[p.merged].start + p.offset;
  };
  auto report_once = [&](const std::string& key, const std::string& text) {
    if (reported.insert(key).second) diag_.error(text);
  };
  // Checks that n bytes may be written at the location; advances the location either way.
  auto writable = [&](uint64_t n, uint64_t& address) {
    address = base() + loc;
    loc += n;
    if (n == 0) return false;
    if (!abs) {
      const Merged& g = merged_[part(mi, seg).merged];
      if (!g.code_space()) {
        report_once("data:" + g.name,
                    md.where() + ": segment \"" + g.name + "\" lies in data memory and cannot hold code bytes");
        return false;
      }
    }
    if (address + n > kImageLimit) {
      report_once("limit", md.where() + ": code at " + hex(address) +
                               " lies beyond the 64 KiB an Intel HEX image without address records can hold");
      return false;
    }
    top_ = std::max(top_, address + n);
    return true;
  };
  auto pop = [&]() {
    if (stack.empty()) {
      diag_.error(md.where() + ": malformed linker expression (stack underflow)");
      throw StopModule{};
    }
    uint32_t v = stack.back();
    stack.pop_back();
    return v;
  };
  auto top = [&]() -> uint32_t& {
    if (stack.empty()) {
      diag_.error(md.where() + ": malformed linker expression (stack underflow)");
      throw StopModule{};
    }
    return stack.back();
  };
  auto range_check = [&](int32_t min, int32_t max) {
    const int32_t v = static_cast<int32_t>(top());
    if (v >= min && v <= max) return;
    std::string text = md.where() + ": value " + std::to_string(v) + " at " + hex(base() + loc) + " out of range [" +
                       std::to_string(min) + ", " + std::to_string(max) + "]";
    size_t first = message.find_first_not_of('\n');
    if (first != std::string::npos) text += "\n" + message.substr(first);
    diag_.error(text);
  };

  try {
    for (const auto& it : md.m->items) {
      uint64_t address = 0;
      switch (it.tag) {
        case z::kAbsoluteLocation:
          abs = true;
          loc = it.a;
          break;
        case z::kSegmentLocation:
          abs = false;
          seg = it.w;
          loc = it.a;
          break;
        case z::kCode1:
        case z::kCode2:
        case z::kCode3:
        case z::kCode4:
          if (writable(it.bytes.size(), address))
            std::copy(it.bytes.begin(), it.bytes.end(), image_.begin() + static_cast<ptrdiff_t>(address));
          break;
        case z::kRepeat:
          if (writable(uint64_t{it.w} * it.b, address))
            for (uint64_t i = 0; i < uint64_t{it.w} * it.b; ++i)
              image_[address + i] = static_cast<uint8_t>(it.a >> (8 * (i % it.w)));
          break;
        case z::kEnd:
        case z::kEndAbsolute:
        case z::kEndRelative:
          if (!stack.empty())
            diag_.error(md.where() + ": " + std::to_string(stack.size()) +
                        " linker expression value(s) left over at the module end");
          return;

        case z::kPushConstant:
          stack.push_back(it.a);
          break;
        case z::kPushSegment: {
          const Part& p = part(mi, it.w);
          stack.push_back(static_cast<uint32_t>(merged_[p.merged].start + p.offset + it.a));
          break;
        }
        case z::kPushExternal: {
          auto pub = publics_.find(md.externals.at(it.w)->name);
          uint32_t v = pub == publics_.end() ? 0 : symbol_value(pub->second.first, *pub->second.second);
          stack.push_back(v + it.a);
          break;
        }
        case z::kSegmentBegin:
        case z::kSegmentEnd: {
          const Merged& g = merged_[part(mi, it.w).merged];
          stack.push_back(static_cast<uint32_t>(it.tag == z::kSegmentBegin ? g.start : g.start + g.size));
          stack.push_back(it.a);  // the add that follows joins the two
          break;
        }
        case z::kPushLocation:
          stack.push_back(static_cast<uint32_t>(base() + loc + it.a));
          break;
        case z::kMessage:
          message = it.text;
          break;
        case z::kCheck:
          range_check(static_cast<int32_t>(it.a), static_cast<int32_t>(it.b));
          break;
        case z::kCheckFromStack: {
          int32_t min = static_cast<int32_t>(pop());
          int32_t max = static_cast<int32_t>(pop());
          range_check(min, max);
          break;
        }
        case z::kNeg:
          top() = 0u - top();
          break;
        case z::kBitNot:
          top() = ~top();
          break;
        case z::kLogNot:
          top() = top() == 0;
          break;
        case z::kLowWord:
          top() &= 0xFFFF;
          break;
        case z::kHighWord:
          top() >>= 16;
          break;
        case z::kShlN:
          top() <<= (it.a & 31);
          break;
        case z::kShrN:
          top() >>= (it.a & 31);
          break;
        case z::kByteN:
          top() = (top() >> (8 * it.a)) & 0xFF;
          break;
        case z::kDup:
          stack.push_back(top());
          break;
        case z::kDrop:
          pop();
          break;
        case z::kSwap: {
          uint32_t b = pop(), a = pop();
          stack.push_back(b);
          stack.push_back(a);
          break;
        }
        case z::kDate: {
          uint32_t n = pop();
          const int parts[] = {now_.tm_sec, now_.tm_min, now_.tm_hour, now_.tm_mday, now_.tm_mon + 1, now_.tm_year};
          if (n < 1 || n > 6) {
            diag_.error(md.where() + ": DATE " + std::to_string(static_cast<int32_t>(n)) + " out of range 1-6");
            n = 1;
          }
          stack.push_back(static_cast<uint32_t>(parts[n - 1]));
          break;
        }
        default:
          if (z::is_field_tag(it.tag)) {
            const unsigned n = z::field_size(it.tag);
            uint32_t v = pop();
            if (writable(n, address))
              for (unsigned i = 0; i < n; ++i) image_[address + i] = static_cast<uint8_t>(v >> (8 * i));
          } else if (z::is_expression_tag(it.tag)) {
            const uint32_t b = pop(), a = pop();
            const int32_t sa = static_cast<int32_t>(a), sb = static_cast<int32_t>(b);
            uint32_t r = 0;
            switch (it.tag) {
              case z::kAdd:
                r = a + b;
                break;
              case z::kSub:
                r = a - b;
                break;
              case z::kMul:
                r = a * b;
                break;
              case z::kDiv:
              case z::kMod:
                if (b == 0) {
                  diag_.warning(md.where() + ": division by zero at " + hex(base() + loc));
                  r = it.tag == z::kDiv ? 0xFFFFFFFFu : 0;
                } else if (sb == -1) {
                  r = it.tag == z::kDiv ? 0u - a : 0;  // no overflow trap for INT_MIN / -1
                } else {
                  r = static_cast<uint32_t>(it.tag == z::kDiv ? sa / sb : sa % sb);
                }
                break;
              case z::kBitAnd:
                r = a & b;
                break;
              case z::kBitOr:
                r = a | b;
                break;
              case z::kBitXor:
                r = a ^ b;
                break;
              case z::kLogAnd:
                r = a && b;
                break;
              case z::kLogOr:
                r = a || b;
                break;
              case z::kLogXor:
                r = (a != 0) != (b != 0);
                break;
              case z::kGt:
                r = sa > sb;
                break;
              case z::kUgt:
                r = a > b;
                break;
              case z::kGe:
                r = sa >= sb;
                break;
              case z::kLt:
                r = sa < sb;
                break;
              case z::kUlt:
                r = a < b;
                break;
              case z::kLe:
                r = sa <= sb;
                break;
              case z::kEq:
                r = a == b;
                break;
              case z::kNe:
                r = a != b;
                break;
              case z::kShrBy:
                r = a >> (b & 31);
                break;
              case z::kShlBy:
                r = a << (b & 31);
                break;
              default:
                break;
            }
            stack.push_back(r);
          }
          break;
      }
    }
  } catch (const StopModule&) {
  }
}

LinkResult Linker::run(std::span<const InputFile> inputs, std::span<const Placement> placements) {
  LinkResult res;
  std::time_t t = std::time(nullptr);
  if (std::tm* lt = std::localtime(&t)) now_ = *lt;

  objects_.reserve(inputs.size());
  for (const auto& in : inputs) {
    z::DecodeResult d = z::decode(in.data);
    if (!d.ok) {
      diag_.error(in.name + ": offset " + hex(d.error_offset) + ": " + d.error);
      continue;
    }
    objects_.push_back(std::move(d.object));
    for (const auto& m : objects_.back().modules) {
      if (!m.crc_ok())
        diag_.error(in.name + ": module \"" + m.header.name + "\": CRC error (stored " + hex(m.stored_crc) +
                    ", computed " + hex(m.computed_crc) + ")");
      Mod md;
      md.m = &m;
      md.file = &in.name;
      for (const auto& e : m.externals) md.externals[e.segment_or_index] = &e;
      mods_.push_back(std::move(md));
    }
  }
  if (diag_.errors) return res;
  if (std::none_of(mods_.begin(), mods_.end(), [](const Mod& m) { return m.m->header.program; })) {
    diag_.error("no program module in the input");
    return res;
  }
  load_modules();
  for (auto& md : mods_)
    if (md.loaded) pass1(md);
  if (diag_.errors) return res;
  merge_segments();
  check_absolute_overlaps();
  place(placements);
  if (diag_.errors) return res;

  image_.assign(kImageLimit, 0xFF);
  for (size_t mi = 0; mi < mods_.size(); ++mi)
    if (mods_[mi].loaded) pass2(mods_[mi], mi);
  res.errors = diag_.errors;
  for (const auto& g : merged_)
    res.segments.push_back(
        {g.name, g.kind, g.type, g.code_space(), static_cast<uint32_t>(g.start), static_cast<uint32_t>(g.size)});
  for (const auto& md : mods_)
    if (md.loaded) res.loaded_modules.push_back(md.m->header.name);
  if (diag_.errors) return res;
  image_.resize(top_);
  res.image = std::move(image_);
  res.ok = true;
  return res;
}

}  // namespace

LinkResult link(std::span<const InputFile> inputs, std::span<const Placement> placements, std::ostream& diag) {
  Linker l(diag);
  LinkResult r = l.run(inputs, placements);
  r.errors = l.error_count();
  return r;
}

std::string intel_hex(std::span<const uint8_t> image) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  // 11 characters of record head, two per byte, checksum and CR LF per 16 bytes.
  out.reserve((image.size() + 15) / 16 * 13 + image.size() * 2 + 13);
  auto byte = [&](unsigned v) {
    out += kDigits[v >> 4 & 15];
    out += kDigits[v & 15];
  };
  for (size_t at = 0; at < image.size(); at += 16) {
    const size_t n = std::min<size_t>(16, image.size() - at);
    unsigned sum = static_cast<unsigned>(n + (at >> 8) + (at & 0xFF));
    out += ':';
    byte(static_cast<unsigned>(n));
    // The address field has at least four digits, more for an address past 0xFFFF.
    int digits = 4;
    while (digits < 16 && (at >> (4 * digits)) != 0) ++digits;
    for (int d = digits - 1; d >= 0; --d) out += kDigits[at >> (4 * d) & 15];
    out += "00";
    for (size_t i = 0; i < n; ++i) {
      byte(image[at + i]);
      sum += image[at + i];
    }
    byte((0x100 - (sum & 0xFF)) & 0xFF);
    out += "\r\n";
  }
  out += ":00000001FF\r\n";
  return out;
}

bool parse_placement(const std::string& text, Placement& out, std::string& error) {
  const size_t eq = text.find('=');
  const size_t dash = eq == std::string::npos ? eq : text.find('-', eq);
  if (eq == std::string::npos || eq == 0 || dash == std::string::npos) {
    error = "expected NAME=START-END in \"" + text + "\"";
    return false;
  }
  auto number = [&](const std::string& s, uint32_t& v) {
    if (s.empty() || s.size() > 8 || s.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
    v = static_cast<uint32_t>(std::stoul(s, nullptr, 16));
    return true;
  };
  out.name = text.substr(0, eq);
  if (!number(text.substr(eq + 1, dash - eq - 1), out.start) || !number(text.substr(dash + 1), out.end)) {
    error = "bad hexadecimal address in \"" + text + "\"";
    return false;
  }
  if (out.end < out.start) {
    error = "range end below its start in \"" + text + "\"";
    return false;
  }
  return true;
}

}  // namespace zqlink
