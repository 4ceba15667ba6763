#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "scripted_ui.h"
#include "shell/frame_rules.h"
#include "shell/gui/instance_lock.h"
#include "shell/msgbox_placement.h"

namespace tarvex {
namespace {

using test::ScriptedUi;

TEST(QueryUnload, BusyRefusesWithTheBusyMessage) {
  ScriptedUi ui;
  EXPECT_FALSE(queryUnload(ui, true));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].prompt, "History viewer is busy with an operation, please wait!");
  EXPECT_EQ(ui.messages[0].style, 64);
  EXPECT_EQ(ui.messages[0].title, "");
}

TEST(QueryUnload, AsksAndFollowsTheAnswer) {
  ScriptedUi ui;
  ui.msgAnswers = {mb::ResultNo, mb::ResultYes};
  EXPECT_FALSE(queryUnload(ui, false));
  EXPECT_TRUE(queryUnload(ui, false));
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].prompt, "Exit - are you sure?");
  EXPECT_EQ(ui.messages[0].style, 36);
}

TEST(MainWindowResize, BothSidesReturnToTheMinimum) {
  MainResize r = mainWindowResize(20000, 6000);
  EXPECT_TRUE(r.forceMinimum);
  r = mainWindowResize(8000, 9000);
  EXPECT_TRUE(r.forceMinimum);
  r = mainWindowResize(8940, 6765);
  EXPECT_FALSE(r.forceMinimum);
  EXPECT_EQ(r.historyWidth, 8740);
  EXPECT_EQ(r.historyHeight, 5725);
}

TEST(ShellTexts, VersionTitleAndSystemInfo) {
  EXPECT_EQ(versionLabel(0, 1, 0), "Version 0.1.0");
  EXPECT_EQ(versionLabel(12, 0, 7), "Version 12.0.7");
  EXPECT_EQ(applicationTitle(), "Tarvex Data Viewer");
  ScriptedUi ui;
  startSysInfo(ui);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].prompt, "System Information Is Unavailable At This Time");
  EXPECT_EQ(ui.messages[0].style, 0);
  EXPECT_EQ(alreadyRunningText(),
            "Marvesk Data Viewer is already running! Please check the\r\n"
            "taskbar or background window for active version.");
}

// Screen 1024 x 768 pixels at 15 twips per pixel.
constexpr double kW = 1024 * 15.0, kH = 768 * 15.0;

TEST(MessageBoxPlacement, CentredOverTheOwner) {
  const PixelRect owner{100, 100, 700, 500};
  PixelRect r = centreOver({0, 0, 301, 101}, owner);
  EXPECT_EQ(r, (PixelRect{250, 250, 551, 351}));
  keepRectOnScreen(r, kW, kH, 15, 15);
  EXPECT_EQ(r, (PixelRect{250, 250, 551, 351}));
}

TEST(MessageBoxPlacement, LeftOfTheScreenStartsAtZeroWithItsFullWidth) {
  PixelRect r = centreOver({0, 0, 400, 100}, {-500, 200, -100, 400});
  EXPECT_EQ(r.left, -500);
  keepRectOnScreen(r, kW, kH, 15, 15);
  EXPECT_EQ(r, (PixelRect{0, 250, 400, 350}));
}

TEST(MessageBoxPlacement, BelowTheBottomEndsAtTheBottom) {
  PixelRect r = centreOver({0, 0, 200, 120}, {400, 700, 600, 900});
  keepRectOnScreen(r, kW, kH, 15, 15);
  EXPECT_EQ(r, (PixelRect{400, 648, 600, 768}));
  // Right of the screen likewise ends at the right edge.
  r = centreOver({0, 0, 200, 120}, {1000, 100, 1100, 200});
  keepRectOnScreen(r, kW, kH, 15, 15);
  EXPECT_EQ(r, (PixelRect{824, 90, 1024, 210}));
}

TEST(MessageBoxPlacement, LargerThanTheScreenIsFlushRightAndBottom) {
  PixelRect r = centreOver({0, 0, 1200, 900}, {0, 0, 1024, 768});
  keepRectOnScreen(r, kW, kH, 15, 15);
  EXPECT_EQ(r, (PixelRect{-176, -132, 1024, 768}));
}

TEST(MessageBoxPlacement, NoOwnerMeansTheTopLeftCorner) {
  PixelRect r = centreOver({0, 0, 300, 100}, {});
  keepRectOnScreen(r, kW, kH, 15, 15);
  EXPECT_EQ(r, (PixelRect{0, 0, 300, 100}));
}

TEST(MessageBoxPlacement, OtherDpi) {
  // 1920 x 1080 at 144 dpi: 10 twips per pixel.
  PixelRect r{1800, 1000, 2000, 1100};
  keepRectOnScreen(r, 19200, 10800, 10, 10);
  EXPECT_EQ(r, (PixelRect{1720, 980, 1920, 1080}));
}

TEST(InstanceLock, ASecondCopyIsRefusedUntilTheFirstEnds) {
  QTemporaryDir dir;
  auto first = std::make_unique<InstanceLock>(dir.path());
  EXPECT_TRUE(first->acquire());
  InstanceLock second(dir.path());
  EXPECT_FALSE(second.acquire());
  first.reset();
  EXPECT_TRUE(second.acquire());
}

TEST(InstanceLock, ALockLeftByACrashedCopyIsTakenOver) {
  QTemporaryDir dir;
  InstanceLock probe(dir.path());
  // What a copy that crashed leaves: a lock naming a process that is gone.
  QFile f(probe.path());
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("999999\n" + QCoreApplication::applicationName().toUtf8() + "\n" +
          QSysInfo::machineHostName().toUtf8() + "\n");
  f.close();
  InstanceLock again(dir.path());
  EXPECT_TRUE(again.acquire());
}

}  // namespace
}  // namespace tarvex

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
