#pragma once
// The ladder's vertical scroll bar as the editor sees it: a maximum and a value from 0,
// and a change handler that runs at once, inside the call that changed the value.

#include <functional>

namespace ladder {

class ScrollModel {
 public:
  int Max() const { return max_; }
  int Value() const { return value_; }
  // A value above the new maximum follows it down (and reports the change).
  void SetMax(int max);
  // Clamped to 0..Max. Runs onChange when the value changes; returns whether it did.
  bool SetValue(int value);
  // Sets the value without running onChange (the caller has already moved the view).
  void SetValueQuietly(int value);

  std::function<void(int value)> onChange;
  // Told of every change of maximum or value, also the quiet ones (the widget mirrors it).
  std::function<void()> onShow;

 private:
  int Clamp(int value) const { return value < 0 ? 0 : value > max_ ? max_ : value; }
  int max_ = 1;
  int value_ = 0;
};

}  // namespace ladder
