#include <cstdio>
#include <ostream>

#include "link.h"

namespace zqlink {

namespace z = aq71::zolex;

namespace {

std::string printable(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 32 || c >= 127) {
      char b[8];
      std::snprintf(b, sizeof b, "\\x%02X", c);
      out += b;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string hx(uint32_t v) {
  char b[16];
  std::snprintf(b, sizeof b, "0x%X", v);
  return b;
}

const char* const kSegmentKinds[] = {"ASEG", "RSEG", "STACK", "COMMON"};

void dump_item(const z::Item& it, std::ostream& out) {
  char head[32];
  std::snprintf(head, sizeof head, "  %06zX %3u %-14s", it.offset, it.tag, z::tag_name(it.tag));
  out << head;
  switch (it.tag) {
    case z::kCode1:
    case z::kCode2:
    case z::kCode3:
    case z::kCode4:
      for (uint8_t b : it.bytes) {
        char x[4];
        std::snprintf(x, sizeof x, " %02X", b);
        out << x;
      }
      break;
    case z::kRepeat:
      out << " size " << it.w << " value " << hx(it.a) << " count " << it.b;
      break;
    case z::kAbsoluteLocation:
      out << " address " << hx(it.a);
      break;
    case z::kSegmentLocation:
      out << " segment " << it.w << " offset " << hx(it.a);
      break;
    case z::kEndAbsolute:
      out << " entry " << hx(it.a);
      break;
    case z::kEndRelative:
      out << " entry segment " << it.w << " offset " << hx(it.a);
      break;
    case z::kTypeDefinition:
      out << " id " << it.w << " size code " << it.b;
      break;
    case z::kSegmentDeclaration:
      out << " " << it.w << " " << printable(it.text) << " " << kSegmentKinds[(it.b >> 5) & 3] << " type "
          << (it.b & 31) << " align " << it.a;
      break;
    case z::kSymbol:
      out << " kind " << it.b << " " << printable(it.text);
      if (it.b == 5)
        out << " external " << it.w;
      else if (it.b == 2 || it.b == 4)
        out << " segment " << it.w << " offset " << hx(it.a);
      else
        out << " value " << hx(it.a);
      break;
    case z::kFormatVersion:
      out << " " << it.w;
      break;
    case z::kTarget:
      out << " " << hx(it.w) << " " << printable(it.text);
      break;
    case z::kSourceFile:
      out << " " << it.w << " " << printable(it.text);
      break;
    case z::kEmbeddedSource:
      out << " " << printable(it.text) << " " << it.lines.size() << " lines";
      break;
    case z::kDefine:
      out << " " << printable(it.text) << " " << printable(it.lines.at(0));
      break;
    case z::kLineFile:
      out << " " << it.w;
      break;
    case z::kLine:
      out << " line " << it.w << " length " << it.a;
      break;
    case z::kSymbolDebug:
      out << " " << it.w << " " << it.a << " " << it.pairs.size() << " references";
      break;
    case z::kPushConstant:
      out << " " << static_cast<int32_t>(it.a) << " (" << hx(it.a) << ")";
      break;
    case z::kPushLocation:
      out << " +" << static_cast<int32_t>(it.a);
      break;
    case z::kShlN:
    case z::kShrN:
    case z::kByteN:
      out << " " << it.a;
      break;
    case z::kPushSegment:
      out << " segment " << it.w << " offset " << hx(it.a);
      break;
    case z::kPushExternal:
      out << " " << it.w << " +" << it.a;
      break;
    case z::kSegmentBegin:
    case z::kSegmentEnd:
      out << " segment " << it.w << " +" << it.a;
      break;
    case z::kMessage:
      out << " " << printable(it.text);
      break;
    case z::kCheck:
      out << " " << static_cast<int32_t>(it.a) << ".." << static_cast<int32_t>(it.b);
      break;
    default:
      break;
  }
  out << '\n';
}

}  // namespace

void dump(const z::ObjectFile& object, std::ostream& out) {
  for (const auto& m : object.modules) {
    char line[1400];
    std::snprintf(line, sizeof line, "module %s %s at 0x%zX: processor %u, date %04u-%02u-%02u, crc %04X %s%s\n",
                  printable(m.header.name).c_str(), m.header.program ? "program" : "library", m.offset,
                  m.header.processor_option, m.header.year + 1900u, m.header.month, m.header.day, m.stored_crc,
                  m.crc_ok() ? "ok" : "BAD", m.ended_by_end ? ", ended by END" : "");
    out << line;
    if (!m.crc_ok()) {
      std::snprintf(line, sizeof line, "  computed crc %04X\n", m.computed_crc);
      out << line;
    }
    for (const auto& it : m.items) dump_item(it, out);
  }
}

}  // namespace zqlink
