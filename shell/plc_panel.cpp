#include "shell/plc_panel.h"

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace shell {

const std::array<PlcModelRow, 5> kPlcModelRows = {{
    {"ZQV-A", 10},
    {"ZQV-B", 2},
    {"ZQV-C", 4},
    {"ZQV-E", 1},
    {"ZQV-F", 3},
}};

int PlcModelRowOf(int16_t code) {
  for (size_t row = 0; row < kPlcModelRows.size(); ++row)
    if (kPlcModelRows[row].code == code) return static_cast<int>(row);
  return -1;
}

PlcModelRule PlcModelRuleOf(int16_t code) {
  PlcModelRule rule;
  if (code == 10) {
    rule.disabled = PortRange(26, 39);
  } else if (code == 1 || code == 3) {
    rule.disabled = PortRange(8, 15) | PortRange(24, 31);
    rule.forcedOutput = PortRange(8, 15);
    rule.forcedInput = PortRange(24, 31);
  } else {
    rule.disabled = PortRange(24, 39);
  }
  return rule;
}

const std::array<IoBoardPreset, 10> kIoBoards = {{
    {"Free", -1, 0},
    {"IOX-1", 2, PortBit(0) | PortRange(2, 7) | PortBit(23)},
    {"IOX-2", 2, PortRange(0, 7) | PortRange(12, 15)},
    {"IOX-3", 2, PortBit(0) | PortRange(2, 7) | PortRange(16, 23)},
    {"IOX-4", 3, PortRange(0, 5) | PortRange(8, 15) | PortRange(20, 23)},
    {"IOX-5", 4, PortRange(4, 5) | PortRange(8, 15) | PortRange(38, 39)},
    {"IOX-6", 0, PortBit(7) | PortRange(10, 19) | PortRange(22, 25)},
    {"IOX-7", 0, PortRange(4, 15) | PortRange(24, 25)},
    {"IOX-8", 2, PortRange(4, 5) | PortRange(8, 15)},
    {"IOX-9", 4, PortRange(4, 5) | PortRange(8, 15)},
}};

PlcPanelModel::PlcPanelModel(compiler::PlcSetup& setup, PlcPanelListener& listener)
    : setup_(setup), listener_(listener) {
  enabled.fill(true);
  shownAtLoad_ = Fixed();
}

void PlcPanelModel::ApplyRule(int16_t code) {
  PlcModelRule rule = PlcModelRuleOf(code);
  for (int i = 0; i < kPortBits; ++i) {
    if (rule.disabled & PortBit(i)) enabled[i] = false;
    if (rule.forcedOutput & PortBit(i)) checked[i] = false;
    if (rule.forcedInput & PortBit(i)) checked[i] = true;
  }
}

void PlcPanelModel::ChooseModelRow(int row) {
  if (row < 0 || row >= static_cast<int>(kPlcModelRows.size())) return;
  modelRow = row;
  int16_t code = kPlcModelRows[static_cast<size_t>(row)].code;
  if (setup_.PlcModel != code) {
    setup_.PlcModel = code;
    listener_.SetupChanged();
  }
  listener_.ModelChosen(code);
  enabled.fill(true);
  ApplyRule(code);
}

void PlcPanelModel::ChooseBoard(int row) {
  if (row < 0 || row >= static_cast<int>(kIoBoards.size())) return;
  boardRow = row;
  const IoBoardPreset& board = kIoBoards[static_cast<size_t>(row)];
  if (board.modelRow < 0) return;
  checked.fill(true);
  ChooseModelRow(board.modelRow);
  for (int i = 0; i < kPortBits; ++i)
    if (board.outputs & PortBit(i)) checked[i] = false;
}

void PlcPanelModel::ClickPort(int port, bool isChecked) {
  if (port < 0 || port >= kPorts) return;
  portChecked[port] = isChecked;
  for (int bit = 0; bit < 8; ++bit) checked[8 * port + bit] = isChecked;
}

void PlcPanelModel::SetBox(int box, bool isChecked) {
  if (box < 0 || box >= kPortBits) return;
  checked[box] = isChecked;
}

void PlcPanelModel::Load() {
  int16_t code = setup_.PlcModel;
  int row = PlcModelRowOf(code);
  if (row >= 0) {
    ChooseModelRow(row);
  } else {
    // A model the list does not offer (a program of another model): no row is shown, so
    // the next Fix keeps the code instead of replacing it by a stale row.
    modelRow = -1;
    listener_.ModelChosen(code);
    enabled.fill(true);
  }
  for (int i = 0; i < kPortBits; ++i) checked[i] = setup_.IoDir[i] != 0;
  ApplyRule(code);
  commOption = (setup_.CommMode >= 0 && setup_.CommMode <= 2) ? setup_.CommMode : 3;
  nodeText = std::to_string(setup_.NodeNum);
  shownAtLoad_ = Fixed();
}

namespace {

// Whole number of the node text: blanks around it allowed, an optional sign, digits only,
// within the signed 16-bit range.
bool ParseNode(const std::string& text, int16_t& value) {
  size_t b = text.find_first_not_of(" \t");
  size_t e = text.find_last_not_of(" \t");
  if (b == std::string::npos) return false;
  std::string t = text.substr(b, e - b + 1);
  size_t digits = (t[0] == '+' || t[0] == '-') ? 1 : 0;
  if (digits >= t.size() || t.size() - digits > 9) return false;
  for (size_t i = digits; i < t.size(); ++i)
    if (t[i] < '0' || t[i] > '9') return false;
  long v = std::strtol(t.c_str(), nullptr, 10);
  if (v < -32768 || v > 32767) return false;
  value = static_cast<int16_t>(v);
  return true;
}

}  // namespace

compiler::PlcSetup PlcPanelModel::Fixed() const {
  compiler::PlcSetup fixed = setup_;
  if (modelRow >= 0) fixed.PlcModel = kPlcModelRows[static_cast<size_t>(modelRow)].code;
  for (int i = 0; i < kPortBits; ++i) fixed.IoDir[i] = checked[i] ? 1 : 0;
  if (commOption >= 0 && commOption < kCommModes) fixed.CommMode = static_cast<int16_t>(commOption);
  int16_t node = 0;
  if (ParseNode(nodeText.empty() ? "0" : nodeText, node)) fixed.NodeNum = node;
  return fixed;
}

namespace {

// The fields the panel edits differ.
bool PanelFieldsDiffer(const compiler::PlcSetup& a, const compiler::PlcSetup& b) {
  return a.PlcModel != b.PlcModel || a.IoDir != b.IoDir || a.CommMode != b.CommMode || a.NodeNum != b.NodeNum;
}

}  // namespace

bool PlcPanelModel::Edited() const {
  const compiler::PlcSetup fixed = Fixed();
  return PanelFieldsDiffer(fixed, setup_) && PanelFieldsDiffer(fixed, shownAtLoad_);
}

void PlcPanelModel::Fix() {
  const compiler::PlcSetup fixed = Fixed();
  const bool changed = PanelFieldsDiffer(fixed, setup_);
  setup_ = fixed;
  shownAtLoad_ = fixed;
  if (nodeText.empty()) nodeText = "0";
  int16_t node = 0;
  if (!ParseNode(nodeText, node)) nodeText = std::to_string(setup_.NodeNum);
  if (changed) listener_.SetupChanged();
}

}  // namespace shell
