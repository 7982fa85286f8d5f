#include "ladder_builder_support.h"

#include <cstdio>
#include <sstream>

namespace ladder_test {

using compiler::ProgramDocument;

void SetCell(ProgramDocument& doc, int col, int row, std::string_view t) {
  int16_t code = compiler::kContactNO;
  std::string text(t);
  if (t.empty() || t == ".") {
    code = compiler::kEmpty;
    text.clear();
  } else if (t == "-") {
    code = compiler::kWire;
    text.clear();
  } else if (t == "!") {
    code = compiler::kNot;
    text.clear();
  } else if (t[0] == '/') {
    code = compiler::kContactNC;
    text = t.substr(1);
  } else if (t[0] == '(' && t.back() == ')') {
    code = compiler::kCoil;
    text = t.substr(1, t.size() - 2);
  } else if (t[0] == '[' && t.back() == ']') {
    code = compiler::kBox;
    text = t.substr(1, t.size() - 2);
  } else if (t[0] == '{' && t.back() == '}') {
    code = compiler::kCounterBox;
    text = t.substr(1, t.size() - 2);
  } else if (t[0] == '^') {
    code = compiler::kRisingEdge;
    text = t.substr(1);
  } else if (t[0] == '%') {
    code = compiler::kFallingEdge;
    text = t.substr(1);
  } else if (t[0] == '@') {
    code = static_cast<int16_t>(std::stoi(std::string(t.substr(1))));
    text.clear();
  }
  doc.CellType[col][row] = code;
  doc.CellText[col][row] = text;
}

void SetRow(ProgramDocument& doc, int row, const std::vector<std::string>& cells) {
  for (size_t i = 0; i < cells.size(); ++i) SetCell(doc, static_cast<int>(i), row, cells[i]);
}

void Rung(ProgramDocument& doc, int row, const std::vector<std::string>& contacts, const std::string& coil) {
  SetRow(doc, row, contacts);
  for (int c = static_cast<int>(contacts.size()); c <= 9; ++c) SetCell(doc, c, row, "-");
  SetCell(doc, 10, row, "(" + coil + ")");
}

void EndRung(ProgramDocument& doc, int row) {
  for (int c = 0; c <= 8; ++c) SetCell(doc, c, row, "-");
  SetCell(doc, 9, row, "[END]");
  doc.EndRow = static_cast<int16_t>(row);
}

void Link(ProgramDocument& doc, int col, int row) { doc.VertLink[col][row] = 1; }

std::string Pos(int col, int row) {
  char buf[32];
  std::snprintf(buf, sizeof buf, " ; __Pos %04X %04X\r\n", col, row);
  return buf;
}

std::map<std::string, bool> Simulate(const std::string& lines, const std::function<bool(const std::string&)>& input) {
  std::map<std::string, bool> out;
  bool now = false, saved = false, savest = false;
  std::istringstream in(lines);
  std::string line;
  auto value = [&](const std::string& op) { return op == "F0:1" ? true : input(op); };
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string mnemonic, operand;
    words >> mnemonic >> operand;
    if (operand == ";") operand.clear();
    if (mnemonic == "LOAD") {
      saved = now;
      now = value(operand);
    } else if (mnemonic == "LOADN") {
      saved = now;
      now = !value(operand);
    } else if (mnemonic == "AN") {
      now = now && value(operand);
    } else if (mnemonic == "ANN") {
      now = now && !value(operand);
    } else if (mnemonic == "IOR") {
      now = now || value(operand);
    } else if (mnemonic == "IORN") {
      now = now || !value(operand);
    } else if (mnemonic == "ORS") {
      now = now || saved;
    } else if (mnemonic == "ANDS") {
      now = now && saved;
    } else if (mnemonic == "SAVES") {
      savest = now;
    } else if (mnemonic == "RDS") {
      now = savest;
    } else if (mnemonic == "NT") {
      now = !now;
    } else if (mnemonic == "OT") {
      out[operand] = now;
    }
  }
  return out;
}

std::map<std::string, bool> EvaluateDrawing(const ProgramDocument& doc, int firstRow, int lastRow,
                                            const std::function<bool(const std::string&)>& input) {
  std::map<std::string, bool> out;
  const int rows = lastRow - firstRow + 1;
  std::vector<bool> left(static_cast<size_t>(rows), true);  // the rail
  for (int c = 0; c <= 9; ++c) {
    std::vector<bool> right(static_cast<size_t>(rows), false);
    for (int i = 0; i < rows; ++i) {
      const int r = firstRow + i;
      const int code = doc.TypeAt(c, r);
      bool conducts = false;
      if (code == compiler::kWire) conducts = true;
      if (code == compiler::kContactNO) conducts = input(doc.TextAt(c, r));
      if (code == compiler::kContactNC) conducts = !input(doc.TextAt(c, r));
      right[static_cast<size_t>(i)] = left[static_cast<size_t>(i)] && conducts;
    }
    // Links join right edges: spread power through each linked group.
    for (int i = 0; i < rows;) {
      int j = i;
      while (j + 1 < rows && doc.LinkAt(c, firstRow + j) == 1) ++j;
      bool any = false;
      for (int k = i; k <= j; ++k) any = any || right[static_cast<size_t>(k)];
      for (int k = i; k <= j; ++k) right[static_cast<size_t>(k)] = any;
      i = j + 1;
    }
    left = right;
  }
  for (int i = 0; i < rows; ++i) {
    const int r = firstRow + i;
    if (doc.TypeAt(10, r) == compiler::kCoil) out[doc.TextAt(10, r)] = left[static_cast<size_t>(i)];
  }
  return out;
}

}  // namespace ladder_test
