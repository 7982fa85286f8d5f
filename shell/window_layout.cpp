#include "shell/window_layout.h"

namespace shell {

TwipRect SidePageFrame(int panelHeight) { return {120, 720, 3855, panelHeight - 480}; }
TwipRect SideMemoBox(int panelHeight) { return {120, 800, 3855, panelHeight - 520}; }

MainLayout ComputeLayout(int W, int H, int S) {
  MainLayout l;
  l.tabInfo = {0, 370, 4095, H - 1600};
  l.tabMain = {4150, 390, W - 4285, H - 1600};
  l.picBoard = {4320, 720, l.tabMain.width - 310, l.tabMain.height - 800};
  l.txtMnemonic = {l.picBoard.left, 480, l.picBoard.width, l.picBoard.height + 280};
  l.gagStatus = {120, S - 260, 2775, 195};
  l.vsbMain = {l.picBoard.width - 310, 345, 255, l.picBoard.height - 410};
  l.tbrLadder = {4320, 480, l.tabMain.width - 200, kLadderToolbarHeight};
  l.endLineLength = l.picBoard.width;

  const int P = l.tabInfo.height;
  l.sideFrame = SidePageFrame(P);
  l.txtMemo = {120, 720, 3855, P - 480};  // a resize gives the memo box the frames' place
  const TwipRect& frame = l.sideFrame;
  l.tabDump = {0, 120, 3855, frame.height - 120};
  l.picDump = {120, 840, 3615, l.tabDump.height - 840};
  l.vsbDump = {l.picDump.width - 310, 0, 255, l.picDump.height - 70};
  l.picWatch = {0, 600, 3855, frame.height - 600};
  l.tabAlias = {0, 120, 3855, frame.height - 120};
  l.picAlias = {120, 600, 3615, l.tabAlias.height - 600};
  l.vsbAlias = {l.picAlias.width - 310, 0, 255, l.picAlias.height - 70};
  return l;
}

MainLayout ComputeWindowLayout(int windowWidth, int windowHeight, int clientHeight) {
  return ComputeLayout(windowWidth + kDesignFrameWidth, windowHeight + kDesignFrameHeight, clientHeight);
}

}  // namespace shell
