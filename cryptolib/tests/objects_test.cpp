// Properties, defaults and the ProgID factory of the six classes.
#include <gtest/gtest.h>

#include "ferrolok/ferrolok.h"

namespace ferrolok {
namespace {

const char* const kClasses[] = {"EncryptString",    "DecryptData", "CreateFileHash",
                                "CreateStringHash", "DecryptFile", "EncryptFile"};

TEST(Objects, FreshObjectsHoldTheDefaults) {
  for (const char* name : kClasses) {
    SCOPED_TRACE(name);
    std::unique_ptr<Object> o = createObject(std::string("Ferrolok.") + name);
    EXPECT_EQ(o->Provider(), u"Microsoft Base Cryptographic Provider v1.0");
    EXPECT_EQ(o->ProviderType(), 1);
    // An allocated empty string, not a null one.
    ASSERT_TRUE(o->Password().has_value());
    EXPECT_EQ(*o->Password(), u"");
    if (auto* s = dynamic_cast<SavingObject*>(o.get())) {
      EXPECT_EQ(s->SaveToFile(), 1);
      EXPECT_EQ(s->DestinationFile(), BString(u""));
    }
  }
  EXPECT_EQ(EncryptString().Input(), BString(u""));
  EXPECT_EQ(CreateStringHash().Input(), BString(u""));
  EXPECT_EQ(EncryptFile().FileName(), BString(u""));
  EXPECT_EQ(DecryptFile().FileName(), BString(u""));
  EXPECT_EQ(CreateFileHash().FileName(), BString(u""));
  EXPECT_FALSE(DecryptData().Data().has_value());
}

TEST(Objects, NullAndEmptyStringsStayApart) {
  EncryptString e;
  e.setInput(std::nullopt);
  e.setPassword(std::nullopt);
  e.setDestinationFile(std::nullopt);
  EXPECT_EQ(e.Input(), std::nullopt);
  EXPECT_EQ(e.Password(), std::nullopt);
  EXPECT_EQ(e.DestinationFile(), std::nullopt);
  e.setInput(u"");
  EXPECT_EQ(e.Input(), BString(u""));
}

TEST(Objects, ProviderTypeKeepsNegativeValues) {
  DecryptData d;
  d.setProviderType(-1);
  EXPECT_EQ(d.ProviderType(), -1);
  d.setProviderType(INT16_MIN);
  EXPECT_EQ(d.ProviderType(), INT16_MIN);
}

TEST(Objects, DataGetReturnsAnIndependentCopy) {
  DecryptData d;
  d.setData(ByteArray{1, {1, 2, 3}});
  DataValue copy = d.Data();
  copy->bytes[0] = 99;
  copy->lowerBound = 0;
  EXPECT_EQ(d.Data(), (ByteArray{1, {1, 2, 3}}));
}

TEST(Factory, BothProgIdFormsCreateTheirClass) {
  for (const char* name : kClasses) {
    SCOPED_TRACE(name);
    const std::string progId = std::string("Ferrolok.") + name;
    EXPECT_STREQ(createObject(progId)->className(), name);
    EXPECT_STREQ(createObject(progId + ".1")->className(), name);
  }
  // The registry resolves ProgIDs without regard to case.
  EXPECT_STREQ(createObject("ferrolok.decryptdata.1")->className(), "DecryptData");
  EXPECT_NE(createObjectAs<CreateStringHash>("Ferrolok.CreateStringHash"), nullptr);
  // Each call creates a new object with its defaults.
  auto a = createObjectAs<EncryptString>("Ferrolok.EncryptString");
  a->setPassword(u"x");
  EXPECT_EQ(createObjectAs<EncryptString>("Ferrolok.EncryptString")->Password(), BString(u""));
}

TEST(Factory, UnknownProgIdsAreAClearError) {
  for (const char* bad : {"", "Ferrolok", "Ferrolok.", "Ferrolok.Nothing", "EncryptString",
                          "Ferrolok.EncryptString.2", "Ferrolok.EncryptString.1.1",
                          "Other.EncryptString", "Ferrolok.EncryptString "}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(createObject(bad), UnknownProgId);
  }
  try {
    createObject("Ferrolok.Nothing");
  } catch (const UnknownProgId& e) {
    EXPECT_NE(std::string(e.what()).find("Ferrolok.Nothing"), std::string::npos);
  }
  // A ProgID of another class than the one asked for.
  EXPECT_THROW(createObjectAs<DecryptData>("Ferrolok.EncryptString"), UnknownProgId);
}

}  // namespace
}  // namespace ferrolok
