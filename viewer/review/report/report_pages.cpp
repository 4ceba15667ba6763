#include "review/report/report_pages.h"

#include <qcustomplot.h>

#include <QFileInfo>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageSize>
#include <QPdfWriter>
#include <cmath>

#include "logfiles/logtable.h"
#include "logfiles/row_time.h"
#include "print/compact_pdf.h"
#include "print/grid_printouts.h"
#include "print/table_printer.h"
#include "record/note_anchor.h"
#include "record/review_status.h"
#include "review/report/report_sheets.h"
#include "review/report/report_trend.h"
#include "review/review_texts.h"
#include "review/time_bound.h"
#include "shell/filenames.h"
#include "shell/headless_ui.h"
#include "shell/runtime_error.h"
#include "trend/gui/qcp_trend_plot.h"
#include "trend/trend_commands.h"

namespace tarvex {

namespace {

QString number(double v) { return QLocale::c().toString(v, 'g', 10); }
QString figure(double v) { return QLocale::c().toString(v, 'g', 7); }

// ---- Pages ------------------------------------------------------------------

using DrawFn = std::function<void(QCPPainter&, QPointF)>;

// Items laid out down the pages' content area, top to bottom; an item that
// does not fit starts the next page. A table's pages each take a page.
class Flow {
 public:
  explicit Flow(double height) : height_(height) {}
  void newPage() {
    pages_.emplace_back();
    y_ = 0;
  }
  void add(double h, DrawFn fn) {
    if (pages_.empty() || (y_ > 0 && y_ + h > height_)) newPage();
    pages_.back().push_back({QPointF(0, y_), std::move(fn)});
    y_ += h;
  }
  void space(double h) { y_ += h; }
  bool pageEmpty() const { return pages_.empty() || y_ == 0; }
  // The table's pages, the first on a fresh page; the flow goes on below
  // its last page's table.
  void addTable(TablePages* t) {
    // A table of one page that fits below what the page holds goes there.
    if (t->pageCount() == 1 && !pages_.empty() && y_ + t->tableBottom(0) <= height_) {
      const double top = y_;
      pages_.back().push_back(
          {QPointF(0, top), [t](QCPPainter& p, QPointF o) { t->drawPage(p, 0, o); }});
      y_ = top + t->tableBottom(0) + t->lineHeight() * 0.5;
      return;
    }
    for (int i = 0; i < t->pageCount(); ++i) {
      if (!pageEmpty() || i > 0) newPage();
      pages_.back().push_back(
          {QPointF(0, 0), [t, i](QCPPainter& p, QPointF o) { t->drawPage(p, i, o); }});
      y_ = t->tableBottom(i) + t->lineHeight() * 0.5;
    }
  }
  const std::vector<std::vector<std::pair<QPointF, DrawFn>>>& pages() const { return pages_; }

 private:
  double height_;
  double y_ = 0;
  std::vector<std::vector<std::pair<QPointF, DrawFn>>> pages_;
};

QString sizeText(qint64 bytes) { return QLocale::c().toString(bytes) + QStringLiteral(" bytes"); }

QString dateTimeText(const QDateTime& t) {
  return QLocale::c().toString(t, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace

int drawReport(const ReportData& data, QIODevice& out,
               const std::function<bool(int, int)>& progress) {
  // US Letter, laid out at screen resolution: the plot lays out and sizes
  // its fonts as on the screen.
  const QString docTitle =
      QStringLiteral("Batch Review Report - ") + baseName(data.request->dataFile);
  const QString creator = QStringLiteral("Tarvex Data Viewer");
  std::unique_ptr<CompactPdfDevice> compact;
  std::unique_ptr<QPdfWriter> qtWriter;
  if (data.request->writer == ReportRequest::Writer::Qt) {
    qtWriter = std::make_unique<QPdfWriter>(&out);
    qtWriter->setPageSize(QPageSize(QPageSize::Letter));
    qtWriter->setPageMargins(QMarginsF(0, 0, 0, 0));
    qtWriter->setResolution(96);
    qtWriter->setTitle(docTitle);
    qtWriter->setCreator(creator);
  } else {
    compact = std::make_unique<CompactPdfDevice>(QSizeF(612, 792), 96);
  }
  QPaintDevice& writer = compact ? static_cast<QPaintDevice&>(*compact) : *qtWriter;
  const double dpi = writer.logicalDpiX();
  const double margin = 0.6 * dpi;
  const QSizeF paper(writer.width(), writer.height());

  const QFont body = tablePrintFont(9);
  const QFont bold = tablePrintFont(9, true);
  const QFont heading = tablePrintFont(12, true);
  const QFont titleFont = tablePrintFont(20, true);
  const QFont small = tablePrintFont(8);
  const QFontMetricsF bodyM(body, &writer);
  const double line = std::ceil(bodyM.height() * 1.25);
  const double footerHeight = line * 2;
  const QRectF content(margin, margin, paper.width() - 2 * margin,
                       paper.height() - 2 * margin - footerHeight);
  Flow flow(content.height());

  // A paragraph: its lines wrap at the content's width.
  auto text = [&](const QString& s, const QFont& font, QColor colour = Qt::black,
                  double indent = 0) {
    const QFontMetricsF m(font, &writer);
    const double w = content.width() - indent;
    const double lineH = std::ceil(m.height() * 1.25);
    const double textH = m.boundingRect(QRectF(0, 0, w, 1e6), Qt::TextWordWrap, s).height();
    const double h = std::max(lineH, textH + (lineH - m.height()));
    flow.add(h, [=](QCPPainter& p, QPointF o) {
      p.setFont(font);
      p.setPen(colour);
      p.drawText(QRectF(o.x() + indent, o.y(), w, h),
                 Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, s);
    });
  };
  auto windowText = [&] {
    const TimeWindow& w = data.window;
    if (!w.isSet()) return QStringLiteral("the whole file");
    return QStringLiteral("From %1 To %2")
        .arg(w.from ? formatTimeBound(*w.from, data.order) : QStringLiteral("the file's start"),
             w.to ? formatTimeBound(*w.to, data.order) : QStringLiteral("the file's end"));
  };
  const ReportOutcome& outcome = *data.outcome;
  const QColor red(0xC0, 0, 0);
  const QColor green(0, 0x70, 0x20);

  // 1. Cover.
  text(QStringLiteral("Batch Review Report"), titleFont);
  text(QFileInfo(data.request->dataFile).fileName(), heading);
  flow.space(line);
  text(QStringLiteral("Files"), heading);
  for (const FileFacts& f : data.files) {
    if (f.present) {
      text(QStringLiteral("%1: %2").arg(f.role, f.name), bold);
      text(QStringLiteral("%1, modified %2").arg(sizeText(f.size), dateTimeText(f.modified)), body,
           Qt::black, line);
      text(QStringLiteral("SHA-256 ") + f.sha256, small, Qt::black, line);
      if (!f.problem.isEmpty()) text(f.problem, body, red, line);
    } else {
      text(QStringLiteral("%1: %2").arg(f.role, f.name.isEmpty() ? f.state : f.name), bold);
      if (!f.name.isEmpty()) text(f.state, body, f.state == u"not present" ? Qt::black : red, line);
    }
  }
  flow.space(line / 2);
  text(QStringLiteral("Window"), heading);
  text(windowText(), body, Qt::black, line);
  text(QStringLiteral("%1 of %2 data rows in the window")
           .arg(groupedNumber(data.dataRowsShown), groupedNumber(data.dataRowsTotal)),
       body, Qt::black, line);
  if (data.unreadableDataRows > 0)
    text(unreadableText(data.unreadableDataRows), body, Qt::black, line);
  flow.space(line / 2);
  text(QStringLiteral("Made %1 by %2").arg(dateTimeText(data.madeAt), data.madeBy), body);
  flow.space(line);
  {
    const bool good = outcome.confirmed();
    QStringList lines{outcome.verdict};
    lines += outcome.problems;
    lines += outcome.recordProblems;
    const double h = line * (lines.size() + 1.2);
    flow.add(h + line, [=, w = content.width()](QCPPainter& p, QPointF o) {
      const QColor c = good ? green : red;
      p.setPen(QPen(c, dpi / 36));
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(o.x(), o.y(), w, h));
      p.setPen(c);
      for (qsizetype i = 0; i < lines.size(); ++i) {
        p.setFont(i == 0 ? heading : bold);
        p.drawText(QRectF(o.x() + line, o.y() + line * (0.6 + double(i)), w - 2 * line, line),
                   Qt::AlignLeft | Qt::AlignVCenter, lines[i]);
      }
    });
  }
  text(QStringLiteral("Sign-off"), heading);
  flow.space(line / 2);
  // The review record's electronic signatures; the lines to sign by hand
  // only when it holds none.
  std::vector<const EntryResult*> signOffs;
  for (const EntryResult& res : data.record.entries)
    if (res.entry && res.entry->kind == EntryKind::SignOff) signOffs.push_back(&res);
  for (const EntryResult* res : signOffs) {
    const RecordEntry& e = *res->entry;
    QString meaning = meaningName(e.meaning);
    meaning[0] = meaning[0].toUpper();
    QString s = QStringLiteral("Signed electronically by %1 (%2) on %3: %4")
                    .arg(e.name, e.author, writtenText(e), meaning);
    if (!e.reason.isEmpty()) s += QStringLiteral(" (%1)").arg(e.reason);
    if (!res->valid())
      s += QStringLiteral(" - FAILED: ") + res->failures.join(QStringLiteral("; "));
    text(s, bold, res->valid() ? Qt::black : red);
  }
  for (const QString& label :
       {QStringLiteral("Reviewed by"), QStringLiteral("Signature"), QStringLiteral("Date")}) {
    if (!signOffs.empty()) break;
    const QString value = label == u"Reviewed by" ? data.request->reviewer : QString();
    flow.add(line * 2.2, [=, w = content.width()](QCPPainter& p, QPointF o) {
      p.setFont(body);
      p.setPen(Qt::black);
      const double labelWidth = line * 7;
      p.drawText(QRectF(o.x(), o.y(), labelWidth, line * 1.6), Qt::AlignLeft | Qt::AlignBottom,
                 label + u':');
      p.drawText(QRectF(o.x() + labelWidth + line / 2, o.y(), w, line * 1.6),
                 Qt::AlignLeft | Qt::AlignBottom, value);
      p.setPen(QPen(Qt::black, dpi / 150));
      p.drawLine(QPointF(o.x() + labelWidth, o.y() + line * 1.7),
                 QPointF(o.x() + w * 0.75, o.y() + line * 1.7));
    });
  }

  // Tables keep what they draw: they live until the pages are drawn.
  std::vector<std::unique_ptr<PrintableTable>> sheets;
  std::vector<std::unique_ptr<TablePages>> tables;
  auto table = [&](std::unique_ptr<PrintableTable> sheet, TablePrintSettings settings) {
    if (!flow.pageEmpty()) flow.space(line / 2);
    // Denser than a printout of one table: a batch's records fill
    // thousands of pages.
    settings.fontPoints = 7;
    settings.rowSpacing = 1.3;
    sheets.push_back(std::move(sheet));
    tables.push_back(
        std::make_unique<TablePages>(*sheets.back(), settings, &writer, content.size()));
    flow.addTable(tables.back().get());
  };

  // 2. Signatures.
  flow.newPage();
  const bool auditGiven = !data.request->auditFile.isEmpty();
  for (int k = 0; k < 2; ++k) {
    const QString what = k == 0 ? QStringLiteral("data file") : QStringLiteral("audit trail");
    if (k == 1 && !auditGiven) {
      text(QStringLiteral("2. Signatures of the audit trail: not given"), bold);
      continue;
    }
    const SignatureCheck& s = data.signatures[std::size_t(k)];
    const QString sigName = QFileInfo(s.sigFile).fileName();
    if (!s.readable) {
      text(QStringLiteral("2. Signatures of the %1 %2 (%3): %4")
               .arg(what, QFileInfo(s.logFile).fileName(), sigName, s.state),
           bold, red);
      flow.space(line / 2);
      continue;
    }
    auto sheet = std::make_unique<SignatureSheet>(s);
    const int records = sheet->lastRow();
    const int failed = sheet->failed();
    TablePrintSettings settings;
    settings.headerText =
        escapeHeaderFooter(QStringLiteral("2. Signatures of the %1 %2 (%3)")
                               .arg(what, QFileInfo(s.logFile).fileName(), sigName));
    settings.repeatedColumns = {1, 2};
    table(std::move(sheet), settings);
    text(records == 0 ? QStringLiteral("No signature records")
         : failed == 0
             ? QStringLiteral("%1 %2, all confirmed")
                   .arg(groupedNumber(records),
                        records == 1 ? QStringLiteral("record") : QStringLiteral("records"))
             : QStringLiteral("%1 %2, %3 failed")
                   .arg(groupedNumber(records),
                        records == 1 ? QStringLiteral("record") : QStringLiteral("records"),
                        groupedNumber(failed)),
         bold, failed == 0 && records > 0 ? Qt::black : red);
    for (const DamagedLine& d : s.damaged)
      if (&d - s.damaged.data() < 20)
        text(QStringLiteral("Line %1 is damaged: %2").arg(d.line).arg(d.description), body, red);
    if (s.damaged.size() > 20)
      text(QStringLiteral("%1 damaged lines in all").arg(groupedNumber(qint64(s.damaged.size()))),
           body, red);
    if (!s.digestProblem.isEmpty())
      text(QStringLiteral("The digest of %1 cannot be computed: %2")
               .arg(QFileInfo(s.logFile).fileName(), s.digestProblem),
           body, red);
    if (failed > 0) {
      text(signatureFailedText(), bold, red);
      text(alteredFileText(s.kind), bold, red);
    }
    flow.space(line);
  }

  // 3. Trend.
  for (std::size_t p = 0; p < data.trends.size(); ++p) {
    flow.newPage();
    text(data.trends.size() == 1
             ? QStringLiteral("3. Trend")
             : QStringLiteral("3. Trend (%1 of %2)").arg(p + 1).arg(data.trends.size()),
         heading);
    text(windowText(), body);
    const double h = content.width() * 0.72;
    QcpTrendPlot* plot = data.trends[p].plot.get();
    flow.add(h, [=, w = content.width()](QCPPainter& painter, QPointF o) {
      plot->paintTo(painter, QRectF(o.x(), o.y(), w, h), int(w), int(h));
    });
    if (!data.trends[p].note.isEmpty()) text(data.trends[p].note, body, red);
    const int drawn = data.firstRow > 0 ? data.lastRow - data.firstRow + 1 : 0;
    if (drawn > data.dataRowsShown)
      text(QStringLiteral("The file's times do not only rise: rows %1 to %2 are drawn and counted, "
                          "%3 of them outside the window.")
               .arg(groupedNumber(data.firstRow), groupedNumber(data.lastRow),
                    groupedNumber(drawn - data.dataRowsShown)),
           body, red);
  }

  // 4. Statistics.
  flow.newPage();
  {
    auto stats = std::make_unique<TextSheet>(
        QStringList{QStringLiteral("Channel"), QStringLiteral("Points"), QStringLiteral("Gaps"),
                    QStringLiteral("Mean"), QStringLiteral("Std dev"), QStringLiteral("First"),
                    QStringLiteral("Last")},
        QList<double>{12, 8, 7, 8, 8, 8, 8});
    auto extremes = std::make_unique<TextSheet>(
        QStringList{QStringLiteral("Channel"), QStringLiteral("Minimum"),
                    QStringLiteral("Minimum at"), QStringLiteral("Maximum"),
                    QStringLiteral("Maximum at")},
        QList<double>{12, 8, 16, 8, 16});
    auto limits = std::make_unique<TextSheet>(
        QStringList{QStringLiteral("Channel"), QStringLiteral("Low"), QStringLiteral("High"),
                    QStringLiteral("Excursions"), QStringLiteral("Time outside"),
                    QStringLiteral("Longest"), QStringLiteral("Longest from")},
        QList<double>{12, 6, 6, 8, 10, 10, 16});
    bool anyLimits = false;
    for (std::size_t i = 0; i < data.channels.size(); ++i) {
      const ChannelStats& s = data.stats[i];
      const QString title = data.vaGrid->getCell(data.channels[i], 0);
      QStringList row{title, groupedNumber(s.points), groupedNumber(s.gaps)};
      QStringList ext{title};
      if (s.points > 0) {
        row << figure(s.mean) << (s.stdDev ? figure(*s.stdDev) : QString()) << number(s.first)
            << number(s.last);
        ext << number(s.min) << formatTimeBound(s.minX, data.order) << number(s.max)
            << formatTimeBound(s.maxX, data.order);
      }
      stats->addRow(row);
      extremes->addRow(ext);
      const ChannelLimits& l = data.limits[i];
      if (!l.isSet()) continue;
      anyLimits = true;
      QStringList lrow{title, l.low ? number(*l.low) : QStringLiteral("none"),
                       l.high ? number(*l.high) : QStringLiteral("none"),
                       groupedNumber(s.excursions), durationText(s.outsideDays)};
      if (s.excursions > 0)
        lrow << durationText(s.longestDays) << formatTimeBound(s.longestStartX, data.order);
      limits->addRow(lrow);
    }
    TablePrintSettings settings;
    settings.headerText = escapeHeaderFooter(QStringLiteral("4. Statistics over ") + windowText());
    table(std::move(stats), settings);
    settings.headerText = escapeHeaderFooter(QStringLiteral("4. Extremes over ") + windowText());
    table(std::move(extremes), settings);
    text(QStringLiteral("Points are cells with a number; gaps are empty or non-numeric cells. "
                        "The deviation is the sample standard deviation."),
         small);
    if (anyLimits) {
      settings.headerText =
          escapeHeaderFooter(QStringLiteral("4. Limit excursions over ") + windowText());
      table(std::move(limits), settings);
      text(QStringLiteral("An excursion is a run of points strictly outside the limits; a value "
                          "equal to a bound is inside and a gap ends a run. It lasts until the "
                          "next row, or until the window's end."),
           small);
    } else {
      text(QStringLiteral("No limits given."), body);
    }
  }

  // 5.-7. Alarms, operator events, audit trail entries.
  struct Events {
    const EventSection* section;
    QString heading;
    QString what;  // "alarm", "operator event", "audit trail entry"
    QString whats;
    QString fileKind;
    QList<int> repeated;
  };
  const Events sections[] = {
      {&data.alarms,
       QStringLiteral("5. Alarms in the window"),
       QStringLiteral("alarm"),
       QStringLiteral("alarms"),
       QStringLiteral("Alarm history"),
       {2, 3}},
      {&data.events,
       QStringLiteral("6. Operator events in the window"),
       QStringLiteral("operator event"),
       QStringLiteral("operator events"),
       QStringLiteral("Operator event file"),
       {1, 2}},
      {&data.auditTrail,
       QStringLiteral("7. Audit trail entries in the window"),
       QStringLiteral("audit trail entry"),
       QStringLiteral("audit trail entries"),
       QStringLiteral("Audit trail"),
       {1, 2}},
  };
  for (const Events& e : sections) {
    const EventSection& s = *e.section;
    if (!s.loaded) {
      text(e.heading, heading);
      const QString why = !s.problem.isEmpty() ? s.problem : s.facts.state;
      text(QStringLiteral("%1%2: %3")
               .arg(e.fileKind,
                    s.facts.name.isEmpty() ? QString() : QStringLiteral(" ") + s.facts.name, why),
           bold, s.problem.isEmpty() ? Qt::black : red);
      continue;
    }
    sheets.push_back(std::make_unique<LogTableSheet>(*s.table));
    sheets.push_back(std::make_unique<FittedSheet>(*sheets.back()));
    auto rows = std::make_unique<RowSubsetTable>(*sheets.back(), s.rows);
    TablePrintSettings settings;
    settings.headerText = escapeHeaderFooter(e.heading + QStringLiteral(" - ") + s.facts.name);
    settings.repeatedColumns = e.repeated;
    table(std::move(rows), settings);
    const int n = int(s.rows.size());
    text(n == 0   ? QStringLiteral("None in the window")
         : n == 1 ? QStringLiteral("1 %1 in the window").arg(e.what)
                  : QStringLiteral("%1 %2 in the window").arg(groupedNumber(n), e.whats),
         bold);
    if (s.unreadable > 0) text(unreadableText(s.unreadable), body);
  }

  // 8. The review record.
  flow.newPage();
  text(QStringLiteral("8. Review record"), heading);
  const VerifiedRecord& record = data.record;
  if (!record.exists) {
    text(QStringLiteral("No review record (%1 is not there).").arg(record.recordPath), body);
  } else {
    text(QStringLiteral("%1: %2 entries; %3")
             .arg(record.recordPath)
             .arg(record.completeEntries)
             .arg(reviewStatusLine(reviewStatusOf(record))),
         body, record.holds() ? Qt::black : red);
    for (const QString& p : record.problems) text(p, bold, red, line);
    flow.space(line / 2);
    // The notes of the window (a note without a time is always listed).
    text(QStringLiteral("Notes in the window"), bold);
    int notes = 0;
    for (const EntryResult& res : record.entries) {
      if (!res.entry || res.entry->kind != EntryKind::Note) continue;
      const RecordEntry& e = *res.entry;
      if (const auto s = secondsOfIso(e.anchor.time)) {
        const double x = double(*s) / 86400.0;
        if ((data.window.from && x < *data.window.from - 0.5 / 86400) ||
            (data.window.to && x > *data.window.to + 0.5 / 86400))
          continue;
      }
      ++notes;
      const QString result =
          res.valid() ? QStringLiteral("valid")
                      : QStringLiteral("FAILED: ") + res.failures.join(QStringLiteral("; "));
      text(QStringLiteral("Entry %1 - %2 - %3 (%4) - %5")
               .arg(res.line)
               .arg(anchorText(e.anchor), e.name, e.author, result),
           bold, res.valid() ? Qt::black : red, line / 2);
      text(e.text, body, Qt::black, line * 1.5);
    }
    if (notes == 0) text(QStringLiteral("None in the window"), body, Qt::black, line / 2);
    flow.space(line / 2);
    text(QStringLiteral("Sign-offs"), bold);
    int signs = 0;
    for (const EntryResult& res : record.entries) {
      if (!res.entry || res.entry->kind != EntryKind::SignOff) continue;
      const RecordEntry& e = *res.entry;
      ++signs;
      const QColor c = res.valid() ? Qt::black : red;
      QString meaning = meaningName(e.meaning);
      meaning[0] = meaning[0].toUpper();
      text(QStringLiteral("Entry %1: %2 by %3 (%4)").arg(res.line).arg(meaning, e.name, e.author),
           bold, c, line / 2);
      const QString window = e.from.isEmpty() && e.to.isEmpty()
                                 ? QStringLiteral("the whole file")
                                 : QStringLiteral("%1 to %2")
                                       .arg(e.from.isEmpty() ? QStringLiteral("the start")
                                                             : QString(e.from).replace(u'T', u' '),
                                            e.to.isEmpty() ? QStringLiteral("the end")
                                                           : QString(e.to).replace(u'T', u' '));
      const QStringList facts{
          QStringLiteral("Printed name: ") + e.name,
          QStringLiteral("Date and time: ") + writtenText(e),
          QStringLiteral("Meaning: ") + meaning,
          QStringLiteral("Reason: ") +
              (e.reason.isEmpty() ? QStringLiteral("none given") : e.reason),
          QStringLiteral("Window: ") + window,
          QStringLiteral("Key fingerprint: ") + e.keyFingerprint,
          QStringLiteral("Files bound: %1").arg(e.files.size()),
          QStringLiteral("Verification: ") +
              (res.valid() ? QStringLiteral("valid")
                           : QStringLiteral("FAILED: ") + res.failures.join(QStringLiteral("; ")))};
      for (const QString& f : facts)
        text(f, f.startsWith(QStringLiteral("Key")) ? small : body,
             f.startsWith(QStringLiteral("Verification")) ? (res.valid() ? green : red) : Qt::black,
             line * 1.5);
    }
    if (signs == 0) text(QStringLiteral("None"), body, Qt::black, line / 2);
  }

  // Draw.
  const auto& pages = flow.pages();
  const int total = int(pages.size());
  QCPPainter painter;
  if (!painter.begin(&writer))
    throw RuntimeError(err::PathFileAccess, QStringLiteral("The report's pages cannot be drawn"));
  const QString id = QStringLiteral("Report ID: ") + data.reportId;
  for (int i = 0; i < total; ++i) {
    if (progress && !progress(i, total)) {
      painter.end();
      throw RuntimeError(err::Cancel);
    }
    if (i > 0 && compact) compact->newPage();
    if (i > 0 && qtWriter) qtWriter->newPage();
    for (const auto& [at, fn] : pages[std::size_t(i)]) fn(painter, content.topLeft() + at);
    painter.setFont(body);
    painter.setPen(Qt::black);
    const QRectF foot(margin, paper.height() - margin - line, content.width(), line);
    painter.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter, id);
    painter.drawText(foot, Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Page %1 of %2").arg(i + 1).arg(total));
  }
  if (!painter.end())
    throw RuntimeError(err::PathFileAccess, QStringLiteral("The report's pages cannot be drawn"));
  if (!compact) return total;
  const QByteArray pdf = compact->document(docTitle, creator);
  if (out.write(pdf) != pdf.size())
    throw RuntimeError(err::PathFileAccess, QStringLiteral("The report cannot be written"));
  return total;
}

}  // namespace tarvex
