// Registration scripts: the registry entries of a class as text, kept in the
// DLL's REGISTRY resources and applied on registration and unregistration.
//
//   HKCR
//   {
//     Ferrolok.EncryptString.1 = s 'EncryptString Class'
//     {
//       CLSID = s '{6C76F12F-7762-446D-B0C2-1700528115DB}'
//     }
//     NoRemove CLSID
//     {
//       ForceRemove {6C76F12F-7762-446D-B0C2-1700528115DB} = s 'EncryptString Class'
//       {
//         InprocServer32 = s '%MODULE%'
//         {
//           val ThreadingModel = s 'Apartment'
//         }
//       }
//     }
//   }
//
// A key is a name (bare, or quoted with '...'), optionally "= s 'text'" for
// its default value and a block of subkeys and named values ("val NAME = s
// 'text'"). Braces that open and close blocks stand apart, with blanks or
// line ends around them. Registering creates every key and value; a ForceRemove key is
// deleted with everything below it first. Unregistering deletes every key
// with everything below it, except a NoRemove key, which stays while its
// subkeys are removed. In values, %NAME% is replaced by the text of the
// variable NAME ("%%" is a single %).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace ferrolok::com {

// What a script does to the registry; the Windows build writes through the
// Reg* functions, tests through a model.
class RegistryTarget {
 public:
  virtual ~RegistryTarget() = default;
  // Each returns 0 on success or a Win32 error code. Paths are relative to
  // the script's root key, with '\' between names.
  virtual long createKey(const std::wstring& path) = 0;
  // A string value; an empty name is the key's default value.
  virtual long setValue(const std::wstring& path, const std::wstring& name,
                        const std::wstring& value) = 0;
  // Deletes the key and everything below it; a key that is not there is no
  // error.
  virtual long deleteTree(const std::wstring& path) = 0;
};

// A script that cannot be read: the message says where and why.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class RegistryScript {
 public:
  // Parses `text`; throws ScriptError. Only the root HKCR
  // (HKEY_CLASSES_ROOT) is known.
  static RegistryScript parse(const std::string& text);

  // Writes the script's keys and values with `variables` replaced. Stops at
  // the first failure and returns its error code (0 when all went well).
  long apply(RegistryTarget& target, const std::map<std::wstring, std::wstring>& variables) const;
  // Removes what apply wrote, keeping NoRemove keys; goes on after a failure
  // and returns the first error code.
  long remove(RegistryTarget& target) const;

  struct Key {
    std::wstring name;
    bool noRemove = false;
    bool forceRemove = false;
    std::optional<std::wstring> value;                          // the default value
    std::vector<std::pair<std::wstring, std::wstring>> values;  // named values
    std::vector<Key> keys;
  };
  const std::vector<Key>& keys() const { return keys_; }

 private:
  std::vector<Key> keys_;
};

}  // namespace ferrolok::com
