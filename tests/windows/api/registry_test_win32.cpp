// Registry through the dispatcher, against the Wine prefix's registry. Every
// key lives below a folder of this test process, removed afterwards.
#include <gtest/gtest.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "windows/api/api_test_support.h"

namespace {

using api_testing::ApiCalls;
using api_testing::b64;
using api_testing::text_result;
using bridge::Result;

const Result kTrue("<true/>");
const Result kFalse("<false/>");
const Result kNull("<null/>");

class ApiRegistry : public ::testing::Test {
 protected:
  ApiRegistry() : vendor_("SwfsaverApiTest" + std::to_string(GetCurrentProcessId())) {}
  ~ApiRegistry() override {
    SHDeleteKeyA(HKEY_CURRENT_USER, ("SOFTWARE\\" + vendor_).c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\" + vendor_).c_str());
  }

  Result reg(const std::string& method, std::vector<std::string> arguments) {
    return api.call("Registry." + method, std::move(arguments));
  }
  // Opens vendor\Product under `root`; the id's text.
  std::string open(const std::string& root = "user", const std::string& sub = "Product") {
    const Result id = reg("open", {b64(vendor_ + "\\" + sub), b64(root)});
    return id ? id->substr(8, id->size() - 17) : std::string();
  }
  // The stored type and bytes of a value of HKCU\SOFTWARE\vendor\Product.
  bool stored(const std::string& name, DWORD& type, std::string& bytes,
              HKEY root = HKEY_CURRENT_USER) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, ("SOFTWARE\\" + vendor_ + "\\Product").c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
      return false;
    }
    char data[4096];
    DWORD size = sizeof data;
    const bool found = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                        reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (found) bytes.assign(data, size);
    return found;
  }
  void store(const std::string& name, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, ("SOFTWARE\\" + vendor_ + "\\Product").c_str(), 0,
                              nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
  }
  bool key_exists(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, ("SOFTWARE\\" + vendor_ + path).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
      return false;
    }
    RegCloseKey(key);
    return true;
  }

  ApiCalls api;
  std::string vendor_;
};

TEST_F(ApiRegistry, OpenCreatesTwoLevelKeysUnderTheChosenRootWithIdsFromOne) {
  EXPECT_EQ(reg("open", {b64(vendor_ + "\\Product"), b64("user")}), Result("<number>1</number>"));
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, "\\Product"));
  // Any other root text means the current user too.
  EXPECT_EQ(reg("open", {b64(vendor_ + "\\Other"), b64("machine")}), Result("<number>2</number>"));
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, "\\Other"));
  EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, "\\Other"));
  // "system" is the machine's (the Wine prefix lets the test user write there).
  EXPECT_EQ(reg("open", {b64(vendor_ + "\\Machine"), b64("system")}), Result("<number>3</number>"));
  EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, "\\Machine"));
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, "\\Machine"));
}

TEST_F(ApiRegistry, KeyPathsBeyondTheLimitAreRefusedWithoutAnAnswer) {
  const std::string longest = vendor_ + "\\" + std::string(246 - vendor_.size() - 1, 'k');
  ASSERT_EQ(longest.size(), 246u);
  EXPECT_EQ(reg("open", {b64(longest + "x"), b64("user")}), std::nullopt);
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, "\\" + std::string(246 - vendor_.size(), 'k')));
  EXPECT_EQ(reg("open", {b64(longest), b64("user")}), Result("<number>1</number>"));
}

TEST_F(ApiRegistry, FloatsAreEightLittleEndianBytesOfADouble) {
  const std::string id = open();
  EXPECT_EQ(reg("setFloat", {id, b64("ratio"), "1.5"}), kTrue);
  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(stored("ratio", type, bytes));
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(bytes, std::string("\x00\x00\x00\x00\x00\x00\xF8\x3F", 8));
  EXPECT_EQ(reg("getFloat", {id, b64("ratio")}), Result("<number>1.500000</number>"));
  EXPECT_EQ(reg("setFloat", {id, b64("ratio"), "-2.25e1"}), kTrue);
  EXPECT_EQ(reg("getFloat", {id, b64("ratio")}), Result("<number>-22.500000</number>"));
  // A value larger than eight bytes does not fit the read.
  store("long", REG_BINARY, std::string(9, '\x01'));
  EXPECT_EQ(reg("getFloat", {id, b64("long")}), kNull);
  EXPECT_EQ(reg("getFloat", {id, b64("missing")}), kNull);
}

TEST_F(ApiRegistry, BooleansAndIntegersAreDwords) {
  const std::string id = open();
  EXPECT_EQ(reg("setBoolean", {id, b64("on"), "TRUE"}), kTrue);
  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(stored("on", type, bytes));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(bytes, std::string("\x01\x00\x00\x00", 4));
  EXPECT_EQ(reg("getBoolean", {id, b64("on")}), kTrue);
  EXPECT_EQ(reg("setBoolean", {id, b64("on"), "yes"}), kTrue);
  ASSERT_TRUE(stored("on", type, bytes));
  EXPECT_EQ(bytes, std::string(4, '\0'));
  EXPECT_EQ(reg("getBoolean", {id, b64("on")}), kFalse);

  EXPECT_EQ(reg("setInteger", {id, b64("count"), "-5"}), kTrue);
  ASSERT_TRUE(stored("count", type, bytes));
  EXPECT_EQ(bytes, std::string("\xFB\xFF\xFF\xFF", 4));
  EXPECT_EQ(reg("getInteger", {id, b64("count")}), Result("<number>-5</number>"));
  EXPECT_EQ(reg("getBoolean", {id, b64("count")}), kTrue);
  EXPECT_EQ(reg("setInteger", {id, b64("count"), "lots"}), kTrue);
  EXPECT_EQ(reg("getInteger", {id, b64("count")}), Result("<number>0</number>"));
  // A shorter value fills the start of the field; a longer one fails.
  store("short", REG_BINARY, std::string("\x07", 1));
  EXPECT_EQ(reg("getInteger", {id, b64("short")}), Result("<number>7</number>"));
  EXPECT_EQ(reg("getInteger", {id, b64("ratio_missing")}), kNull);
  EXPECT_EQ(reg("setString", {id, b64("text"), b64("longer than four")}), kTrue);
  EXPECT_EQ(reg("getInteger", {id, b64("text")}), kNull);
  EXPECT_EQ(reg("getBoolean", {id, b64("text")}), kNull);
}

TEST_F(ApiRegistry, StringsOfAnyLengthAndOtherTypesReadAsText) {
  const std::string id = open();
  EXPECT_EQ(reg("setString", {id, b64("name"), b64("Caf\xE9 50% \"x\"")}), kTrue);
  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(stored("name", type, bytes));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(bytes, std::string("Caf\xE9 50% \"x\"\0", 13));
  EXPECT_EQ(reg("getString", {id, b64("name")}), text_result("Caf\xE9 50% \"x\""));

  const std::string long_text(3000, 'L');
  EXPECT_EQ(reg("setString", {id, b64("long"), b64(long_text)}), kTrue);
  EXPECT_EQ(reg("getString", {id, b64("long")}), text_result(long_text));

  EXPECT_EQ(reg("setString", {id, b64("empty"), b64("")}), kTrue);
  EXPECT_EQ(reg("getString", {id, b64("empty")}), text_result(""));
  store("nodata", REG_SZ, "");
  EXPECT_EQ(reg("getString", {id, b64("nodata")}), text_result(""));
  // A DWORD is raw bytes up to the first NUL.
  store("dword", REG_DWORD, std::string("ABC\0", 4));
  EXPECT_EQ(reg("getString", {id, b64("dword")}), text_result("ABC"));
  // A string list is refused.
  store("list", REG_MULTI_SZ, std::string("one\0two\0\0", 9));
  EXPECT_EQ(reg("getString", {id, b64("list")}), kNull);
  EXPECT_EQ(reg("getString", {id, b64("missing")}), kNull);
}

TEST_F(ApiRegistry, KeyExistsAsksAboutValuesAndDeleteKeyRemovesSubKeys) {
  const std::string id = open();
  reg("setInteger", {id, b64("present"), "1"});
  EXPECT_EQ(reg("keyExists", {id, b64("present")}), kTrue);
  EXPECT_EQ(reg("keyExists", {id, b64("absent")}), kFalse);
  // A sub-key without a default value is no value.
  open("user", "Product\\Child");
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, "\\Product\\Child"));
  EXPECT_EQ(reg("keyExists", {id, b64("Child")}), kFalse);
  EXPECT_EQ(reg("deleteKey", {id, b64("Child")}), kTrue);
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, "\\Product\\Child"));
  EXPECT_EQ(reg("deleteKey", {id, b64("Child")}), kFalse);
  // An empty name would be the open key itself: refused.
  EXPECT_EQ(reg("deleteKey", {id, b64("")}), kFalse);
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, "\\Product"));
}

TEST_F(ApiRegistry, CloseTwiceAndClosedOrUnknownKeysGiveFailureAnswers) {
  const std::string id = open();
  reg("setString", {id, b64("kept"), b64("v")});
  EXPECT_EQ(reg("close", {id}), kTrue);
  EXPECT_EQ(reg("close", {id}), kFalse);
  for (const std::string& key : {id, std::string("77"), std::string("x")}) {
    EXPECT_EQ(reg("keyExists", {key, b64("kept")}), kFalse) << key;
    EXPECT_EQ(reg("deleteKey", {key, b64("sub")}), kFalse) << key;
    EXPECT_EQ(reg("getString", {key, b64("kept")}), kNull) << key;
    EXPECT_EQ(reg("setString", {key, b64("kept"), b64("w")}), kFalse) << key;
    EXPECT_EQ(reg("getInteger", {key, b64("kept")}), kNull) << key;
    EXPECT_EQ(reg("setInteger", {key, b64("kept"), "1"}), kFalse) << key;
    EXPECT_EQ(reg("getBoolean", {key, b64("kept")}), kNull) << key;
    EXPECT_EQ(reg("setBoolean", {key, b64("kept"), "true"}), kFalse) << key;
    EXPECT_EQ(reg("getFloat", {key, b64("kept")}), kNull) << key;
    EXPECT_EQ(reg("setFloat", {key, b64("kept"), "1"}), kFalse) << key;
  }
  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(stored("kept", type, bytes));
  EXPECT_EQ(bytes, std::string("v\0", 2));
  // Ids are never reused.
  EXPECT_EQ(open(), "2");
  EXPECT_EQ(reg("GetString", {"2", b64("kept")}), std::nullopt);
}

}  // namespace
