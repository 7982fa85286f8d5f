#include "compiler/options_header.h"

#include "compiler/document.h"
#include "compiler/studio_state.h"
#include "platform/file_write.h"
#include "platform/message_box.h"

namespace compiler {

int PortDirectionByte(const PlcSetup& setup, int port) {
  int value = 0;
  for (int bit = 7; bit >= 0; --bit) {
    if (setup.IoDir[static_cast<size_t>(8 * port + bit)] == 0) value += 1 << bit;
  }
  return value;
}

std::string MakeCompileOptions(const PlcSetup& setup) {
  std::string out;
  auto line = [&](const std::string& name, int value) {
    out += "#define " + name + " " + std::to_string(value) + "\r\n";
  };
  const int options[8] = {setup.CommMode,     setup.NodeNum,     setup.UploadOpt,   setup.Scan25Opt,
                          setup.ClearKeepOpt, setup.CompOption6, setup.CompOption7, setup.CompOption8};
  for (int i = 0; i < 8; ++i) line("COMP_OPTION" + std::to_string(i + 1), options[i]);
  line("PLCMODEL", setup.PlcModel);
  for (int port = 0; port <= 4; ++port) line("DIR" + std::to_string(port), PortDirectionByte(setup, port));
  return out;
}

bool WriteCompileOptions(Studio& studio, const std::filesystem::path& folder) {
  std::string error;
  if (platform::WriteBuildFile(folder / kOptionsHeaderName, MakeCompileOptions(studio.doc.Setup), &error))
    return false;
  if (studio.messages) {
    platform::Message m;
    m.caption = "Korvane Studio Error !";
    m.text = platform::Pick(studio.shell.KoreanMenu, "File Creation Error !", "파일 생성 에러 !");
    m.icon = platform::MsgIcon::Information;
    studio.messages->Show(m);
  }
  return true;
}

}  // namespace compiler
