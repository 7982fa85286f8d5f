#include "ladder/scroll_model.h"

namespace ladder {

void ScrollModel::SetMax(int max) {
  max_ = max < 0 ? 0 : max;
  if (onShow) onShow();
  if (value_ > max_) SetValue(max_);
}

bool ScrollModel::SetValue(int value) {
  value = Clamp(value);
  if (value == value_) return false;
  value_ = value;
  if (onShow) onShow();
  if (onChange) onChange(value_);
  return true;
}

void ScrollModel::SetValueQuietly(int value) {
  value_ = Clamp(value);
  if (onShow) onShow();
}

}  // namespace ladder
