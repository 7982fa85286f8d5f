#pragma once
// Placement of the main window's panes, in twips, as a function of the window's size.
// W and H are the window's outer width and height, S the height of its client area.
// Every pane is a fixed offset from the window's size or from a pane placed before it.
// The outer size is the window's own size (menu bar included) with the frame the offsets were
// drawn for around it, not the frame a window manager draws: that one is known only some time
// after the window is first shown, differs from one window manager to the next and is missing
// without one, and the panes must neither move when it comes nor slide under the status bar
// below a tall title bar.

namespace shell {

inline constexpr int kTwipsPerPixel = 15;

// Twips to pixels, rounded to the nearest pixel (the only conversion, at the last step).
inline int Px(int twips) {
  return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

struct TwipRect {
  int left = 0, top = 0, width = 0, height = 0;
  // A pane with a negative size (a very small window) is left where it was.
  bool Usable() const { return width >= 0 && height >= 0; }
  bool operator==(const TwipRect&) const = default;
};

struct MainLayout {
  // On the window (client coordinates).
  TwipRect tabInfo, tabMain, picBoard, txtMnemonic, gagStatus, tbrLadder;
  // In picBoard.
  TwipRect vsbMain;
  int endLineY = 325, endLine2Y = 327, endLineLength = 0;
  // The side page container (each of the five frames) and the memo box when resized.
  TwipRect sideFrame, txtMemo;
  // Inside the frames: the designed places of the pages' parts. The window places only the
  // frames; each page lays out its own parts when its frame resizes it.
  TwipRect tabAlias, picAlias, vsbAlias;  // fraAlias, picAlias, picAlias
  TwipRect tabDump, picDump, vsbDump;     // fraDump, fraDump, picDump
  TwipRect picWatch;                      // fraWatch
};

// The ladder toolbar's fixed height (twips) that the layout keeps.
inline constexpr int kLadderToolbarHeight = 480;

MainLayout ComputeLayout(int W, int H, int S);

// The frame the offsets were drawn for: a 19-pixel title bar and 4-pixel borders (twips).
inline constexpr int kDesignFrameWidth = 2 * 60;
inline constexpr int kDesignFrameHeight = 285 + 2 * 60;

// The layout of a window whose own width and height (menu bar included) and client height
// are given, in twips.
MainLayout ComputeWindowLayout(int windowWidth, int windowHeight, int clientHeight);

// Where a side page goes when it is chosen (the memo box sits a little lower than the frames).
TwipRect SidePageFrame(int panelHeight);
TwipRect SideMemoBox(int panelHeight);

}  // namespace shell
