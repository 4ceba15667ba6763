// tarvex plot run as a process: pictures of every type written and
// readable, a gap left empty, and the errors with nothing written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>

#include "run_process.h"

namespace {

using Result = tarvex::test::ProcessResult;

Result tarvex(const QStringList& args) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));  // no display needed
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));
  return tarvex::test::runProcess(QStringLiteral(TARVEX_EXE), args, env);
}

// A data file of nine rows, one second apart: "Flow" holds 50 but for
// rows 4 to 6 (empty, a word, empty), "Temp" 20 to 28.
QString writeData(const QTemporaryDir& dir) {
  QFile f(dir.filePath("run.csv"));
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("Date,Time,Flow,Temp\r\n");
  for (int r = 1; r <= 9; ++r) {
    const QByteArray flow = r == 5 ? "off" : (r >= 4 && r <= 6 ? "" : "50");
    f.write("3/14/2007,06:00:0" + QByteArray::number(r - 1) + " AM," + flow + "," +
            QByteArray::number(19 + r) + "\r\n");
  }
  return f.fileName();
}

// Pixels of the first channel's colour in the picture's columns x0..x1.
int tracePixels(const QImage& image, int x0, int x1) {
  int n = 0;
  for (int x = x0; x <= x1; ++x)
    for (int y = 0; y < image.height(); ++y) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() > 150 && c.green() < 90 && c.blue() < 90) ++n;
    }
  return n;
}

TEST(PlotCommand, WritesEveryPictureType) {
  QTemporaryDir dir;
  const QString data = writeData(dir);
  Result r =
      tarvex({"plot", data, "--columns", "2", "-o", dir.filePath("t.png"), "--size", "400x300"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  QImage png(dir.filePath("t.png"));
  ASSERT_EQ(png.size(), QSize(400, 300));
  // The trace stops at row 3 and starts again at row 7: nothing in between
  // (the middle of the X range), a line on either side.
  const int mid = 60 + (400 - 60 - 20) / 2;  // about the middle of the data area
  EXPECT_EQ(tracePixels(png, mid - 15, mid + 15), 0);
  EXPECT_GT(tracePixels(png, 70, 100), 0);
  EXPECT_GT(tracePixels(png, 330, 370), 0);

  r = tarvex(
      {"plot", data, "--columns", "Temp,flow", "--rows", "2:8", "-o", dir.filePath("t.jpg")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(QImage(dir.filePath("t.jpg")).size(), QSize(1600, 900));

  ASSERT_EQ(tarvex({"plot", data, "--columns", "3", "-o", dir.filePath("t.svg")}).exitCode, 0);
  QFile svg(dir.filePath("t.svg"));
  ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
  const QByteArray svgText = svg.readAll();
  EXPECT_TRUE(svgText.contains("<svg"));
  EXPECT_TRUE(svgText.contains("Data File: run"));

  ASSERT_EQ(tarvex({"plot", data, "--columns", "2,3", "-o", dir.filePath("t.pdf")}).exitCode, 0);
  QFile pdf(dir.filePath("t.pdf"));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5) == "%PDF-");
}

// Pixels near `color` in the picture's rows y0..y1.
int colorPixels(const QImage& image, int y0, int y1, const QColor& color) {
  int n = 0;
  for (int y = y0; y <= y1; ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (std::abs(c.red() - color.red()) < 40 && std::abs(c.green() - color.green()) < 40 &&
          std::abs(c.blue() - color.blue()) < 40)
        ++n;
    }
  return n;
}

TEST(PlotCommand, ALegendNamesEveryChannelInItsColour) {
  QTemporaryDir dir;
  const QString data = writeData(dir);
  // The SVG holds the titles only with the legend (they appear nowhere else).
  for (const bool legend : {true, false}) {
    QStringList args{"plot", data, "--columns", "Flow,Temp", "-o", dir.filePath("l.svg")};
    if (!legend) args << "--no-legend";
    ASSERT_EQ(tarvex(args).exitCode, 0);
    QFile svg(dir.filePath("l.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QByteArray text = svg.readAll();
    EXPECT_EQ(text.contains(">Flow<"), legend);
    EXPECT_EQ(text.contains(">Temp<"), legend);
  }
  // In a PNG the legend's row under the plot shows each channel's colour
  // (its stroke and its title); without it, that row shows neither.
  const QColor first(220, 0, 0), second(0, 0, 220);  // the plot's first two channel colours
  for (const bool legend : {true, false}) {
    QStringList args{"plot",   data,     "--columns", "2,3", "-o", dir.filePath("l.png"),
                     "--size", "600x400"};
    if (!legend) args << "--no-legend";
    ASSERT_EQ(tarvex(args).exitCode, 0);
    const QImage png(dir.filePath("l.png"));
    ASSERT_EQ(png.size(), QSize(600, 400));
    const int bottom = png.height() - 1, top = png.height() - 22;
    if (legend) {
      EXPECT_GT(colorPixels(png, top, bottom, first), 20);
      EXPECT_GT(colorPixels(png, top, bottom, second), 20);
    } else {
      EXPECT_EQ(colorPixels(png, top, bottom, first), 0);
      EXPECT_EQ(colorPixels(png, top, bottom, second), 0);
    }
  }
}

// Run without a desktop session (no XDG_RUNTIME_DIR, as root from a
// terminal), the plot says nothing but its own words: the runtime folder is a
// private one of the program's own, in TMPDIR.
TEST(PlotCommand, WithoutASessionNothingButThePlotsOwnWords) {
  QTemporaryDir dir;
  const QString data = writeData(dir);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("QT_QPA_PLATFORM"));
  env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
  env.insert(QStringLiteral("TMPDIR"), dir.path());
  const Result r =
      tarvex::test::runProcess(QStringLiteral(TARVEX_EXE),
                               {"plot", data, "--columns", "2", "-o", dir.filePath("t.png")}, env);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, QString());
  struct stat st {};
  const QString runtime = dir.filePath("tarvex-runtime-" + QString::number(geteuid()));
  ASSERT_EQ(lstat(QFile::encodeName(runtime).constData(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 07777, 0700u);
}

TEST(PlotCommand, ErrorsWriteNothing) {
  QTemporaryDir dir;
  const QString data = writeData(dir);
  const QString out = dir.filePath("x.png");
  struct Case {
    QStringList args;
    QString error;
  };
  const std::vector<Case> cases = {
      {{"--columns", "1"}, "Error 9 = Column 1 is not a channel"},
      {{"--columns", "Pressure"}, "Error 9 = No column titled \"Pressure\""},
      {{"--columns", "2", "--rows", "0:4"}, "Error 9 = Rows 0:4 lie outside"},
      {{"--columns", "2", "--rows", "3:10"}, "Error 9 = Rows 3:10 lie outside"},
      {{"--columns", "2", "--rows", "5:3"}, "Error 9 = "},
  };
  for (const Case& c : cases) {
    const Result r = tarvex(QStringList{"plot", data, "-o", out} + c.args);
    EXPECT_EQ(r.exitCode, 2) << c.args.join(' ').toStdString();
    EXPECT_TRUE(r.err.contains(c.error)) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
  }
  Result r = tarvex({"plot", data, "--columns", "2", "-o", dir.filePath("no/such/dir/x.png")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains("Error 76 = Path not found")) << r.err.toStdString();
  r = tarvex({"plot", data, "--columns", "2", "-o", dir.filePath("x.bmp")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains("Error 5 = ")) << r.err.toStdString();
  r = tarvex({"plot", dir.filePath("none.csv"), "--columns", "2", "-o", out});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains("Error 53 = ")) << r.err.toStdString();
  r = tarvex({"plot", data, "-o", out});  // usage
  EXPECT_EQ(r.exitCode, 2);

  // A date that does not read: the build fails, no picture.
  QFile f(data);
  ASSERT_TRUE(f.open(QIODevice::Append));
  f.write("someday,06:00:09 AM,1,2\r\n");
  f.close();
  r = tarvex({"plot", data, "--columns", "2", "-o", out});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains("Error 13 = ")) << r.err.toStdString();
  EXPECT_FALSE(QFile::exists(out));
}

}  // namespace
