#pragma once
// The interface language as the device commands read it: the studio's KoreanMenu flag,
// read each time a message is picked.

#include "compiler/studio_state.h"
#include "link/device.h"

namespace shell {

class StudioLanguage : public plclink::Language {
 public:
  explicit StudioLanguage(const compiler::Studio& studio) : studio_(studio) {}
  bool Korean() const override { return studio_.shell.KoreanMenu; }

 private:
  const compiler::Studio& studio_;
};

}  // namespace shell
