#include "monitor/live_ladder.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "compiler/monitor_attrs.h"

namespace monitor {
namespace {

struct Probe {
  int address = 0;
  bool ok = false;
};

// Address read for a cell of the given kind, or none for kinds without a live state.
Probe AddressOf(const compiler::DeviceMap& m, int kind, int num) {
  switch (kind) {
    case compiler::kMonTimerValue:
    case compiler::kMonTimerContact:
      return {m.AddrT + 2 * num, true};
    case compiler::kMonCounterValue:
      return {m.AddrC + 2 * num, true};
    case compiler::kMonPBit:
      return {m.AddrP + num, true};
    case compiler::kMonMBit:
      return {m.AddrM + num, true};
    case compiler::kMonFBit:
      return {m.AddrF + num, true};
    case compiler::kMonKBit:
      return {m.AddrK + num, true};
    case compiler::kMonCounterContact:
      return {m.AddrCF + num, true};
    case compiler::kMonStep:
      return {m.AddrS + num, true};
    default:
      return {};
  }
}

bool ContactOn(int kind, int bit, DeviceWord w) {
  switch (kind) {
    case compiler::kMonTimerContact:
    case compiler::kMonCounterContact:
      return OutputBit(w.b0);
    case compiler::kMonStep:
      return w.b0 == bit;
    default:
      return bit >= 0 && bit <= 7 && (w.b0 & (1 << bit)) != 0;
  }
}

// Bytes read during one pass. A word read brings two bytes, so cells on neighbouring bytes
// (M0:1 and M1:3) share one exchange, and a device shown twice is read once: the pass
// shows one picture of the module's memory.
class PassReader {
 public:
  explicit PassReader(DeviceReader& reader) : reader_(reader) {}
  // The word at the address (both bytes when `both`, else only the first is needed).
  std::optional<DeviceWord> Read(int address, bool both) {
    const Known* a = Find(address);
    const Known* b = both ? Find(address + 1) : nullptr;
    if (a && (!both || b)) return DeviceWord{a->value, b ? b->value : uint8_t{0}};
    const std::optional<DeviceWord> w = reader_.ReadDeviceWord(address);
    if (w) {
      Remember(address, w->b0);
      Remember(address + 1, w->b1);
    }
    return w;
  }

 private:
  struct Known {
    int address;
    uint8_t value;
  };
  const Known* Find(int address) const {
    for (const Known& k : known_)
      if (k.address == address) return &k;
    return nullptr;
  }
  void Remember(int address, uint8_t value) {
    if (!Find(address)) known_.push_back({address, value});
  }
  DeviceReader& reader_;
  std::vector<Known> known_;
};

}  // namespace

void MonitorLadder(const compiler::ProgramDocument& doc, const compiler::DeviceMap& map, DeviceReader& reader,
                   ladder::DrawingSurface& surface, const ladder::LadderViewState& view) {
  const ladder::DrawMode oldMode = surface.GetDrawMode();
  const int oldPen = surface.PenWidth();
  const ladder::Color oldFore = surface.ForeColor();
  surface.SetDrawMode(ladder::DrawMode::Copy);
  surface.SetPenWidth(1);

  PassReader pass(reader);
  const ladder::LadderGeometry& geo = view.geo;
  const ladder::ColorScheme& look = view.colors;
  const int u = geo.Cunit;
  const int height = surface.Height();
  const int topRow = doc.TopRow < 0 ? 0 : doc.TopRow;
  bool stop = false;
  for (int row = topRow; row < compiler::kProgramRows && !stop; ++row) {
    const int y = geo.Y(row, topRow);
    for (int col = 0; col <= compiler::kOutputCol; ++col) {
      const int kind = doc.MonDevKind[col][row];
      const int num = doc.MonDevNum[col][row];
      const Probe probe = AddressOf(map, kind, num);
      if (!probe.ok) continue;
      const bool wholeWord = kind == compiler::kMonTimerValue || kind == compiler::kMonCounterValue;
      const std::optional<DeviceWord> w = pass.Read(probe.address, wholeWord);
      if (!w) {
        stop = true;
        break;
      }
      const int x = geo.X(col);
      if (kind == compiler::kMonTimerValue || kind == compiler::kMonCounterValue) {
        const int value = kind == compiler::kMonTimerValue ? TimerValue(*w) : CounterValue(*w);
        char digits[8];
        std::snprintf(digits, sizeof digits, "%05d", value);
        surface.FilledBox(x + 7 * u, y + 4 * u, x + 7 * u + surface.TextWidth("00000"),
                          y + 4 * u + surface.TextHeight("0"), look.ViewOnColor);
        surface.SetForeColor(look.ViewLineColor);
        surface.SetTextPos(x + 7 * u, y + 4 * u);
        surface.PrintInline(digits);
        if (kind == compiler::kMonTimerValue) {
          surface.FilledBox(x + 4 * u, y + 4 * u, x + 5 * u, y + 6 * u,
                            OutputBit(w->b0) ? look.ViewOnColor : look.ViewBackColor);
        }
        continue;
      }
      const bool normallyClosed = doc.CellType[col][row] == compiler::kContactNC;
      const bool on = ContactOn(kind, doc.MonDevBit[col][row], *w) != normallyClosed;
      surface.FilledBox(x + 4 * u, y + 4 * u, x + 5 * u, y + 6 * u, on ? look.ViewOnColor : look.ViewBackColor);
      if (normallyClosed) surface.Line(x + 5 * u, y + 4 * u, x + 4 * u, y + 6 * u, look.ViewLineColor);
    }
    if (geo.Y(row + 1, topRow) > height) break;
  }

  surface.SetForeColor(oldFore);
  surface.SetPenWidth(oldPen);
  surface.SetDrawMode(oldMode);
}

}  // namespace monitor
