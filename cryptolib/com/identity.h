// What identifies one of the six classes of the server: GUIDs, name and
// resources. Plain data shared by the control side, the class table and the
// registration.
#pragma once

#include <windows.h>

namespace ferrolok::com {

struct ClassIdentity {
  const CLSID* clsid;
  const IID* iid;
  const wchar_t* name;          // "EncryptString"
  int bitmap;                   // toolbox bitmap resource, 101..111
  int script;                   // REGISTRY resource, 102..112
  const wchar_t* const* saved;  // persistent properties in order, null-terminated
};

}  // namespace ferrolok::com
