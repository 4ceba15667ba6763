// tarvex reviewer ... and tarvex review ...: reviewers' keys, and the review
// record of a batch (notes, sign-offs, show, verify) from the shell.
#pragma once

#include <QStringList>

namespace tarvex {

// The usage text of both commands.
extern const char kReviewUsage[];

// Runs `tarvex reviewer ARGS` / `tarvex review ARGS` (args after the
// command word). Returns the exit status: 0 done (verify: the record holds);
// 1 verify: an entry or file fails, or there is no record; 2 a usage or
// file error, or a refusal (nothing written). Messages go to stderr.
int runReviewerCommand(const QStringList& args);
int runReviewCommand(const QStringList& args);

}  // namespace tarvex
