// Module-wide state of the Ferrolok COM server: the DLL's instance and path,
// the counts behind DllCanUnloadNow, and the type library in its resource.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <string>

namespace ferrolok::com {

// Set once by DllMain when the DLL is loaded.
void setModuleInstance(HINSTANCE instance);
HINSTANCE moduleInstance();
// The full path of the DLL.
std::wstring modulePath();

// Outstanding objects and server locks, for DllCanUnloadNow. Interlocked.
void addObject();
void releaseObject();
void lockModule();
void unlockModule();
bool moduleInUse();

// The type library in the DLL's resource, loaded on first use (not
// registered). The returned pointer is not AddRef'd and lives until
// releaseTypeLib().
ITypeLib* typeLib();
void releaseTypeLib();

// The type information of an interface or coclass of the type library, with
// a new reference for the caller.
HRESULT typeInfoOf(REFGUID guid, ITypeInfo** out);

}  // namespace ferrolok::com
