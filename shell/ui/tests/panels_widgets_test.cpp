#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTimer>

#include "platform/tests/qt_test_app.h"

#include <filesystem>
#include <fstream>

#include "shell/ui/about_dialog.h"
#include "shell/ui/mnemonic_view.h"
#include "shell/ui/options_dialog.h"
#include "shell/ui/plc_panel_widget.h"
#include "shell/ui/side_panel_notice.h"
#include "shell/ui/tip_dialog.h"
#include "shell/ui/view_settings_widget.h"

namespace shell {
namespace {

void EnsureApp() { TestApp(); }

std::filesystem::path ArtifactsDir() {
  auto dir = std::filesystem::path(ZQV_BUILD_BIN_DIR).parent_path() / "artifacts";
  std::filesystem::create_directories(dir);
  return dir;
}

void Shot(QWidget& w, const std::string& name) {
  w.adjustSize();
  w.grab().save(QString::fromStdString((ArtifactsDir() / (name + ".png")).string()));
}

std::filesystem::path TempFolder(const std::string& tag) {
  auto dir = std::filesystem::temp_directory_path() / (tag + "_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  return dir;
}

using Write = std::tuple<std::string, std::string, std::string>;

struct PanelFixture : ::testing::Test, SetupPageHost, PlcPanelListener {
  compiler::PlcSetup setup;
  int docChanges = 0;
  PlcPanelModel plc{setup, *this};
  StudioSettings settings;
  std::vector<Write> writes;
  bool monitoring = false, korean = false;
  platform::RecordingMessageSink sink;
  std::optional<LadderFont> fontAnswer;

  void SetUp() override {
    EnsureApp();
    setup.IoDir.fill(1);
  }
  void SetupChanged() override { ++docChanges; }
  void ModelChosen(int16_t) override {}
  void WriteSetting(const std::string& s, const std::string& k, const std::string& v) override {
    writes.emplace_back(s, k, v);
  }
  bool MonitorOn() const override { return monitoring; }
  std::optional<LadderFont> ChooseFont(const LadderFont&) override { return fontAnswer; }
  platform::MessageSink& Messages() override { return sink; }
  bool KoreanMenu() const override { return korean; }
};

TEST_F(PanelFixture, PlcPageEditsReachTheDocumentOnFix) {
  setup.PlcModel = 10;
  PlcPanelWidget page(plc);
  page.Load();
  EXPECT_EQ(page.modelList()->currentText(), "ZQV-A");
  EXPECT_FALSE(page.portBox(26)->isEnabled());
  EXPECT_TRUE(page.portBox(25)->isEnabled());
  page.portBox(3)->click();  // untick: P0:3 becomes an output
  EXPECT_EQ(setup.IoDir[3], 1);
  page.Fix();
  EXPECT_EQ(setup.IoDir[3], 0);
  EXPECT_EQ(docChanges, 1);
  page.Load();
  EXPECT_FALSE(page.portBox(3)->isChecked());
}

TEST_F(PanelFixture, BoardListAndNodeThroughTheControls) {
  setup.PlcModel = 10;
  PlcPanelWidget page(plc);
  page.Load();
  page.boardList()->setCurrentIndex(4);
  emit page.boardList()->activated(4);
  EXPECT_EQ(setup.PlcModel, 1);
  EXPECT_EQ(page.modelList()->currentText(), "ZQV-E");
  EXPECT_FALSE(page.portBox(8)->isEnabled());
  EXPECT_FALSE(page.portBox(8)->isChecked());
  EXPECT_TRUE(page.portBox(24)->isChecked());
  EXPECT_FALSE(page.portBox(20)->isChecked());
  EXPECT_TRUE(page.portBox(6)->isChecked());
  page.portWideBox(1)->click();  // P1: the disabled boxes follow
  EXPECT_TRUE(page.portBox(8)->isChecked());
  page.commOption(2)->click();
  page.nodeEdit()->setText("");
  page.Fix();
  EXPECT_EQ(page.nodeEdit()->text(), "0");
  EXPECT_EQ(setup.CommMode, 2);
  EXPECT_EQ(setup.IoDir[8], 1);
  page.nodeEdit()->setText("300");
  page.Fix();
  EXPECT_EQ(setup.NodeNum, 300);
  setup.CommMode = 7;
  page.Load();
  EXPECT_TRUE(page.commOption(3)->isChecked());
  EXPECT_FALSE(page.commOption(2)->isChecked());
  setup.PlcModel = 5;
  page.Load();
  EXPECT_EQ(page.modelList()->currentIndex(), -1);
  page.Fix();
  EXPECT_EQ(setup.PlcModel, 5);
}

TEST_F(PanelFixture, SetupPageShowsTheSettingsWithoutWriting) {
  Settings read;
  read.Cunit = 80;
  read.Csai = 349;
  read.Color = 2;
  read.PortNum = 3;
  read.AliasFirst = 1;
  read.AskStart = 0;
  settings.Load(read);
  korean = true;
  SetupPageWidget page(settings, *this);
  page.Fill(true);
  EXPECT_EQ(page.sizeSlider()->value(), 39);
  EXPECT_EQ(page.spaceSlider()->value(), 5);
  EXPECT_TRUE(page.colorOption(0)->isChecked());  // drawn black, shown black
  EXPECT_TRUE(page.portOption(3)->isChecked());
  EXPECT_TRUE(page.aliasFirstBox()->isChecked());
  EXPECT_FALSE(page.askStartBox()->isChecked());
  EXPECT_TRUE(page.languageOption(1)->isChecked());
  EXPECT_TRUE(writes.empty());
  EXPECT_EQ(settings.Values().Csai, 349);
  // A user's move writes its key.
  page.sizeSlider()->setValue(0);
  EXPECT_EQ(settings.Values().Cunit, 41);
  EXPECT_EQ(writes.back(), (Write{"Setup", "Cunit", "41"}));
  writes.clear();
  monitoring = true;
  page.portOption(1)->click();
  EXPECT_TRUE(writes.empty());
  EXPECT_EQ(settings.Values().PortNum, 3);
  EXPECT_EQ(page.ChosenPort(), 3);
  ASSERT_EQ(sink.shown.size(), 1u);
  page.Fill(true);
  EXPECT_TRUE(page.portOption(3)->isChecked());  // the refused choice is unmarked again
  bool chosen = false;
  QObject::connect(&page, &SetupPageWidget::languageChosen, [&](bool k) { chosen = !k; });
  page.languageOption(0)->click();
  EXPECT_TRUE(chosen);
}

TEST_F(PanelFixture, FontDialogResultGoesToTheSampleUnrounded) {
  fontAnswer = LadderFont{"DejaVu Sans", 10.5, false, true};
  SetupPageWidget page(settings, *this);
  page.fontButton()->click();
  EXPECT_DOUBLE_EQ(page.fontSample()->font().pointSizeF(), 10.5);
  EXPECT_TRUE(page.fontSample()->font().italic());
  EXPECT_EQ(settings.Values().FontSize, 10);
  // Settings read at start-up show in the sample.
  Settings read;
  read.FontSize = 14;
  read.FontBold = true;
  settings.Load(read);
  EXPECT_DOUBLE_EQ(page.fontSample()->font().pointSizeF(), 14);
  EXPECT_TRUE(page.fontSample()->font().bold());
  EXPECT_EQ(writes[1], (Write{"Font", "FontSize", "10"}));
}

TEST_F(PanelFixture, ScreenshotsOfThePages) {
  setup.PlcModel = 1;
  for (bool k : {false, true}) {
    const char* lang = k ? "_ko" : "_en";
    PlcPanelWidget plcPage(plc);
    plcPage.SetKoreanMenu(k);
    plcPage.Load();
    plcPage.resize(plcPage.minimumSize());
    plcPage.grab().save(QString::fromStdString((ArtifactsDir() / (std::string("side_PLC") + lang + ".png")).string()));
    SetupPageWidget setupPage(settings, *this);
    setupPage.SetKoreanMenu(k);
    setupPage.Fill(k);
    Shot(setupPage, std::string("side_Setup") + lang);
    for (auto [name, lines] : {std::pair{"side_Dump", DumpNotice(k)}, {"side_Watch", WatchNotice(k)}}) {
      QWidget picture;
      picture.resize(241, 400);
      auto* layer = new NoticeLayer(&picture);
      layer->resize(picture.size());
      layer->SetNotice(lines);
      picture.grab().save(QString::fromStdString((ArtifactsDir() / (std::string(name) + lang + ".png")).string()));
    }
  }
}

struct MnemonicFixture : ::testing::Test {
  std::filesystem::path dir = TempFolder("mnemonic_view");
  compiler::ShellState shell;  // the program is untitled
  compiler::PlcSetup setup;
  void SetUp() override {
    EnsureApp();
    setup.PlcModel = 10;
    for (const char* name : {"QS2OUT.$$$", "ZQCORE2.LST", "ZQCORE3.LST", "ZQCORE2.S71"})
      std::ofstream(dir / name, std::ios::binary) << name << "\r\n";
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  static void Press(QWidget& w, int key, const QString& text = {}) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&w, &e);
  }
};

TEST_F(MnemonicFixture, KeysPickTheFilesOfTheModel) {
  QPlainTextEdit view;
  auto* viewer = new MnemonicViewer(&view, dir, shell, setup);
  viewer->TabChosen();
  EXPECT_EQ(view.toPlainText(), "QS2OUT.$$$\n");
  Press(view, Qt::Key_F9);  // untitled: nothing
  EXPECT_EQ(view.toPlainText(), "QS2OUT.$$$\n");
  shell.CurFilePath = "/tmp/a.qsl";
  Press(view, Qt::Key_F9);
  EXPECT_EQ(view.toPlainText(), "ZQCORE2.LST\n");
  setup.PlcModel = 4;
  Press(view, Qt::Key_F9);
  EXPECT_EQ(view.toPlainText(), "ZQCORE3.LST\n");
  Press(view, Qt::Key_F10);  // ZQCORE3.S71 is missing
  EXPECT_EQ(view.toPlainText(), "");
  Press(view, Qt::Key_F8);
  EXPECT_EQ(view.toPlainText(), "QS2OUT.$$$\n");
  Press(view, Qt::Key_A, "a");
  Press(view, Qt::Key_Backspace);
  Press(view, Qt::Key_Return, "\r");
  EXPECT_EQ(view.toPlainText(), "QS2OUT.$$$\n");
}

TEST(TipWindow, ButtonsAndTheShowBox) {
  EnsureApp();
  TipState state{ParseTipFile("A\nB\n----------\nC\n")};
  state.TipIndex = 1;
  std::vector<bool> chosen;
  int16_t tipShow = 1;
  TipDialog dialog(state, tipShow, [&](bool show) { chosen.push_back(show); });
  EXPECT_EQ(dialog.tipLabel()->text(), "C\n\n");
  dialog.nextButton()->click();
  EXPECT_EQ(state.TipIndex, 0);
  EXPECT_EQ(dialog.tipLabel()->text(), "A\n\nB\n\n");
  dialog.previousButton()->click();
  EXPECT_EQ(state.TipIndex, 1);
  EXPECT_TRUE(dialog.showBox()->isChecked());
  dialog.showBox()->click();
  EXPECT_EQ(chosen, std::vector<bool>{false});
  EXPECT_EQ(tipShow, 1);  // takes effect at the next start
  dialog.closeButton()->click();
  EXPECT_EQ(tipShow, 0);
  EXPECT_EQ(chosen.size(), 1u);
}

TEST(TipWindow, MissingFileShowsNoWindow) {
  EnsureApp();
  auto dir = TempFolder("no_tips");
  TipState state;
  int16_t tipShow = 1;
  platform::RecordingMessageSink sink;
  ShowTipOfTheDay(nullptr, state, tipShow, dir, sink, true, {});  // would block if it showed a window
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio Error !");
  std::filesystem::remove_all(dir);
}

TEST(Dialogs, OptionsCloseCopiesAndTheCloseBoxKeeps) {
  EnsureApp();
  compiler::PlcSetup setup;
  setup.UploadOpt = 0;
  setup.UploadFlag = false;
  int changed = 0;
  {
    OptionsDialog d(setup, false, [&] { ++changed; });
    EXPECT_FALSE(d.uploadBox()->isChecked());
    d.uploadBox()->setChecked(true);
    d.reject();  // the close box
  }
  EXPECT_EQ(setup.UploadOpt, 0);
  EXPECT_EQ(changed, 0);
  {
    OptionsDialog d(setup, true, [&] { ++changed; });
    EXPECT_EQ(d.uploadBox()->text(), QString::fromUtf8("소스업로드 가능"));
    d.uploadBox()->setChecked(true);
    d.scan25Box()->setCheckState(Qt::PartiallyChecked);  // greyed counts as off
    d.closeButton()->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
  }
  EXPECT_EQ(setup.UploadOpt, 1);
  EXPECT_TRUE(setup.UploadFlag);
  EXPECT_EQ(setup.Scan25Opt, 0);
  EXPECT_EQ(changed, 1);
}

TEST(Dialogs, AboutClosesOnAClickOutsideTheLabel) {
  EnsureApp();
  AboutDialog about;
  QPointF inside = QPointF(about.versionLabel()->geometry().center());
  QMouseEvent onLabel(QEvent::MouseButtonPress, inside, about.mapToGlobal(inside), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
  QApplication::sendEvent(&about, &onLabel);
  EXPECT_EQ(about.result(), 0);
  about.setResult(0);
  QMouseEvent outside(QEvent::MouseButtonPress, QPointF(10, 10), about.mapToGlobal(QPointF(10, 10)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&about, &outside);
  EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(Dialogs, Screenshots) {
  EnsureApp();
  TipState state{ParseTipFile(platform::Utf8ToAnsi("래더 화면에서 방향키로 커서를 움직입니다.\n").value())};
  int16_t tipShow = 1;
  TipDialog tip(state, tipShow, {});
  Shot(tip, "tip_en");
  Shot(tip, "tip_ko");  // the tip window is Korean in both languages
  compiler::PlcSetup setup;
  for (bool k : {false, true}) {
    OptionsDialog options(setup, k);
    Shot(options, k ? "options_ko" : "options_en");
  }
  AboutDialog about;
  about.grab().save(QString::fromStdString((ArtifactsDir() / "about_en.png").string()));
  about.grab().save(QString::fromStdString((ArtifactsDir() / "about_ko.png").string()));
}

}  // namespace
}  // namespace shell
