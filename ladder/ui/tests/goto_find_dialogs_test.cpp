#include "ladder/ui/goto_find_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <memory>

#include "platform/message_box.h"

namespace {

void PressEnter(QLineEdit* box) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(box, &press);
}

class DialogTest : public testing::Test {
 protected:
  void SetUp() override {
    studio = std::make_unique<compiler::Studio>();
    studio->messages = &sink;
  }
  std::unique_ptr<compiler::Studio> studio;
  platform::RecordingMessageSink sink;
};

TEST_F(DialogTest, GotoClosesOnlyOnAReachableRowOrNoNumber) {
  ladder::GotoDialog dialog(*studio, [] { return 40; });
  dialog.show();
  dialog.textBox()->setText("-5");
  PressEnter(dialog.textBox());
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.textBox()->text(), "-5");
  dialog.textBox()->setText("12");
  PressEnter(dialog.textBox());
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(studio->doc.TopRow, 11);
}

TEST_F(DialogTest, FindShowsTheLastWordAndReportsAMissAfterClosing) {
  studio->doc.CellText[4][2] = "M3:1";
  studio->doc.CellText[0][3] = "END";
  ladder::FindDialog dialog(*studio);
  dialog.show();
  EXPECT_TRUE(dialog.textBox()->text().isEmpty());
  dialog.textBox()->setText("m3");
  PressEnter(dialog.textBox());
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(studio->doc.CurCol, 4);
  EXPECT_EQ(studio->doc.CurRow, 2);
  dialog.show();
  EXPECT_EQ(dialog.textBox()->text(), "m3");
  PressEnter(dialog.textBox());
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "Not Found [m3] ");
}

}  // namespace
