#pragma once
// The PLC page of the side panel as plain data: the model list, the 40 port-direction boxes
// with their enabled flags, the five port-wide boxes, the I/O board list, the communication
// mode and the node text. The widget only mirrors this model; Load copies the document's
// setup into it and Fix copies it back.

#include <array>
#include <cstdint>
#include <string>

#include "compiler/document.h"

namespace shell {

constexpr int kPortBits = 40;  // P0:0 .. P4:7, box 8 x port + bit
constexpr int kPorts = 5;

struct PlcModelRow {
  const char* text;
  int16_t code;
};
// The model list in its order; the row number is the list index. Code 5 has no row.
extern const std::array<PlcModelRow, 5> kPlcModelRows;

// Row of a model code, -1 when the code has no row.
int PlcModelRowOf(int16_t code);

// Boxes as bit masks: bit i is box i.
using PortMask = uint64_t;
constexpr PortMask PortBit(int box) { return PortMask{1} << box; }
constexpr PortMask PortRange(int first, int last) {
  PortMask m = 0;
  for (int i = first; i <= last; ++i) m |= PortBit(i);
  return m;
}
constexpr PortMask kAllPortBits = PortRange(0, kPortBits - 1);

// What a model does to the boxes: which are disabled, which are forced to output
// (unchecked) and which to input (checked).
struct PlcModelRule {
  PortMask disabled = 0;
  PortMask forcedOutput = 0;
  PortMask forcedInput = 0;
};
PlcModelRule PlcModelRuleOf(int16_t code);

// The I/O board list. Row 0 is "Free" (no board); every board selects a model row and
// makes its listed boxes outputs, all others inputs.
struct IoBoardPreset {
  const char* name;
  int modelRow;  // -1 for "Free"
  PortMask outputs;
};
extern const std::array<IoBoardPreset, 10> kIoBoards;

constexpr int kCommModes = 4;  // "No Use", "Binary Mode", "ASCII Mode (RS232)", "ASCII Mode (RS485)"

// Who hears what the panel does to the document's setup.
class PlcPanelListener {
 public:
  virtual ~PlcPanelListener() = default;
  // The panel changed a field of the setup: the program is no longer saved.
  virtual void SetupChanged() = 0;
  // A model was chosen (by the user, by Load or by a board): the device map follows it.
  virtual void ModelChosen(int16_t model) = 0;
};

class PlcPanelModel {
 public:
  // setup: the document's PLC setup. The model keeps references to both.
  PlcPanelModel(compiler::PlcSetup& setup, PlcPanelListener& listener);

  // The working copy the widget shows.
  std::array<bool, kPortBits> checked{};  // true: input
  std::array<bool, kPortBits> enabled{};
  std::array<bool, kPorts> portChecked{};  // the port-wide boxes; stored nowhere
  int modelRow = -1;                       // -1: no row selected
  int boardRow = 0;                        // "Free"
  int commOption = -1;                     // -1: no option selected
  std::string nodeText = "0";              // UTF-8

  // A row of the model list was chosen (by the user, by Load or by a board).
  void ChooseModelRow(int row);
  // A row of the board list was chosen.
  void ChooseBoard(int row);
  // A port-wide box (port 0..4) was clicked to the given state: its eight boxes follow,
  // enabled or not.
  void ClickPort(int port, bool isChecked);
  void SetBox(int box, bool isChecked);

  // Document to panel.
  void Load();
  // Panel to document. A node text that is not a whole number in -32768..32767 keeps the
  // stored node number and shows it again.
  void Fix();
  // The panel holds an edit that Fix would hand to the document: what it would store differs
  // from the document and from what the panel showed after the last Load or Fix (so the
  // directions a model forces on a loaded program are no edit of the user's).
  bool Edited() const;

  compiler::PlcSetup& setup() { return setup_; }

 private:
  void ApplyRule(int16_t code);
  // The document's setup as Fix leaves it.
  compiler::PlcSetup Fixed() const;

  compiler::PlcSetup& setup_;
  PlcPanelListener& listener_;
  compiler::PlcSetup shownAtLoad_;  // Fixed() after the last Load or Fix
};

}  // namespace shell
