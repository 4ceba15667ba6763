#pragma once

// The report's tables that are not the log tables themselves: small tables
// of texts, a signature file's records with their results, and a log table
// fitted to the report's pages.

#include <QList>
#include <QStringList>
#include <vector>

#include "logfiles/logtable.h"
#include "print/table_printer.h"
#include "review/report/report_pages.h"

namespace tarvex {

// A small table of texts: titles, widths in characters, rows. A column is
// as wide as its longest text needs (a figure cut at the cell's edge would
// read as another), at least its given width.
class TextSheet : public PrintableTable {
 public:
  TextSheet(QStringList titles, QList<double> widths) : titles_(titles), widths_(widths) {
    widths_.resize(titles_.size(), 8);
    for (qsizetype c = 0; c < titles_.size(); ++c) fit(c, titles_[c]);
  }
  void addRow(QStringList row) {
    for (qsizetype c = 0; c < row.size() && c < widths_.size(); ++c) fit(c, row[c]);
    rows_.push_back(std::move(row));
  }
  QString cellText(int col, int row) const override {
    const QStringList& r = row == 0 ? titles_ : rows_[std::size_t(row - 1)];
    return col < r.size() ? r[col] : QString();
  }
  int lastRow() const override { return int(rows_.size()); }
  int lastCol() const override { return int(titles_.size()) - 1; }
  double columnWidth(int col) const override { return widths_.value(col, 8); }
  bool isColumnHidden(int) const override { return false; }

 private:
  // A width is counted in digits; letters such as "M" are wider.
  void fit(qsizetype col, const QString& text) {
    widths_[col] = std::max(widths_[col], double(text.size()) * 1.15 + 1);
  }
  QStringList titles_;
  QList<double> widths_;
  std::vector<QStringList> rows_;
};

// The records of one signature file with their results, and its damaged
// lines, in line order: Line, Date, Time, User Full Name, Comment, Result.
class SignatureSheet : public PrintableTable {
 public:
  explicit SignatureSheet(const SignatureCheck& check) : check_(check) {
    std::size_t d = 0;
    for (const RecordCheck& c : check.checks) {
      while (d < check.damaged.size() && check.damaged[d].line < c.row)
        entries_.push_back({check.damaged[d].line, -1 - int(d++), false});
      entries_.push_back({c.row, c.row, c.confirmed});
    }
    while (d < check.damaged.size())
      entries_.push_back({check.damaged[d].line, -1 - int(d++), false});
    // The Line column holds the longest line number whole.
    qint64 last = 0;
    for (const Entry& e : entries_) last = std::max(last, e.line);
    lineWidth_ = std::max(5.0, double(QString::number(last).size()) + 1);
  }
  QString cellText(int col, int row) const override {
    if (row == 0) {
      static const QStringList titles{QStringLiteral("Line"),    QStringLiteral("Date"),
                                      QStringLiteral("Time"),    QStringLiteral("User Full Name"),
                                      QStringLiteral("Comment"), QStringLiteral("Result")};
      return titles.value(col);
    }
    const Entry& e = entries_[std::size_t(row - 1)];
    if (col == 0) return QString::number(e.line);
    if (e.tableRow < 0) {
      const DamagedLine& d = check_.damaged[std::size_t(-1 - e.tableRow)];
      if (col == 4) return QStringLiteral("Damaged line: ") + d.description;
      return col == 5 ? QStringLiteral("Failed") : QString();
    }
    if (col == 5) return e.confirmed ? QStringLiteral("Confirmed") : QStringLiteral("Failed");
    return check_.table->getCell(col - 1, e.tableRow);
  }
  int lastRow() const override { return int(entries_.size()); }
  int lastCol() const override { return 5; }
  double columnWidth(int col) const override {
    // Dates up to "12/31/2007", times up to "23:59:59".
    static const double widths[] = {5, 10, 8, 16, 34, 9};
    return col == 0 ? lineWidth_ : widths[col];
  }
  bool isColumnHidden(int) const override { return false; }
  int failed() const {
    int f = 0;
    for (const Entry& e : entries_) f += e.confirmed ? 0 : 1;
    return f;
  }

 private:
  struct Entry {
    qint64 line;
    int tableRow;  // < 0: damaged line -1 - tableRow
    bool confirmed;
  };
  const SignatureCheck& check_;
  std::vector<Entry> entries_;
  double lineWidth_ = 5;
};

// A log table whose wide columns (the comments and messages, 100
// characters on the screen) are fitted to their texts: the report's pages
// hold the identifying columns and the message side by side.
class FittedSheet : public PrintableTable {
 public:
  explicit FittedSheet(const PrintableTable& table) : table_(table) {}
  QString cellText(int col, int row) const override { return table_.cellText(col, row); }
  int lastRow() const override { return table_.lastRow(); }
  int lastCol() const override { return table_.lastCol(); }
  int lastDataRow() const override { return table_.lastDataRow(); }
  double columnWidth(int col) const override { return std::min(table_.columnWidth(col), 30.0); }
  bool isColumnHidden(int col) const override { return table_.isColumnHidden(col); }

 private:
  const PrintableTable& table_;
};

}  // namespace tarvex
