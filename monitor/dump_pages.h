#pragma once
// The dump pages of the side panel: one page per device area (tabs 1 to 12: P, M, F, S, K,
// CH, G, C, T, D, AD, CNT), each starting at its own first shown item. Bit pages draw their
// labels once and repaint only their state boxes on each tick; byte and word pages read and
// print every shown line each time.

#include <array>
#include <cstdint>
#include <string>

#include "compiler/studio_state.h"
#include "ladder/drawing_surface.h"
#include "monitor/device_reader.h"

namespace monitor {

enum DumpTab { kTabP = 1, kTabM, kTabF, kTabS, kTabK, kTabCH, kTabG, kTabC, kTabT, kTabD, kTabAD, kTabHCNT };
constexpr int kDumpTabs = 12;

// Caption of a tab (1..12), or empty.
std::string DumpTabCaption(int tab);

// Start address and item count of a tab's area (bits, bytes or words); count 0 outside 1..12.
struct DumpArea {
  int start = 0;
  int count = 0;
};
DumpArea DumpAreaOf(const compiler::DeviceMap& map, int tab);

// Line texts of the pages.
std::string BitLabel(char letter, int bit);                    // "       P1:5"
std::string ByteLine(const char* name, int n, uint8_t value);  // "  CH3 = A   10   ."
std::string WordLine(const char* name, int n, int value);      // "  D1 = 1234  4660"
std::string DumpHeader(int tab);                               // header line of tabs 6..12
// The character shown for a byte: control codes (0..31, 128..159) as ".", others (127 included)
// as the Latin-1 character of that code, in UTF-8.
std::string ByteChar(uint8_t value);

// The pages' state: the selected tab and the first shown item of each tab, kept for the
// whole run (not stored in any file).
class DumpPages {
 public:
  int selectedTab = kTabP;
  std::array<int16_t, kDumpTabs + 1> DumpTop{};  // index = tab; 0 unused

  struct ScrollRange {
    int maximum = 0;  // range 0..maximum
    int position = 0;
  };

  // Page selection: clears the picture, brings the tab's first shown item into its area,
  // and draws the page (bit pages their layout, the other pages read and print). Returns
  // the range and position the scroll bar is to get; the caller sets both with its change
  // notification blocked, so that the stored first item is not overwritten.
  ScrollRange SelectTab(const compiler::Studio& studio, DeviceReader& reader, ladder::DrawingSurface& surface, int tab);

  // Scroll bar moved: stores the position as the selected page's first item and redraws it.
  void Scroll(const compiler::Studio& studio, DeviceReader& reader, ladder::DrawingSurface& surface, int position);

  // Monitor tick: nothing unless the dump frame is visible; then the selected page's state
  // boxes (bit pages) or the whole page (the others).
  void Refresh(const compiler::Studio& studio, DeviceReader& reader, ladder::DrawingSurface& surface,
               bool frameVisible);

  // Draws the selected page as selection and scroll do (after clearing the picture).
  void Draw(const compiler::Studio& studio, DeviceReader& reader, ladder::DrawingSurface& surface);
};

// The page routines, each doing nothing unless monitoring.
void DrawBitPage(const compiler::Studio& studio, ladder::DrawingSurface& surface, int tab, int first);
void RefreshBitPage(const compiler::Studio& studio, DeviceReader& reader, ladder::DrawingSurface& surface, int tab,
                    int first);
void ShowBytePage(const compiler::Studio& studio, DeviceReader& reader, ladder::DrawingSurface& surface, int tab,
                  int first);
void ShowWordPage(const compiler::Studio& studio, DeviceReader& reader, ladder::DrawingSurface& surface, int tab,
                  int first);

}  // namespace monitor
