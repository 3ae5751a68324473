// The File. handle methods on real files in a test folder (natively and,
// in the Windows build, under Wine).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/file_handles.h"
#include "bridge/base64.h"
#include "common/paths.h"
#include "support/temp_dir.h"

namespace {

using bridge::Result;

class ApiFileHandles : public ::testing::Test {
 protected:
  // One File. call with plain argument texts (texts the movie sends in
  // Base64 are encoded by the caller).
  Result call(std::string_view method, std::vector<std::string> texts) {
    bridge::OwnedArguments arguments(std::move(texts));
    return api::call_file_method(table_, method, arguments.list());
  }
  static std::string b64(const std::string& text) { return bridge::base64_encode(text); }
  std::string new_handle() {
    Result id = call("new", {});
    return id ? id->substr(8, id->size() - 17) : std::string();
  }
  Result open(const std::string& id, const std::string& path, const std::string& mode) {
    return call("open", {id, b64(path), b64(mode)});
  }

  api::FileHandleTable table_;
  testing_support::TempDir dir_;
};

TEST_F(ApiFileHandles, IdsCountFromOneAndUnknownIdsAnswerNothing) {
  EXPECT_EQ(call("new", {}), Result("<number>1</number>"));
  EXPECT_EQ(call("new", {}), Result("<number>2</number>"));
  for (const char* method : {"open", "close", "getc", "putc", "gets", "puts", "seek", "tell", "eof"}) {
    EXPECT_EQ(call(method, {"3"}), std::nullopt) << method;
    EXPECT_EQ(call(method, {"0"}), std::nullopt) << method;
  }
  EXPECT_EQ(call("rewind", {"1"}), std::nullopt);
  EXPECT_EQ(call("New", {}), std::nullopt);
}

TEST_F(ApiFileHandles, AHandleWithoutStreamAnswersSafely) {
  const std::string id = new_handle();
  auto check_closed = [&](const char* when) {
    EXPECT_EQ(call("getc", {id}), Result("<null/>")) << when;
    EXPECT_EQ(call("gets", {id}), Result("<null/>")) << when;
    EXPECT_EQ(call("seek", {id, "0", "beg"}), Result("<number>-1</number>")) << when;
    EXPECT_EQ(call("tell", {id}), Result("<number>-1</number>")) << when;
    EXPECT_EQ(call("eof", {id}), Result("<true/>")) << when;
    EXPECT_EQ(call("putc", {id, b64("x")}), std::nullopt) << when;
    EXPECT_EQ(call("puts", {id, b64("x")}), std::nullopt) << when;
    EXPECT_EQ(call("close", {id}), std::nullopt) << when;
  };
  check_closed("never opened");
  EXPECT_EQ(open(id, dir_.file("missing.txt"), "r"), Result("<false/>"));
  EXPECT_FALSE(paths::exists(dir_.file("missing.txt")));
  check_closed("failed to open");
  EXPECT_EQ(open(id, dir_.file("there.txt"), "w"), Result("<true/>"));
  EXPECT_EQ(call("close", {id}), std::nullopt);
  check_closed("closed");
}

TEST_F(ApiFileHandles, WritesThenReadsBackByteByByteAndByLine) {
  const std::string id = new_handle();
  const std::string path = dir_.file("data.bin");
  ASSERT_EQ(open(id, path, "wb"), Result("<true/>"));
  EXPECT_EQ(call("puts", {id, b64("first line\n")}), std::nullopt);
  EXPECT_EQ(call("putc", {id, b64("Z")}), std::nullopt);
  EXPECT_EQ(call("tell", {id}), Result("<number>12</number>"));
  call("close", {id});
  // A zero byte and a byte 255 after the text.
  std::string bytes = testing_support::TempDir::read(path);
  ASSERT_EQ(bytes, "first line\nZ");
  dir_.write("data.bin", bytes + std::string("\0\xFF", 2));

  // The closed handle opens again.
  ASSERT_EQ(open(id, path, "rb"), Result("<true/>"));
  EXPECT_EQ(call("gets", {id}), Result("<string>" + b64("first line\n") + "</string>"));
  EXPECT_EQ(call("getc", {id}), Result("<string>" + b64("Z") + "</string>"));
  EXPECT_EQ(call("eof", {id}), Result("<false/>"));
  EXPECT_EQ(call("getc", {id}), Result("<string></string>"));
  // A byte 255 is data, not the end of the file.
  EXPECT_EQ(call("getc", {id}), Result("<string>/w==</string>"));
  EXPECT_EQ(call("getc", {id}), Result("<null/>"));
  EXPECT_EQ(call("eof", {id}), Result("<true/>"));
  EXPECT_EQ(call("gets", {id}), Result("<null/>"));
}

TEST_F(ApiFileHandles, LongLinesComeInPiecesOf1023) {
  const std::string line(1500, 'q');
  const std::string path = dir_.write("long.txt", line + "\nend");
  const std::string id = new_handle();
  ASSERT_EQ(open(id, path, "rb"), Result("<true/>"));
  EXPECT_EQ(call("gets", {id}), Result("<string>" + b64(line.substr(0, 1023)) + "</string>"));
  EXPECT_EQ(call("gets", {id}), Result("<string>" + b64(line.substr(1023) + "\n") + "</string>"));
  EXPECT_EQ(call("gets", {id}), Result("<string>" + b64("end") + "</string>"));
  EXPECT_EQ(call("gets", {id}), Result("<null/>"));
}

TEST_F(ApiFileHandles, SeekOriginsAndFailures) {
  const std::string path = dir_.write("ten.bin", "0123456789");
  const std::string id = new_handle();
  ASSERT_EQ(open(id, path, "rb"), Result("<true/>"));
  EXPECT_EQ(call("seek", {id, "-3", "end"}), Result("<number>0</number>"));
  EXPECT_EQ(call("getc", {id}), Result("<string>" + b64("7") + "</string>"));
  EXPECT_EQ(call("seek", {id, "-2", "cur"}), Result("<number>0</number>"));
  EXPECT_EQ(call("tell", {id}), Result("<number>6</number>"));
  // An unknown origin counts from the start.
  EXPECT_EQ(call("seek", {id, "4", "middle"}), Result("<number>0</number>"));
  EXPECT_EQ(call("tell", {id}), Result("<number>4</number>"));
  EXPECT_EQ(call("seek", {id, "-1", "beg"}), Result("<number>-1</number>"));
  EXPECT_EQ(call("seek", {id, "0", "end"}), Result("<number>0</number>"));
  EXPECT_EQ(call("tell", {id}), Result("<number>10</number>"));
}

TEST_F(ApiFileHandles, OpeningCreatesForWritingModesAndRefusesBadModes) {
  const std::string id = new_handle();
  const std::string appended = dir_.file("appended.txt");
  ASSERT_EQ(open(id, appended, "a"), Result("<true/>"));
  call("puts", {id, b64("one")});
  ASSERT_EQ(open(id, appended, "a"), Result("<true/>"));
  call("puts", {id, b64("two")});
  call("close", {id});
  EXPECT_EQ(testing_support::TempDir::read(appended), "onetwo");

  for (const char* mode : {"", "q", "rw", "w;"}) {
    const std::string path = dir_.file(std::string("bad") + std::to_string(mode[0]) + ".txt");
    EXPECT_EQ(open(id, path, mode), Result("<false/>")) << mode;
    EXPECT_FALSE(paths::exists(path)) << mode;
  }
  EXPECT_EQ(open(id, dir_.file(std::string(300, 'n')), "w"), Result("<false/>"));
  EXPECT_EQ(open(id, "", "w"), Result("<false/>"));
}

TEST_F(ApiFileHandles, OpeningAgainClosesTheEarlierStream) {
  const std::string id = new_handle();
  const std::string first = dir_.file("first.txt");
  ASSERT_EQ(open(id, first, "w"), Result("<true/>"));
  call("puts", {id, b64("kept")});
  // The first stream is closed (and so written out) when the handle moves on.
  ASSERT_EQ(open(id, dir_.file("second.txt"), "w"), Result("<true/>"));
  EXPECT_EQ(testing_support::TempDir::read(first), "kept");
}

TEST_F(ApiFileHandles, TablesAreIndependentAndTheProcessHasOne) {
  api::FileHandleTable other;
  EXPECT_EQ(other.add(), 1);
  EXPECT_EQ(table_.add(), 1);
  EXPECT_EQ(table_.add(), 2);
  EXPECT_EQ(other.add(), 2);
  ASSERT_NE(table_.find(2), nullptr);
  EXPECT_EQ(*table_.find(2), nullptr);
  EXPECT_EQ(table_.find(3), nullptr);
  EXPECT_EQ(&api::process_file_handles(), &api::process_file_handles());
}

}  // namespace
