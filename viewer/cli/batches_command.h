// tarvex batches: the batch register from the command line.
//   tarvex batches scan DIR... [--db PLACE] [--jobs N] [--rehash]
//   tarvex batches list [--db PLACE] [--status S] [--verdict V] [--from T]
//                       [--to T] [--grep TEXT] [--format tsv|csv|json]
#pragma once

#include <QStringList>

namespace tarvex {

// The usage lines of the command, for tarvex's own usage text.
extern const char kBatchesUsage[];

// Runs `tarvex batches` with the arguments after "batches". Returns the exit
// status: 0 done, 2 a usage error, a register that cannot be opened or
// written, or a folder that cannot be scanned (the message on stderr,
// naming it). Progress and the files skipped or unreadable go to stderr,
// the list and the scan's summary to stdout.
int runBatchesCommand(const QStringList& args);

}  // namespace tarvex
