#pragma once
// One application object for the whole test program: made by the first test that needs it,
// deleted after the last one, so the font and display libraries shut down cleanly.
#include <QApplication>

QApplication& TestApp();
