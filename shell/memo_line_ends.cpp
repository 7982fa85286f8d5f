#include "shell/memo_line_ends.h"

#include <algorithm>

namespace shell {
namespace {

constexpr char16_t kParagraphSeparator = u'\u2029';

bool IsBreak(char16_t c) { return c == u'\n' || c == u'\r' || c == kParagraphSeparator; }

// A break the box would not give back as it is: a lone CR or a paragraph separator.
bool HasOwnBreak(const std::u16string& text) {
  return text.find_first_of(u"\r\u2029") != std::u16string::npos;
}

// Whether the box shows the memo's character `kept` as `shown`.
bool ShownAs(char16_t kept, char16_t shown) { return IsBreak(kept) ? shown == kParagraphSeparator : kept == shown; }

// Whether the box shows the memo text `kept` as `box`.
bool ShowsAs(const std::u16string& kept, const std::u16string& box) {
  return kept.size() == box.size() && std::equal(kept.begin(), kept.end(), box.begin(), ShownAs);
}

}  // namespace

std::u16string MemoLineEnds::Show(std::u16string text) {
  earlier_.clear();
  text_ = text;
  for (char16_t& c : text)
    if (IsBreak(c)) c = u'\n';
  return text;
}

void MemoLineEnds::Changed(const std::u16string& box, std::size_t from) {
  if (ShowsAs(text_, box)) return;
  // Only a text with breaks of its own needs keeping: any other comes back as the box shows it.
  // What is kept is bounded, so that a long memo is not held a hundred times over.
  if (HasOwnBreak(text_)) {
    earlier_.push_front(text_);
    std::size_t chars = 0, kept = 0;
    while (kept < earlier_.size() && kept < kEarlier && chars + earlier_[kept].size() <= kEarlierChars)
      chars += earlier_[kept++].size();
    earlier_.resize(kept);
  }
  // A text the box held before (an edit undone, a line end taken away and made again) comes
  // back with the breaks it had then.
  for (const std::u16string& then : earlier_) {
    if (!ShowsAs(then, box)) continue;
    text_ = then;
    return;
  }
  // The change starts at `from` at the latest; where the same character stands on either side
  // of it (one break of two, say), the stretch is the one the box says it changed.
  const std::size_t limit = std::min({from, text_.size(), box.size()});
  std::size_t before = 0;
  while (before < limit && ShownAs(text_[before], box[before])) ++before;
  std::size_t after = 0;
  while (after < text_.size() - before && after < box.size() - before &&
         ShownAs(text_[text_.size() - 1 - after], box[box.size() - 1 - after]))
    ++after;
  std::u16string made = box.substr(before, box.size() - before - after);
  std::replace(made.begin(), made.end(), kParagraphSeparator, u'\n');
  text_.replace(before, text_.size() - before - after, made);
}

}  // namespace shell
