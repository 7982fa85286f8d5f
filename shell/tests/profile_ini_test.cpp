#include "shell/profile_ini.h"

#include <gtest/gtest.h>

#include <random>

#include "shell/tests/shell_test_support.h"

using namespace shell;
using shell_test::ReadFile;
using shell_test::TempDir;
using shell_test::WriteFile;

TEST(ProfileFile, MissingFileGivesDefaultsAndWritingCreatesIt) {
  TempDir dir;
  ProfileFile ini(dir.path / "sub" / "ZQVSTUDIO.INI");
  EXPECT_EQ(ini.ReadInt("Setup", "Cunit", 80), 80);
  EXPECT_EQ(ini.ReadString("Font", "FontName", "x"), "x");
  EXPECT_FALSE(ini.HasKey("Setup", "Cunit"));
  ASSERT_TRUE(ini.WriteString("Setup", "Cunit", "90"));
  EXPECT_EQ(ReadFile(ini.Path()), "[Setup]\nCunit=90\n");
  EXPECT_EQ(ini.ReadInt("Setup", "Cunit", 80), 90);
}

TEST(ProfileFile, IntegerReadTakesTheLeadingNumber) {
  TempDir dir;
  WriteFile(dir / "a.ini", "[Setup]\nA=105abc\nB=abc\nC=  -42 \nD=\nE=99999999999999999999999\n");
  ProfileFile ini(dir / "a.ini");
  EXPECT_EQ(ini.ReadInt("Setup", "A", 7), 105);
  EXPECT_EQ(ini.ReadInt("Setup", "B", 7), 0);
  EXPECT_EQ(ini.ReadInt("Setup", "C", 7), -42);
  EXPECT_EQ(ini.ReadInt("Setup", "D", 7), 0);
  EXPECT_GT(ini.ReadInt("Setup", "E", 7), 32767);
  EXPECT_EQ(ini.ReadInt("Setup", "Missing", 7), 7);
}

TEST(ProfileFile, NamesIgnoreCaseAndTextIsTrimmed) {
  TempDir dir;
  WriteFile(dir / "a.ini", "; comment\r\n[SETUP]\r\n koreanmenu =  True  \r\n[Font]\r\nFontName=굴림\r\n");
  ProfileFile ini(dir / "a.ini");
  EXPECT_EQ(ini.ReadString("Setup", "KoreanMenu", "False"), "True");
  EXPECT_EQ(ini.ReadString("font", "FONTNAME", ""), "굴림");
}

TEST(ProfileFile, WritingOneKeyKeepsEveryOtherLine) {
  TempDir dir;
  const std::string before =
      "; my settings\r\n[Screen]\r\nTop=1\r\nLeft=2\r\n\r\n[Setup]\r\nCunit=80\r\nx = y = "
      "z\r\n\r\n[LastOpen]\r\nFile1=a\r\n";
  WriteFile(dir / "a.ini", before);
  ProfileFile ini(dir / "a.ini");
  ASSERT_TRUE(ini.WriteString("setup", "CUNIT", "100"));
  EXPECT_EQ(ReadFile(ini.Path()),
            "; my settings\r\n[Screen]\r\nTop=1\r\nLeft=2\r\n\r\n[Setup]\r\nCUNIT=100\r\nx = y = "
            "z\r\n\r\n[LastOpen]\r\nFile1=a\r\n");
  // A new key goes to the end of its section, before the blank line; a new section at the end.
  ASSERT_TRUE(ini.WriteString("Screen", "Width", "14540"));
  ASSERT_TRUE(ini.WriteString("Font", "FontBold", "False"));
  EXPECT_EQ(
      ReadFile(ini.Path()),
      "; my settings\r\n[Screen]\r\nTop=1\r\nLeft=2\r\nWidth=14540\r\n\r\n[Setup]\r\nCUNIT=100\r\nx = y = z\r\n\r\n"
      "[LastOpen]\r\nFile1=a\r\n[Font]\r\nFontBold=False\r\n");
  EXPECT_EQ(ini.ReadString("Setup", "x", ""), "y = z");
}

TEST(ProfileFile, LongValuesAndAmpersandsSurvive) {
  TempDir dir;
  ProfileFile ini(dir / "a.ini");
  std::string path = "/home/user/" + std::string(100, 'p') + "/R&D pump.qsl";
  ASSERT_GT(path.size(), 120u);
  ASSERT_TRUE(ini.WriteString("LastOpen", "File1", path));
  EXPECT_EQ(ini.ReadString("LastOpen", "File1", "none"), path);
}

TEST(ProfileFile, RefusesValuesThatWouldBreakTheFile) {
  TempDir dir;
  WriteFile(dir / "a.ini", "[A]\nk=1\n");
  ProfileFile ini(dir / "a.ini");
  EXPECT_FALSE(ini.WriteString("A", "k", "two\nlines"));
  EXPECT_FALSE(ini.WriteString("A", "k=", "1"));
  EXPECT_FALSE(ini.WriteString("A]", "k", "1"));
  EXPECT_EQ(ReadFile(ini.Path()), "[A]\nk=1\n");
}

TEST(ProfileFile, FileWithoutFinalLineEndGetsOne) {
  TempDir dir;
  WriteFile(dir / "a.ini", "[A]\nk=1");
  ProfileFile ini(dir / "a.ini");
  ASSERT_TRUE(ini.WriteString("A", "j", "2"));
  ASSERT_TRUE(ini.WriteString("B", "i", "3"));
  EXPECT_EQ(ReadFile(ini.Path()), "[A]\nk=1\nj=2\n[B]\ni=3\n");
}

TEST(ProfileFile, DuplicateKeysAndSectionsFirstWins) {
  TempDir dir;
  WriteFile(dir / "a.ini", "[A]\nk=1\nk=2\n[A]\nk=3\n");
  ProfileFile ini(dir / "a.ini");
  EXPECT_EQ(ini.ReadInt("A", "k", 0), 1);
  ASSERT_TRUE(ini.WriteString("A", "k", "9"));
  EXPECT_EQ(ReadFile(ini.Path()), "[A]\nk=9\nk=2\n[A]\nk=3\n");
}

TEST(ProfileBool, TrueWordsAndNonZeroNumbers) {
  EXPECT_TRUE(ProfileBool("True"));
  EXPECT_TRUE(ProfileBool("true"));
  EXPECT_TRUE(ProfileBool(" TRUE "));
  EXPECT_TRUE(ProfileBool("1"));
  EXPECT_TRUE(ProfileBool("-1"));
  EXPECT_FALSE(ProfileBool("yes"));
  EXPECT_FALSE(ProfileBool("False"));
  EXPECT_FALSE(ProfileBool("0"));
  EXPECT_FALSE(ProfileBool(""));
  EXPECT_FALSE(ProfileBool("1x"));
  EXPECT_FALSE(ProfileBool("-"));
}

// Random and truncated files: reads never fail, a write keeps every key it did not touch.
TEST(ProfileFile, RandomFilesReadAndWriteSafely) {
  TempDir dir;
  std::mt19937 rng(1234);
  const std::string alphabet = "[]=;#\r\n \tAbKkey0123456789-\x80\xff";
  for (int round = 0; round < 300; ++round) {
    std::string bytes;
    int len = int(rng() % 200);
    for (int i = 0; i < len; ++i) bytes += alphabet[rng() % alphabet.size()];
    WriteFile(dir / "r.ini", bytes);
    ProfileFile ini(dir / "r.ini");
    (void)ini.ReadInt("A", "k", 5);
    (void)ini.ReadString("b", "KEY", "d");
    std::string before = ini.ReadString("A", "key", "<none>");
    ASSERT_TRUE(ini.WriteString("Zq", "Value", "42"));
    EXPECT_EQ(ini.ReadInt("Zq", "Value", 0), 42) << round;
    if (before != "<none>") {
      // A section named Zq can only have been added, so key of A is untouched.
      EXPECT_EQ(ini.ReadString("A", "key", "<none>"), before) << round;
    }
  }
}
