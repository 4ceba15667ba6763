// The compact PDF writer's text as poppler reads it back: every script in
// embedded subsets, each glyph where Qt laid it out.
#include "print/compact_pdf.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

#include "print/table_printer.h"
#include "print_test_support.h"

namespace tarvex {
namespace {

using testing::pdfFonts;
using testing::pdfPages;

QString written(const QTemporaryDir& dir, const std::function<void(QPainter&)>& draw) {
  CompactPdfDevice device(QSizeF(612, 792), 96);
  QPainter painter(&device);
  draw(painter);
  painter.end();
  const QString path = dir.filePath(QStringLiteral("t.pdf"));
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(device.document(QStringLiteral("Zażółć – Ελένη"), QStringLiteral("test")));
  return path;
}

QString letters(char32_t from, char32_t to) {
  QString s;
  for (char32_t c = from; c <= to; ++c) s += QString::fromUcs4(&c, 1);
  return s;
}

TEST(CompactPdf, EveryScriptReadsBackFromEmbeddedSubsets) {
  QTemporaryDir dir;
  QStringList lines{QStringLiteral("Łukasz Żółć-Müller, Ελένη Παπαδοπούλου, Анна Кузнецова"),
                    QStringLiteral("Température ß Š € „…“ ‰ Œ ž Ÿ"),  // code page 1252 beyond ASCII
                    QStringLiteral("AVATAR To Wave, shaped and kerned"),
                    // With these, more than 256 glyphs of one face: a second font of it.
                    letters(0x100, 0x13F), letters(0x140, 0x17E),
                    letters(0x391, 0x3A1) + letters(0x3A3, 0x3C9), letters(0x410, 0x44F),
                    // No font has it: the .notdef mark, reading back as itself.
                    QStringLiteral("Missing \U00013000 mark")};
  if (QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty())
    std::printf("SKIPPED: the CJK line: no font with CJK glyphs (fonts-noto-cjk)\n");
  else
    lines << QStringLiteral("王小明 漢字テスト through Qt's fallback");
  const QString path = written(dir, [&](QPainter& p) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
      // The print font (no shaping), bold too, and a font Qt shapes.
      p.setFont(i == 2 ? QFont() : tablePrintFont(9, i == 1));
      p.drawText(QPointF(20, 40 + 30 * double(i)), lines[i]);
    }
  });
  const QString text = pdfPages(path).join(u'\n');
  for (const QString& line : lines) EXPECT_TRUE(text.contains(line)) << line.toStdString();
  const QStringList fonts = pdfFonts(path);
  ASSERT_GE(fonts.size(), 3);  // regular, bold, the shaped font's face or the second font
  for (const QString& f : fonts) EXPECT_TRUE(f.endsWith(u" yes yes yes")) << f.toStdString();
  EXPECT_EQ(testing::pdfInfo(path, QStringLiteral("Title")), QStringLiteral("Zażółć – Ελένη"));
}

TEST(CompactPdf, TextEndsWhereQtLaidItOut) {
  // Right-aligned on x = 700: the ink of its last letter ends where it
  // does in the font Qt measured it with (in another font it would not).
  QTemporaryDir dir;
  const QFont font = tablePrintFont(12);
  QRawFont raw = QRawFont::fromFont(font);
  raw.setPixelSize(16);  // 12 points at 96 dpi
  const quint32 h = raw.glyphIndexesForString(QStringLiteral("H")).value(0);
  const double inkEnd = 700 - raw.advancesForGlyphIndexes({h}).value(0).x() +
                        raw.pathForGlyph(h).boundingRect().right();
  const QString path = written(dir, [&](QPainter& p) {
    p.setFont(font);
    p.drawText(QRectF(100, 100, 600, 40), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Reviewed by Łukasz Żółć-Müller, Анна Кузнецова HHHH"));
  });
  const QImage page = testing::pdfPageImage(path, 1, 192);  // 2 pixels a unit
  int right = -1;
  for (int x = 0; x < page.width(); ++x)
    if (testing::darkestGrey(page, QRect(x, 200, 1, 80)) < 128) right = x;
  EXPECT_NEAR((right + 1) / 2.0, inkEnd, 0.5);
}

}  // namespace
}  // namespace tarvex
