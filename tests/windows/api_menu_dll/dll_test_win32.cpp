#include <gtest/gtest.h>

#include "menu_dll_test_support.h"

namespace {

using menu_dll_testing::b64;
using menu_dll_testing::RecordingHost;

class DllApi : public ::testing::Test {
 protected:
  DllApi() {
    auto dll = api::make_dll_namespace();
    dll_ = dll.get();
    dispatcher_.set_handler(bridge::Namespace::kDll, std::move(dll));
  }

  std::string call(const std::string& name, const std::vector<std::string>& arguments) {
    bridge::CallText cut;
    EXPECT_TRUE(bridge::cut_call_text(menu_dll_testing::call_text(name, arguments), cut));
    bridge::OwnedArguments owned(cut.arguments);
    return dispatcher_.dispatch(cut.name, owned.list()).value_or("(none)");
  }

  static std::string system_library(const char* name) {
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, sizeof folder);
    return std::string(folder) + "\\" + name;
  }

  int open_id(const std::string& path) {
    const std::string answer = call("DLL.open", {b64(path)});
    EXPECT_EQ(answer.rfind("<number>", 0), 0u) << answer;
    return std::atoi(answer.c_str() + 8);
  }

  RecordingHost host_;
  bridge::Dispatcher dispatcher_{host_};
  api::DllNamespace* dll_ = nullptr;
};

TEST_F(DllApi, OpenGivesProgramWideIdsAndZeroOnFailure) {
  const int first = open_id(system_library("kernel32.dll"));
  EXPECT_GE(first, 1);
  EXPECT_EQ(open_id(system_library("user32.dll")), first + 1);
  EXPECT_EQ(call("DLL.open", {b64(system_library("no_such_library.dll"))}), "<number>0</number>");
  EXPECT_EQ(call("DLL.open", {""}), "<number>0</number>");
  // A relative name is looked for beside the program file, where there is none.
  EXPECT_EQ(call("DLL.open", {b64("kernel32.dll")}), "<number>0</number>");
  EXPECT_EQ(open_id(system_library("kernel32.dll")), first + 2);
}

TEST_F(DllApi, CallResolvesTheFunctionButAlwaysAnswersFalse) {
  const std::string id = std::to_string(open_id(system_library("kernel32.dll")));
  EXPECT_EQ(call("DLL.call", {id, "GetTickCount"}), "<false/>");
  EXPECT_TRUE(dll_->last_call().parameters.empty());
  EXPECT_TRUE(dll_->last_call().library_found);
  EXPECT_TRUE(dll_->last_call().function_found);

  EXPECT_EQ(call("DLL.call", {id, "NoSuchFunction", "integer", "1"}), "<false/>");
  EXPECT_TRUE(dll_->last_call().library_found);
  EXPECT_FALSE(dll_->last_call().function_found);
  EXPECT_EQ(dll_->last_call().parameters.size(), 1u);

  EXPECT_EQ(call("DLL.call", {"999", "GetTickCount"}), "<false/>");
  EXPECT_FALSE(dll_->last_call().library_found);

  EXPECT_EQ(call("DLL.close", {id}), "(none)");
  EXPECT_EQ(call("DLL.addParam", {"integer", "1"}), "(none)");
  EXPECT_EQ(call("DLL.Call", {id, "GetTickCount"}), "(none)");
  EXPECT_EQ(call("dll.call", {id, "GetTickCount"}), "(none)");
}

TEST_F(DllApi, ParametersFollowTheMovieTypeNames) {
  EXPECT_EQ(call("DLL.call", {"1",       "f",      "float",          "2.75",  "double*", "2.75",
                              "bool",    "TRUE",   "Integer",        "7",     "bool",    "yes",
                              "char",    "300",    "unsigned short", "70000", "double",  "3.9",
                              "integer", "-12abc", "float*",         "-2.75", "void",    "5",
                              "short*",  "9",      "dangling"}),
            "<false/>");
  const auto& p = dll_->last_call().parameters;
  ASSERT_EQ(p.size(), 12u);  // the trailing type name without a value is ignored

  EXPECT_EQ(p[0].code, 9);
  EXPECT_EQ(p[0].as_float(), 2.0f);
  EXPECT_EQ(p[1].code, 19);
  EXPECT_EQ(p[1].as_int32(), 2);
  EXPECT_EQ(p[2].code, 1);
  EXPECT_EQ(p[2].slot[0], 1);
  // Type names are case-sensitive: the record stays as created.
  EXPECT_EQ(p[3].code, 0);
  EXPECT_EQ(p[3].as_double(), 0.0);
  EXPECT_EQ(p[4].code, 1);
  EXPECT_EQ(p[4].slot[0], 0);
  EXPECT_EQ(p[5].code, 3);
  EXPECT_EQ(p[5].as_int32(), 44);  // the low 8 bits only
  EXPECT_EQ(p[6].code, 6);
  EXPECT_EQ(p[6].as_int32(), 70000 & 0xffff);
  EXPECT_EQ(p[7].code, 10);
  EXPECT_EQ(p[7].as_double(), 3.0);
  EXPECT_EQ(p[8].code, 2);
  EXPECT_EQ(p[8].as_int32(), -12);
  EXPECT_EQ(p[9].code, 18);
  EXPECT_EQ(p[9].as_int32(), -2);
  EXPECT_EQ(p[10].code, 0);
  EXPECT_EQ(p[10].as_int32(), 0);
  EXPECT_EQ(p[11].code, 14);
  EXPECT_EQ(p[11].as_int32(), 9);
}

TEST_F(DllApi, EveryTypeNameHasItsCode) {
  const std::pair<const char*, int> codes[] = {{"void*", 21},
                                               {"integer", 2},
                                               {"integer*", 11},
                                               {"char", 3},
                                               {"char*", 12},
                                               {"unsigned char", 4},
                                               {"unsigned char*", 13},
                                               {"short", 5},
                                               {"short*", 14},
                                               {"unsigned short", 6},
                                               {"unsigned short*", 15},
                                               {"long", 7},
                                               {"long*", 16},
                                               {"unsigned long", 8},
                                               {"unsigned long*", 17},
                                               {"float", 9},
                                               {"float*", 18},
                                               {"double", 10},
                                               {"double*", 19},
                                               {"bool", 1},
                                               {"bool*", 20},
                                               {"void", 0},
                                               {"int", 0},
                                               {" integer", 0}};
  for (const auto& entry : codes) {
    EXPECT_EQ(api::make_dll_parameter(entry.first, "1").code, entry.second) << entry.first;
  }
  // Huge reals are held at the ends of the integer range.
  EXPECT_EQ(api::make_dll_parameter("double*", "1e20").as_int32(), 2147483647);
  EXPECT_EQ(api::make_dll_parameter("unsigned char", "-1").as_int32(), 255);
}

}  // namespace
