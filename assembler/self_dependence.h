// Places that depend on themselves. The sizing walks place each statement after the ones before
// it; a place reckoned from places it moves itself would move on every walk.
// - The start of an absolute segment is its first location. When that location is reckoned from
//   places in the segment that follow from the start ("$" of its line, labels before it), the
//   segment starts at 0 instead and the location follows from there.
#pragma once

namespace aq71 {

class Assembly;

// Before the sizing walks: every absolute segment whose start is reckoned from places that follow
// from it starts at 0.
void settle_segment_starts(Assembly& run);

}  // namespace aq71
