#include "trend/gui/qcp_trend_plot.h"

#include <gtest/gtest.h>
#include <qcustomplot.h>
#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <csignal>
#include <limits>

#include "history/tests/scripted_ui.h"
#include "trend/save_picture.h"

namespace tarvex {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMinute = 1.0 / 1440.0;
constexpr double kNoon = 45000.5;

std::vector<TrendPoint> minutes(const std::vector<double>& values, double x0 = kNoon) {
  std::vector<TrendPoint> pts;
  for (std::size_t i = 0; i < values.size(); ++i)
    pts.push_back({x0 + static_cast<double>(i) * kMinute, values[i]});
  return pts;
}

// A plot of `values` in channel 0 (a thick red pen), X and Y fitted to them.
void fill(QcpTrendPlot& plot, const std::vector<double>& values, int width = 6) {
  plot.clearChannels();
  plot.addChannel({QStringLiteral("TI101"), width, QColor(255, 0, 0)});
  plot.appendPoints(0, minutes(values));
  plot.setAxisRange(TrendAxis::X, kNoon, (values.size() - 1) * kMinute);
  plot.setAxisRange(TrendAxis::Y, 0, 100);
}

QString run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(30000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

TEST(QcpTrendPlot, InitialDesign) {
  QcpTrendPlot plot;
  EXPECT_EQ(plot.titleText(), QStringLiteral("No Data File Loaded"));
  EXPECT_EQ(plot.backGroundColor(), QColor(212, 212, 212));
  const TrendAxisSettings x = plot.axis(TrendAxis::X);
  EXPECT_EQ(x.title, QStringLiteral("Time"));
  EXPECT_DOUBLE_EQ(x.span, 0.0069);
  EXPECT_EQ(x.minorCount, 3);
  EXPECT_EQ(x.dateTimeFormat, QStringLiteral("m/d/yy h:nn:ss am/pm"));
  EXPECT_EQ(x.labelsFormatStyle, 3);
  const TrendAxisSettings y = plot.axis(TrendAxis::Y);
  EXPECT_EQ(y.title, QStringLiteral("Y-Axis 1"));
  EXPECT_DOUBLE_EQ(y.span, 100);
  ASSERT_EQ(plot.channelCount(), 1);
  EXPECT_EQ(plot.channelStyle(0).titleText, QStringLiteral("Channel 1"));
  EXPECT_EQ(plot.channelStyle(0).traceLineWidth, 2);
  EXPECT_FALSE(plot.cursorVisible());
  QCustomPlot* w = plot.widget();
  EXPECT_FALSE(w->legend->visible());
  EXPECT_TRUE(w->xAxis->grid()->subGridVisible());
  EXPECT_TRUE(w->plottingHints().testFlag(QCP::phFastPolylines));
  EXPECT_EQ(w->xAxis->tickLabelColor(), QColor(Qt::blue));
  // Date/time tick labels through the axis's pattern, on whole minutes.
  w->replot();
  const QVector<QString> labels = w->xAxis->tickVectorLabels();
  ASSERT_FALSE(labels.isEmpty());
  EXPECT_EQ(labels.first(), QStringLiteral("12/30/99 12:00:00 am"));
  // A new pattern draws new labels.
  TrendAxisSettings changed = x;
  changed.dateTimeFormat = QStringLiteral("hh:nn");
  plot.setAxis(TrendAxis::X, changed);
  w->replot();
  EXPECT_EQ(w->xAxis->tickVectorLabels().first(), QStringLiteral("00:00"));
}

TEST(QcpTrendPlot, ChannelsOfTheSameRowsHoldTheirXOnce) {
  QcpTrendPlot plot;
  plot.clearChannels();
  auto parts = [&](int channel, double shiftFrom, double base) {
    for (int p = 0; p < 10; ++p) {
      std::vector<TrendPoint> part;
      for (int i = 0; i < 100; ++i) {
        const int k = p * 100 + i;
        part.push_back({kNoon + (k + (k >= shiftFrom ? 0.5 : 0)) * kMinute, base + i});
      }
      plot.appendPoints(channel, std::move(part));
    }
  };
  // Room reserved first: the parts never move the channel. 16 bytes a point.
  plot.addChannel({QStringLiteral("A"), 2, QColor()});
  plot.reservePoints(0, 1000);
  parts(0, 1e9, 0);
  EXPECT_EQ(plot.pointMemory(), 1000 * 16u);
  // The same rows: A's X values serve B, which grows as it must and gives
  // the rest back when drawn.
  plot.addChannel({QStringLiteral("B"), 2, QColor()});
  parts(1, 1e9, 1000);
  plot.replot();
  EXPECT_EQ(plot.pointMemory(), 1000 * 8u + 2000 * 8u);
  // X values that leave A's from the 500th point on: C holds its own.
  plot.addChannel({QStringLiteral("C"), 2, QColor()});
  parts(2, 500, 2000);
  plot.replot();
  EXPECT_EQ(plot.pointMemory(), 2000 * 8u + 3000 * 8u);
  for (int c = 0; c < 3; ++c) {
    ASSERT_EQ(plot.pointCount(c), 1000u);
    EXPECT_EQ(plot.point(c, 999).y, 1000 * c + 99);
    EXPECT_EQ(plot.point(c, 499).x, kNoon + 499 * kMinute);
    EXPECT_EQ(plot.point(c, 500).x, kNoon + (c == 2 ? 500.5 : 500) * kMinute);
  }

  // A channel that goes on beyond a shared column, elsewhere or back in
  // time takes a copy of it and leaves the others' points as they were.
  plot.appendPoints(0, {{kNoon + 2000 * kMinute, 7}});
  plot.appendPoints(1, {{kNoon + 3000 * kMinute, 8}, {kNoon + 10.25 * kMinute, 9}});
  ASSERT_EQ(plot.pointCount(0), 1001u);
  ASSERT_EQ(plot.pointCount(1), 1002u);
  EXPECT_EQ(plot.point(0, 1000).x, kNoon + 2000 * kMinute);
  EXPECT_EQ(plot.point(0, 11).x, kNoon + 11 * kMinute);
  EXPECT_EQ(plot.point(1, 11).x, kNoon + 10.25 * kMinute);
  EXPECT_EQ(plot.point(1, 11).y, 9);
  EXPECT_EQ(plot.point(1, 12).y, 1011);
  EXPECT_EQ(plot.point(1, 1001).x, kNoon + 3000 * kMinute);
  EXPECT_EQ(plot.stats(0, kNoon, kNoon + 2000 * kMinute).count, 1001u);
  EXPECT_EQ(plot.stats(1, kNoon + 10 * kMinute, kNoon + 11 * kMinute).count, 3u);
}

TEST(QcpTrendPlot, ChannelsPointsAndFollowingTheData) {
  QcpTrendPlot plot;
  plot.clearChannels();
  EXPECT_EQ(plot.channelCount(), 0);
  TrendAxisSettings x = plot.axis(TrendAxis::X);
  x.followData = true;
  plot.setAxis(TrendAxis::X, x);
  EXPECT_EQ(plot.addChannel({QStringLiteral("A"), 2, QColor()}), 0);
  EXPECT_EQ(plot.addChannel({QStringLiteral("B"), 2, QColor()}), 1);
  EXPECT_EQ(plot.channelStyle(1).color, QcpTrendPlot::channelColor(1));
  EXPECT_NE(plot.channelStyle(0).color, plot.channelStyle(1).color);
  // Appended in pieces, the second piece partly before the first's end.
  std::vector<TrendPoint> first = minutes({1, 2, 3});
  plot.appendPoints(0, std::move(first));
  EXPECT_TRUE(first.empty());
  EXPECT_EQ(first.capacity(), 0u);  // the caller's memory is given back
  plot.appendPoints(0, {{kNoon + 2.5 * kMinute, 2.5}, {kNoon + 3 * kMinute, 4}});
  plot.appendPoints(1, minutes({kNaN, 7}, kNoon - kMinute));
  ASSERT_EQ(plot.pointCount(0), 5u);
  EXPECT_EQ(plot.point(0, 3).y, 2.5);
  EXPECT_EQ(plot.point(0, 4).y, 4);
  EXPECT_THROW(plot.point(0, 5), RuntimeError);
  EXPECT_THROW(plot.pointCount(2), RuntimeError);
  // X covers every channel's points.
  EXPECT_NEAR(plot.axis(TrendAxis::X).min, kNoon - kMinute, 1e-9);
  EXPECT_NEAR(plot.axis(TrendAxis::X).span, 4 * kMinute, 1e-9);
  const TrendChannelStats s = plot.stats(0, kNoon + kMinute, kNoon + 2.5 * kMinute);
  EXPECT_EQ(s.count, 3u);
  EXPECT_EQ(s.min, 2);
  EXPECT_EQ(s.max, 3);
  EXPECT_NEAR(s.mean, 2.5, 1e-12);
  EXPECT_EQ(plot.stats(1, 0, 1e9).count, 1u);  // the gap does not count
  plot.clearChannels();
  EXPECT_EQ(plot.channelCount(), 0);
  EXPECT_EQ(plot.addChannel({QStringLiteral("C"), 2, QColor()}), 0);
}

// Whether a column of `image` holds a pixel of pure-ish red.
bool redInColumn(const QImage& image, int x) {
  for (int y = 0; y < image.height(); ++y) {
    const QColor c = image.pixelColor(x, y);
    if (c.red() > 200 && c.green() < 80 && c.blue() < 80) return true;
  }
  return false;
}

TEST(QcpTrendPlot, GapsAreDrawnAsGaps) {
  QcpTrendPlot plot;
  plot.widget()->resize(800, 400);
  // Six minutes: values around 50, no value in minutes 2 and 3.
  fill(plot, {50, 52, kNaN, kNaN, 48, 50, 51});
  plot.replot();
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("gap.png"));
  plot.savePicture(file, QStringLiteral("png"));
  const QImage image(file);
  ASSERT_EQ(image.size(), QSize(800, 400));
  const QCPAxis* x = plot.widget()->xAxis;
  auto px = [&](double minute) {
    return static_cast<int>(x->coordToPixel(kNoon + minute * kMinute));
  };
  EXPECT_TRUE(redInColumn(image, px(0.5)));
  EXPECT_FALSE(redInColumn(image, px(2.5)));  // not drawn across, not drawn down to 0
  EXPECT_FALSE(redInColumn(image, px(3.5)));
  EXPECT_TRUE(redInColumn(image, px(4.5)));
}

TEST(QcpTrendPlot, CursorToggleHintAndTwoCursors) {
  QcpTrendPlot plot;
  plot.widget()->resize(800, 400);
  fill(plot, {10, 12, kNaN, 16, 20, 14});
  TrendAxisSettings x = plot.axis(TrendAxis::X);
  x.dateTimeFormat = QStringLiteral("h:nn:ss");
  plot.setAxis(TrendAxis::X, x);
  plot.addChannel({QStringLiteral("B"), 2, QColor()});
  plot.appendPoints(1, minutes({-1, -2, -3, -4, -5, -6}));

  EXPECT_EQ(plot.cursorHint(), QString());
  plot.setCursorVisible(!plot.cursorVisible());
  EXPECT_TRUE(plot.cursorVisible());
  // Shown for the first time: the middle of the view, on a point.
  EXPECT_NEAR(plot.cursorX(0), kNoon + 2 * kMinute, 1e-9);
  EXPECT_EQ(plot.cursorHint(), QStringLiteral("Cursor 1 - TI101\nX: 12:02:00\nY: (no value)"));
  plot.moveCursor(0, kNoon + 1.2 * kMinute);
  EXPECT_EQ(plot.cursorHint(), QStringLiteral("Cursor 1 - TI101\nX: 12:01:00\nY: 12"));
  EXPECT_FALSE(plot.measurementsVisible());

  plot.setSecondCursor(kNoon + 3.9 * kMinute);
  EXPECT_TRUE(plot.secondCursorVisible());
  EXPECT_TRUE(plot.measurementsVisible());
  EXPECT_EQ(plot.measurementText(),
            QStringLiteral("Cursor 1\t12:01:00\nCursor 2\t12:04:00\ndX\t0:03:00\n"
                           "Channel\tY1\tY2\tdY\tMin\tMax\tMean\tPoints\n"
                           "TI101\t12\t20\t8\t12\t20\t16\t3\n"
                           "B\t-2\t-5\t-3\t-5\t-2\t-3.5\t4"));
  plot.setCursorStyle(CursorStyle::PeakPeak);
  EXPECT_EQ(plot.cursorHint(), QStringLiteral("Cursor 1 - TI101\nPeak-Peak: 8"));
  plot.copyMeasurements();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), plot.measurementText());

  // A new build: the cursor stays shown and starts again in the middle of
  // the new data.
  plot.clearChannels();
  plot.addChannel({QStringLiteral("C"), 2, QColor()});
  plot.appendPoints(0, minutes({1, 2, 3, 4, 5}, kNoon + 10));
  plot.setAxisRange(TrendAxis::X, kNoon + 10, 4 * kMinute);
  plot.replot();
  EXPECT_TRUE(plot.cursorVisible());
  EXPECT_NEAR(plot.cursorX(0), kNoon + 10 + 2 * kMinute, 1e-9);
  EXPECT_EQ(plot.cursorHint(), QStringLiteral("Cursor 1 - C\nPeak-Peak: (needs Cursor 2)"));

  // Hidden by the second toggle; the second cursor goes with it.
  plot.setCursorVisible(!plot.cursorVisible());
  EXPECT_FALSE(plot.cursorVisible());
  EXPECT_FALSE(plot.secondCursorVisible());
  EXPECT_EQ(plot.cursorHint(), QString());
  EXPECT_FALSE(plot.measurementsVisible());
}

TEST(QcpTrendPlot, MouseMovesCursorsZoomsAndPans) {
  QcpTrendPlot plot;
  QCustomPlot* w = plot.widget();
  w->resize(800, 400);
  w->show();
  fill(plot, {10, 20, 30, 40, 50, 60, 70});
  plot.addChannel({QStringLiteral("B"), 2, QColor()});
  plot.appendPoints(1, minutes({90, 90, 90, 90, 90, 90, 90}));
  plot.replot();
  QCPAxis* x = w->xAxis;
  QCPAxis* y = w->yAxis;
  auto at = [&](double minute, double value) {
    return QPoint(static_cast<int>(x->coordToPixel(kNoon + minute * kMinute)),
                  static_cast<int>(y->coordToPixel(value)));
  };
  // A click with the cursor hidden changes nothing.
  QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at(1, 20));
  EXPECT_FALSE(plot.cursorVisible());
  // Shift+click: the second cursor, and cursor 1 with it.
  QTest::mouseClick(w, Qt::LeftButton, Qt::ShiftModifier, at(5.1, 50));
  EXPECT_TRUE(plot.cursorVisible());
  EXPECT_TRUE(plot.secondCursorVisible());
  EXPECT_NEAR(plot.cursorX(1), kNoon + 5 * kMinute, 1e-9);
  // A click moves cursor 1 onto the trace nearest to it.
  QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at(1.9, 85));
  EXPECT_NEAR(plot.cursorX(0), kNoon + 2 * kMinute, 1e-9);
  EXPECT_EQ(plot.cursorChannel(0), 1);

  // The wheel over the data area zooms X about the pointer; over the Y
  // axis it zooms Y.
  const double span = x->range().size();
  const double anchor = kNoon + 3 * kMinute;
  plot.zoomAt(at(3, 50), 1);
  EXPECT_NEAR(x->range().size(), span * 0.85, 1e-12);
  EXPECT_NEAR(x->pixelToCoord(at(3, 50).x()), anchor, kMinute / 50);
  EXPECT_DOUBLE_EQ(y->range().size(), 100);
  plot.zoomAt(QPointF(w->axisRect()->left() - 10, w->axisRect()->center().y()), -1);
  EXPECT_NEAR(y->range().size(), 100 / 0.85, 1e-9);
  // Dragging pans both axes with the pointer.
  const QCPRange before = x->range();
  const double yLower = y->range().lower;
  plot.panBy(QPointF(-100, 0));
  EXPECT_NEAR(x->range().lower - before.lower, 100 * before.size() / w->axisRect()->width(), 1e-9);
  EXPECT_DOUBLE_EQ(y->range().lower, yLower);
  // Dragging a cursor moves it, not the view.
  const QCPRange view = x->range();
  const QPoint c1(static_cast<int>(x->coordToPixel(plot.cursorX(0))), w->axisRect()->center().y());
  QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, c1);
  QMouseEvent move(QEvent::MouseMove, QPointF(c1 + QPoint(150, 0)),
                   w->mapToGlobal(QPointF(c1 + QPoint(150, 0))), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(w, &move);
  QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, c1 + QPoint(150, 0));
  EXPECT_EQ(x->range(), view);
  EXPECT_GT(plot.cursorX(0), kNoon + 2 * kMinute);
}

TEST(QcpTrendPlot, ContextMenuEntries) {
  QcpTrendPlot plot;
  std::unique_ptr<QMenu> bare(plot.contextMenu(QPointF(100, 100)));
  QStringList texts;
  for (QAction* a : bare->actions()) texts << a->text();
  EXPECT_FALSE(texts.contains(QStringLiteral("Save as PNG...")));  // no interface, no saving
  test::ScriptedUi ui;
  plot.setUserInterface(&ui, QStringLiteral("Data Viewer"));
  std::unique_ptr<QMenu> menu(plot.contextMenu(QPointF(100, 100)));
  texts.clear();
  for (QAction* a : menu->actions()) texts << a->text();
  EXPECT_EQ(texts.mid(0, 3),
            (QStringList{QStringLiteral("Save as PNG..."), QStringLiteral("Save as PDF..."),
                         QStringLiteral("Save as SVG...")}));
  EXPECT_TRUE(texts.contains(QStringLiteral("Add Cursor 2 Here")));
  // The cursor entries follow the cursors: with two cursors the readout is
  // shown and cannot be switched off.
  auto action = [](QMenu& m, const QString& text) -> QAction* {
    for (QAction* a : m.actions())
      if (a->text() == text) return a;
    return nullptr;
  };
  EXPECT_FALSE(action(*menu, QStringLiteral("Show Measurements"))->isEnabled());
  action(*menu, QStringLiteral("Add Cursor 2 Here"))->trigger();
  EXPECT_TRUE(plot.cursorVisible());
  EXPECT_TRUE(plot.secondCursorVisible());
  std::unique_ptr<QMenu> two(plot.contextMenu(QPointF(100, 100)));
  EXPECT_TRUE(action(*two, QStringLiteral("Remove Cursor 2")));
  EXPECT_TRUE(action(*two, QStringLiteral("Show Measurements"))->isChecked());
  EXPECT_FALSE(action(*two, QStringLiteral("Show Measurements"))->isEnabled());
  action(*two, QStringLiteral("Remove Cursor 2"))->trigger();
  EXPECT_FALSE(plot.secondCursorVisible());
  EXPECT_FALSE(plot.measurementsVisible());
  // "Save as SVG..." asks through the interface; cancelled, nothing else.
  menu->actions()[2]->trigger();
  EXPECT_EQ(ui.log, QStringList{QStringLiteral("save:Save trend SVG as?")});
  EXPECT_EQ(ui.saveDialogs[0].fileName, QStringLiteral("Data Viewer.svg"));
  EXPECT_EQ(ui.saveDialogs[0].filter, QStringLiteral("SVG Files(*.svg)|*.svg"));
  EXPECT_EQ(ui.saveDialogs[0].flags, 6);
}

TEST(QcpTrendPlot, PicturesWrittenAndReadable) {
  QcpTrendPlot plot;
  plot.widget()->resize(640, 360);
  fill(plot, {50, 52, kNaN, 48, 50}, 2);
  QTemporaryDir dir;
  for (const char* f : {"jpg", "png"}) {
    const QString file = dir.filePath(QStringLiteral("trend.") + QLatin1String(f));
    plot.savePicture(file, QLatin1String(f));
    QImage image(file);
    EXPECT_EQ(image.size(), QSize(640, 360)) << f;
  }
  plot.savePicture(dir.filePath(QStringLiteral("big.png")), QStringLiteral("png"), 1600, 900);
  EXPECT_EQ(QImage(dir.filePath(QStringLiteral("big.png"))).size(), QSize(1600, 900));

  const QString svg = dir.filePath(QStringLiteral("trend.svg"));
  plot.savePicture(svg, QStringLiteral("svg"));
  QSvgRenderer renderer(svg);
  EXPECT_TRUE(renderer.isValid());
  QFile svgFile(svg);
  ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
  const QByteArray svgText = svgFile.readAll();
  EXPECT_TRUE(svgText.contains("No Data File Loaded"));  // text, not a bitmap
  EXPECT_FALSE(svgText.contains("<image"));

  const QString pdf = dir.filePath(QStringLiteral("trend.pdf"));
  plot.savePicture(pdf, QStringLiteral("pdf"));
  EXPECT_TRUE(run(QStringLiteral(PDFINFO), {pdf})
                  .contains(QRegularExpression(QStringLiteral("Pages:\\s+1\n"))));
  const QString text = run(QStringLiteral(PDFTOTEXT), {pdf, QStringLiteral("-")});
  EXPECT_TRUE(text.contains(QStringLiteral("No Data File Loaded")));
  EXPECT_TRUE(text.contains(QStringLiteral("Y-Axis 1")));

  EXPECT_THROW(plot.savePicture(dir.filePath(QStringLiteral("x.gif")), QStringLiteral("gif")),
               RuntimeError);
  // Nothing but the finished pictures in the folder (no temporary files).
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 5);
}

TEST(QcpTrendPlot, AFailedSaveLeavesTheOldFile) {
  QcpTrendPlot plot;
  plot.widget()->resize(640, 360);
  fill(plot, {50, 52, 48, 50}, 2);
  QTemporaryDir dir;
  // A folder that does not exist.
  EXPECT_THROW(
      plot.savePicture(dir.filePath(QStringLiteral("no/such/x.png")), QStringLiteral("png")),
      RuntimeError);
  // A write that fails half-way (the process may write no more than 2 KB
  // to a file): the old picture stays whole and no temporary file is left.
  const QString old = dir.filePath(QStringLiteral("old.jpg"));
  {
    QFile f(old);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("old picture");
  }
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 2048;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  for (const char* f : {"jpg", "png", "pdf", "svg"})
    EXPECT_THROW(plot.savePicture(old, QLatin1String(f)), RuntimeError) << f;
  setrlimit(RLIMIT_FSIZE, &saved);
  QFile f(old);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray("old picture"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.jpg")});
}

TEST(QcpTrendPlot, SavePictureAsReportsFailures) {
  QcpTrendPlot plot;
  QTemporaryDir dir;
  test::ScriptedUi ui;
  ui.saveAnswers.push_back(std::nullopt);  // cancelled: quiet
  EXPECT_FALSE(savePlotPictureAs(ui, plot, QStringLiteral("png"), QStringLiteral("Data Viewer")));
  EXPECT_TRUE(ui.messages.empty());
  ui.saveAnswers.push_back(dir.filePath(QStringLiteral("no/such/x.pdf")));
  EXPECT_FALSE(savePlotPictureAs(ui, plot, QStringLiteral("pdf"), QStringLiteral("Data Viewer")));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].prompt,
            QStringLiteral("PDF file can not be saved. Check filename or disk space"));
  EXPECT_EQ(ui.messages[0].style, 16);
  ui.saveAnswers.push_back(dir.filePath(QStringLiteral("ok.png")));
  EXPECT_TRUE(savePlotPictureAs(ui, plot, QStringLiteral("png"), QStringLiteral("Data Viewer")));
  EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("ok.png"))));
  EXPECT_EQ(ui.saveDialogs[2].title, QStringLiteral("Save trend PNG as?"));
  EXPECT_EQ(ui.saveDialogs[2].defaultExt, QStringLiteral(".png"));
}

TEST(QcpTrendPlot, PrintedInsideOneInchMargins) {
  QcpTrendPlot plot;
  plot.widget()->resize(900, 500);
  fill(plot, {50, 52, kNaN, 48, 50}, 2);
  plot.setTitleText(QStringLiteral("Data File: sample"));
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("print.pdf"));
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  printer.setPageSize(QPageSize(QPageSize::Letter));
  plot.print(printer);
  const QString info = run(QStringLiteral(PDFINFO), {pdf});
  EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\n"))))
      << info.toStdString();
  EXPECT_TRUE(info.contains(QStringLiteral("612 x 792 pts"))) << info.toStdString();
  // Every word lies inside the 72-point margins, and the plot fills the
  // width between them (the title is centred on it).
  const QString bbox =
      run(QStringLiteral(PDFTOTEXT), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
  QRegularExpression word(
      QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" "
                     "yMax=\"([0-9.]+)\">([^<]*)</word>"));
  int words = 0;
  double left = 1e9, right = 0, titleCentre = 0;
  for (auto it = word.globalMatch(bbox); it.hasNext();) {
    const auto m = it.next();
    const double x0 = m.captured(1).toDouble(), y0 = m.captured(2).toDouble();
    const double x1 = m.captured(3).toDouble(), y1 = m.captured(4).toDouble();
    EXPECT_GE(x0, 72 - 0.5) << m.captured(5).toStdString();
    EXPECT_LE(x1, 612 - 72 + 0.5) << m.captured(5).toStdString();
    EXPECT_GE(y0, 72 - 0.5);
    EXPECT_LE(y1, 792 - 72 + 0.5);
    left = std::min(left, x0);
    right = std::max(right, x1);
    if (m.captured(5) == QStringLiteral("File:")) titleCentre = (x0 + x1) / 2;
    ++words;
  }
  EXPECT_GT(words, 5);
  EXPECT_LT(left, 72 + 60);
  EXPECT_GT(right, 612 - 72 - 100);
  EXPECT_NEAR(titleCentre, 306, 40);
  const QString text = run(QStringLiteral(PDFTOTEXT), {pdf, QStringLiteral("-")});
  EXPECT_TRUE(text.contains(QStringLiteral("Data File: sample")));
  EXPECT_TRUE(text.contains(QStringLiteral("Time")));
}

}  // namespace
}  // namespace tarvex

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

namespace tarvex {
namespace {

// Review notes as markers: a lone one with its text, ten thousand within a
// few pixels drawn as one line labelled with their count, in the saved PDF
// and SVG and in a printout; none outside the X range; they stay through a
// new plot.
TEST(QcpTrendPlot, NoteMarkersInEveryPictureMergedWhereTheyOverlap) {
  QcpTrendPlot plot;
  plot.widget()->resize(800, 400);
  fill(plot, {50, 52, 48, 50, 51}, 2);
  std::vector<TrendMarker> markers{{kNoon + kMinute, QStringLiteral("Pump restarted")},
                                   {kNoon + 10 * kMinute, QStringLiteral("outside the range")}};
  for (int i = 0; i < 10000; ++i)
    markers.push_back({kNoon + 3 * kMinute + i * 1e-9, QStringLiteral("dense")});
  plot.setMarkers(markers);
  fill(plot, {50, 52, 48, 50, 51}, 2);  // a new plot keeps them
  EXPECT_EQ(plot.markerCount(), 10002u);
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("trend.pdf"));
  plot.savePicture(pdf, QStringLiteral("pdf"));
  EXPECT_EQ(plot.drawnMarkerLines(), 2);
  const QString text = run(QStringLiteral(PDFTOTEXT), {pdf, QStringLiteral("-")});
  EXPECT_TRUE(text.contains(QStringLiteral("Pump restarted")));
  EXPECT_TRUE(text.contains(QStringLiteral("10000 notes")));
  EXPECT_FALSE(text.contains(QStringLiteral("outside")));
  const QString svg = dir.filePath(QStringLiteral("trend.svg"));
  plot.savePicture(svg, QStringLiteral("svg"));
  QFile svgFile(svg);
  ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
  EXPECT_TRUE(svgFile.readAll().contains("Pump restarted"));
  QPrinter printer(QPrinter::ScreenResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath(QStringLiteral("printed.pdf")));
  plot.print(printer);
  EXPECT_TRUE(run(QStringLiteral(PDFTOTEXT), {printer.outputFileName(), QStringLiteral("-")})
                  .contains(QStringLiteral("10000 notes")));
  plot.setMarkers({});
  plot.savePicture(pdf, QStringLiteral("pdf"));
  EXPECT_EQ(plot.drawnMarkerLines(), 0);
}

}  // namespace
}  // namespace tarvex
