#pragma once
// The one message with which the file, port and device commands refuse while monitoring.
// It lives beside the monitor flag, below the shell and the link that show it: the link may
// not take it from the monitor, which is built on the link.

#include "compiler/studio_state.h"
#include "platform/message_box.h"

namespace compiler {

// True while monitorOn, after "You can't use Monitoring mode ! " (or its Korean twin) under
// "Korvane Studio Message" with the information icon and one OK button: the command must not
// run. Without a sink the refusal is silent.
bool RefuseWhileMonitoring(bool monitorOn, platform::MessageSink* messages, bool koreanMenu);

// The same for a command that takes the flag, the sink and the language from the studio.
bool RefuseWhileMonitoring(Studio& studio);

}  // namespace compiler
