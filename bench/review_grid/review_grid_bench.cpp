// Benchmark program for the data grid under the review's filters, beside
// Qt's own filtering proxy on the same table in the same run.
//   review_grid_bench FILE   loads FILE as getHistFile does into a data grid
//                            (LogGrid with its frozen strip, 1400x900,
//                            offscreen) and times what the user waits for:
//
// ours: the grid over the review (LogGridModel mapping view rows through
//       the review's RowFilter, reset around each change); the window set
//       and changed, each search key (the model searches on a thread of its
//       own: the key returns at once, the rows follow), a jump to a row
//       in the middle, a scroll of a screenful;
// peer: QSortFilterProxyModel over the same LogTable in a QTableView of
//       the same size: the window by filterAcceptsRow over the rows' times
//       read once beforehand (the fairest peer: only the comparison is
//       timed), the text by setFilterFixedString over every column,
//       case-insensitive, on the UI thread.
// Each step is timed until the grid has painted its rows (grab()), median
// of several runs where the step repeats; memory as the process's resident
// size grows.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLocale>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "history/log_grid.h"
#include "logfiles/logtable.h"
#include "logfiles/readers.h"
#include "logfiles/row_time.h"
#include "review/review_model.h"
#include "review/time_bound.h"

namespace {

using namespace tarvex;

// Resident memory of the process, in MB.
double residentMb() {
  QFile f(QStringLiteral("/proc/self/statm"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  const QList<QByteArray> fields = f.readAll().split(' ');
  return fields.size() > 1 ? fields[1].toDouble() * 4096 / 1e6 : 0;
}

// Paints the view as the screen would (its rows, headers and strip).
void paint(QWidget& w) {
  QApplication::processEvents();
  (void)w.grab();
}

template <class F>
double ms(F&& f) {
  QElapsedTimer t;
  t.start();
  f();
  return t.nsecsElapsed() / 1e6;
}

template <class F>
double medianMs(int runs, F&& f) {
  std::vector<double> v;
  for (int i = 0; i < runs; ++i) v.push_back(ms(f));
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The peer: Qt's filtering proxy with the window as a row test over the
// rows' times (read once, as a fair peer would cache them) and the text as
// its fixed-string filter over every column.
class WindowProxy : public QSortFilterProxyModel {
 public:
  explicit WindowProxy(const LogTable& table) {
    seconds_.resize(std::size_t(table.lastRow()) + 1);
    for (int r = 1; r <= table.lastRow(); ++r)
      seconds_[std::size_t(r)] = rowSeconds(table, r, TimeColumns{0, 1});
  }
  void setWindow(std::optional<qint64> from, std::optional<qint64> to) {
    from_ = from;
    to_ = to;
    invalidateFilter();
  }

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    if (row == 0) return true;  // the titles
    const std::optional<qint64>& s = seconds_[std::size_t(row)];
    if (s && ((from_ && *s < *from_) || (to_ && *s > *to_))) return false;
    return QSortFilterProxyModel::filterAcceptsRow(row, parent);
  }

 private:
  std::vector<std::optional<qint64>> seconds_;
  std::optional<qint64> from_, to_;
};

double at(const char* text, bool upper = false) {
  return parseTimeBound(QString::fromLatin1(text), DateOrder::MonthDayYear, upper);
}

// Lets events run until the review's search of the data table ends.
void untilSearched(ReviewModel& review) {
  while (review.searching(ReviewTable::Data)) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::usleep(200);
  }
}

// What one grid took, in ms (memory in MB).
struct Figures {
  double firstWindow = 0, changeWindow = 0, textShown = 0, jump = 0, scroll = 0, memory = 0;
  double scrollUnfiltered = 0;
  std::vector<double> keys;
  double timesRead = 0;
  int windowRows = 0, textRows = 0;
  double filterBytesPerRow = 0;
};

// Our data grid over the review, with or without its frozen strip.
Figures ours(std::array<LogTable, 6>& tables, bool strip) {
  Figures f;
  LogTable& data = tables[0];
  ReviewModel review({&tables[0], &tables[1], &tables[2], &tables[3], &tables[4], &tables[5]});
  // The viewer reads the times as the load's last step.
  f.timesRead = ms([&] { review.readTimes(ReviewTable::Data); });
  LogGrid grid;
  grid.setTable(&data);
  grid.setFrozenColumns(strip ? 1 : 0);
  grid.setRowFilter(&review.filter(ReviewTable::Data));
  QObject::connect(&review, &ReviewModel::filterAboutToChange, &grid, [&](ReviewTable t) {
    if (t == ReviewTable::Data) grid.beginFilterChange();
  });
  QObject::connect(&review, &ReviewModel::filterChanged, &grid, [&](ReviewTable t) {
    if (t == ReviewTable::Data) grid.endFilterChange();
  });
  grid.resize(1400, 900);
  grid.show();
  paint(grid);
  // A selection of whole columns, kept across every change.
  grid.selectionModel()->select(
      QItemSelection(grid.model()->index(0, 2),
                     grid.model()->index(grid.model()->rowCount() - 1, 3)),
      QItemSelectionModel::Select);

  const double memBefore = residentMb();
  f.firstWindow = ms([&] {
    review.setWindow({at("2/1/2007"), at("2/7/2007", true)});
    paint(grid);
  });
  f.memory = residentMb() - memBefore;
  f.windowRows = grid.model()->rowCount();
  int flip = 0;
  f.changeWindow = medianMs(11, [&] {
    review.setWindow(++flip % 2 ? TimeWindow{at("1/10/2007"), at("3/1/2007", true)}
                                : TimeWindow{at("2/1/2007"), at("2/7/2007", true)});
    paint(grid);
  });
  review.clearWindow();
  paint(grid);

  // The search field: "O", "OV", "OVR" typed one after the other; what a
  // key costs the UI thread, and how long until its rows are painted.
  QElapsedTimer typing;
  typing.start();
  for (const char* text : {"O", "OV", "OVR"}) {
    f.keys.push_back(ms([&] { review.setText(ReviewTable::Data, QString::fromLatin1(text)); }));
    QApplication::processEvents();
  }
  untilSearched(review);
  paint(grid);
  f.textShown = typing.nsecsElapsed() / 1e6;
  f.textRows = grid.model()->rowCount();
  review.setText(ReviewTable::Data, QString());
  paint(grid);

  // With the window: a jump to a row in the middle (selected and centred),
  // and a screenful scrolled.
  review.setWindow({at("1/10/2007"), at("3/1/2007", true)});
  paint(grid);
  const int middle = grid.gridModel()->tableRow(grid.model()->rowCount() / 2);
  f.jump = medianMs(11, [&] {
    grid.showTableRow(middle, QAbstractItemView::PositionAtCenter);
    paint(grid);
  });
  f.scroll = medianMs(11, [&] {
    QScrollBar* bar = grid.verticalScrollBar();
    bar->setValue(bar->value() + 40 > bar->maximum() ? 0 : bar->value() + 40);
    paint(grid);
  });
  f.filterBytesPerRow = double(review.memoryBytes()) / std::max(1, data.lastRow());
  review.clearWindow();
  paint(grid);
  f.scrollUnfiltered = medianMs(11, [&] {
    QScrollBar* bar = grid.verticalScrollBar();
    bar->setValue(bar->value() + 40 > bar->maximum() ? 0 : bar->value() + 40);
    paint(grid);
  });
  grid.setRowFilter(nullptr);
  return f;
}

// The peer: QSortFilterProxyModel over the same table in a QTableView.
Figures peer(LogTable& data, double& setup) {
  Figures f;
  const double memBefore = residentMb();
  std::optional<WindowProxy> proxy;
  QTableView view;
  setup = ms([&] {
    proxy.emplace(data);
    proxy->setFilterKeyColumn(-1);
    proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy->setSourceModel(&data);
    view.setModel(&*proxy);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.resize(1400, 900);
    view.show();
    paint(view);
  });
  view.selectionModel()->select(
      QItemSelection(proxy->index(0, 2), proxy->index(proxy->rowCount() - 1, 3)),
      QItemSelectionModel::Select);
  auto window = [&](const char* from, const char* to) {
    proxy->setWindow(firstSecondAtOrAfter(at(from)), lastSecondAtOrBefore(at(to, true)));
  };
  f.firstWindow = ms([&] {
    window("2/1/2007", "2/7/2007");
    paint(view);
  });
  f.memory = residentMb() - memBefore;
  f.windowRows = proxy->rowCount() - 1;
  int flip = 0;
  f.changeWindow = medianMs(5, [&] {
    if (++flip % 2)
      window("1/10/2007", "3/1/2007");
    else
      window("2/1/2007", "2/7/2007");
    paint(view);
  });
  proxy->setWindow(std::nullopt, std::nullopt);
  paint(view);
  for (const char* text : {"O", "OV", "OVR"})
    f.keys.push_back(ms([&] {
      proxy->setFilterFixedString(QString::fromLatin1(text));
      paint(view);
    }));
  f.textShown = f.keys[0] + f.keys[1] + f.keys[2];
  f.textRows = proxy->rowCount() - 1;
  proxy->setFilterFixedString(QString());
  window("1/10/2007", "3/1/2007");
  paint(view);
  const QModelIndex middle = proxy->index(proxy->rowCount() / 2, 0);
  f.jump = medianMs(11, [&] {
    view.selectionModel()->select(middle,
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view.scrollTo(middle, QAbstractItemView::PositionAtCenter);
    paint(view);
  });
  f.scroll = medianMs(11, [&] {
    QScrollBar* bar = view.verticalScrollBar();
    bar->setValue(bar->value() + 40 > bar->maximum() ? 0 : bar->value() + 40);
    paint(view);
  });
  proxy->setWindow(std::nullopt, std::nullopt);
  paint(view);
  f.scrollUnfiltered = medianMs(11, [&] {
    QScrollBar* bar = view.verticalScrollBar();
    bar->setValue(bar->value() + 40 > bar->maximum() ? 0 : bar->value() + 40);
    paint(view);
  });
  return f;
}

int run(const char* path) {
  const QLocale us(QLocale::English, QLocale::UnitedStates);
  QLocale::setDefault(us);
  std::array<LogTable, 6> tables;
  LogTable& data = tables[0];
  const double before = residentMb();
  loadHistData(data, QString::fromLocal8Bit(path), us);
  std::printf("data history: %d rows x %d columns, table %.0f MB resident\n\n", data.lastRow(),
              data.lastCol() + 1, residentMb() - before);

  const Figures a = ours(tables, true);
  const Figures b = ours(tables, false);
  double setup = 0;
  const Figures p = peer(data, setup);

  auto row = [](const char* what, double x, double y, double z, const char* unit) {
    std::printf("%-42s %9.1f %s %9.1f %s %9.1f %s\n", what, x, unit, y, unit, z, unit);
  };
  auto count = [](const char* what, int x, int y, int z) {
    std::printf("%-42s %12d %12d %12d\n", what, x, y, z);
  };
  std::printf("%-42s %12s %12s %12s\n", "", "ours", "ours, no", "QSortFilter");
  std::printf("%-42s %12s %12s %12s\n", "", "(viewer)", "strip", "ProxyModel");
  std::printf("%-42s %9.1f ms %9.1f ms %12s\n", "times read (ours: the load's last step)",
              a.timesRead, b.timesRead, "-");
  std::printf("%-42s %12s %12s %9.0f ms\n", "peer set up (times read, view shown)", "-", "-",
              setup);
  row("first window (1 week), painted", a.firstWindow, b.firstWindow, p.firstWindow, "ms");
  count("  rows shown", a.windowRows, b.windowRows, p.windowRows);
  row("window changed, painted (median of 11/5)", a.changeWindow, b.changeWindow, p.changeWindow,
      "ms");
  for (std::size_t i = 0; i < 3; ++i)
    row(i == 0   ? "search key \"O\": UI thread busy"
        : i == 1 ? "search key \"V\": UI thread busy"
                 : "search key \"R\": UI thread busy",
        a.keys[i], b.keys[i], p.keys[i], "ms");
  row("  \"OVR\" typed until its rows are painted", a.textShown, b.textShown, p.textShown, "ms");
  count("  rows shown", a.textRows, b.textRows, p.textRows);
  row("jump to a middle row, centred (median)", a.jump, b.jump, p.jump, "ms");
  row("a screenful scrolled, painted (median)", a.scroll, b.scroll, p.scroll, "ms");
  row("  the same, no filter set", a.scrollUnfiltered, b.scrollUnfiltered, p.scrollUnfiltered,
      "ms");
  row("resident growth of the first window", a.memory, b.memory, p.memory, "MB");
  std::printf("%-42s %9.2f B\n", "the review's filter, bytes a row", a.filterBytesPerRow);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: review_grid_bench FILE\n");
    return 2;
  }
  QApplication app(argc, argv);
  return run(argv[1]);
}
