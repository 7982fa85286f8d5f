#include "monitor/tests/recording_surface_support.h"

namespace monitor_test {

void RecordingSurface::Clear() {
  ops.push_back(Op{});
  x_ = y_ = 0;
}

void RecordingSurface::Line(int x1, int y1, int x2, int y2, ladder::Color c) {
  ops.push_back({Op::kLine, x1, y1, x2, y2, c, {}, mode_});
}

void RecordingSurface::Box(int x1, int y1, int x2, int y2, ladder::Color c) {
  ops.push_back({Op::kBox, x1, y1, x2, y2, c, {}, mode_});
}

void RecordingSurface::FilledBox(int x1, int y1, int x2, int y2, ladder::Color c) {
  ops.push_back({Op::kFill, x1, y1, x2, y2, c, {}, mode_});
}

void RecordingSurface::Print(const std::string& utf8) {
  ops.push_back({Op::kText, x_, y_, 0, 0, fore_, utf8, mode_});
  x_ = 0;
  y_ += TextHeight(utf8);
}

void RecordingSurface::PrintInline(const std::string& utf8) {
  ops.push_back({Op::kText, x_, y_, 0, 0, fore_, utf8, mode_});
  x_ += TextWidth(utf8);
}

std::vector<Op> RecordingSurface::Of(Op::Kind kind) const {
  std::vector<Op> out;
  for (const Op& op : ops)
    if (op.kind == kind) out.push_back(op);
  return out;
}

std::vector<std::string> RecordingSurface::Texts() const {
  std::vector<std::string> out;
  for (const Op& op : ops)
    if (op.kind == Op::kText) out.push_back(op.text);
  return out;
}

std::string RecordingSurface::TextAt(int x, int y) const {
  for (auto it = ops.rbegin(); it != ops.rend(); ++it)
    if (it->kind == Op::kText && it->x1 == x && it->y1 == y) return it->text;
  return {};
}

}  // namespace monitor_test
