// tarvex plot: the trend of a data history file drawn without a window by
// the viewer's own builder and plot, written as a picture.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "logfiles/date_order.h"
#include "review/alignment.h"

namespace tarvex {

struct PlotRequest {
  QString file;         // the data history file
  QStringList columns;  // column numbers as `tarvex show` prints them, or titles
  std::optional<std::pair<int, int>> rows;  // data rows A..B (1-based, inclusive); none = all
  QString output;                           // .png, .jpg/.jpeg, .pdf or .svg
  int width = 1600;
  int height = 900;
  // A reference batch laid over the trend (as the viewer's "Compare
  // With..."): its channels of the plotted titles dashed, by `alignment`,
  // with the differences when asked. Empty: none.
  QString reference;
  Alignment alignment;
  bool differences = false;
  // Where what the viewer would say in a message about the reference goes
  // (a failed signature, no overlap); may be null.
  QStringList* notes = nullptr;
  std::optional<DateOrder> dateOrder;  // --date-order; none: the file's dates decide
  bool legend = true;                  // each channel's title in its colour under the plot
};

// Reads the file as the viewer does, builds the trend of the columns and
// rows and writes the picture, whole or not at all. Needs a QApplication.
// Throws RuntimeError: 9 when a column is not a channel or the rows lie
// outside the data, 5 for an unknown picture type, the reader's and the
// picture's errors, 13 when a row's date or time does not read; with a
// reference, 9 when it shares no title with the columns and its reader's
// errors.
void plotToPicture(const PlotRequest& request);

// "A:B" as data rows; empty when the text is not of that form.
std::optional<std::pair<int, int>> parseRowRange(const QString& text);
// "WxH"; empty when the text is not of that form or a side is not 1..20000.
std::optional<std::pair<int, int>> parseSize(const QString& text);

}  // namespace tarvex
