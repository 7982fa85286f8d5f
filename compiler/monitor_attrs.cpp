#include "compiler/monitor_attrs.h"

#include "compiler/document.h"
#include "compiler/operands.h"

namespace compiler {
namespace {

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

}  // namespace

void SetMonitorDevice(ProgramDocument& doc, int col, int row, std::string_view text) {
  if (!ProgramDocument::InProgram(col, row)) return;
  int16_t& num = doc.MonDevNum[col][row];
  int16_t& bit = doc.MonDevBit[col][row];
  int16_t& kind = doc.MonDevKind[col][row];
  const std::string w1 = GetField(text, 1);

  auto setCounted = [&](int16_t k) {
    const int n = GetOperandWord(GetField(text, 2));
    if (n == -1) return;
    if (!InRange(n, 0, 32767)) {
      kind = kMonNone;
      return;
    }
    num = static_cast<int16_t>(n);
    kind = k;
  };
  // Number, bit and kind of a device text; the bit is range-checked for the kind it gives.
  auto setDevice = [&](const std::string& dev, int16_t k) {
    const int n = GetOperandWord(dev);
    if (n != -1) num = static_cast<int16_t>(n);
    const int b = GetOperandBit(dev);
    if (b == -1) return;
    const bool bitKind = k == kMonPBit || k == kMonMBit || k == kMonFBit || k == kMonKBit;
    if (!InRange(n, 0, 32767) || (bitKind && !InRange(b, 0, 7)) || (k == kMonStep && !InRange(b, 0, 255))) {
      kind = kMonNone;
      return;
    }
    bit = static_cast<int16_t>(b);
    kind = k;
  };

  if (w1 == "TON" || w1 == "TOFF" || w1 == "TAON" || w1 == "TAOFF") {
    setCounted(kMonTimerValue);
    return;
  }
  if (w1 == "CTU" || w1 == "CTD") {
    setCounted(kMonCounterValue);
    return;
  }
  if (w1 == "END") return;
  if (w1 == "SETOUT" || w1 == "RSTOUT") {
    const std::string w2 = GetField(text, 2);
    int16_t k = kMonNone;
    if (!w2.empty()) {
      if (w2[0] == 'P') k = kMonPBit;
      if (w2[0] == 'M') k = kMonMBit;
      if (w2[0] == 'F') k = kMonFBit;
    }
    setDevice(w2, k);
    return;
  }
  int16_t k = kMonNone;
  if (!w1.empty()) {
    const int16_t type = doc.CellType[col][row];
    switch (w1[0]) {
      case 'P':
        k = kMonPBit;
        break;
      case 'M':
        k = (type == kFallingEdge || type == kRisingEdge) ? kMonNone : kMonMBit;
        break;
      case 'F':
        k = kMonFBit;
        break;
      case 'T':
        k = kMonTimerContact;
        break;
      case 'C':
        k = kMonCounterContact;
        break;
      case 'S':
        k = kMonStep;
        break;
      case 'K':
        k = kMonKBit;
        break;
      default:
        break;
    }
  }
  setDevice(w1, k);
}

void SetMonitorAttributes(ProgramDocument& doc) {
  const int lastRow = doc.EndRow < kProgramRows ? doc.EndRow : kProgramRows - 1;
  for (int row = 0; row <= lastRow; ++row) {
    for (int col = 0; col <= kOutputCol; ++col) {
      doc.MonDevNum[col][row] = 0;
      doc.MonDevKind[col][row] = 0;
      const std::string& text = doc.CellText[col][row];
      if (!text.empty() && text[0] != '\'') SetMonitorDevice(doc, col, row, text);
    }
  }
}

}  // namespace compiler
