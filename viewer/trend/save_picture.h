// "Save as PNG/PDF/SVG..." of the trend's context menu: the save dialog,
// the picture written whole or not at all, and the message on failure.
#pragma once

#include <QString>

#include "shell/userinterface.h"
#include "trend/trend_plot.h"

namespace tarvex {

// The save dialog for a picture in `format` ("png", "pdf", "svg", "jpg"),
// proposing `caption` + the extension.
FileDialogSettings pictureDialogSettings(const QString& format, const QString& caption);

// Asks for a file name and writes the plot there in `format`. A cancelled
// dialog ends quietly; any other failure shows "<FORMAT> file can not be
// saved. Check filename or disk space" (style 16). True when written.
bool savePlotPictureAs(UserInterface& ui, TrendPlot& plot, const QString& format,
                       const QString& caption);

}  // namespace tarvex
