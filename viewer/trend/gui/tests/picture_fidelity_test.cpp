// Pictures drawn from the pixel columns against pictures of every point, and
// dense traces: each pixel column shows its full extent, gaps stay empty, on
// a raster picture and in a vector one.
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <limits>
#include <vector>

#include "logfiles/logtable.h"
#include "logfiles/readers.h"
#include "shell/headless_ui.h"
#include "trend/gui/qcp_trend_plot.h"
#include "trend/trend_commands.h"

namespace tarvex {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kSecond = 1.0 / 86400.0;
constexpr double kStart = 45000.25;

// A shown plot of 800 x 450 whose axes span the given ranges.
struct Plot {
  QcpTrendPlot plot;
  Plot() {
    plot.widget()->resize(800, 450);
    plot.widget()->show();
    plot.clearChannels();
  }
  void add(const std::vector<double>& values, const QColor& color) {
    const int k = plot.addChannel({QStringLiteral("CH"), 2, color});
    std::vector<TrendPoint> pts;
    for (std::size_t i = 0; i < values.size(); ++i)
      pts.push_back({kStart + static_cast<double>(i) * kSecond, values[i]});
    plot.appendPoints(k, std::move(pts));
  }
  void fit(std::size_t points, double yMin, double ySpan) {
    plot.setAxisRange(TrendAxis::X, kStart, static_cast<double>(points - 1) * kSecond);
    plot.setAxisRange(TrendAxis::Y, yMin, ySpan);
    plot.replot();
  }
  QImage picture(const QString& path, bool aggregated) {
    plot.setPixelAggregation(aggregated);
    plot.savePicture(path, QStringLiteral("png"));
    return QImage(path).convertToFormat(QImage::Format_RGB32);
  }
};

TEST(PictureFidelity, ASmallFileLooksTheSameDrawnFromItsPixelColumns) {
  // A data file of 300 rows a second apart, plotted by the builder on an
  // 800-pixel plot (a point every two pixels or so): a random walk, an
  // on/off output switching every 7 rows with ten empty cells, a sine.
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("short.csv"));
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Date,Time,TI101,XV20,FI7\r\n");
    unsigned state = 2007;
    double v = 50;
    for (int i = 0; i < 300; ++i) {
      state = state * 1103515245u + 12345u;
      v += (int((state >> 16) % 201) - 100) / 50.0;
      const QByteArray onOff = i >= 140 && i < 150 ? "" : QByteArray::number((i / 7) % 2 ? 30 : 10);
      f.write(QStringLiteral("3/14/2007,%1:%2:%3 AM,%4,%5,%6\r\n")
                  .arg(6 + i / 3600)
                  .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
                  .arg(i % 60, 2, 10, QLatin1Char('0'))
                  .arg(v, 0, 'f', 3)
                  .arg(QString::fromLatin1(onOff))
                  .arg(75 + 15 * std::sin(i / 20.0), 0, 'f', 3)
                  .toLatin1());
    }
  }
  LogTable table;
  loadHistData(table, path, QLocale(QLocale::English, QLocale::UnitedStates));
  Plot p;
  HeadlessUi ui;
  WindowlessTrend window;
  bool plotting = false;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  TrendCommands(ui, window, p.plot, table, plotting).plotHistData({{{2, -1, 4, -1}}, 1});
  ASSERT_TRUE(ui.messages.empty());
  ASSERT_EQ(p.plot.channelCount(), 3);
  ASSERT_EQ(p.plot.pointCount(1), 300u);
  // The sine as a reference trace would be drawn: a dashed pen, whose
  // pattern runs on from one piece of the line to the next.
  QCPGraph* sine = p.plot.widget()->graph(2);
  sine->setPen(QPen(sine->pen().color(), 2, Qt::DashLine));

  const QImage every = p.picture(dir.filePath(QStringLiteral("every.png")), false);
  const QImage columns = p.picture(dir.filePath(QStringLiteral("columns.png")), true);
  ASSERT_EQ(every.size(), columns.size());

  // The same pixels up to anti-aliasing: no channel of any pixel differs by
  // more than 96, and at most 0.1 % of the pixels differ by more than 32
  // (measured here: at most 64, on 0.04 %: the edges where two pieces of a
  // line overlap by a segment), the dashes of the dashed pen included.
  int maxDiff = 0, over32 = 0;
  for (int y = 0; y < every.height(); ++y) {
    const QRgb* a = reinterpret_cast<const QRgb*>(every.constScanLine(y));
    const QRgb* b = reinterpret_cast<const QRgb*>(columns.constScanLine(y));
    for (int x = 0; x < every.width(); ++x) {
      const int d =
          std::max({std::abs(qRed(a[x]) - qRed(b[x])), std::abs(qGreen(a[x]) - qGreen(b[x])),
                    std::abs(qBlue(a[x]) - qBlue(b[x]))});
      maxDiff = std::max(maxDiff, d);
      if (d > 32) ++over32;
    }
  }
  EXPECT_LE(maxDiff, 96);
  EXPECT_LE(over32, every.width() * every.height() / 1000) << "max difference " << maxDiff;
}

// Whether the pixel is the trace's red.
bool red(QRgb c) { return qRed(c) > 150 && qGreen(c) < 110 && qBlue(c) < 110; }

// Checks a picture of the dense trace below: every pixel column of the data
// area (clear of the axes' ticks) shows the trace from 0 to 10 (checked at
// five heights), except those of the gap, which show none of it.
void expectExtentsAndGap(const QImage& image, const QCustomPlot& w, double gapFrom, double gapTo) {
  // (A PDF page rendered back may come out a pixel taller.)
  ASSERT_EQ(image.width(), w.width());
  ASSERT_LE(std::abs(image.height() - w.height()), 1);
  const QRect area = w.axisRect()->rect();
  const int gapLeft = static_cast<int>(w.xAxis->coordToPixel(gapFrom)) + 3;
  const int gapRight = static_cast<int>(w.xAxis->coordToPixel(gapTo)) - 3;
  int checked = 0, inGap = 0;
  for (int x = area.left() + 8; x < area.right() - 8; ++x) {
    if (x >= gapLeft - 6 && x <= gapRight + 6) {
      if (x < gapLeft || x > gapRight) continue;  // the gap's edges
      for (int y = area.top(); y < area.bottom(); ++y)
        ASSERT_FALSE(red(image.pixel(x, y))) << "a trace in the gap at " << x << "," << y;
      ++inGap;
      continue;
    }
    for (const double value : {0.15, 2.5, 5.0, 7.5, 9.85}) {
      const int y = static_cast<int>(std::lround(w.yAxis->coordToPixel(value)));
      ASSERT_TRUE(red(image.pixel(x, y)))
          << "no trace at " << x << "," << y << " (" << value << ")";
    }
    ++checked;
  }
  EXPECT_GT(checked, 600);
  EXPECT_GT(inGap, 50);
}

TEST(PictureFidelity, ADenseTraceShowsEachColumnsFullExtentAndItsGap) {
  // 200,000 rows jumping between 0 and 10 at every row, on the same plot,
  // with 20,000 rows of gap in the middle: some 250 rows a pixel column.
  const std::size_t n = 200000;
  std::vector<double> values(n);
  for (std::size_t i = 0; i < n; ++i) values[i] = i % 2 ? 10 : 0;
  for (std::size_t i = 90000; i < 110000; ++i) values[i] = kNaN;
  Plot p;
  p.add(values, QColor(220, 0, 0));
  p.fit(n, -5, 20);
  const QCustomPlot& w = *p.plot.widget();
  const double gapFrom = kStart + 89999 * kSecond, gapTo = kStart + 110000 * kSecond;

  QTemporaryDir dir;
  const QImage png = p.picture(dir.filePath(QStringLiteral("dense.png")), true);
  expectExtentsAndGap(png, w, gapFrom, gapTo);
  // On the screen too.
  expectExtentsAndGap(p.plot.widget()->grab().toImage(), w, gapFrom, gapTo);

  // A vector picture goes through the columns as well: a PDF of a few
  // thousand lines, not 200,000, that looks the same.
  const QString pdf = dir.filePath(QStringLiteral("dense.pdf"));
  p.plot.savePicture(pdf, QStringLiteral("pdf"));
  EXPECT_LT(QFileInfo(pdf).size(), 200 * 1024);
  QProcess render;
  render.start(QStringLiteral(PDFTOPPM),
               {"-png", "-r", "96", "-singlefile", pdf, dir.filePath(QStringLiteral("pdf"))});
  ASSERT_TRUE(render.waitForFinished(60000));
  const QImage fromPdf(dir.filePath(QStringLiteral("pdf.png")));
  expectExtentsAndGap(fromPdf, w, gapFrom, gapTo);
}

}  // namespace
}  // namespace tarvex

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
