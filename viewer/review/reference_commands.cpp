#include "review/reference_commands.h"

#include <future>
#include <new>

#include "review/compare_files.h"
#include "shell/runtime_error.h"
#include "signatures/vxlog.h"

namespace tarvex {

namespace {

const QString kProcedure = QStringLiteral("compareWith");

// The current batch's name as the plot's title gives it ("Data File: run7").
QString currentName(const TrendPlot& plot) {
  const QString title = plot.titleText();
  const QString prefix = QStringLiteral("Data File: ");
  return title.startsWith(prefix) ? title.mid(prefix.size()) : title;
}

TrendMenuEntry entry(const QString& text, std::function<void()> action, bool checkable = false,
                     bool checked = false) {
  TrendMenuEntry e;
  e.text = text;
  e.action = std::move(action);
  e.checkable = checkable;
  e.checked = checked;
  return e;
}

bool plotHasPoints(const TrendPlot& plot) {
  for (int c = 0; c < plot.channelCount(); ++c)
    if (plot.pointCount(c) > 0) return true;
  return false;
}

}  // namespace

QString referenceDialogTitle() { return QStringLiteral("Open Reference Data File"); }

ReferenceCommands::ReferenceCommands(UserInterface& ui, TrendPlot& plot, VxLog& sigLog,
                                     std::function<QString()> startDir)
    : ui_(ui), plot_(plot), sigLog_(sigLog), startDir_(std::move(startDir)) {}

ReferenceCommands::~ReferenceCommands() = default;

void ReferenceCommands::compareWith() {
  FileDialogSettings s;
  s.title = referenceDialogTitle();
  s.filter = QStringLiteral("Log Files") + QStringLiteral("(*.csv)|*.csv");
  s.initDir = (startDir_ ? startDir_() : QString()) + QStringLiteral("\\");
  s.flags = cdl::FileMustExist | cdl::ReadOnlyHidden;
  QString path;
  try {
    path = ui_.showOpen(s);
  } catch (const RuntimeError& e) {
    if (e.number() == err::Cancel) return;
    reportError(ui_, e, kProcedure);
    return;
  }
  showReference(path);
}

bool ReferenceCommands::showReference(const QString& path) {
  if (!plotHasPoints(plot_)) {
    ui_.msgBoxPos(QStringLiteral("Plot the data file before comparing it with a reference."),
                  mb::Information);
    return false;
  }
  QStringList titles;
  for (int c = 0; c < plot_.channelCount(); ++c) titles << plot_.channelStyle(c).titleText;
  ui_.setPointer(Pointer::Hourglass);
  std::unique_ptr<ReferenceOverlay> overlay;
  try {
    // The signature is checked while the batch is read: the digest and the
    // reader each take a core. Nothing else uses sigLog meanwhile.
    std::future<ReferenceSignature> checked =
        std::async(std::launch::async, [&] { return checkReferenceSignature(path, sigLog_); });
    Batch reference;
    try {
      reference = readReference(path, currentName(plot_), titles, dateOrder_);
    } catch (...) {
      checked.wait();
      throw;
    }
    const ReferenceSignature signature = checked.get();
    ui_.setPointer(Pointer::Normal);
    if (signature.state == ReferenceSignature::State::Failed)
      ui_.msgBoxPos(referenceSignatureFailedText(reference.name, signature), mb::Critical);
    overlay = std::make_unique<ReferenceOverlay>(plot_, std::move(reference), signature);
  } catch (const RuntimeError& e) {
    ui_.setPointer(Pointer::Normal);
    // A reference without any of the plot's titles is the operator's
    // choice, not a fault: said as such.
    if (e.number() == err::SubscriptOutOfRange)
      ui_.msgBoxPos(e.description(), mb::Information);
    else
      reportError(ui_, e, kProcedure);
    return false;
  } catch (const std::bad_alloc&) {
    ui_.setPointer(Pointer::Normal);
    reportError(ui_, RuntimeError(err::OutOfMemory), kProcedure);
    return false;
  }
  plot_.clearOverlay();
  overlay_ = std::move(overlay);
  redraw();
  return true;
}

void ReferenceCommands::removeReference() {
  plot_.clearOverlay();
  plot_.replot();
  overlay_.reset();
}

bool ReferenceCommands::showing() const { return overlay_ && plot_.hasOverlay(); }

const ReferenceOverlay* ReferenceCommands::overlay() const {
  return showing() ? overlay_.get() : nullptr;
}

void ReferenceCommands::setAlignMode(AlignMode mode) {
  alignment_.mode = mode;
  redraw();
}

void ReferenceCommands::setOffset(TimeMs offset) {
  alignment_.offset = offset;
  redraw();
}

void ReferenceCommands::askOffset() {
  QString text;
  try {
    text =
        ui_.inputText(QStringLiteral("Offset of the reference (+H:MM:SS later, -H:MM:SS earlier):"),
                      offsetText(alignment_.offset));
  } catch (const RuntimeError&) {
    return;  // cancelled
  }
  const std::optional<TimeMs> offset = parseOffset(text);
  if (!offset) {
    ui_.msgBoxPos(
        QStringLiteral("The offset must read +H:MM:SS or -H:MM:SS, not \"%1\".").arg(text),
        mb::Information);
    return;
  }
  setOffset(*offset);
}

void ReferenceCommands::setShowDifferences(bool on) {
  differences_ = on;
  redraw();
}

void ReferenceCommands::redraw() {
  if (!overlay_) return;
  overlay_->setAlignment(alignment_);
  plot_.setOverlay(overlay_->overlay(differences_));
}

std::vector<TrendMenuEntry> ReferenceCommands::menuEntries() {
  std::vector<TrendMenuEntry> entries;
  entries.push_back(entry(QStringLiteral("Compare With..."), [this] { compareWith(); }));
  if (!showing()) {
    overlay_.reset();  // a new build took it away
    return entries;
  }
  entries.push_back(entry(QStringLiteral("Remove Reference"), [this] { removeReference(); }));
  for (AlignMode mode : {AlignMode::Start, AlignMode::End, AlignMode::Clock})
    entries.push_back(entry(
        alignModeCaption(mode), [this, mode] { setAlignMode(mode); }, true,
        alignment_.mode == mode));
  entries.push_back(entry(QStringLiteral("Offset (%1)...").arg(offsetText(alignment_.offset)),
                          [this] { askOffset(); }));
  entries.push_back(entry(
      QStringLiteral("Show Differences"), [this] { setShowDifferences(!differences_); }, true,
      differences_));
  return entries;
}

}  // namespace tarvex
