// The Batches window's work with the user, without widgets: the register
// it shows (the setting, opened or refused with a plain message), the
// filters, "Scan Folder..." with its progress window and Cancel, and the
// opening of a batch. Every step goes through the UserInterface, so tests
// run it headless with a scripted one.
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "batches/batch_listing.h"
#include "batches/batch_record.h"
#include "batches/batch_register.h"
#include "batches/scanner.h"

namespace tarvex {

class UserInterface;

class BatchesCommands {
 public:
  struct Hooks {
    // The register setting as last used ("" = the default file), and where
    // a new one is kept.
    std::function<QString()> loadSetting;
    std::function<void(const QString&)> saveSetting;
    // Opens a batch in the history window, its companions with it.
    std::function<void(const BatchRecord&)> openBatch;
    // The review status the scan gives each batch (ScanOptions::reviewOf).
    std::function<ReviewStatus(const QString&, const QByteArray&)> reviewOf;
    // Where the folder chooser starts the first time.
    QString startDir;
  };

  // `ui` must outlive the commands.
  BatchesCommands(UserInterface& ui, Hooks hooks);
  ~BatchesCommands();

  // Opens the register the setting names. False (after a message naming it
  // and the reason) when it cannot be opened; the window then shows none.
  bool openFromSetting();
  // Opens the register `given` names (see registerPlaceOf) and keeps it as
  // the setting. False, after a message, when it cannot be opened; the
  // register shown before stays.
  bool openRegister(const QString& given);
  // The register shown; null when none could be opened.
  Register* reg() const { return reg_.get(); }
  // The setting as typed ("" = the default file).
  const QString& setting() const { return setting_; }

  // Sets the filter from its texts. False, after a message saying what does
  // not read, when one does not; the filter shown before stays.
  bool setFilter(const FilterTexts& texts);
  const BatchFilter& filter() const { return filter_; }

  // "Scan Folder...": the folder chooser, then the scan into the register
  // with a progress window (its Cancel keeps what was read), then one
  // message with the outcome (the nodes skipped, the files that could not
  // be read). True when the register may have changed.
  bool scanFolder();

  // Says why the register could not be read (a query that failed).
  void showError(const QString& description);

  // A double-click on a batch: refused with a message while its file is
  // missing; otherwise the hook opens it.
  void openBatch(const BatchRecord& record);

 private:
  UserInterface& ui_;
  Hooks hooks_;
  std::unique_ptr<Register> reg_;
  QString setting_;
  BatchFilter filter_;
  QString lastFolder_;
};

// "Showing N of M batches".
QString showingText(qint64 shown, qint64 total);

// The scan's outcome as one message: counts, then the skipped nodes and the
// unreadable files (ten of each at most, then how many more).
QString scanSummaryText(const ScanSummary& s);

}  // namespace tarvex
