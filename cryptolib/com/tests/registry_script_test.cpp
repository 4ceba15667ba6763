// The registration scripts of the six classes, read and applied to a model
// of the registry: the keys they write, what unregistration leaves, and how
// the script text is read.
#include "registry_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <set>

namespace ferrolok::com {
namespace {

std::wstring lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

// Keys by their path (names compared without regard to case, as the
// registry does), each with its values.
class ModelRegistry : public RegistryTarget {
 public:
  long createKey(const std::wstring& path) override {
    std::wstring p;
    for (std::size_t i = 0; i <= path.size(); ++i) {
      if (i == path.size() || path[i] == L'\\') keys_[lower(p)];
      if (i < path.size()) p += path[i];
    }
    return 0;
  }
  long setValue(const std::wstring& path, const std::wstring& name,
                const std::wstring& value) override {
    if (!keys_.count(lower(path))) return 2;  // ERROR_FILE_NOT_FOUND
    keys_[lower(path)][lower(name)] = value;
    return 0;
  }
  long deleteTree(const std::wstring& path) override {
    const std::wstring p = lower(path);
    for (auto it = keys_.begin(); it != keys_.end();)
      it = it->first == p || it->first.rfind(p + L"\\", 0) == 0 ? keys_.erase(it) : std::next(it);
    return failDeletes_;
  }

  bool has(const std::wstring& path) const { return keys_.count(lower(path)) != 0; }
  std::wstring value(const std::wstring& path, const std::wstring& name = L"") const {
    const auto k = keys_.find(lower(path));
    if (k == keys_.end()) return L"<no key>";
    const auto v = k->second.find(lower(name));
    return v == k->second.end() ? L"<no value>" : v->second;
  }
  std::size_t countBelow(const std::wstring& path) const {
    return std::count_if(keys_.begin(), keys_.end(),
                         [&](const auto& k) { return k.first.rfind(lower(path) + L"\\", 0) == 0; });
  }
  long failDeletes_ = 0;

 private:
  std::map<std::wstring, std::map<std::wstring, std::wstring>> keys_;
};

RegistryScript scriptOf(const std::string& file) {
  std::ifstream f(std::string(FERROLOK_RGS_DIR) + "/" + file, std::ios::binary);
  return RegistryScript::parse(
      std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()));
}

struct Class {
  const char* file;
  std::wstring name, clsid, bitmap;
};
const Class kClasses[] = {
    {"encryptstring.rgs", L"EncryptString", L"{6C76F12F-7762-446D-B0C2-1700528115DB}", L"101"},
    {"decryptdata.rgs", L"DecryptData", L"{9E7F71AA-55D9-43DE-949B-F0B1C51C6F39}", L"103"},
    {"createfilehash.rgs", L"CreateFileHash", L"{133CF673-C50C-424E-8514-F53AD51BE5A0}", L"105"},
    {"createstringhash.rgs", L"CreateStringHash", L"{E76CA117-A83C-447F-B94D-FBF88CCE8284}",
     L"107"},
    {"decryptfile.rgs", L"DecryptFile", L"{DF0CED17-02CC-4751-BA20-0E9001F342A8}", L"109"},
    {"encryptfile.rgs", L"EncryptFile", L"{DD57A0C6-3C23-4D0B-9D65-CC9DB6C59C0A}", L"111"},
};
// A path with a quote and a percent sign: replaced as it is.
const std::wstring kDll = L"C:\\Program Files\\It's 100%\\Ferrolok.dll";

TEST(RegistryScripts, EveryClassWritesItsProgIdsAndClassKey) {
  for (const Class& c : kClasses) {
    SCOPED_TRACE(c.file);
    ModelRegistry reg;
    const std::wstring k = L"CLSID\\" + c.clsid;
    reg.createKey(k + L"\\Stale");
    reg.createKey(L"CLSID\\{00000000-0000-0000-0000-000000000001}");
    ASSERT_EQ(scriptOf(c.file).apply(reg, {{L"MODULE", kDll}}), 0);

    const std::wstring progId = L"Ferrolok." + c.name;
    EXPECT_EQ(reg.value(progId + L".1"), c.name + L" Class");
    EXPECT_EQ(reg.value(progId + L".1\\CLSID"), c.clsid);
    EXPECT_EQ(reg.value(progId), c.name + L" Class");
    EXPECT_EQ(reg.value(progId + L"\\CLSID"), c.clsid);
    EXPECT_EQ(reg.value(progId + L"\\CurVer"), progId + L".1");
    EXPECT_EQ(reg.value(k), c.name + L" Class");
    EXPECT_EQ(reg.value(k + L"\\ProgID"), progId + L".1");
    EXPECT_EQ(reg.value(k + L"\\VersionIndependentProgID"), progId);
    for (const wchar_t* empty : {L"Programmable", L"Control", L"Insertable"}) {
      EXPECT_TRUE(reg.has(k + L"\\" + empty));
      EXPECT_EQ(reg.value(k + L"\\" + empty), L"<no value>");
    }
    EXPECT_EQ(reg.value(k + L"\\InprocServer32"), kDll);
    EXPECT_EQ(reg.value(k + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(reg.value(k + L"\\ToolboxBitmap32"), kDll + L", " + c.bitmap);
    EXPECT_EQ(reg.value(k + L"\\MiscStatus"), L"0");
    EXPECT_EQ(reg.value(k + L"\\MiscStatus\\1"), L"132497");
    EXPECT_EQ(reg.value(k + L"\\TypeLib"), L"{F08A1D92-7E1F-416D-BA15-0E9053571415}");
    EXPECT_EQ(reg.value(k + L"\\Version"), L"1.0");
    // The class key is replaced whole: exactly these keys below it.
    EXPECT_FALSE(reg.has(k + L"\\Stale"));
    EXPECT_EQ(reg.countBelow(k), 11u);
    EXPECT_EQ(reg.countBelow(progId + L".1"), 1u);
    EXPECT_EQ(reg.countBelow(progId), 2u);

    EXPECT_EQ(scriptOf(c.file).remove(reg), 0);
    for (const std::wstring& gone : {progId + L".1", progId, k}) EXPECT_FALSE(reg.has(gone));
    EXPECT_TRUE(reg.has(L"CLSID"));
    EXPECT_TRUE(reg.has(L"CLSID\\{00000000-0000-0000-0000-000000000001}"));
  }
}

TEST(RegistryScripts, RemovalGoesOnAfterAFailureAndReportsTheFirst) {
  ModelRegistry reg;
  const RegistryScript s = scriptOf("encryptstring.rgs");
  s.apply(reg, {{L"MODULE", kDll}});
  reg.failDeletes_ = 5;  // ERROR_ACCESS_DENIED, after deleting
  EXPECT_EQ(s.remove(reg), 5);
  EXPECT_FALSE(reg.has(L"CLSID\\{6C76F12F-7762-446D-B0C2-1700528115DB}"));
}

TEST(RegistryScripts, TextIsReadWithQuotesVariablesAndErrorsByLine) {
  const RegistryScript s = RegistryScript::parse(
      "HKEY_CLASSES_ROOT {\n"
      "  'A key' = s 'it''s %X% at 50%% and %Y%'\n"
      "  {\n"
      "    val 'Named value' = s '%X%'\n"
      "    NoRemove ForceRemove B\n"
      "  }\n"
      "}\n");
  ASSERT_EQ(s.keys().size(), 1u);
  EXPECT_EQ(s.keys()[0].name, L"A key");
  ASSERT_EQ(s.keys()[0].keys.size(), 1u);
  EXPECT_TRUE(s.keys()[0].keys[0].noRemove && s.keys()[0].keys[0].forceRemove);
  ModelRegistry reg;
  EXPECT_EQ(s.apply(reg, {{L"X", L"x"}}), 0);
  EXPECT_EQ(reg.value(L"A key"), L"it's x at 50% and %Y%");
  EXPECT_EQ(reg.value(L"A key", L"Named value"), L"x");
  EXPECT_TRUE(reg.has(L"A key\\B"));

  const std::pair<const char*, const char*> bad[] = {
      {"HKLM\n{\n}\n", "line 1: a root key (HKCR) expected"},
      {"HKCR\n{\n  A = s 'x'\n", "line 4: \"}\" missing"},
      {"HKCR\n{\n  A = d '1'\n}\n", "line 3: only string values (s)"},
      {"HKCR\n{\n  A = s 'x\n}\n", "quoted text is not closed"},
      {"HKCR\n{\n  val A = s 'x'\n}\n", "line 3: a named value needs a key"},
  };
  for (const auto& [text, message] : bad) {
    try {
      RegistryScript::parse(text);
      ADD_FAILURE() << "no error for " << text;
    } catch (const ScriptError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace ferrolok::com
