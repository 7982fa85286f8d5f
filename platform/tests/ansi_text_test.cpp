#include "platform/ansi_text.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(AnsiText, ConvertsHangulBetweenUtf8Cp949AndJohab) {
  auto ansi = Utf8ToAnsi("가한");
  ASSERT_TRUE(ansi);
  EXPECT_EQ(*ansi, "\xB0\xA1\xC7\xD1");
  auto johab = AnsiToJohab(*ansi);
  ASSERT_TRUE(johab);
  EXPECT_EQ(*johab, "\x88\x61\xD0\x65");
  auto back = AnsiToUtf8(*ansi);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, "가한");
  EXPECT_EQ(*AnsiToJohab("P0:1 AB"), "P0:1 AB");
}

TEST(AnsiText, CountsDoubleByteCharactersAsOne) {
  AnsiText label = "P0:1  " + *Utf8ToAnsi("가한");
  EXPECT_EQ(label.size(), 10u);
  EXPECT_EQ(AnsiCharCount(label), 8u);
  EXPECT_EQ(AnsiCharCount(""), 0u);
  // A lone lead byte at the end still counts as one character.
  EXPECT_EQ(AnsiCharCount("A\xB0"), 2u);
  EXPECT_EQ(AnsiBytesOfChars(label, 7), 8u);
  EXPECT_EQ(AnsiBytesOfChars("A\xB0", 5), 2u);
}

TEST(AnsiText, RefusesWhatTheTargetCannotHold) {
  EXPECT_FALSE(AnsiToUtf8("\xB0"));              // truncated double-byte character
  EXPECT_FALSE(Utf8ToAnsi("\xF0\x9F\x98\x80"));  // emoji has no CP949 form
  EXPECT_EQ(AnsiToUtf8Lossy("A\xFF\xFF"
                            "B"),
            "A?B");
}

TEST(AnsiText, TellsWellFormedUtf8) {
  EXPECT_TRUE(IsUtf8(""));
  EXPECT_TRUE(IsUtf8("plain"));
  EXPECT_TRUE(IsUtf8("\xEB\xA9\x94\xEB\xAA\xA8 \xE2\x9C\x93 \xF0\x9F\x98\x80"));  // 메모 ✓ and an emoji
  EXPECT_FALSE(IsUtf8("\xB0\xA1\xC7\xD1"));                                       // CP949 가한
  EXPECT_FALSE(IsUtf8("\xEA\xB0"));                                               // cut short
  EXPECT_FALSE(IsUtf8("\xC0\xAF"));                                               // overlong "/"
  EXPECT_FALSE(IsUtf8("\xED\xA0\x80"));                                           // a surrogate
  EXPECT_FALSE(IsUtf8("\xF4\x90\x80\x80"));                                       // above U+10FFFF
}
