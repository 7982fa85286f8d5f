#pragma once
// The notices of the side panel's Dump and Watch pages while not monitoring: lines of text
// printed into the page's picture at positions in twips.

#include <string>
#include <vector>

namespace shell {

struct NoticeLine {
  int x;
  int y;
  std::string text;  // UTF-8
};

std::vector<NoticeLine> DumpNotice(bool koreanMenu);
std::vector<NoticeLine> WatchNotice(bool koreanMenu);

}  // namespace shell
