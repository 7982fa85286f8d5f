#include "ladder/ui/alias_page_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabBar>
#include <memory>

#include "platform/message_box.h"

namespace {

class AliasWidgetTest : public testing::Test {
 protected:
  void SetUp() override {
    studio = std::make_unique<compiler::Studio>();
    studio->messages = &sink;
    widget = std::make_unique<ladder::AliasPageWidget>(*studio);
    widget->resize(300, 400);
    widget->show();
  }
  std::unique_ptr<compiler::Studio> studio;
  platform::RecordingMessageSink sink;
  std::unique_ptr<ladder::AliasPageWidget> widget;
};

TEST_F(AliasWidgetTest, EachPageKeepsItsScrollPosition) {
  widget->ChoosePage(2);
  EXPECT_EQ(widget->scrollBar()->maximum(), 1023);
  widget->scrollBar()->setValue(500);
  EXPECT_EQ(studio->editor.aliasPage.AliasTopM, 500);
  widget->tabs()->setCurrentIndex(0);  // P
  EXPECT_EQ(studio->editor.aliasPage.AliasType, 'P');
  EXPECT_EQ(widget->scrollBar()->maximum(), 127);
  EXPECT_EQ(widget->scrollBar()->value(), 0);
  widget->ChoosePage(2);
  EXPECT_EQ(widget->scrollBar()->value(), 500);
  widget->ShowFirstEntry();
  EXPECT_EQ(studio->editor.aliasPage.AliasTopM, 0);
}

// The page places its scroll bar itself when its frame resizes it, before any painting.
TEST_F(AliasWidgetTest, ScrollBarFollowsTheRightEdgeOnResize) {
  widget->resize(320, 500);
  const QRect list = widget->list()->geometry();
  const QRect bar = widget->scrollBar()->geometry();
  EXPECT_GT(bar.width(), 0);
  EXPECT_EQ(bar.right(), list.width() - 1);
  EXPECT_EQ(bar.top(), 0);
  EXPECT_EQ(bar.height(), list.height());
}

TEST_F(AliasWidgetTest, ClickEditsAndEnterCommits) {
  widget->ClickAt(100, 100);  // no page chosen yet
  EXPECT_FALSE(widget->editor()->isVisible());
  widget->ChoosePage(5);  // T
  widget->scrollBar()->setValue(2);
  widget->ClickAt(1000, widget->LineHeightTwips() + 5);  // second row: T3
  ASSERT_TRUE(widget->editor()->isVisible());
  EXPECT_EQ(studio->editor.aliasPage.AliasSel, 3);
  widget->editor()->setText("Heater");
  widget->CommitEditor();
  EXPECT_EQ(studio->doc.AliasT[3], "Heater");
  EXPECT_FALSE(widget->editor()->isVisible());

  widget->ChoosePage(1);
  widget->ClickAt(1000, 5);  // P0:0
  widget->editor()->setText("heater");
  widget->CommitEditor();
  EXPECT_TRUE(widget->editor()->isVisible());  // refused, the text stays
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_TRUE(studio->doc.AliasP[0].empty());

  // Rendering the page does not fail and shows the grey label column.
  QImage image(widget->list()->size(), QImage::Format_RGB32);
  widget->list()->render(&image);
  EXPECT_EQ(image.pixelColor(2, image.height() - 2), QColor(0xC0, 0xC0, 0xC0));
}

}  // namespace
