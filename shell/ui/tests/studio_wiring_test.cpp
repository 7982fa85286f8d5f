// The studio's window as zqvstudio builds it, with the simulated module in the same process:
// the ladder editor, the Edit menu, monitor mode and the device commands through the menus.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QToolBar>
#include <filesystem>
#include <memory>

#include "ladder/ui/alias_page_widget.h"
#include "ladder/ui/ladder_view.h"
#include "link/link.h"
#include "monitor/link_reader.h"
#include "monitor/ui/monitor_controller.h"
#include "platform/message_box.h"
#include "platform/tests/qt_test_app.h"
#include "shell/ui/device_commands.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/ladder_wiring.h"
#include "shell/ui/monitor_wiring.h"
#include "tools/zqvsim/core/sim_port.h"

using namespace shell;

namespace {

struct StudioWiringTest : ::testing::Test {
  std::filesystem::path folder;
  std::unique_ptr<compiler::Studio> studio = std::make_unique<compiler::Studio>();
  platform::RecordingMessageSink sink;
  std::unique_ptr<ProfileFile> ini;
  std::unique_ptr<FrmMain> window;
  zqvsim::ModuleCore core{zqvsim::Profile{1, 30}};  // the model of a new program
  zqvsim::SimClock clock;
  std::unique_ptr<plclink::Link> link;
  std::unique_ptr<monitor::LinkDeviceReader> reader;
  LadderWiring ladder;
  monitor::MonitorController* monitor = nullptr;

  void SetUp() override {
    TestApp();
    char tmpl[] = "/tmp/zqv-wiring-XXXXXX";
    folder = ::mkdtemp(tmpl);
    ini = std::make_unique<ProfileFile>((folder / "ZQVSTUDIO.INI").string());
    studio->messages = &sink;
    window = std::make_unique<FrmMain>(*studio, *ini, folder);
    link = std::make_unique<plclink::Link>(plclink::LinkConfig{}, sink, *window,
                                           [this](int) { return std::make_unique<zqvsim::SimPort>(core, clock); });
    reader = std::make_unique<monitor::LinkDeviceReader>(*link, *studio);
    ladder = WireLadder(*window, [this] { return monitor->WatchPage()->AddFromCell(); });
    monitor = WireMonitor(*window, *ladder.view, *link, *reader);
    WireDeviceCommands(*window, *link, &monitor->Ticker());
    window->Form_Load();
    window->resize(1000, 750);
    window->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    window.reset();
    link.reset();
    std::filesystem::remove_all(folder);
  }

  void Key(QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &press);
  }
  void Trigger(const char* name) { window->Action(name)->trigger(); }
  // An element key on a cell, then its operand through the operand box.
  void Place(int col, int row, int key, const char* operand) {
    doc().CurCol = static_cast<int16_t>(col);
    doc().CurRow = static_cast<int16_t>(row);
    ladder.view->showCursorCell();
    ladder.view->board()->setFocus();
    Key(ladder.view->board(), key);
    ladder.view->operandBox()->setText(operand);
    Key(ladder.view->operandBox(), Qt::Key_Return);
  }
  compiler::ProgramDocument& doc() { return studio->doc; }
};

}  // namespace

TEST_F(StudioWiringTest, TheLadderEditorDrawsAndTheEditMenuActsOnIt) {
  ladder::LadderView* view = ladder.view;
  ASSERT_EQ(window->Board(), view);
  EXPECT_EQ(window->findChildren<QWidget*>("vsbMain").size(), 1);  // the view's own scroll bar only
  QWidget* board = view->board();
  board->setFocus();

  // F3 and an operand typed on the board: a contact P0:1 in the first cell, program changed.
  studio->shell.SourceSaved = true;
  Key(board, Qt::Key_F3);
  Key(board, Qt::Key_P, Qt::NoModifier, "p");
  ASSERT_TRUE(view->operandBox()->hasFocus() || view->operandBox()->text() == "P" || view->operandBox()->text() == "p");
  view->operandBox()->setText("p0:1");
  Key(view->operandBox(), Qt::Key_Return);
  EXPECT_EQ(doc().CellType[0][0], compiler::kContactNO);
  EXPECT_EQ(doc().CellText[0][0], "P0:1");
  EXPECT_FALSE(studio->shell.SourceSaved);

  // The element toolbar's END button on row 1.
  doc().CurRow = 1;
  doc().CurCol = 0;
  view->showCursorCell();
  QList<QAction*> buttons;
  for (QAction* a : window->LadderToolbar()->actions())
    if (a->objectName() == "tbrLadderButton") buttons.push_back(a);
  ASSERT_EQ(buttons.size(), 11);
  buttons[10]->trigger();
  EXPECT_EQ(doc().CellText[9][1], "END");

  // Copy Line on row 0, then Insert Line and Restore Deleted Line put it back in row 0.
  doc().CurRow = 0;
  Trigger("mnuCopyLine");
  Trigger("mnuInsertBlankLine");
  EXPECT_TRUE(doc().CellText[0][0].empty());
  EXPECT_EQ(doc().CellText[0][1], "P0:1");
  Trigger("mnuRestoreDeletedLine");
  EXPECT_EQ(doc().CellText[0][0], "P0:1");

  // Block commands without a selection say so; Undo stays disabled until an overlay.
  sink.shown.clear();
  Trigger("mnuBlockCopy");
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "Block Select First !!!");
  EXPECT_FALSE(window->Action("mnuBlockPasteUndo")->isEnabled());

  // The alias page lives in its frame and is drawn when its tab is chosen.
  EXPECT_EQ(ladder.aliasPage->parentWidget(), window->Frame("fraAlias"));
  window->SelectSidePage(3);
  EXPECT_TRUE(ladder.aliasPage->isVisible());
}

TEST_F(StudioWiringTest, MonitorModeReadsTheModuleAndPaintsTheLadder) {
  // A contact and its coil on P0:0 / P1:0; the module's P0 byte has bit 0 on.
  Place(0, 0, Qt::Key_F3, "P0:0");
  Place(10, 0, Qt::Key_F7, "P1:0");
  ASSERT_EQ(doc().CellText[10][0], "P1:0");
  core.data()[static_cast<size_t>(studio->monitor.map.AddrP)] = 0x01;

  auto* slider = window->findChild<QSlider*>("SliderMonSpeed");
  ASSERT_NE(slider, nullptr);
  const QImage before = ladder.view->surface().Image().copy();
  Trigger("mnuMonitor");
  ASSERT_EQ(studio->monitor.MonitorOn, 1) << (sink.shown.empty() ? "" : sink.shown[0].text);
  EXPECT_FALSE(ladder.view->operandBox()->isVisible());
  EXPECT_EQ(window->SidePage(), 5);
  EXPECT_TRUE(window->Action("mnuMonitor")->text().contains("off", Qt::CaseInsensitive));

  // A speed change reaches the timer and the settings file.
  slider->setValue(0);
  EXPECT_EQ(monitor->Ticker().Interval(), 100);
  EXPECT_EQ(ini->ReadInt("Setup", "MonSpeed", -1), 0);

  // One tick paints the energised contact over the picture.
  ASSERT_TRUE(monitor->Ticker().TickNow());
  EXPECT_NE(ladder.view->surface().Image(), before);

  // While monitoring the device commands refuse.
  sink.shown.clear();
  Trigger("mnuVerify");
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "You can't use Monitoring mode ! ");

  window->findChild<QPushButton*>("cmdMonOut")->click();
  EXPECT_EQ(studio->monitor.MonitorOn, 0);
  EXPECT_TRUE(ladder.view->operandBox()->isVisible());
}

TEST_F(StudioWiringTest, EraseDownloadsAnErasedProgramAndVerifyComparesIt) {
  studio->doc.Setup.PlcModel = 1;
  core.SetProfile(zqvsim::Profile{1, 30});
  sink.shown.clear();
  Trigger("mnuErase");
  EXPECT_TRUE(studio->build.CompileInfo);
  EXPECT_EQ(studio->build.RomSize, 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(core.program()[size_t(i)], 0xFF);
  EXPECT_FALSE(window->Action("mnuMonitor")->isEnabled());
  sink.shown.clear();
  Trigger("mnuVerify");
  for (const auto& m : sink.shown) EXPECT_EQ(m.text.find("Error"), std::string::npos) << m.text;
}

// The studio's folder gets the build scripts, the core sources and the build tools, and
// the ladder a small program that Auto can build.
void PrepareAuto(StudioWiringTest& t) {
  const std::filesystem::path bin = ZQV_BUILD_BIN_DIR;
  for (const auto& entry : std::filesystem::directory_iterator(bin)) {
    const std::string ext = entry.path().extension().string();
    const std::string name = entry.path().filename().string();
    if (ext == ".BAT" || ext == ".S71" || ext == ".INC" || name == "aq71" || name == "zqlink")
      std::filesystem::copy_file(entry.path(), t.folder / name, std::filesystem::copy_options::overwrite_existing);
  }
  t.window->View().AskStart = 0;
  t.studio->shell.CurFilePath = (t.folder / "auto.qsl").string();
  t.Place(0, 0, Qt::Key_F3, "P0:0");
  t.Place(1, 0, Qt::Key_F7, "P1:0");  // wires to the coil in the last column
  ASSERT_EQ(t.doc().CellText[10][0], "P1:0");
  t.doc().CurRow = 1;
  t.ladder.view->showCursorCell();
  t.ladder.view->toolbarClick(11);  // END
  t.sink.shown.clear();
}

TEST_F(StudioWiringTest, AutoBuildsDownloadsAndStartsTheProgram) {
  PrepareAuto(*this);
  Trigger("mnuAuto");
  for (const auto& m : sink.shown) ADD_FAILURE() << m.caption << ": " << m.text;
  EXPECT_TRUE(studio->build.CompileInfo);
  EXPECT_GT(studio->build.RomSize, 10);
  EXPECT_TRUE(core.running());
  EXPECT_EQ(core.storedLength() >= static_cast<size_t>(studio->build.RomSize), true);
  EXPECT_TRUE(window->Action("mnuMonitor")->isEnabled());
}

TEST_F(StudioWiringTest, EraseWhoseBatchCannotStartDownloadsNothing) {
  window->PlcModel().ChooseModelRow(0);  // ZQV-A, model code 10
  window->PlcSetupFix();
  ASSERT_EQ(studio->doc.Setup.PlcModel, 10);
  core.SetProfile(zqvsim::Profile{10, 150});
  PrepareAuto(*this);
  Trigger("mnuAuto");
  for (const auto& m : sink.shown) ADD_FAILURE() << m.caption << ": " << m.text;
  ASSERT_TRUE(std::filesystem::exists(folder / "ZQOUT.HEX"));
  const std::vector<std::uint8_t> stored(core.program().begin(), core.program().begin() + 64);

  // The batch is gone; the HEX file of that build still lies in the folder.
  std::filesystem::remove(folder / "ZQA3.BAT");
  for (const char* name : {"ZQOUT.HEX", "UPFILE.ZIP"})
    std::filesystem::copy_file(folder / name, folder / (std::string("EARLIER.") + name));
  Trigger("mnuErase");
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio Error !");
  EXPECT_EQ(sink.shown[0].text, "Build batch could not be started : ZQA3.BAT");
  EXPECT_EQ(std::vector<std::uint8_t>(core.program().begin(), core.program().begin() + 64), stored);
  EXPECT_FALSE(std::filesystem::exists(folder / "ZQOUT.HEX"));

  // Put back, they are not downloaded by Object Download either.
  for (const char* name : {"ZQOUT.HEX", "UPFILE.ZIP"})
    std::filesystem::copy_file(folder / (std::string("EARLIER.") + name), folder / name);
  sink.shown.clear();
  Trigger("mnuObjectDownload");
  ASSERT_FALSE(sink.shown.empty());
  EXPECT_EQ(sink.shown.back().text, "No compile information ! Please (AUTO) Click !");
  EXPECT_EQ(std::vector<std::uint8_t>(core.program().begin(), core.program().begin() + 64), stored);
}
