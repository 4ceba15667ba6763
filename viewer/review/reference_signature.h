// The signature check of a reference batch: its ".sig" companion verified
// once, every record against the file's present digest, as `tarvex verify`
// and "Verify All" check them.
#pragma once

#include <QString>

namespace tarvex {

class VxLog;

struct ReferenceSignature {
  enum class State {
    Unsigned,   // no ".sig" beside the file
    Confirmed,  // every record confirms the file's digest
    Failed,     // a record does not, the file holds none, or it cannot be read
  };
  State state = State::Unsigned;
  int records = 0;  // records checked
  int failed = 0;   // of them, not confirmed
  QString error;    // why the signature file or the digest could not be read

  // What the readout says: "reference unsigned", "reference signed",
  // "reference signature failed".
  QString note() const;
};

// Checks the ".sig" of the data history file at `path`. Never throws: a
// signature file that cannot be read or deciphered, or a file whose digest
// cannot be computed, counts as Failed with the reason in `error`.
ReferenceSignature checkReferenceSignature(const QString& path, VxLog& sigLog);

// The message shown before a reference whose signature failed is drawn.
QString referenceSignatureFailedText(const QString& name, const ReferenceSignature& check);

}  // namespace tarvex
