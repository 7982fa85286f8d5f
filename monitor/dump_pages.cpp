#include "monitor/dump_pages.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "monitor/device_map.h"
#include "monitor/print_columns.h"
#include "platform/ansi_text.h"

namespace monitor {
namespace {

constexpr ladder::Color kBlack = 0x000000;
constexpr ladder::Color kWhite = 0xFFFFFF;
constexpr ladder::Color kRed = 0x0000FF;
constexpr ladder::Color kGreen = 0x00FF00;
constexpr ladder::Color kRuleGrey = 0xC0C0C0;
constexpr int kStateX = 2000;  // x of "On"/"Off" on the C and T pages
constexpr int kBandGap = 30;   // added to the text height for the band pitch

bool Monitoring(const compiler::Studio& studio) { return studio.monitor.MonitorOn(); }

bool IsBitTab(int tab) { return tab >= kTabP && tab <= kTabK; }

char BitLetter(int tab) { return "?PMFSK"[IsBitTab(tab) ? tab : 0]; }

const char* ItemName(int tab) {
  switch (tab) {
    case kTabCH:
      return "CH";
    case kTabG:
      return "G";
    case kTabC:
      return "C";
    case kTabT:
      return "T";
    case kTabD:
      return "D";
    case kTabAD:
      return "AD";
    case kTabHCNT:
      return "HCNT";
    default:
      return "";
  }
}

// Alias of bit n on the P, M and K pages; nothing beyond a table's used entries.
platform::AnsiText BitAlias(const compiler::ProgramDocument& doc, int tab, int n) {
  const auto at = [n](const auto& table, int used) { return n >= 0 && n < used ? table[n] : platform::AnsiText{}; };
  switch (tab) {
    case kTabP:
      return at(doc.AliasP, compiler::kAliasPUsed);
    case kTabM:
      return at(doc.AliasM, compiler::kAliasMUsed);
    case kTabK:
      return at(doc.AliasK, compiler::kAliasKUsed);
    default:
      return {};
  }
}

void Band(ladder::DrawingSurface& surface, int top, int h) {
  surface.FilledBox(0, top, surface.Width(), top + h, kWhite);
}

void PrintHeaderBand(ladder::DrawingSurface& surface, int tab, int h) {
  Band(surface, 0, h);
  surface.SetTextPos(0, 0);
  surface.PrintInline(DumpHeader(tab));
}

void PrintState(ladder::DrawingSurface& surface, int y, bool on) {
  surface.SetTextPos(kStateX, y);
  if (on) {
    surface.SetForeColor(kRed);
    surface.PrintInline("On");
    surface.SetForeColor(kBlack);
  } else {
    surface.PrintInline("Off");
  }
}

}  // namespace

std::string DumpTabCaption(int tab) {
  static const char* const kCaptions[] = {"", "P", "M", "F", "S", "K", "CH", "G", "C", "T", "D", "AD", "CNT"};
  return tab >= 1 && tab <= kDumpTabs ? kCaptions[tab] : "";
}

DumpArea DumpAreaOf(const compiler::DeviceMap& m, int tab) {
  switch (tab) {
    case kTabP:
      return {m.AddrP, m.CountP};
    case kTabM:
      return {m.AddrM, m.CountM};
    case kTabF:
      return {m.AddrF, m.CountF};
    case kTabS:
      return {m.AddrS, m.CountS};
    case kTabK:
      return {m.AddrK, m.CountK};
    case kTabCH:
      return {m.AddrCH, m.CountCH};
    case kTabG:
      return {m.AddrG, m.CountG};
    case kTabC:
      return {m.AddrC, m.CountC};
    case kTabT:
      return {m.AddrT, m.CountT};
    case kTabD:
      return {m.AddrD, m.CountD};
    case kTabAD:
      return {m.AddrAD, m.CountAD};
    case kTabHCNT:
      return {m.AddrHCNT, m.CountHCNT};
    default:
      return {};
  }
}

std::string BitLabel(char letter, int bit) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "       %c%d:%d", letter, bit / 8, bit % 8);
  return buf;
}

std::string ByteChar(uint8_t value) {
  if (value < 32 || (value >= 128 && value < 160)) return ".";
  if (value < 128) return std::string(1, static_cast<char>(value));
  std::string utf8;
  utf8 += static_cast<char>(0xC0 | (value >> 6));
  utf8 += static_cast<char>(0x80 | (value & 0x3F));
  return utf8;
}

std::string ByteLine(const char* name, int n, uint8_t value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "  %s%d = %X   %d   ", name, n, value, value);
  return buf + ByteChar(value);
}

std::string WordLine(const char* name, int n, int value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "  %s%d = %04X  %d", name, n, value & 0xFFFF, value & 0xFFFF);
  return buf;
}

std::string DumpHeader(int tab) {
  switch (tab) {
    case kTabCH:
    case kTabG:
      return "        HEX   DEC  ASCII ";
    case kTabC:
      return "           HEX   DEC    On/Off ";
    case kTabT:
      return "             HEX   DEC    On/Off ";
    case kTabD:
    case kTabAD:
      return "           HEX   DEC ";
    case kTabHCNT:
      return "            HEX   DEC ";
    default:
      return "";
  }
}

void DrawBitPage(const compiler::Studio& studio, ladder::DrawingSurface& surface, int tab, int first) {
  if (!Monitoring(studio) || !IsBitTab(tab)) return;
  const DumpArea area = DumpAreaOf(studio.monitor.map, tab);
  const bool withAlias = tab == kTabP || tab == kTabM || tab == kTabK;
  surface.SetDrawMode(ladder::DrawMode::Copy);
  surface.SetPenWidth(1);
  surface.Clear();
  const int h = surface.TextHeight("A");
  int y = 0;
  for (int n = std::max(first, 0); n < area.count; ++n) {
    surface.SetTextPos(0, y);
    surface.PrintInline(BitLabel(BitLetter(tab), n));
    if (withAlias) {
      const platform::AnsiText alias = BitAlias(studio.doc, tab, n);
      if (!alias.empty()) {
        surface.SetTextPos(ColumnX(surface, 11), y);
        surface.PrintInline(platform::AnsiToUtf8Lossy(alias));
      }
    }
    y += h;
    if (y > surface.Height()) return;
    surface.Line(0, y, surface.Width(), y, n % 8 == 7 ? kBlack : kRuleGrey);
    surface.SetTextPos(0, y);
    surface.SetForeColor(kBlack);
  }
}

void RefreshBitPage(const compiler::Studio& studio, DeviceReader& reader, ladder::DrawingSurface& surface, int tab,
                    int first) {
  if (!Monitoring(studio) || !IsBitTab(tab) || first < 0) return;
  const DumpArea area = DumpAreaOf(studio.monitor.map, tab);
  if (first >= area.count) return;
  surface.SetDrawMode(ladder::DrawMode::Copy);
  const int h = surface.TextHeight("A");
  int32_t word = 0;
  const auto readWordOf = [&](int n) {
    const std::optional<DeviceWord> w = reader.ReadDeviceWord(area.start + (n / 16) * 2);
    if (w) word = HexWord(w->b0, w->b1);
    return w.has_value();
  };
  if (first % 16 != 0 && !readWordOf(first)) return;
  for (int n = first; n < area.count; ++n) {
    if (n % 16 == 0 && !readWordOf(n)) return;
    const bool set = (word >> (n % 16)) & 1;
    const int y = h * (n - first);
    surface.FilledBox(150, y + 30, 300, y + h - 30, set ? kGreen : kWhite);
    if (surface.Height() < y + h) return;
  }
}

void ShowBytePage(const compiler::Studio& studio, DeviceReader& reader, ladder::DrawingSurface& surface, int tab,
                  int first) {
  if (!Monitoring(studio) || (tab != kTabCH && tab != kTabG)) return;
  const DumpArea area = DumpAreaOf(studio.monitor.map, tab);
  surface.SetDrawMode(ladder::DrawMode::Copy);
  surface.SetForeColor(kBlack);
  const int h = surface.TextHeight("A") + kBandGap;
  PrintHeaderBand(surface, tab, h);
  const auto printLine = [&](int n, uint8_t value) {
    const int top = h * (n - first + 1);
    Band(surface, top, h);
    surface.SetTextPos(0, top);
    const std::string line = ByteLine(ItemName(tab), n, value);
    surface.PrintInline(line);
    return top + surface.TextHeight(line);
  };
  for (int n = std::max(first, 0); n <= area.count - 1; n += 2) {
    const std::optional<DeviceWord> w = reader.ReadDeviceWord(area.start + n);
    if (!w) return;
    printLine(n, w->b0);
    if (n == area.count - 1) return;
    if (printLine(n + 1, w->b1) > surface.Height()) return;
  }
}

void ShowWordPage(const compiler::Studio& studio, DeviceReader& reader, ladder::DrawingSurface& surface, int tab,
                  int first) {
  if (!Monitoring(studio)) return;
  const DumpArea area = DumpAreaOf(studio.monitor.map, tab);
  const compiler::DeviceMap& map = studio.monitor.map;
  surface.SetDrawMode(ladder::DrawMode::Copy);
  surface.SetForeColor(kBlack);
  if (tab == kTabAD || tab == kTabHCNT) {
    surface.Clear();
    surface.SetForeColor(kBlack);
    surface.SetTextPos(0, 0);
    surface.Print(DumpHeader(tab));
    for (int n = std::max(first, 0); n < area.count; ++n) {
      const std::optional<DeviceWord> w = reader.ReadDeviceWord(area.start + 2 * n);
      if (!w) return;
      const int value = tab == kTabHCNT ? HexWord(w->b0, w->b1) : HexWord(w->b1, w->b0);
      surface.Print(WordLine(ItemName(tab), n, value));
    }
    return;
  }
  if (tab != kTabC && tab != kTabT && tab != kTabD) return;
  const int h = surface.TextHeight("A") + kBandGap;
  PrintHeaderBand(surface, tab, h);
  for (int n = std::max(first, 0); n < area.count; ++n) {
    const std::optional<DeviceWord> w = reader.ReadDeviceWord(area.start + 2 * n);
    if (!w) return;
    int value = HexWord(w->b1, w->b0);
    if (tab == kTabT) value &= 0x7FFF;
    const int top = h * (n - first + 1);
    Band(surface, top, h);
    surface.SetTextPos(0, top);
    const std::string line = WordLine(ItemName(tab), n, value);
    surface.PrintInline(line);
    if (tab == kTabC) {
      const std::optional<DeviceWord> flag = reader.ReadDeviceWord(map.AddrCF + n);
      if (!flag) return;
      PrintState(surface, top, (flag->b0 & 0x80) != 0);
    } else if (tab == kTabT) {
      PrintState(surface, top, (w->b0 & 0x80) != 0);
    }
    if (top + surface.TextHeight(line) > surface.Height()) return;
  }
}

void DumpPages::Draw(const compiler::Studio& studio, DeviceReader& reader, ladder::DrawingSurface& surface) {
  const int tab = selectedTab;
  if (tab < 1 || tab > kDumpTabs) return;
  const int first = DumpTop[tab];
  if (IsBitTab(tab)) {
    DrawBitPage(studio, surface, tab, first);
  } else if (tab == kTabCH || tab == kTabG) {
    ShowBytePage(studio, reader, surface, tab, first);
  } else {
    ShowWordPage(studio, reader, surface, tab, first);
  }
}

DumpPages::ScrollRange DumpPages::SelectTab(const compiler::Studio& studio, DeviceReader& reader,
                                            ladder::DrawingSurface& surface, int tab) {
  surface.Clear();
  selectedTab = tab;
  if (tab < 1 || tab > kDumpTabs) return {};
  const int count = DumpAreaOf(studio.monitor.map, tab).count;
  ScrollRange range;
  range.maximum = std::max(count - 1, 0);
  DumpTop[tab] = static_cast<int16_t>(std::clamp<int>(DumpTop[tab], 0, range.maximum));
  range.position = DumpTop[tab];
  Draw(studio, reader, surface);
  return range;
}

void DumpPages::Scroll(const compiler::Studio& studio, DeviceReader& reader, ladder::DrawingSurface& surface,
                       int position) {
  surface.Clear();
  if (selectedTab < 1 || selectedTab > kDumpTabs) return;
  DumpTop[selectedTab] = static_cast<int16_t>(std::clamp(position, 0, 32767));
  Draw(studio, reader, surface);
}

void DumpPages::Refresh(const compiler::Studio& studio, DeviceReader& reader, ladder::DrawingSurface& surface,
                        bool frameVisible) {
  if (!frameVisible) return;
  const int tab = selectedTab;
  if (tab < 1 || tab > kDumpTabs) return;
  if (IsBitTab(tab)) {
    RefreshBitPage(studio, reader, surface, tab, DumpTop[tab]);
  } else {
    Draw(studio, reader, surface);
  }
}

}  // namespace monitor
