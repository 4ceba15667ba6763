// The six classes of the server, in the order of their resources: what the
// class factories create and what registration writes.
#pragma once

#include <windows.h>

#include "identity.h"

namespace ferrolok::com {

struct ClassEntry {
  const ClassIdentity* identity;
  // Creates a new object and asks it for `riid`.
  HRESULT (*create)(REFIID riid, void** out);
};

extern const ClassEntry kClasses[6];

}  // namespace ferrolok::com
