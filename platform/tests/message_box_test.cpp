#include "platform/message_box.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(MessageBox, RecordingSinkKeepsMessagesAndAnswersInOrder) {
  RecordingMessageSink sink;
  sink.answers = {MsgResult::Yes, MsgResult::No};
  EXPECT_EQ(sink.Show({"c", "one", MsgIcon::Question, MsgButtons::YesNo}), MsgResult::Yes);
  EXPECT_EQ(sink.Show({"c", "two", MsgIcon::Question, MsgButtons::YesNo}), MsgResult::No);
  EXPECT_EQ(sink.Show({"c", "three"}), MsgResult::Ok);
  ASSERT_EQ(sink.shown.size(), 3u);
  EXPECT_EQ(sink.shown[1].text, "two");
  EXPECT_EQ(Pick(true, "en", "ko"), "ko");
  EXPECT_EQ(Pick(false, "en", "ko"), "en");
}
