#pragma once
// The PLC setup page and the Setup page as the window shows them before their own widgets
// are hosted: the controls that carry captions and the language options, without commands.

class QWidget;

namespace shell {

QWidget* BuildStandInPlcPage();
QWidget* BuildStandInSetupPage();

}  // namespace shell
