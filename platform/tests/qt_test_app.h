#pragma once
// The one QApplication of a widget test program (offscreen, as the test main sets): made
// before the first test, deleted after the last one, so that the font and display
// libraries shut down cleanly. Every Qt folder's test program has it.

#include <QApplication>

QApplication& TestApp();
