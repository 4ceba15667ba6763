// Entries that code above the trend adds to the trend's context menu,
// described without widgets: the plot widget turns them into actions.
#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace tarvex {

struct TrendMenuEntry {
  QString text;                  // "" = a separator
  std::function<void()> action;  // run when chosen (not for a submenu)
  bool checkable = false;
  bool checked = false;
  bool enabled = true;
  std::vector<TrendMenuEntry> submenu;  // not empty: `text` opens these
};

// Supplies the entries each time the menu opens.
using TrendMenuSource = std::function<std::vector<TrendMenuEntry>()>;

}  // namespace tarvex
