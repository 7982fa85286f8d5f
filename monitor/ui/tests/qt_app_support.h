#pragma once
// The one QApplication of the monitor's widget tests (offscreen).

class QApplication;

namespace monitor_test {
QApplication& App();
}
