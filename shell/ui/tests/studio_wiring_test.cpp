// The studio's window as zqvstudio builds it, with the simulated module in the same process:
// the ladder editor, the Edit menu, monitor mode and the device commands through the menus,
// and what a user at the keyboard meets after them (real message boxes, keys sent to
// whatever holds the focus).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QTabBar>
#include <QDialog>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "compiler/program_file.h"
#include "ladder/ui/alias_page_widget.h"
#include "ladder/ui/ladder_view.h"
#include "ladder/ui/selection_mouse.h"
#include "link/device.h"
#include "link/link.h"
#include "monitor/link_reader.h"
#include "monitor/ui/monitor_controller.h"
#include "monitor/ui/picture_box.h"
#include "monitor/ui/watch_panel.h"
#include "platform/message_box.h"
#include "platform/tests/qt_test_app.h"
#include "shell/ui/device_commands.h"
#include "shell/ui/frm_main.h"
#include "shell/ui/ladder_wiring.h"
#include "shell/ui/monitor_wiring.h"
#include "shell/ui/plc_panel_widget.h"
#include "shell/ui/qt_message_sink.h"
#include "shell/ui/studio_language.h"
#include "shell/ui/tests/layout_support.h"
#include "shell/ui/view_settings_widget.h"
#include "tools/zqvsim/core/sim_port.h"

using namespace shell;

namespace {

// The window's real message boxes, each answered with a key as a user would answer it
// (Enter: the default button), their texts kept.
class KeyedMessageBoxes {
 public:
  explicit KeyedMessageBoxes(QWidget* parent) : sink_(parent) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      texts.push_back(box->text().toStdString());
      QTest::keyClick(box, keys.empty() ? Qt::Key_Return : keys.front());
      if (!keys.empty()) keys.pop_front();
    });
    timer_.start(20);
  }
  platform::MessageSink& Sink() { return sink_; }
  std::vector<std::string> texts;
  std::deque<Qt::Key> keys;  // answers in turn; Enter when none is left

 private:
  QtMessageSink sink_;
  QTimer timer_;
};

// Keys to the window as the display server brings them: the window hands each to the widget
// that holds its focus when the key comes, whether or not the window is active again.
void KeysToWindow(QWidget* window, const QString& keys) {
  for (QChar ch : keys) QTest::keyClick(window->windowHandle(), ch.toLatin1());
}
void KeyToWindow(QWidget* window, Qt::Key key) { QTest::keyClick(window->windowHandle(), key); }

struct OneName : FileDialogs {
  std::string name;
  std::string OpenName(const std::string&) override { return name; }
  std::string SaveName(const std::string&) override { return ""; }
};

struct StudioWiringTest : ::testing::Test {
  std::filesystem::path folder;
  std::unique_ptr<compiler::Studio> studio = std::make_unique<compiler::Studio>();
  platform::RecordingMessageSink sink;
  std::unique_ptr<ProfileFile> ini;
  std::unique_ptr<monitor::MonitorTicker> ticker;  // outlives the window
  std::unique_ptr<FrmMain> window;
  zqvsim::ModuleCore core{zqvsim::Profile{1, 30}};  // the model of a new program
  zqvsim::SimClock clock;
  zqvsim::SimPort* simPort = nullptr;  // the port the link opened last
  std::unique_ptr<plclink::Link> link;
  std::unique_ptr<StudioLanguage> language;
  std::unique_ptr<plclink::Device> device;
  std::unique_ptr<monitor::LinkDeviceReader> reader;
  LadderWiring ladder;
  monitor::MonitorController* monitor = nullptr;

  void SetUp() override {
    TestApp();
    char tmpl[] = "/tmp/zqv-wiring-XXXXXX";
    folder = ::mkdtemp(tmpl);
    ticker = std::make_unique<monitor::MonitorTicker>();
    ini = std::make_unique<ProfileFile>((folder / "ZQVSTUDIO.INI").string());
    studio->messages = &sink;
    window = std::make_unique<FrmMain>(*studio, *ini, folder);
    link = std::make_unique<plclink::Link>(plclink::LinkConfig{}, *window->SetupPage(), [this](int) {
      auto port = std::make_unique<zqvsim::SimPort>(core, clock);
      simPort = port.get();
      return port;
    });
    language = std::make_unique<StudioLanguage>(*studio);
    device = std::make_unique<plclink::Device>(*link, sink, *window, *language);
    reader = std::make_unique<monitor::LinkDeviceReader>(*link, studio->doc.Setup);
    ladder = WireLadder(*window);
    monitor = WireMonitor(*window, *ladder.view, *device, *reader, *ticker);
    ladder::ConnectSelectionMouse(*ladder.view, [this] { return monitor->WatchPage()->AddFromCell(); });
    WireDeviceCommands(*window, *device, *ladder.errorCell, ticker.get());
    window->Form_Load();
    window->resize(1000, 750);
    window->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    window.reset();
    device.reset();
    link.reset();
    std::filesystem::remove_all(folder);
  }

  void Key(QWidget* target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &press);
  }
  void Trigger(QAction* MenuCommands::*command) { (window->Commands().*command)->trigger(); }
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
  // The studio's folder gets the build scripts, the core sources and the build tools.
  void CopyBuildTools() {
    const std::filesystem::path bin = ZQV_BUILD_BIN_DIR;
    for (const auto& entry : std::filesystem::directory_iterator(bin)) {
      const std::string ext = entry.path().extension().string();
      const std::string name = entry.path().filename().string();
      if (ext == ".BAT" || ext == ".S71" || ext == ".INC" || name == "aq71" || name == "zqlink")
        std::filesystem::copy_file(entry.path(), folder / name, std::filesystem::copy_options::overwrite_existing);
    }
  }
  // Row 0: P0:0 --- (P1:0); row `boxRow`: P0:1 --- [box] in column 9; END box below it,
  // unless the box is END itself.
  void BoxProgram(int boxRow, const char* box) {
    auto& d = doc();
    const int endRow = std::string(box) == "END" ? boxRow : boxRow + 1;
    for (int r : {0, boxRow, endRow}) {
      for (int c = 0; c <= 8; ++c) d.CellType[c][r] = compiler::kWire;
      if (r != boxRow + 1) d.CellType[0][r] = compiler::kContactNO;
    }
    d.CellText[0][0] = "P0:0";
    d.CellType[9][0] = compiler::kWire;
    d.CellType[10][0] = compiler::kCoil;
    d.CellText[10][0] = "P1:0";
    d.CellText[0][boxRow] = "P0:1";
    d.CellType[9][boxRow] = compiler::kBox;
    d.CellText[9][boxRow] = box;
    d.CellType[9][endRow] = compiler::kBox;
    d.CellText[9][endRow] = "END";
    studio->shell.CurFilePath = (folder / "built.qsl").string();
    window->UserSettings().SetAskStart(0);
    ladder.view->showCursorCell();
  }
  // Red pixels inside the cursor cell, away from the cursor's own red frame: the ERROR mark.
  int MarkPixels() {
    const ladder::LadderViewState& s = ladder.view->viewState();
    const QImage& image = ladder.view->surface().Image();
    const int px = 1440 / 96;  // twips per pixel
    int red = 0;
    for (int y = s.CurY / px + 4; y < (s.CurY + s.geo.CellH) / px - 3; ++y)
      for (int x = s.CurX / px + 4; x < (s.CurX + s.geo.CellW) / px - 3; ++x)
        if (image.pixelColor(x, y) == QColor(255, 0, 0)) ++red;
    return red;
  }
  // Red pixels on the frame of the cursor cell: the cursor box.
  int CursorPixels() {
    const ladder::LadderViewState& s = ladder.view->viewState();
    const QImage& image = ladder.view->surface().Image();
    const int px = 1440 / 96;  // twips per pixel
    const int left = s.CurX / px, top = s.CurY / px;
    const int right = (s.CurX + s.geo.CellW) / px, bottom = (s.CurY + s.geo.CellH) / px;
    int red = 0;
    for (int y = top - 1; y <= bottom + 1; ++y)
      for (int x = left - 1; x <= right + 1; ++x) {
        const bool frame = x <= left + 1 || x >= right - 1 || y <= top + 1 || y >= bottom - 1;
        if (frame && image.valid(x, y) && image.pixelColor(x, y) == QColor(255, 0, 0)) ++red;
      }
    return red;
  }
  // Auto through its menu item with real message boxes answered by Enter; afterwards the
  // window is active again and the first message's text is returned.
  std::string AutoWithMessageBoxes() {
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ladder.view->board()->setFocus();
    KeyedMessageBoxes boxes(window.get());
    studio->messages = &boxes.Sink();
    Trigger(&MenuCommands::mnuAuto);
    QApplication::processEvents();
    studio->messages = &sink;
    return boxes.texts.empty() ? std::string() : boxes.texts[0];
  }
  QString Status() { return window->StatusText(); }
};

}  // namespace

// With the ladder view in place, the start-up layout is the layout after a resize to the
// same size on both main tabs, and the Ladder tab takes the user back from the mnemonic view.
TEST_F(StudioWiringTest, TheHostedLadderViewKeepsTheStartUpLayout) {
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  for (int tab : {1, 2}) EXPECT_EQ(shell_test::PlacesMovedByAResize(*window, tab), std::vector<std::string>()) << tab;
  EXPECT_TRUE(shell_test::LadderTabReachable(*window));
  // The ladder toolbar is seen over the board, the mnemonic view over both.
  QWidget* bar = window->LadderToolbar();
  const QPoint barMiddle = bar->mapTo(window.get(), bar->rect().center());
  EXPECT_TRUE(bar->isAncestorOf(window->childAt(barMiddle)) || window->childAt(barMiddle) == bar);
  window->SelectMainTab(2);
  EXPECT_TRUE(window->Mnemonic()->isAncestorOf(window->childAt(barMiddle)));
}

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
  Trigger(&MenuCommands::mnuCopyLine);
  Trigger(&MenuCommands::mnuInsertBlankLine);
  EXPECT_TRUE(doc().CellText[0][0].empty());
  EXPECT_EQ(doc().CellText[0][1], "P0:1");
  Trigger(&MenuCommands::mnuRestoreDeletedLine);
  EXPECT_EQ(doc().CellText[0][0], "P0:1");

  // With the keys on the board, a row command that repaints shows the cursor box again at
  // once, and the status bar names its cell.
  ASSERT_TRUE(board->hasFocus());
  doc().CurRow = 3;
  doc().CurCol = 4;
  view->showCursorCell();
  ASSERT_GT(CursorPixels(), 0);
  for (auto command : {&MenuCommands::mnuInsertBlankLine, &MenuCommands::mnuDeleteLine,
                       &MenuCommands::mnuDuplicateLine, &MenuCommands::mnuBlockPasteInsert}) {
    view->drawLadder();
    ASSERT_EQ(CursorPixels(), 0);
    Trigger(command);
    EXPECT_GT(CursorPixels(), 0);
    EXPECT_EQ(Status(), "X:5  Y:4");
  }
  doc().CurRow = 0;
  doc().CurCol = 0;
  view->showCursorCell();

  // Block commands without a selection say so; Undo stays disabled until an overlay.
  sink.shown.clear();
  Trigger(&MenuCommands::mnuBlockCopy);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "Block Select First !!!");
  EXPECT_FALSE(window->Commands().mnuBlockPasteUndo->isEnabled());

  // The alias page lives in its frame and is drawn when its tab is chosen.
  EXPECT_EQ(ladder.aliasPage->parentWidget(), window->Frame("fraAlias"));
  window->SelectSidePage(3);
  EXPECT_TRUE(ladder.aliasPage->isVisible());

  // A new size of the window places the frame, the page follows it, and the page shows its
  // table from the first entry again; a page on the Mnemonic tab keeps its place.
  ladder.aliasPage->ChoosePage(2);  // M
  ladder.aliasPage->scrollBar()->setValue(500);
  window->SelectMainTab(2);
  EXPECT_EQ(studio->editor.aliasPage.AliasTopM, 500);
  window->SelectMainTab(1);
  const int frameHeight = window->Frame("fraAlias")->height();
  window->resize(1000, 850);
  QApplication::processEvents();
  EXPECT_GT(window->Frame("fraAlias")->height(), frameHeight);
  EXPECT_EQ(ladder.aliasPage->height(), window->Frame("fraAlias")->height());
  EXPECT_EQ(studio->editor.aliasPage.AliasType, 'M');
  EXPECT_EQ(studio->editor.aliasPage.AliasTopM, 0);
  EXPECT_EQ(ladder.aliasPage->scrollBar()->value(), 0);
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
  Trigger(&MenuCommands::mnuMonitor);
  ASSERT_TRUE(studio->monitor.MonitorOn()) << (sink.shown.empty() ? "" : sink.shown[0].text);
  EXPECT_FALSE(ladder.view->operandBox()->isVisible());
  EXPECT_EQ(window->SidePage(), 5);
  EXPECT_EQ(window->Commands().mnuMonitor->text(), "&Monitor off");  // the access key stays

  // A speed change reaches the timer, the settings of the run and the settings file.
  slider->setValue(0);
  EXPECT_EQ(monitor->Ticker().Interval(), 100);
  EXPECT_EQ(window->UserSettings().Values().MonSpeed, 0);
  EXPECT_EQ(ini->ReadInt("Setup", "MonSpeed", -1), 0);

  // One tick paints the energised contact over the picture.
  ASSERT_TRUE(monitor->Ticker().TickNow());
  EXPECT_NE(ladder.view->surface().Image(), before);

  window->findChild<QPushButton*>("cmdMonOut")->click();
  EXPECT_FALSE(studio->monitor.MonitorOn());
  EXPECT_TRUE(ladder.view->operandBox()->isVisible());
  EXPECT_EQ(window->Commands().mnuMonitor->text(), "&Monitor on");

  // In Korean, and back to English while monitoring: the item keeps its access key.
  window->optLanguage_Click(true);
  Trigger(&MenuCommands::mnuMonitor);
  EXPECT_EQ(window->Commands().mnuMonitor->text(), "모니터링 중지(&M)");
  window->optLanguage_Click(false);
  EXPECT_EQ(window->Commands().mnuMonitor->text(), "&Monitor off");
  Trigger(&MenuCommands::mnuMonitor);
  EXPECT_EQ(window->Commands().mnuMonitor->text(), "&Monitor on");
}

// While monitoring, every file, port and device command refuses with one message in the
// interface's language, and does nothing else: no byte to the module, no file dialog, the
// program and the port as they were.
TEST_F(StudioWiringTest, WhileMonitoringEveryRefusingCommandShowsTheOneRefusal) {
  Place(0, 0, Qt::Key_F3, "P0:0");
  Trigger(&MenuCommands::mnuMonitor);
  ASSERT_TRUE(studio->monitor.MonitorOn()) << (sink.shown.empty() ? "" : sink.shown[0].text);
  ASSERT_NE(simPort, nullptr);
  struct NoDialogs : FileDialogs {
    std::string OpenName(const std::string&) override { return ++asked, ""; }
    std::string SaveName(const std::string&) override { return ++asked, ""; }
    int asked = 0;
  } dialogs;
  window->SetFileDialogs(&dialogs);
  const int portNum = window->UserSettings().Values().PortNum;
  QRadioButton* otherPort = window->findChildren<QRadioButton*>("optPort").at(portNum == 1 ? 2 : 1);
  auto menu = [this](QAction* MenuCommands::*command) { return [this, command] { Trigger(command); }; };
  const std::vector<std::pair<std::string, std::function<void()>>> commands = {
      {"New", menu(&MenuCommands::mnuNew)},
      {"Open", menu(&MenuCommands::mnuOpen)},
      {"Import", menu(&MenuCommands::mnuImport)},
      {"port choice", [otherPort] { otherPort->click(); }},
      {"Port Check", [this] { window->findChild<QPushButton*>("Command2")->click(); }},
      {"Auto", menu(&MenuCommands::mnuAuto)},
      {"Object Download", menu(&MenuCommands::mnuObjectDownload)},
      {"Erase", menu(&MenuCommands::mnuErase)},
      {"Verify", menu(&MenuCommands::mnuVerify)},
      {"Upload", menu(&MenuCommands::mnuUpload)},
      {"Clear Keep Area", menu(&MenuCommands::mnuClearKeepArea)},
      {"Run", menu(&MenuCommands::mnuRun)},
      {"Reset", menu(&MenuCommands::mnuReset)},
      {"Stop", menu(&MenuCommands::mnuStop)},
  };
  for (bool korean : {false, true}) {
    window->optLanguage_Click(korean);
    for (const auto& [name, run] : commands) {
      SCOPED_TRACE(name + (korean ? " (Korean)" : ""));
      sink.shown.clear();
      simPort->written.clear();
      run();
      ASSERT_EQ(sink.shown.size(), 1u);
      const platform::Message& m = sink.shown[0];
      EXPECT_EQ(m.caption, "Korvane Studio Message");
      EXPECT_EQ(m.text, korean ? "모니터링 상태에서는 사용할 수 없습니다." : "You can't use Monitoring mode ! ");
      EXPECT_EQ(m.icon, platform::MsgIcon::Information);
      EXPECT_EQ(m.buttons, platform::MsgButtons::Ok);
      EXPECT_TRUE(simPort->written.empty());
    }
  }
  EXPECT_EQ(dialogs.asked, 0);
  EXPECT_EQ(window->UserSettings().Values().PortNum, portNum);
  EXPECT_EQ(doc().CellText[0][0], "P0:0");
  EXPECT_TRUE(studio->monitor.MonitorOn());
  window->SetFileDialogs(nullptr);
}

TEST_F(StudioWiringTest, EraseDownloadsAnErasedProgramAndVerifyComparesIt) {
  studio->doc.Setup.PlcModel = 1;
  core.SetProfile(zqvsim::Profile{1, 30});
  sink.shown.clear();
  Trigger(&MenuCommands::mnuErase);
  EXPECT_TRUE(studio->build.CompileInfo);
  EXPECT_EQ(studio->build.RomSize, 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(core.program()[size_t(i)], 0xFF);
  EXPECT_FALSE(window->Commands().mnuMonitor->isEnabled());
  sink.shown.clear();
  Trigger(&MenuCommands::mnuVerify);
  for (const auto& m : sink.shown) EXPECT_EQ(m.text.find("Error"), std::string::npos) << m.text;
}

// The studio's folder gets the build tools, and the ladder a small program that Auto can build.
void PrepareAuto(StudioWiringTest& t) {
  t.CopyBuildTools();
  t.window->UserSettings().SetAskStart(0);
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
  Trigger(&MenuCommands::mnuAuto);
  for (const auto& m : sink.shown) ADD_FAILURE() << m.caption << ": " << m.text;
  EXPECT_TRUE(studio->build.CompileInfo);
  EXPECT_GT(studio->build.RomSize, 10);
  EXPECT_TRUE(core.running());
  EXPECT_EQ(core.storedLength() >= static_cast<size_t>(studio->build.RomSize), true);
  EXPECT_TRUE(window->Commands().mnuMonitor->isEnabled());
}

// Auto saves before and after the build: a contact drawn below END is told about once, and
// the program is saved, built and started all the same.
TEST_F(StudioWiringTest, AutoTellsOnceOfCellsAfterEnd) {
  PrepareAuto(*this);
  Place(2, 3, Qt::Key_F3, "M0:0");
  sink.shown.clear();
  Trigger(&MenuCommands::mnuAuto);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "Cells after END are not saved (first at row 4). Move END below them to keep them.");
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio Message");
  EXPECT_TRUE(core.running());
  auto check = std::make_unique<compiler::Studio>();
  check->messages = &sink;
  ASSERT_TRUE(compiler::LoadProgramFile(*check, (folder / "auto.qsl").string()));
  EXPECT_EQ(check->doc.CellText[10][0], "P1:0");
  EXPECT_EQ(check->doc.EndRow, 1);

  // The next Auto is a command of its own: it tells again.
  Trigger(&MenuCommands::mnuAuto);
  EXPECT_EQ(sink.shown.size(), 2u);
}

// The watch list is saved with the program: adding (typed or by right-click), removing and
// All Clear are changes that the close question asks about; opening a program is not.
TEST_F(StudioWiringTest, WatchListEditsAreChangesOfTheProgram) {
  PrepareAuto(*this);  // a program whose first cell holds P0:0
  const std::string path = studio->shell.CurFilePath;
  studio->watch.WatchCount = 1;
  studio->watch.WatchName[0] = "D0";
  studio->shell.CurFilePath = path;
  ASSERT_EQ(window->Files().Save(), compiler::SaveResult::Saved);
  ASSERT_EQ(window->Files().OpenProgram(path), FileCommands::OpenResult::Opened);
  ASSERT_EQ(studio->watch.WatchCount, 1);
  EXPECT_TRUE(studio->shell.SourceSaved);
  sink.shown.clear();
  EXPECT_TRUE(window->Files().QueryClose());  // nothing to ask about
  EXPECT_TRUE(sink.shown.empty());

  Trigger(&MenuCommands::mnuMonitor);
  ASSERT_TRUE(studio->monitor.MonitorOn());
  monitor::WatchPanel* watch = monitor->WatchPage();
  ASSERT_TRUE(watch->isVisible());
  // Each edit, then the close question (answered Cancel), then a save.
  auto expectCloseQuestion = [&](const char* edit) {
    SCOPED_TRACE(edit);
    EXPECT_FALSE(studio->shell.SourceSaved);
    sink.shown.clear();
    sink.answers = {platform::MsgResult::Cancel};
    EXPECT_FALSE(window->close());
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, "The Source has changed.\r\nDo you want to save the change ?");
    ASSERT_EQ(window->Files().Save(), compiler::SaveResult::Saved);
  };

  watch->Entry()->setText("m12");
  Key(watch->Entry(), Qt::Key_Return);
  ASSERT_EQ(studio->watch.WatchCount, 2);
  expectCloseQuestion("typed");

  // A right click on the contact P0:0.
  const ladder::LadderViewState& s = ladder.view->viewState();
  const int px = 1440 / 96;  // twips per pixel
  const QPoint cell((s.geo.CellW + s.geo.CellW / 2) / px, (s.geo.CellH + s.geo.CellH / 2) / px);
  QTest::mouseClick(ladder.view->board(), Qt::RightButton, Qt::NoModifier, cell);
  ASSERT_EQ(studio->watch.WatchCount, 3);
  EXPECT_EQ(studio->watch.WatchName[2].rfind("P0:0", 0), 0u);
  expectCloseQuestion("right click");

  watch->Picture()->onMousePress(Qt::RightButton, 0, 10);
  ASSERT_EQ(studio->watch.WatchCount, 2);
  expectCloseQuestion("removed");

  watch->ClearButton()->click();
  ASSERT_EQ(studio->watch.WatchCount, 0);
  expectCloseQuestion("All Clear");
  watch->ClearButton()->click();  // an empty list stays as saved
  EXPECT_TRUE(studio->shell.SourceSaved);

  // What was saved comes back with the program.
  window->findChild<QPushButton*>("cmdMonOut")->click();
  ASSERT_EQ(window->Files().OpenProgram(path), FileCommands::OpenResult::Opened);
  EXPECT_EQ(studio->watch.WatchCount, 0);
}

// Closing Go to or Find activates the main window again, which offers the tip of the day
// (Korean interface, tips on); a tip closed otherwise than by its own close button comes back
// at once, and that button ends the offers for the run.
TEST_F(StudioWiringTest, ClosingGotoOrFindOffersTheTipAgain) {
  std::ofstream((folder / "tip.txt").string()) << "A\n----------\nB\n";
  window->optLanguage_Click(true);
  QStringList seen;
  int tips = 0;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    const QString name = dialog->metaObject()->className();
    seen << name.mid(name.indexOf(':') + 2);
    if (name != "shell::TipDialog") {
      dialog->reject();
    } else if (++tips % 2 == 1) {
      dialog->reject();  // Escape or the title bar's close box
    } else {
      dialog->findChild<QPushButton*>("Command3")->click();
    }
  });
  closer.start(5);
  Trigger(&MenuCommands::mnuGotoLine);
  EXPECT_EQ(seen.join(","), "GotoDialog,TipDialog,TipDialog");
  seen.clear();
  Trigger(&MenuCommands::mnuSearch);
  EXPECT_EQ(seen.join(","), "FindDialog");  // the close button ended the offers
}

// The ladder view lies at its place under the ladder toolbar; its operand box and scroll bar
// start below the two rule lines, which the toolbar leaves in sight.
TEST_F(StudioWiringTest, TheLadderViewStartsUnderTheToolbarAndItsRuleLines) {
  QWidget* view = ladder.view;
  EXPECT_EQ(view->y(), 720 / 15);
  QWidget* rule = window->findChild<QWidget*>("tbrEndLine");
  ASSERT_TRUE(rule && rule->isVisible());
  EXPECT_EQ(rule->parentWidget(), view);
  EXPECT_GT(view->y() + rule->y(), window->LadderToolbar()->geometry().bottom());
  EXPECT_GT(ladder.view->operandBox()->y(), rule->y());
  EXPECT_GT(ladder.view->scrollBar()->y(), rule->y());
}

TEST_F(StudioWiringTest, AFailedAssemblyLeavesTheKeyboardOnTheMarkedCell) {
  CopyBuildTools();
  BoxProgram(1, "WMOV D0, 10");  // the assembler refuses a number as its second operand
  doc().CurCol = 2;
  doc().CurRow = 0;
  ladder.view->showCursorCell();

  const std::string message = AutoWithMessageBoxes();
  EXPECT_EQ(message.rfind("Ladder compile Error", 0), 0u) << message;
  // The window is active again; the ladder holds the keyboard, its cursor and the mark on
  // the failing cell.
  EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
  EXPECT_EQ(QApplication::focusWidget(), ladder.view->board());
  EXPECT_EQ(doc().CurCol, 9);
  EXPECT_EQ(doc().CurRow, 1);
  EXPECT_EQ(doc().TopRow, 0);
  EXPECT_EQ(Status(), "X:10  Y:2");
  EXPECT_GT(MarkPixels(), 0);
  ladder.view->grab().save(QString::fromStdString((std::filesystem::path(ZQV_BUILD_BIN_DIR).parent_path() /
                                                   "artifacts" / "studio_error_cell.png")
                                                      .string()));

  // The next keys edit that cell: a contact P0:7 in place of the box.
  KeyToWindow(window.get(), Qt::Key_F3);
  KeysToWindow(window.get(), "p0:7");
  KeyToWindow(window.get(), Qt::Key_Return);
  EXPECT_EQ(doc().CellType[9][1], compiler::kContactNO);
  EXPECT_EQ(doc().CellText[9][1], "P0:7");
  // Ctrl+S saves it.
  QTest::keyClick(window->windowHandle(), Qt::Key_S, Qt::ControlModifier);
  compiler::Studio saved;
  saved.messages = &sink;
  ASSERT_TRUE(compiler::LoadProgramFile(saved, studio->shell.CurFilePath));
  EXPECT_EQ(saved.doc.CellType[9][1], compiler::kContactNO);
  EXPECT_EQ(saved.doc.CellText[9][1], "P0:7");
}

TEST_F(StudioWiringTest, AFailedTranslationLeavesTheKeyboardOnTheMarkedCell) {
  CopyBuildTools();
  BoxProgram(7, "END");  // END on row 7 stands in for the box
  // A coil in the first column of row 6: "Invalid Symbol ! ".
  doc().CellType[0][6] = compiler::kCoil;
  doc().CellText[0][6] = "M0:0";
  ladder.view->showCursorCell();

  const std::string message = AutoWithMessageBoxes();
  EXPECT_EQ(message.rfind("Ladder Compile Error : Invalid Symbol ! ", 0), 0u) << message;
  EXPECT_EQ(window->focusWidget(), ladder.view->board());
  EXPECT_EQ(doc().CurCol, 0);
  EXPECT_EQ(doc().CurRow, 6);
  EXPECT_EQ(doc().TopRow, 4);
  EXPECT_EQ(ladder.view->scrollBar()->value(), 4);
  EXPECT_EQ(Status(), "X:1  Y:7");
  EXPECT_GT(MarkPixels(), 0);

  KeyToWindow(window.get(), Qt::Key_F3);
  KeysToWindow(window.get(), "p0:7");
  KeyToWindow(window.get(), Qt::Key_Return);
  EXPECT_EQ(doc().CellType[0][6], compiler::kContactNO);
  EXPECT_EQ(doc().CellText[0][6], "P0:7");
}

TEST_F(StudioWiringTest, AFailedDeviceCommandGivesTheLadderTheKeyboard) {
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QWidget* other = window->findChild<QWidget*>("cboDevice");
  other->setFocus();
  ASSERT_EQ(window->focusWidget(), other);
  studio->build.CompileInfo = false;
  Trigger(&MenuCommands::mnuObjectDownload);  // no HEX file: a failure
  EXPECT_EQ(sink.shown.back().text, "Assemble Code Error : ZQOUT.HEX");
  EXPECT_EQ(window->focusWidget(), ladder.view->board());
  KeyToWindow(window.get(), Qt::Key_F3);
  EXPECT_EQ(doc().CellType[doc().CurCol][doc().CurRow], compiler::kContactNO);

  // A HEX file there but no build since the program was made: refused like Verify without a
  // build, and the keys stay in the operand box where the user was typing.
  std::ofstream(folder / "ZQOUT.HEX") << ":0400000012345678E8\r\n:00000001FF\r\n";
  doc().Setup.UploadFlag = false;
  ladder.view->operandBox()->setFocus();
  ASSERT_EQ(window->focusWidget(), ladder.view->operandBox());
  Trigger(&MenuCommands::mnuObjectDownload);
  EXPECT_EQ(sink.shown.back().text, "No compile information ! Please (AUTO) Click !");
  EXPECT_EQ(window->focusWidget(), ladder.view->operandBox());
  Trigger(&MenuCommands::mnuVerify);
  EXPECT_EQ(sink.shown.back().text, "No compile information ! Compile First !");
  EXPECT_EQ(window->focusWidget(), ladder.view->operandBox());
}

// A save refused for a cell's text: the cursor, the view and the status bar show that cell,
// whichever control held the keys, and the message names it as the status bar does.
TEST_F(StudioWiringTest, ASaveRefusedForACellPutsTheCursorOnIt) {
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  BoxProgram(14, "END");
  doc().CellType[0][10] = compiler::kBox;
  doc().CellText[0][10] = "'" + std::string(300, 'x');
  ladder.view->operandBox()->setFocus();
  Trigger(&MenuCommands::mnuSave);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text,
            "The text of the cell at column 1, row 11 is longer than 255 bytes. The program was not saved.");
  EXPECT_EQ(doc().CurCol, 0);
  EXPECT_EQ(doc().CurRow, 10);
  EXPECT_EQ(doc().TopRow, 8);
  EXPECT_EQ(ladder.view->scrollBar()->value(), 8);
  EXPECT_EQ(window->focusWidget(), ladder.view->board());
  EXPECT_GT(CursorPixels(), 0);
  EXPECT_EQ(Status(), "X:1  Y:11");
  EXPECT_FALSE(std::filesystem::exists(folder / "built.qsl"));
}

// Upload over an edit that its save did not store: after Yes and the save's own message, Upload
// ends before the module is asked, and the edit stays, still asked about at close.
TEST_F(StudioWiringTest, UploadEndsWhenTheSaveDidNotStoreTheEdit) {
  BoxProgram(14, "END");
  const std::string longText = "'" + std::string(300, 'x');
  doc().CellType[0][10] = compiler::kBox;
  doc().CellText[0][10] = longText;
  studio->shell.CurFilePath = (folder / "prog.qsl").string();
  studio->shell.SourceSaved = false;
  const std::string question = "The Source has changed.\r\nDo you want to save the change ?";
  sink.answers = {platform::MsgResult::Yes};
  Trigger(&MenuCommands::mnuUpload);
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[0].text, question);
  EXPECT_EQ(sink.shown[1].text,
            "The text of the cell at column 1, row 11 is longer than 255 bytes. The program was not saved.");
  EXPECT_EQ(simPort, nullptr);  // the module was not asked
  EXPECT_FALSE(std::filesystem::exists(folder / "DNFILE.ZIP"));
  EXPECT_EQ(doc().CellText[0][10], longText);
  EXPECT_EQ(studio->shell.CurFilePath, (folder / "prog.qsl").string());
  sink.shown.clear();
  sink.answers = {platform::MsgResult::No};
  EXPECT_TRUE(window->Files().QueryClose());
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, question);

  // An untitled program whose Save As is cancelled.
  OneName dialog;
  window->SetFileDialogs(&dialog);
  doc().CellText[0][10] = "'short";
  studio->shell.CurFilePath = "Untitled.qsl";
  sink.shown.clear();
  sink.answers = {platform::MsgResult::Yes};
  Trigger(&MenuCommands::mnuUpload);
  EXPECT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(simPort, nullptr);
  EXPECT_EQ(studio->shell.CurFilePath, "Untitled.qsl");
  EXPECT_FALSE(studio->shell.SourceSaved);
  window->SetFileDialogs(nullptr);
}

// An edit still on the shown PLC page is an unsaved edit for Upload as for New and Open.
TEST_F(StudioWiringTest, UploadAsksAboutAnEditOnTheShownPlcPage) {
  window->ShowPlcPage();
  ASSERT_TRUE(studio->shell.SourceSaved);
  PlcPanelWidget* page = window->PlcPage();
  page->nodeEdit()->setFocus();
  page->nodeEdit()->selectAll();
  QTest::keyClicks(page->nodeEdit(), "12");
  sink.answers = {platform::MsgResult::Cancel};
  Trigger(&MenuCommands::mnuUpload);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].text, "The Source has changed.\r\nDo you want to save the change ?");
  EXPECT_EQ(simPort, nullptr);  // Cancel: the module was not asked
  EXPECT_EQ(page->nodeEdit()->text(), "12");
}

TEST_F(StudioWiringTest, EveryWayToAProgramStartsAtTheFirstCell) {
  BoxProgram(1, "END");
  studio->shell.CurFilePath = (folder / "first.qsl").string();
  ASSERT_EQ(window->Files().Save(), compiler::SaveResult::Saved);
  const std::string first = studio->shell.CurFilePath;
  studio->shell.CurFilePath = (folder / "second.qsl").string();
  ASSERT_EQ(window->Files().Save(), compiler::SaveResult::Saved);
  OneName dialog;
  window->SetFileDialogs(&dialog);

  // Scrolled down with the cursor on row 31, a block selected, then the command.
  auto scrolled = [this] {
    window->activateWindow();
    ladder.view->scrollModel().SetMax(100);
    ladder.view->scrollBar()->setValue(25);
    doc().CurCol = 3;
    doc().CurRow = 30;
    ladder.view->showCursorCell();
    studio->editor.selection.BlockActive = true;
    ladder.view->board()->setFocus();
  };
  auto atTheTop = [this](const char* what) {
    EXPECT_EQ(doc().CurCol, 0) << what;
    EXPECT_EQ(doc().CurRow, 0) << what;
    EXPECT_EQ(doc().TopRow, 0) << what;
    EXPECT_EQ(ladder.view->scrollBar()->value(), 0) << what;
    EXPECT_EQ(ladder.view->viewState().CurY, ladder.view->viewState().geo.Y(0, 0)) << what;
    EXPECT_FALSE(studio->editor.selection.BlockActive) << what;
  };
  scrolled();
  dialog.name = first;
  Trigger(&MenuCommands::mnuOpen);
  ASSERT_EQ(studio->shell.CurFilePath, first);
  atTheTop("Open");
  // What is typed next lands in the first cell.
  ladder.view->board()->setFocus();
  KeyToWindow(window.get(), Qt::Key_F4);
  EXPECT_EQ(doc().CellType[0][0], compiler::kContactNC);

  studio->shell.SourceSaved = true;
  dialog.name = (folder / "second.qsl").string();
  Trigger(&MenuCommands::mnuOpen);
  scrolled();
  window->Files().OpenRecent(2);  // first.qsl
  ASSERT_EQ(studio->shell.CurFilePath, first);
  atTheTop("recent file");

  scrolled();
  dialog.name = first;
  Trigger(&MenuCommands::mnuImport);
  EXPECT_EQ(doc().CellText[0][30], "P0:0");  // inserted at the cursor row
  atTheTop("Import");

  scrolled();
  studio->shell.SourceSaved = true;
  Trigger(&MenuCommands::mnuNew);
  atTheTop("New");
  window->SetFileDialogs(nullptr);
}

// The ladder view follows the user's settings, whether they were read at start-up or
// changed on the Setup page, and the settings file gets each key as it changes.
TEST_F(StudioWiringTest, TheLadderViewFollowsTheSettings) {
  const ladder::LadderViewState& shown = ladder.view->viewState();
  Settings read;
  read.Cunit = 100;
  read.Csai = 500;
  read.Color = 0;
  read.AliasFirst = 1;
  read.FontName = "DejaVu Serif";
  read.FontSize = 12;
  window->UserSettings().Load(read);
  EXPECT_EQ(shown.geo.Cunit, 100);
  EXPECT_EQ(shown.geo.CellW, 900);
  EXPECT_EQ(shown.geo.Csai, 500);
  EXPECT_EQ(shown.colors.ViewBackColor, 0x000000u);
  EXPECT_EQ(shown.AliasFirst, 1);
  EXPECT_EQ(shown.font.name, "DejaVu Serif");
  EXPECT_DOUBLE_EQ(shown.font.size, 12);

  SetupPageWidget& page = *window->SetupPage();
  window->SelectSidePage(2);
  ladder.view->board()->setFocus();
  doc().CurCol = 3;
  doc().CurRow = 12;
  ladder.view->showCursorCell();
  page.spaceSlider()->setValue(0);  // the cursor stays
  EXPECT_EQ(shown.geo.Csai, 50);
  EXPECT_EQ(doc().CurRow, 12);
  EXPECT_EQ(shown.CurY, shown.geo.Y(12, doc().TopRow));
  page.sizeSlider()->setValue(0);  // the cursor goes to the first cell
  EXPECT_EQ(shown.geo.Cunit, 41);
  EXPECT_EQ(doc().CurCol, 0);
  EXPECT_EQ(doc().CurRow, 0);
  EXPECT_EQ(shown.CurX, shown.geo.X(0));
  EXPECT_FALSE(window->Commands().mnuBlockPasteUndo->isEnabled());
  page.colorOption(1)->click();
  EXPECT_EQ(shown.colors.ViewBackColor, 0xFFFFFFu);
  page.aliasFirstBox()->click();
  EXPECT_EQ(shown.AliasFirst, 0);
  window->UserSettings().SetFont({"DejaVu Sans", 10.5, true, false});
  EXPECT_DOUBLE_EQ(shown.font.size, 10.5);
  EXPECT_TRUE(shown.font.bold);
  EXPECT_EQ(ini->ReadString("Setup", "Cunit", ""), "41");
  EXPECT_EQ(ini->ReadString("Setup", "Csai", ""), "50");
  EXPECT_EQ(ini->ReadString("Setup", "Color", ""), "1");
  EXPECT_EQ(ini->ReadString("Setup", "AliasFirst", ""), "0");
}

TEST_F(StudioWiringTest, AutoLeavesTheMonitorItemOffUnlessItStartsTheProgram) {
  CopyBuildTools();
  BoxProgram(1, "END");
  QAction* item = window->Commands().mnuMonitor;

  // The run question answered No: downloaded, stopped, nothing to monitor.
  window->UserSettings().SetAskStart(1);
  item->setEnabled(true);
  sink.answers = {platform::MsgResult::No};
  Trigger(&MenuCommands::mnuAuto);
  ASSERT_FALSE(sink.shown.empty());
  EXPECT_EQ(sink.shown.back().text, "Do you want execution now ?");
  EXPECT_FALSE(core.running());
  EXPECT_FALSE(item->isEnabled());

  // Yes: the program runs and may be monitored.
  sink.answers = {platform::MsgResult::Yes};
  Trigger(&MenuCommands::mnuAuto);
  EXPECT_TRUE(core.running());
  EXPECT_TRUE(item->isEnabled());

  // A checksum the module gets wrong: downloaded, not started.
  window->UserSettings().SetAskStart(0);
  core.AddFault(*zqvsim::ParseFault("A8 wrongsum", nullptr));
  sink.shown.clear();
  Trigger(&MenuCommands::mnuAuto);
  ASSERT_FALSE(sink.shown.empty());
  EXPECT_EQ(sink.shown.back().text.rfind("Check Sum UnMatch Error", 0), 0u) << sink.shown.back().text;
  EXPECT_FALSE(item->isEnabled());
}

TEST_F(StudioWiringTest, EraseWhoseBatchCannotStartDownloadsNothing) {
  window->PlcModel().ChooseModelRow(0);  // ZQV-A, model code 10
  window->PlcSetupFix();
  ASSERT_EQ(studio->doc.Setup.PlcModel, 10);
  core.SetProfile(zqvsim::Profile{10, 150});
  PrepareAuto(*this);
  Trigger(&MenuCommands::mnuAuto);
  for (const auto& m : sink.shown) ADD_FAILURE() << m.caption << ": " << m.text;
  ASSERT_TRUE(std::filesystem::exists(folder / "ZQOUT.HEX"));
  const std::vector<std::uint8_t> stored(core.program().begin(), core.program().begin() + 64);

  // The batch is gone; the HEX file of that build still lies in the folder.
  std::filesystem::remove(folder / "ZQA3.BAT");
  for (const char* name : {"ZQOUT.HEX", "UPFILE.ZIP"})
    std::filesystem::copy_file(folder / name, folder / (std::string("EARLIER.") + name));
  Trigger(&MenuCommands::mnuErase);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].caption, "Korvane Studio Error !");
  EXPECT_EQ(sink.shown[0].text, "Build batch could not be started : ZQA3.BAT");
  EXPECT_EQ(std::vector<std::uint8_t>(core.program().begin(), core.program().begin() + 64), stored);
  EXPECT_FALSE(std::filesystem::exists(folder / "ZQOUT.HEX"));

  // Put back, they are not downloaded by Object Download either.
  for (const char* name : {"ZQOUT.HEX", "UPFILE.ZIP"})
    std::filesystem::copy_file(folder / (std::string("EARLIER.") + name), folder / name);
  sink.shown.clear();
  Trigger(&MenuCommands::mnuObjectDownload);
  ASSERT_FALSE(sink.shown.empty());
  EXPECT_EQ(sink.shown.back().text, "No compile information ! Please (AUTO) Click !");
  EXPECT_EQ(std::vector<std::uint8_t>(core.program().begin(), core.program().begin() + 64), stored);
}
