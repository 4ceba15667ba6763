// `tarvex batches scan` and "Scan Folder...": brings the register up to
// date with folder trees. New data histories are read and added; one whose
// size or modification time changed (every one with `rehash`) is read
// again; the others keep what was read, while their companions, signature
// verdict, alarm count and review status are brought up to date (a ".sig"
// that changed is checked again against the stored digest, without reading
// the data file). Files that are gone are marked missing, never deleted
// (not those under a folder that could not be listed, which may only be
// out of reach). A file that cannot be read is listed with the reason and
// the scan goes on.
//
// Files are read by `jobs` worker threads; the register is written by the
// calling thread, a few rows a transaction, each row whole. Safe to run
// again at any time, and while others use the same register.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

#include "record/review_status.h"

namespace tarvex {

class Register;

struct ScanOptions {
  QStringList roots;  // folders
  int jobs = 2;       // worker threads, at least 1
  // Read every file again and compare its SHA-256 with the stored one.
  bool rehash = false;
  // The review status of a data file (`sha256`: its 32 bytes, empty when the
  // file could not be read); called from the worker threads. Empty: every
  // batch reads "none".
  std::function<ReviewStatus(const QString& dataFile, const QByteArray& sha256)> reviewOf;
};

struct ScanProgress {
  int done = 0;   // data histories handled
  int total = 0;  // data histories found (0 while the trees are walked)
  QString step;   // what is being done ("Looking through the folders", ...)
};

struct ScanSummary {
  QStringList roots;              // as walked (absolute)
  int batches = 0;                // data histories found in the trees
  int added = 0;                  // of them, new to the register
  int reread = 0;                 // read again: changed, or every one with rehash
  int changed = 0;                // rehash: content changed though size and time did not
  int unreadable = 0;             // listed with the reason they could not be read
  int missing = 0;                // rows newly marked missing
  int otherLogs = 0;              // audit trails and alarm histories seen
  QStringList skipped;            // "PATH (a pipe)", ...: not regular files, never opened
  QStringList unreadableFolders;  // "PATH: reason"
  QStringList problems;           // "PATH: reason" of the files listed with an error
  bool cancelled = false;
};

// Scans options.roots into reg. `progress` (may be empty) is called on this
// thread several times a second; returning false cancels: rows already
// read are kept (each whole), nothing is marked missing, and the summary
// says cancelled. `note` (may be empty) hears each skipped node, unreadable
// folder and file problem as it is met. Throws RuntimeError for a root that
// is no folder (nothing written) and when the register refuses a write
// (that step's rows not kept).
ScanSummary scanTrees(Register& reg, const ScanOptions& options,
                      const std::function<bool(const ScanProgress&)>& progress = {},
                      const std::function<void(const QString&)>& note = {});

}  // namespace tarvex
