#include "compiler/operands.h"

#include <climits>
#include <cstdint>
#include <optional>

#include "compiler/document.h"

namespace compiler {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a decimal number the way the studio reads operand numbers: blanks are skipped,
// reading stops at the first other character, no digits give 0. Values past 16 bits
// give nullopt instead of overflowing.
std::optional<int> ReadDecimal(std::string_view s) {
  long value = 0;
  for (char c : s) {
    if (c == ' ') continue;
    if (!IsDigit(c)) break;
    value = value * 10 + (c - '0');
    if (value > INT16_MAX) return std::nullopt;
  }
  return static_cast<int>(value);
}

// The whole text as a signed integer (blanks around it allowed), saturated to the int
// range; anything else counts as 0.
long long IntegerOrZero(std::string_view s) {
  size_t i = 0, end = s.size();
  while (i < end && s[i] == ' ') ++i;
  while (end > i && s[end - 1] == ' ') --end;
  bool negative = false;
  if (i < end && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  if (i == end) return 0;
  long long value = 0;
  for (; i < end; ++i) {
    if (!IsDigit(s[i])) return 0;
    if (value < INT_MAX) value = value * 10 + (s[i] - '0');
  }
  if (value > INT_MAX) value = INT_MAX;
  return negative ? -value : value;
}

// First letter one of the ten device letters, at least two characters, and the second
// character a digit or a colon.
bool IsDevice(std::string_view t) {
  if (t.size() < 2) return false;
  if (std::string_view("MSPFDTCKAG").find(t[0]) == std::string_view::npos) return false;
  return t[1] >= '0' && t[1] <= ':';
}

const platform::AnsiText& AliasAt(const platform::AnsiText* table, long long used, long long index) {
  static const platform::AnsiText kNone;
  return (index >= 0 && index < used) ? table[index] : kNone;
}

}  // namespace

int GetOperandWord(std::string_view text) {
  if (!IsDevice(text)) return -1;
  std::string_view rest = text.substr(1);
  rest = rest.substr(0, rest.find(':'));
  auto v = ReadDecimal(rest);
  return v ? *v : -1;
}

int GetOperandBit(std::string_view text) {
  if (!IsDevice(text)) return -1;
  size_t colon = text.find(':', 1);
  if (colon == std::string_view::npos) return 0;
  auto v = ReadDecimal(text.substr(colon + 1));
  return v ? *v : -1;
}

platform::AnsiText GetField(std::string_view text, int n) {
  if (text.empty() || n <= 0) return {};
  platform::AnsiText field;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == ' ' || c == ',') {
      if (n == 1) return field;
      --n;
      field.clear();
      if (i + 1 < text.size()) field += text[i + 1];
      i += 2;
      continue;
    }
    field += c;
    ++i;
  }
  return n == 1 ? field : platform::AnsiText{};
}

platform::AnsiText GetDeviceAlias(const ProgramDocument& doc, std::string_view device) {
  if (device.empty()) return {};
  char letter = device[0];
  if (letter == 'P' || letter == 'M' || letter == 'K') {
    size_t colon = device.find(':');
    if (colon == std::string_view::npos) return {};
    long long word = IntegerOrZero(device.substr(1, colon - 1));
    long long bit = IntegerOrZero(device.substr(colon + 1, 1));
    long long index = word * 8 + bit;
    if (letter == 'P') return AliasAt(doc.AliasP.data(), kAliasPUsed, index);
    if (letter == 'M') return AliasAt(doc.AliasM.data(), kAliasMUsed, index);
    return AliasAt(doc.AliasK.data(), kAliasKUsed, index);
  }
  if (letter == 'C' || letter == 'T') {
    if (device.size() < 2) return {};
    long long number = IntegerOrZero(device.substr(1));
    return letter == 'C' ? AliasAt(doc.AliasC.data(), kAliasCUsed, number)
                         : AliasAt(doc.AliasT.data(), kAliasTUsed, number);
  }
  return {};
}

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

platform::AnsiText AnsiUpper(std::string_view text) {
  platform::AnsiText out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (c >= 0x80) {
      ++i;  // trail byte of a double-byte character stays as it is
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

namespace {

// alias, upper-cased as AnsiUpper does, equals name.
bool UpperEquals(std::string_view alias, std::string_view name) {
  if (alias.size() != name.size()) return false;
  for (size_t i = 0; i < alias.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(alias[i]);
    if (c >= 0x80) {
      if (alias.substr(i, 2) != name.substr(i, 2)) return false;
      ++i;
      continue;
    }
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    if (c != static_cast<unsigned char>(name[i])) return false;
  }
  return true;
}

}  // namespace

platform::AnsiText AliasToDevice(const ProgramDocument& doc, std::string_view name) {
  if (name.empty()) return {};
  auto bitDevice = [](char letter, int index) {
    return std::string(1, letter) + std::to_string(index / 8) + ":" + std::to_string(index % 8);
  };
  for (int i = 0; i < kAliasPUsed; ++i)
    if (UpperEquals(doc.AliasP[i], name)) return bitDevice('P', i);
  for (int i = 0; i < kAliasMUsed; ++i)
    if (UpperEquals(doc.AliasM[i], name)) return bitDevice('M', i);
  for (int i = 0; i < kAliasKUsed; ++i)
    if (UpperEquals(doc.AliasK[i], name)) return bitDevice('K', i);
  for (int i = 0; i < kAliasCUsed; ++i)
    if (UpperEquals(doc.AliasC[i], name)) return "C" + std::to_string(i);
  for (int i = 0; i < kAliasTUsed; ++i)
    if (UpperEquals(doc.AliasT[i], name)) return "T" + std::to_string(i);
  return {};
}

bool CheckInstructionOperand(std::string_view text, int cursorCellType, int editCellType, std::string& syntaxErrMsg) {
  auto refuse = [&](std::string msg) {
    syntaxErrMsg = std::move(msg);
    return true;
  };
  const platform::AnsiText w1 = GetField(text, 1);
  auto checkCounted = [&](char letter) -> std::optional<bool> {
    platform::AnsiText w2 = GetField(text, 2);
    if (w2.empty()) return refuse("Missing Operand");
    if (w2[0] != letter) return refuse("Wrong Operand\"" + platform::AnsiToUtf8Lossy(w2) + "\"");
    if (text.find(',') == std::string_view::npos) return refuse(platform::AnsiToUtf8Lossy(text));
    if (GetField(text, 3).empty()) return refuse("Missing Operand");
    return std::nullopt;
  };
  if (w1 == "TON" || w1 == "TOFF" || w1 == "TAON" || w1 == "TAOFF") {
    if (auto r = checkCounted('T')) return *r;
  } else if (w1 == "CTU" || w1 == "CTD") {
    if (auto r = checkCounted('C')) return *r;
  } else if (w1 == "MCS" || w1 == "MCSCLR") {
    return false;
  }

  auto bitRuled = [](int code) { return code == 1 || code == 2 || code == 5 || code == 11 || code == 12; };
  if (!bitRuled(cursorCellType) && !bitRuled(editCellType)) return false;

  if (!text.empty() && IsDigit(text[0])) return refuse("Invalid Number !");
  if (platform::AnsiCharCount(text) >= 6 || text.empty() ||
      std::string_view("PMFK").find(text[0]) == std::string_view::npos)
    return false;
  if (text.size() > 1 && static_cast<unsigned char>(text[1]) < '0') return refuse("Word Not Found ");
  size_t colon = text.find(':');
  if (colon == std::string_view::npos) return refuse("Colon Not Found ");
  if (colon + 1 >= text.size() || !IsDigit(text[colon + 1]))
    return refuse("비트부에 잘못된 문자가 있습니다. \r\nInvalid Charactor on BIT position");
  if (text[colon + 1] == '8' || text[colon + 1] == '9')
    return refuse("비트부에는 0~7사이의 숫자만 쓸수 있습니다.\r\nUse 0 ~ 7 on BIT position");
  return false;
}

}  // namespace compiler
