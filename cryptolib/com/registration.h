// Self-registration: the registry entries of the six classes under
// HKEY_CLASSES_ROOT and the type library in the DLL's resource.
#pragma once

#include <windows.h>

namespace ferrolok::com {

// Applies every class's registration script (its REGISTRY resource, the
// module path in place of %MODULE%), then registers the type library under
// its own locale (409) and the neutral one (0, where Wine's marshaler looks).
// The HRESULT of the first failure.
HRESULT registerServer();

// Runs the same scripts in removal mode (the CLSID key itself stays) and
// unregisters the type library (this bitness's entries; the other's stay).
HRESULT unregisterServer();

}  // namespace ferrolok::com
