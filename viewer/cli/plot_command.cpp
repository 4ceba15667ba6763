#include "cli/plot_command.h"

#include <qcustomplot.h>

#include <QFileInfo>
#include <QPrinter>

#include "cli/tables.h"
#include "logfiles/logtable.h"
#include "logfiles/readers.h"
#include "review/reference_commands.h"
#include "shell/filenames.h"
#include "shell/headless_ui.h"
#include "signatures/vxlog.h"
#include "trend/gui/qcp_trend_plot.h"
#include "trend/trend_commands.h"

namespace tarvex {

namespace {

QString pictureFormat(const QString& path) {
  const QString ext = QFileInfo(path).suffix().toLower();
  if (ext == u"jpeg") return QStringLiteral("jpg");
  if (ext == u"png" || ext == u"jpg" || ext == u"pdf" || ext == u"svg") return ext;
  throw RuntimeError(err::InvalidCall,
                     QStringLiteral("The picture type follows the extension: .png, .jpg, "
                                    ".pdf or .svg, not ") +
                         path);
}

}  // namespace

std::optional<std::pair<int, int>> parseRowRange(const QString& text) {
  const QStringList parts = text.split(u':');
  if (parts.size() != 2) return std::nullopt;
  bool okA = false, okB = false;
  const int a = parts[0].toInt(&okA);
  const int b = parts[1].toInt(&okB);
  if (!okA || !okB) return std::nullopt;
  return std::pair{a, b};
}

std::optional<std::pair<int, int>> parseSize(const QString& text) {
  const QStringList parts = text.toLower().split(u'x');
  if (parts.size() != 2) return std::nullopt;
  bool okW = false, okH = false;
  const int w = parts[0].toInt(&okW);
  const int h = parts[1].toInt(&okH);
  if (!okW || !okH || w < 1 || h < 1 || w > 20000 || h > 20000) return std::nullopt;
  return std::pair{w, h};
}

void plotToPicture(const PlotRequest& request) {
  const QString format = pictureFormat(request.output);
  VxLog sigLog;
  LogTable table;
  loadTable(table, TableKind::Data, request.file, sigLog, request.dateOrder);

  std::vector<int> columns;
  for (const QString& c : request.columns) columns.push_back(channelColumnOf(table, c));
  if (columns.empty())
    throw RuntimeError(err::SubscriptOutOfRange, QStringLiteral("No column to plot"));
  int first = -1, last = -1;
  if (request.rows) {
    first = request.rows->first;
    last = request.rows->second;
    if (first < 1 || last < first || last > table.lastRow())
      throw RuntimeError(err::SubscriptOutOfRange,
                         QStringLiteral("Rows %1:%2 lie outside the data rows 1:%3")
                             .arg(first)
                             .arg(last)
                             .arg(table.lastRow()));
  } else if (table.lastRow() < 1) {
    throw RuntimeError(err::SubscriptOutOfRange, QStringLiteral("The file holds no data rows"));
  }
  TableSelection selection;
  for (int c : columns) selection.blocks.push_back({c, first, c, last});

  HeadlessUi ui;
  WindowlessTrend window;
  QcpTrendPlot plot;
  bool plotting = false;
  TrendCommands commands(ui, window, plot, table, plotting);
  commands.setPlotTitle(QStringLiteral("Data File: ") + baseName(request.file));
  commands.plotHistData(selection);
  for (const HeadlessUi::Message& m : ui.messages)
    if (m.style == mb::Critical)
      throw RuntimeError(err::TypeMismatch,
                         QStringLiteral("A row's date or time does not read; nothing written"));
  plot.setLegendVisible(request.legend);
  if (!request.reference.isEmpty()) {
    // The viewer's own steps; what it would say in a message box is a note
    // here, and a refusal is the command's error.
    ui.messages.clear();
    ReferenceCommands reference(ui, plot, sigLog);
    reference.setDateOrder(request.dateOrder);
    reference.setAlignMode(request.alignment.mode);
    reference.setOffset(request.alignment.offset);
    reference.setShowDifferences(request.differences);
    if (!reference.showReference(request.reference)) {
      const QString why = ui.messages.empty() ? QString() : ui.messages.back().prompt;
      throw RuntimeError(err::SubscriptOutOfRange,
                         QString(why).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }
    if (request.notes) {
      for (const HeadlessUi::Message& m : ui.messages)
        *request.notes << QString(m.prompt).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
      if (const ReferenceOverlay* o = reference.overlay()) {
        if (!o->overlap()) *request.notes << QStringLiteral("no overlap");
        for (const QString& t : o->missingTitles())
          *request.notes << QStringLiteral("%1 is not in the reference: not compared").arg(t);
      }
    }
    plot.setLegendVisible(request.legend);
    plot.savePicture(request.output, format, request.width, request.height);
    return;
  }
  plot.savePicture(request.output, format, request.width, request.height);
}

}  // namespace tarvex
