// Tables and PDF readers shared by the printout tests.
#pragma once

#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

#include "print/table_printer.h"

namespace tarvex::testing {

// A table held as rows of text; row 0 titles, column 0 header column.
class GridTable : public PrintableTable {
 public:
  explicit GridTable(QList<QStringList> rows) : rows_(std::move(rows)) {}
  QString cellText(int col, int row) const override {
    ++reads;
    if (row < 0 || row >= rows_.size() || col < 0 || col >= rows_[row].size()) return {};
    return rows_[row][col];
  }
  int lastRow() const override { return int(rows_.size()) - 1; }
  int lastCol() const override {
    qsizetype cols = 0;
    for (const auto& r : rows_) cols = std::max(cols, r.size());
    return int(cols) - 1;
  }
  double columnWidth(int col) const override { return widths.value(col, 14); }
  bool isColumnHidden(int col) const override { return hidden.contains(col); }

  QMap<int, double> widths;
  QSet<int> hidden;
  mutable qint64 reads = 0;

 private:
  QList<QStringList> rows_;
};

// A table whose cells are made on request: "r<row>c<col>", titles "Col<col>".
class GeneratedTable : public PrintableTable {
 public:
  GeneratedTable(int rows, int cols) : rows_(rows), cols_(cols) {}
  QString cellText(int col, int row) const override {
    ++reads;
    if (row == 0) return QStringLiteral("Col%1").arg(col);
    return QStringLiteral("r%1c%2").arg(row).arg(col);
  }
  int lastRow() const override { return rows_; }
  int lastCol() const override { return cols_; }
  double columnWidth(int) const override { return 14; }
  bool isColumnHidden(int) const override { return false; }
  mutable qint64 reads = 0;

 private:
  int rows_;
  int cols_;
};

// A data table of `rows` samples: Date, Time, TC1, TC2 titles.
inline QList<QStringList> sampleRows(int rows) {
  QList<QStringList> out{{"Date", "Time", "TC1", "TC2"}};
  for (int r = 1; r <= rows; ++r)
    out.append({QStringLiteral("1/2/2007"),
                QStringLiteral("02:%1:00 PM").arg(r % 60, 2, 10, QChar('0')),
                QStringLiteral("v%1").arg(r), QStringLiteral("w%1").arg(r)});
  return out;
}

// The text of each page of a PDF (pdftotext -layout), one entry per page.
inline QStringList pdfPages(const QString& path) {
  QProcess p;
  p.start(QStringLiteral(PDFTOTEXT), {QStringLiteral("-layout"), path, QStringLiteral("-")});
  p.waitForFinished(60000);
  QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(u'\f');
  if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
  return pages;
}

// One field of pdfinfo ("Pages", "Title", "Page size").
inline QString pdfInfo(const QString& path, const QString& field) {
  QProcess p;
  p.start(QStringLiteral(PDFINFO), {path});
  p.waitForFinished(60000);
  for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n'))
    if (line.startsWith(field + u':')) return line.mid(field.size() + 1).trimmed();
  return {};
}

// The fonts of a PDF as pdffonts lists them: each "name emb sub uni"
// (the yes/no columns of its embedding, subsetting and ToUnicode map).
inline QStringList pdfFonts(const QString& path) {
  QProcess p;
  p.start(QStringLiteral(PDFFONTS), {path});
  p.waitForFinished(60000);
  QStringList fonts;
  const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n');
  for (qsizetype i = 2; i < lines.size(); ++i) {
    // name, type (may hold blanks), encoding, emb, sub, uni, object, ID
    const QStringList f = lines[i].split(u' ', Qt::SkipEmptyParts);
    if (f.size() >= 7)
      fonts << QStringList{f[0], f[f.size() - 5], f[f.size() - 4], f[f.size() - 3]}.join(u' ');
  }
  return fonts;
}

// Page `page` (from 1) of a PDF as a picture at `dpi`.
inline QImage pdfPageImage(const QString& path, int page, int dpi = 100) {
  QTemporaryDir dir;
  QProcess p;
  const QString stem = dir.filePath(QStringLiteral("page"));
  p.start(QStringLiteral(PDFTOPPM),
          {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QString::number(page),
           QStringLiteral("-l"), QString::number(page), QStringLiteral("-png"),
           QStringLiteral("-singlefile"), path, stem});
  p.waitForFinished(60000);
  return QImage(stem + QStringLiteral(".png"));
}

// The darkest grey level (0 black .. 255 white) inside `rect` of `image`.
inline int darkestGrey(const QImage& image, const QRect& rect) {
  int darkest = 255;
  const QRect r = rect.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      darkest = std::min(darkest, qGray(image.pixel(x, y)));
  return darkest;
}

}  // namespace tarvex::testing
