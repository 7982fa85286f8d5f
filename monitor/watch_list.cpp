#include "monitor/watch_list.h"

#include <algorithm>
#include <cstdio>

#include "compiler/operands.h"
#include "monitor/monitor_texts.h"
#include "monitor/print_columns.h"
#include "platform/ansi_text.h"

namespace monitor {
namespace {

constexpr ladder::Color kBlack = 0x000000;
constexpr ladder::Color kRed = 0x0000FF;
constexpr ladder::Color kRuleGrey = 0xC0C0C0;
constexpr int kRowGap = 50;  // twips between a line's rule and the next line

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

enum class Area { P, M, K, F, S, C, T, D, AD, HCNT, CH, G };

struct Prefix {
  std::string_view text;
  Area area;
};

// Longest prefixes first: "CNT" and "CH" are not counters, "AD" and "A" are the AD words.
constexpr Prefix kPrefixes[] = {
    {"CNT", Area::HCNT}, {"CH", Area::CH}, {"AD", Area::AD}, {"P", Area::P}, {"M", Area::M},
    {"K", Area::K},      {"F", Area::F},   {"S", Area::S},   {"C", Area::C}, {"T", Area::T},
    {"D", Area::D},      {"A", Area::AD},  {"G", Area::G},
};

bool IsBitArea(Area a) { return a == Area::P || a == Area::M || a == Area::K || a == Area::F || a == Area::S; }

const platform::AnsiText& AliasAt(const platform::AnsiText* table, int used, long index) {
  static const platform::AnsiText kNone;
  return index >= 0 && index < used ? table[index] : kNone;
}

platform::AnsiText WithAlias(std::string_view device, const platform::AnsiText& alias) {
  platform::AnsiText label(device);
  label += "  ";
  label += compiler::TrimBlanks(alias);
  return label;
}

void ShowSyntaxError(compiler::Studio& studio, const std::string& reason) {
  if (!studio.messages) return;
  const std::string& head = platform::Pick(studio.shell.KoreanMenu, texts::kSyntaxError, texts::kSyntaxErrorKo);
  studio.messages->Show(
      {texts::kErrorCaption, head + reason, platform::MsgIcon::Information, platform::MsgButtons::Ok});
}

int UsedCount(const compiler::WatchList& list) { return std::clamp<int>(list.WatchCount, 0, compiler::kWatchSlots); }

// The watch list is saved with the program: every change of it is a change of the program.
void Edited(compiler::Studio& studio) { studio.shell.SourceSaved = false; }

void Append(compiler::Studio& studio, const WatchSlot& slot) {
  compiler::WatchList& list = studio.watch;
  const int i = UsedCount(list);
  list.WatchName[i] = slot.name;
  list.WatchAddr[i] = slot.addr;
  list.WatchMask[i] = slot.mask;
  list.WatchKind[i] = slot.kind;
  list.WatchCount = static_cast<int16_t>(i + 1);
  Edited(studio);
}

}  // namespace

WatchParse ParseWatchDevice(const compiler::ProgramDocument& doc, const compiler::DeviceMap& map,
                            std::string_view deviceUpper) {
  WatchParse out;
  const std::string_view text = compiler::TrimBlanks(deviceUpper);
  const Prefix* prefix = nullptr;
  for (const Prefix& p : kPrefixes) {
    if (text.substr(0, p.text.size()) == p.text) {
      prefix = &p;
      break;
    }
  }
  if (!prefix || text.size() <= prefix->text.size() || !IsDigit(text[prefix->text.size()])) return out;

  const auto bad = [&](const char* reason) {
    out.status = WatchParse::kBad;
    out.reason = reason;
    return out;
  };
  size_t i = prefix->text.size();
  long word = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    word = word * 10 + (text[i] - '0');
    if (word > 32767) return bad("Invalid Number !");
  }
  long bit = 0;
  const Area area = prefix->area;
  if (IsBitArea(area) && i < text.size() && text[i] == ':') {
    if (i + 1 >= text.size() || !IsDigit(text[i + 1])) return bad("Invalid Charactor on BIT position");
    bit = text[i + 1] - '0';
    if (bit > 7) return bad("Use 0 ~ 7 on BIT position");
    i += 2;
    if (i < text.size() && IsDigit(text[i])) return bad("Use 0 ~ 7 on BIT position");
  }
  if (i != text.size()) return bad("Invalid Number !");

  WatchSlot& s = out.slot;
  const std::string_view device = text;
  long count = 0;
  switch (area) {
    case Area::P:
      count = map.CountP, s.addr = map.AddrP + word;
      s.name = WithAlias(device, AliasAt(doc.AliasP.data(), compiler::kAliasPUsed, word * 8 + bit));
      break;
    case Area::M:
      count = map.CountM, s.addr = map.AddrM + word;
      s.name = WithAlias(device, AliasAt(doc.AliasM.data(), compiler::kAliasMUsed, word * 8 + bit));
      break;
    case Area::K:
      count = map.CountK, s.addr = map.AddrK + word;
      s.name = WithAlias(device, AliasAt(doc.AliasK.data(), compiler::kAliasKUsed, word * 8 + bit));
      break;
    case Area::F:
      count = map.CountF, s.addr = map.AddrF + word, s.name = device;
      break;
    case Area::S:
      count = map.CountS, s.addr = map.AddrS + word, s.name = device;
      break;
    case Area::C:
      count = map.CountC, s.kind = kWatchCounter, s.addr = map.AddrC + 2 * word, s.mask = map.AddrCF + word;
      s.name = WithAlias(device, AliasAt(doc.AliasC.data(), compiler::kAliasCUsed, word));
      break;
    case Area::T:
      count = map.CountT, s.kind = kWatchTimer, s.addr = map.AddrT + 2 * word;
      s.name = WithAlias(device, AliasAt(doc.AliasT.data(), compiler::kAliasTUsed, word));
      break;
    case Area::D:
      count = map.CountD, s.kind = kWatchWord, s.addr = map.AddrD + 2 * word, s.name = device;
      break;
    case Area::AD:
      count = map.CountAD, s.kind = kWatchWord, s.addr = map.AddrAD + 2 * word, s.name = device;
      break;
    case Area::HCNT:
      count = map.CountHCNT, s.kind = kWatchWord, s.addr = map.AddrHCNT + 2 * word, s.name = device;
      break;
    case Area::CH:
      count = map.CountCH, s.kind = kWatchByte, s.addr = map.AddrCH + word, s.name = device;
      break;
    case Area::G:
      count = map.CountG, s.kind = kWatchByte, s.addr = map.AddrG + word, s.name = device;
      break;
  }
  if (IsBitArea(area)) {
    s.kind = kWatchBit;
    s.mask = static_cast<int16_t>(1 << bit);
    if (word * 8 + bit >= count) return bad("Invalid Number !");
  } else if (word >= count) {
    return bad("Invalid Number !");
  }
  out.status = WatchParse::kEntry;
  return out;
}

platform::AnsiText NormalizeWatchText(const compiler::ProgramDocument& doc, std::string_view typed) {
  const platform::AnsiText device = compiler::AliasToDevice(doc, compiler::AnsiUpper(compiler::TrimBlanks(typed)));
  if (!device.empty() && !compiler::TrimBlanks(typed).empty()) return device;
  platform::AnsiText text(typed);
  if (text.find(':') == std::string::npos && text.size() >= 3 && IsDigit(text[1])) {
    const char first = compiler::AnsiUpper(text.substr(0, 1))[0];
    if (std::string_view("MPFSK").find(first) != std::string_view::npos) text.insert(text.size() - 1, ":");
  }
  return text;
}

bool AddWatchByText(compiler::Studio& studio, std::string& text) {
  if (!studio.monitor.MonitorOn() || text.empty()) return false;
  const platform::AnsiText typed = platform::Utf8ToAnsi(text).value_or(text);
  const platform::AnsiText normal = NormalizeWatchText(studio.doc, typed);
  text = platform::AnsiToUtf8Lossy(normal);

  const platform::AnsiText upper = compiler::AnsiUpper(normal);
  const compiler::ProgramDocument& doc = studio.doc;
  std::string reason;
  if (compiler::CheckInstructionOperand(upper, doc.TypeAt(doc.CurCol, doc.CurRow), studio.editor.EditCellType,
                                        reason)) {
    ShowSyntaxError(studio, reason);
    return false;
  }
  const WatchParse parse = ParseWatchDevice(doc, studio.monitor.map, upper);
  if (parse.status == WatchParse::kBad) {
    ShowSyntaxError(studio, parse.reason);
    return false;
  }
  if (UsedCount(studio.watch) >= kWatchAddLimit) {
    if (studio.messages) {
      studio.messages->Show({texts::kErrorCaption,
                             platform::Pick(studio.shell.KoreanMenu, texts::kWatchFull, texts::kWatchFullKo),
                             platform::MsgIcon::Information, platform::MsgButtons::Ok});
    }
    return false;
  }
  if (parse.status != WatchParse::kEntry) return false;
  Append(studio, parse.slot);
  return true;
}

bool AddWatchFromCell(compiler::Studio& studio, bool watchPageVisible) {
  const compiler::ProgramDocument& doc = studio.doc;
  const platform::AnsiText& cell = doc.TextAt(doc.CurCol, doc.CurRow);
  if (!studio.monitor.MonitorOn() || !watchPageVisible || cell.empty()) return false;
  if (UsedCount(studio.watch) >= kWatchAddLimit) return false;
  const platform::AnsiText upper = compiler::AnsiUpper(cell);
  static constexpr std::string_view kBoxes[] = {"TON", "TOFF",    "TAON",    "TAOFF",  "CTU",
                                                "CTD", "STEPOUT", "STEPSET", "SETOUT", "RSTOUT"};
  const platform::AnsiText first = compiler::GetField(upper, 1);
  platform::AnsiText operand = upper;
  if (std::find(std::begin(kBoxes), std::end(kBoxes), first) != std::end(kBoxes)) {
    operand = compiler::GetField(upper, 2);
  }
  const WatchParse parse = ParseWatchDevice(doc, studio.monitor.map, operand);
  if (parse.status != WatchParse::kEntry) return false;
  Append(studio, parse.slot);
  return true;
}

bool RemoveWatchAt(compiler::Studio& studio, int y, int lineHeight) {
  if (!studio.monitor.MonitorOn() || y < 0) return false;
  compiler::WatchList& list = studio.watch;
  const int row = y / (std::max(lineHeight, 0) + kRowGap);
  const int count = UsedCount(list);
  if (row >= count) return false;
  for (int i = row; i < compiler::kWatchSlots - 1; ++i) {
    list.WatchName[i] = list.WatchName[i + 1];
    list.WatchAddr[i] = list.WatchAddr[i + 1];
    list.WatchMask[i] = list.WatchMask[i + 1];
    list.WatchKind[i] = list.WatchKind[i + 1];
  }
  list.WatchCount = static_cast<int16_t>(count - 1);
  Edited(studio);
  return true;
}

void ClearWatch(compiler::Studio& studio) {
  if (studio.watch.WatchCount != 0) Edited(studio);
  studio.watch.WatchCount = 0;
}

std::string DisplayNumber(long value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, value < 0 ? "%ld " : " %ld ", value);
  return buf;
}

WatchValue FormatWatchValue(int kind, int mask, DeviceWord w, std::optional<uint8_t> flagByte) {
  WatchValue v;
  const long word = static_cast<long>(w.b0) * 256 + w.b1;
  switch (kind) {
    case kWatchByte:
      v.number = DisplayNumber(w.b0);
      break;
    case kWatchBit:
      v.column = 18;
      v.stateOn = (w.b0 & mask) != 0;
      v.state = v.stateOn ? "    On" : "    Off";
      break;
    case kWatchCounter:
      v.stateOn = flagByte && *flagByte >= 128;
      v.state = v.stateOn ? "On" : "Off";
      v.number = "   " + DisplayNumber(word);
      break;
    case kWatchTimer:
      v.stateOn = w.b0 >= 128;
      v.state = v.stateOn ? "On" : "Off";
      v.number = "   " + DisplayNumber(word & 0x7FFF);
      break;
    case kWatchWord: {
      char hex[8];
      std::snprintf(hex, sizeof hex, "%lX", word);
      v.number = std::string("  ") + hex + "   " + DisplayNumber(word);
      break;
    }
    default:
      break;
  }
  return v;
}

void RefreshWatch(const compiler::WatchList& list, const compiler::MonitorState& monitor, DeviceReader& reader,
                  ladder::DrawingSurface& surface) {
  surface.Clear();
  const int count = UsedCount(list);
  if (!monitor.MonitorOn() || count == 0) return;
  surface.SetDrawMode(ladder::DrawMode::Copy);
  surface.SetForeColor(kBlack);
  const int lineHeight = surface.TextHeight("A");
  int y = 0;
  for (int i = 0; i < count; ++i) {
    const int kind = list.WatchKind[i];
    const std::optional<DeviceWord> w = reader.ReadDeviceWord(list.WatchAddr[i]);
    if (!w) return;
    std::optional<uint8_t> flag;
    if (kind == kWatchCounter) {
      const std::optional<DeviceWord> f = reader.ReadDeviceWord(list.WatchMask[i]);
      if (!f) return;
      flag = f->b0;
    }
    surface.SetTextPos(ColumnX(surface, 3), y);
    surface.PrintInline(platform::AnsiToUtf8Lossy(list.WatchName[i]));
    const WatchValue v = FormatWatchValue(kind, list.WatchMask[i], *w, flag);
    if (!v.state.empty() || !v.number.empty()) {
      surface.SetTextPos(ColumnX(surface, v.column), y);
      if (!v.state.empty()) {
        surface.SetForeColor(v.stateOn ? kRed : kBlack);
        surface.PrintInline(v.state);
        surface.SetForeColor(kBlack);
      }
      surface.PrintInline(v.number);
    }
    y += lineHeight;
    surface.Line(0, y, surface.Width(), y, kRuleGrey);
    y += kRowGap;
    surface.SetForeColor(kBlack);
    if (y > surface.Height()) return;
  }
}

}  // namespace monitor
