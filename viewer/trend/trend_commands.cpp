#include "trend/trend_commands.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

#include "trend/column_feed.h"

namespace tarvex {

namespace {

// Thrown inside the build when the Cancel button has lowered f_Plotting.
struct BuildCanceled {};

// Thrown inside the build when a row's date or time does not read.
struct BadRowTime {};

// The block's rows with -1 (whole columns) replaced.
struct BlockRows {
  int first;
  int last;
};

BlockRows rowsOf(const SelectionBlock& b, const LogTable& table) {
  return {b.row1 == -1 ? 1 : b.row1, b.row2 == -1 ? table.lastRow() : b.row2};
}

// The bar's percent: points done over the block's columns times the row
// span seen so far, halves to even; above 99 shows as 100.
int progressPercent(long long pointsDone, long long blockColumns, long long rowSpan) {
  const long long whole = blockColumns * rowSpan;
  if (whole <= 0) return 100;
  const double percent =
      std::nearbyint(static_cast<double>(pointsDone) / static_cast<double>(whole) * 100.0);
  return percent > 99 ? 100 : static_cast<int>(percent);
}

}  // namespace

PlotPacing PlotPacing::everyRow() {
  return {1, [] { return true; }};
}

QString plotCanceledText() { return QStringLiteral("Historical plot has been canceled by user."); }

QString plotFailedText() {
  return QStringLiteral(
      "Marvesk data viewer encountered errors while plotting the data file!\r\n"
      "Please check to make sure the file was created with Marvesk Control.");
}

TrendCommands::TrendCommands(UserInterface& ui, TrendWindow& window, TrendPlot& plot,
                             const LogTable& vaGrid, bool& f_Plotting, TrendSetupOpener openSetup)
    : ui_(ui),
      win_(window),
      plot_(plot),
      vaGrid_(vaGrid),
      f_Plotting_(f_Plotting),
      openSetup_(std::move(openSetup)) {}

void TrendCommands::setPlotTitle(const QString& title) { plot_.setTitleText(title); }

void TrendCommands::plotHistData(const TableSelection& selection) {
  if (building_) {
    // Reached from the event pump of a running build (after Cancel lowered
    // f_Plotting, the window's busy rule no longer stops it).
    ui_.msgBoxPos(QStringLiteral("History viewer is busy with an operation, please wait!"),
                  mb::Information);
    return;
  }
  building_ = true;
  f_Plotting_ = true;
  ui_.setPointer(Pointer::Hourglass);

  QElapsedTimer clock;
  clock.start();
  auto due = [&] {
    if (pacing_.due) return pacing_.due();
    if (clock.elapsed() < 30) return false;
    clock.restart();
    return true;
  };
  const int rowsPerCheck = std::max(1, pacing_.rowsPerCheck);
  const QLocale locale;

  try {
    plot_.clearChannels();
    win_.setYSliderPosition(0);
    win_.setDateSliderPosition(0);
    for (TrendAxis a : {TrendAxis::X, TrendAxis::Y}) {
      TrendAxisSettings s = plot_.axis(a);
      s.followData = true;
      s.scrollMode = 0;
      plot_.setAxis(a, s);
    }
    win_.setPlotProgressVisible(true);

    // Every channel to make, in order: the columns of every block, with the
    // block's rows and the bar's divisor as the block found it.
    struct Item {
      int col;
      FeedRows rows;
      long long blockColumns;
      long long rowSpan;
    };
    std::vector<Item> items;
    int firstSeen = 0;
    int lastSeen = 0;
    for (std::size_t i = 0; i < selection.blocks.size(); ++i) {
      const SelectionBlock& block = selection.blocks[i];
      const BlockRows rows = rowsOf(block, vaGrid_);
      if (i == 0) {
        firstSeen = rows.first;
        lastSeen = rows.last;
      }
      firstSeen = std::min(firstSeen, rows.first);
      lastSeen = std::max(lastSeen, rows.last);
      const long long rowSpan = static_cast<long long>(lastSeen) - firstSeen;
      const long long blockColumns = static_cast<long long>(block.col2) - block.col1 + 1;
      for (int c = block.col1; c <= block.col2; ++c)
        items.push_back({c, FeedRows{rows.first, rows.last}, blockColumns, rowSpan});
    }

    // The cells are read on worker threads, the next column while this one
    // goes to the plot (with a pacing of its own, as the tests set, on this
    // thread: the same values, events pumped only where the pacing says).
    // The X values of a block's rows are read once for all of its columns
    // and for the next blocks of the same rows (whole columns picked one by
    // one). A row whose time does not read ends them; the build fails when
    // a channel reaches it, after the points before it were plotted.
    ColumnFeed feed(vaGrid_, locale, !pacing_.due);
    long long pointsDone = 0;
    double yMin = 0;
    double yMax = 0;
    int countdown = rowsPerCheck;
    if (!items.empty()) feed.start(items[0].col, items[0].rows);
    for (std::size_t i = 0; i < items.size(); ++i) {
      const Item& item = items[i];
      if (!f_Plotting_) throw BuildCanceled{};
      TrendChannelStyle style;
      style.titleText = vaGrid_.getCell(item.col, 0);
      style.traceLineWidth = 2;
      const int k = plot_.addChannel(style);

      feed.wait([&] {
        if (!due()) return;
        ui_.doEvents();
        win_.setPlotProgress(progressPercent(pointsDone, item.blockColumns, item.rowSpan));
      });
      const std::shared_ptr<const TrendColumn> xs = feed.xs();
      TrendColumn ys = std::move(feed.values());
      // A block of other rows is read once this channel is done with xs.
      const bool ahead = i + 1 < items.size() && items[i + 1].rows == item.rows;
      if (ahead) feed.start(items[i + 1].col, items[i + 1].rows);

      // The rows' values are checked in runs between two turns of the bar
      // and the events; then the channel goes to the plot at once, its
      // numbers as they were read and its X values shared with the next
      // channels of the same rows, so the plot holds each point once and
      // nothing is copied.
      bool badTime = false;
      constexpr double nan = std::numeric_limits<double>::quiet_NaN();
      const int rowCount = item.rows.count();
      const int timedRows = static_cast<int>(std::min<std::size_t>(xs->size(), ys.size()));
      int n = 0;
      while (n < rowCount) {
        // The bar and the events at row n when it is their turn; then the
        // rows up to the next turn in one run.
        if (--countdown == 0) {
          countdown = rowsPerCheck;
          if (due()) {
            ui_.doEvents();
            win_.setPlotProgress(progressPercent(pointsDone, item.blockColumns, item.rowSpan));
          }
        }
        const int run = std::min(rowCount - n, countdown);
        countdown -= run - 1;
        const int timed = std::min(n + run, timedRows);
        double* y = ys.data() + n;
        for (int r = n; r < timed; ++r, ++y) {
          if (!std::isfinite(*y)) *y = nan;
          yMin = std::min(yMin, *y);  // a NaN second never wins
          yMax = std::max(yMax, *y);
        }
        pointsDone += run;
        if (timed < n + run) {
          badTime = true;
          n = timed;
          break;
        }
        n += run;
      }
      ys.resize(static_cast<std::size_t>(n));
      plot_.appendColumns(k, xs, std::move(ys));
      if (badTime) throw BadRowTime{};
      if (!ahead && i + 1 < items.size()) feed.start(items[i + 1].col, items[i + 1].rows);
    }

    plot_.setAxisRange(TrendAxis::Y, yMin, yMax - yMin);
    win_.setPlotProgressVisible(false);
    historyXspan = plot_.axis(TrendAxis::X).span;
    historyYspan = plot_.axis(TrendAxis::Y).span;
    historyXmin = plot_.axis(TrendAxis::X).min;
    plot_.replot();
    endBuild();
    win_.selectTab(4);
  } catch (const BuildCanceled&) {
    ui_.msgBoxPos(plotCanceledText(), mb::Information);
    win_.setPlotProgressVisible(false);
    plot_.replot();
    endBuild();
  } catch (...) {
    // A time that does not read, a fault of the plot or the window, or no
    // memory left: the failure ending; what was plotted stays.
    try {
      ui_.msgBoxPos(plotFailedText(), mb::Critical);
      win_.setPlotProgressVisible(false);
      plot_.replot();
    } catch (...) {
    }
    endBuild();
  }
}

void TrendCommands::endBuild() {
  ui_.setPointer(Pointer::Normal);
  f_Plotting_ = false;
  building_ = false;
}

void TrendCommands::FrmHistoryTrendSetup() {
  TrendSetupSession session(ui_, plot_);
  if (openSetup_) openSetup_(session);
}

void TrendCommands::toggleCursor() { plot_.setCursorVisible(!plot_.cursorVisible()); }

void TrendCommands::saveToJpeg() {
  try {
    FileDialogSettings s;
    s.flags = cdl::OverwritePrompt | cdl::ReadOnlyHidden;  // 6
    s.filter = QStringLiteral("Jpeg Files(*.jpg)|*.jpg");
    s.title = QStringLiteral("Save trend jpeg as?");
    s.defaultExt = QStringLiteral(".jpg");
    s.fileName = win_.caption() + QStringLiteral(".jpg");
    const QString path = ui_.showSave(s);
    plot_.savePicture(path, QStringLiteral("jpg"));
  } catch (const RuntimeError& e) {
    if (e.number() == err::Cancel) return;
    ui_.msgBoxPos(QStringLiteral("Jpeg file can not be saved. Check filename or disk space"),
                  mb::Critical);
  } catch (const std::exception&) {
    ui_.msgBoxPos(QStringLiteral("Jpeg file can not be saved. Check filename or disk space"),
                  mb::Critical);
  }
}

void TrendCommands::printHistoryPlot() {
  try {
    ui_.showPrinter(cdl::PrintNoSelection | cdl::PrintNoPageNums);
    if (QPrinter* printer = ui_.printer()) plot_.print(*printer);
  } catch (const std::exception&) {
    // Cancel and print faults are ignored.
  }
}

void TrendCommands::dateSliderChanged(int position) {
  if (position >= 100) {
    win_.setDateSliderPosition(99);
    position = win_.dateSliderPosition();
  }
  // Only the mouse moves the X axis's left edge (the setup dialog has no X
  // range): position 0 gives back the whole view of the build.
  if (position == 0 && historyXmin && historyXspan && *historyXspan != 0) {
    plot_.setAxisRange(TrendAxis::X, *historyXmin, *historyXspan);
    plot_.replot();
    return;
  }
  zoom(TrendAxis::X, position, historyXspan);
}

void TrendCommands::ySliderChanged(int position) {
  if (position >= 100) {
    win_.setYSliderPosition(99);
    position = win_.ySliderPosition();
  }
  zoom(TrendAxis::Y, position, historyYspan);
}

void TrendCommands::zoom(TrendAxis axis, int position, const std::optional<double>& base) {
  if (!base || *base == 0) return;
  const double span = (100.0 - position) * 0.01 * *base;
  plot_.setAxisRange(axis, plot_.axis(axis).min, span);
  plot_.replot();
}

}  // namespace tarvex
