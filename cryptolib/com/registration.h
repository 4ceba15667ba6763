// Self-registration: the registry entries of the six classes under
// HKEY_CLASSES_ROOT and the type library in the DLL's resource.
#pragma once

#include <windows.h>

namespace ferrolok::com {

// Writes every class's ProgIDs and class key (the class key replaced whole),
// then registers the type library. The HRESULT of the first failure.
HRESULT registerServer();

// Removes what registerServer wrote (the CLSID key itself stays) and
// unregisters the type library.
HRESULT unregisterServer();

}  // namespace ferrolok::com
