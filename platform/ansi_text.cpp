#include "platform/ansi_text.h"

#include <iconv.h>
#include <cerrno>

namespace platform {
namespace {

// One iconv conversion of a whole text. Returns nullopt on any failure.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  out.resize(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  bool ok = true;
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) {
      if (errno == E2BIG) {
        size_t used = out.size() - dstLeft;
        out.resize(out.size() * 2);
        dst = out.data() + used;
        dstLeft = out.size() - used;
        continue;
      }
      ok = false;
      break;
    }
  }
  if (ok && iconv(cd, nullptr, nullptr, &dst, &dstLeft) == static_cast<size_t>(-1)) ok = false;
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - dstLeft);
  return out;
}

}  // namespace

std::size_t AnsiCharCount(std::string_view ansi) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < ansi.size(); ++n) i += (static_cast<unsigned char>(ansi[i]) >= 0x80) ? 2 : 1;
  return n;
}

std::size_t AnsiBytesOfChars(std::string_view ansi, std::size_t chars) {
  std::size_t i = 0;
  while (chars > 0 && i < ansi.size()) {
    std::size_t step = (static_cast<unsigned char>(ansi[i]) >= 0x80) ? 2 : 1;
    if (i + step > ansi.size()) step = ansi.size() - i;
    i += step;
    --chars;
  }
  return i;
}

std::optional<std::string> AnsiToUtf8(std::string_view ansi) { return Convert("UTF-8", "CP949", ansi); }
std::optional<AnsiText> Utf8ToAnsi(std::string_view utf8) { return Convert("CP949", "UTF-8", utf8); }
std::optional<std::string> AnsiToJohab(std::string_view ansi) { return Convert("JOHAB", "CP949", ansi); }

bool IsUtf8(std::string_view text) { return Convert("UTF-32LE", "UTF-8", text).has_value(); }

std::string AnsiToUtf8Lossy(std::string_view ansi) {
  if (auto whole = AnsiToUtf8(ansi)) return *whole;
  std::string out;
  for (std::size_t i = 0; i < ansi.size();) {
    unsigned char c = static_cast<unsigned char>(ansi[i]);
    std::size_t step = (c >= 0x80 && i + 1 < ansi.size()) ? 2 : 1;
    auto piece = AnsiToUtf8(ansi.substr(i, step));
    out += piece ? *piece : std::string("?");
    i += step;
  }
  return out;
}

}  // namespace platform
