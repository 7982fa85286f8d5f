#include "ladder/recording_surface.h"

#include "ladder/ladder_geometry.h"

namespace ladder {

namespace {

// Characters of a UTF-8 text (continuation bytes do not count).
int Utf8Chars(const std::string& s) {
  int n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

DrawOp Op(DrawOp::Kind kind, int x1, int y1, int x2, int y2, Color c, std::string text = {}) {
  DrawOp op;
  op.kind = kind;
  op.x1 = x1, op.y1 = y1, op.x2 = x2, op.y2 = y2;
  op.color = c;
  op.text = std::move(text);
  return op;
}

}  // namespace

void RecordingSurface::Record(DrawOp op) {
  op.mode = mode_;
  op.penWidth = pen_;
  op.font = font_;
  ops.push_back(std::move(op));
}

void RecordingSurface::Clear() {
  Record(Op(DrawOp::Clear, 0, 0, 0, 0, back_));
  textX_ = textY_ = 0;
}

void RecordingSurface::Line(int x1, int y1, int x2, int y2, Color c) { Record(Op(DrawOp::Line, x1, y1, x2, y2, c)); }
void RecordingSurface::Box(int x1, int y1, int x2, int y2, Color c) { Record(Op(DrawOp::Box, x1, y1, x2, y2, c)); }
void RecordingSurface::FilledBox(int x1, int y1, int x2, int y2, Color c) {
  Record(Op(DrawOp::FilledBox, x1, y1, x2, y2, c));
}

int RecordingSurface::CharWidth() const { return RoundHalfEven(font_.size * 20 * 0.6); }
int RecordingSurface::LineHeight() const { return RoundHalfEven(font_.size * 20 * 1.2); }

int RecordingSurface::TextWidth(const std::string& utf8) const {
  int widest = 0, line = 0;
  for (size_t i = 0, start = 0; i <= utf8.size(); ++i) {
    if (i == utf8.size() || utf8[i] == '\r') {
      line = Utf8Chars(utf8.substr(start, i - start));
      if (line > widest) widest = line;
      start = i + 1;
    }
  }
  return widest * CharWidth();
}

int RecordingSurface::TextHeight(const std::string& utf8) const {
  int lines = 1;
  for (char c : utf8)
    if (c == '\r') ++lines;
  return lines * LineHeight();
}

void RecordingSurface::Print(const std::string& utf8) {
  size_t start = 0;
  for (;;) {
    size_t cr = utf8.find('\r', start);
    std::string line = utf8.substr(start, cr == std::string::npos ? std::string::npos : cr - start);
    if (!line.empty())
      Record(Op(DrawOp::Text, textX_, textY_, textX_ + TextWidth(line), textY_ + LineHeight(), fore_, line));
    textX_ = 0;
    textY_ += LineHeight();
    if (cr == std::string::npos) break;
    start = cr + 1;
  }
}

void RecordingSurface::PrintInline(const std::string& utf8) {
  Record(Op(DrawOp::Text, textX_, textY_, textX_ + TextWidth(utf8), textY_ + LineHeight(), fore_, utf8));
  textX_ += TextWidth(utf8);
}

std::vector<DrawOp> RecordingSurface::OfKind(DrawOp::Kind kind) const {
  std::vector<DrawOp> out;
  for (const DrawOp& op : ops)
    if (op.kind == kind) out.push_back(op);
  return out;
}

bool RecordingSurface::HasLine(int x1, int y1, int x2, int y2) const {
  for (const DrawOp& op : ops) {
    if (op.kind != DrawOp::Line) continue;
    if ((op.x1 == x1 && op.y1 == y1 && op.x2 == x2 && op.y2 == y2) ||
        (op.x1 == x2 && op.y1 == y2 && op.x2 == x1 && op.y2 == y1))
      return true;
  }
  return false;
}

const DrawOp* RecordingSurface::FindText(const std::string& text) const {
  for (const DrawOp& op : ops)
    if (op.kind == DrawOp::Text && op.text == text) return &op;
  return nullptr;
}

}  // namespace ladder
