// The real saver.scr playing a movie that calls the desktop API through
// ExternalInterface: the saver's player answers it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "bridge/base64.h"
#include "payload/payload_writer.h"
#include "saver_harness.h"
#include "support/temp_dir.h"
#include "swfwriter/swf_writer.h"

namespace {

using testing_support::TempDir;

// ActionScript bytes for
//   flash.external.ExternalInterface.call(name, arguments...);
// with the answer thrown away.
class ActionBytes {
 public:
  ActionBytes& call(const std::string& name, const std::vector<std::string>& arguments) {
    // Arguments go on the stack last one first, then their count.
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) push_string(*it);
    push_string(name);
    push_count(static_cast<uint32_t>(arguments.size()) + 1);
    push_string("flash");
    bytes_.push_back(0x1C);  // GetVariable
    push_string("external");
    bytes_.push_back(0x4E);  // GetMember
    push_string("ExternalInterface");
    bytes_.push_back(0x4E);
    push_string("call");
    bytes_.push_back(0x52);  // CallMethod
    bytes_.push_back(0x17);  // Pop
    return *this;
  }
  swfwriter::Bytes finish() {
    swfwriter::Bytes out = bytes_;
    out.push_back(0x00);  // End
    return out;
  }

 private:
  void push(const swfwriter::Bytes& item) {
    bytes_.push_back(0x96);  // Push
    bytes_.push_back(static_cast<uint8_t>(item.size() & 0xFF));
    bytes_.push_back(static_cast<uint8_t>(item.size() >> 8));
    bytes_.insert(bytes_.end(), item.begin(), item.end());
  }
  void push_string(const std::string& text) {
    swfwriter::Bytes item{0x00};
    item.insert(item.end(), text.begin(), text.end());
    item.push_back(0x00);
    push(item);
  }
  void push_count(uint32_t count) {
    push({0x07, static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8),
          static_cast<uint8_t>(count >> 16), static_cast<uint8_t>(count >> 24)});
  }

  swfwriter::Bytes bytes_;
};

std::string work_folder() {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  return std::string(temp) + "qnfpssver_1";
}

void remove_work_folder() {
  WIN32_FIND_DATAA found;
  HANDLE listing = FindFirstFileA((work_folder() + "\\*").c_str(), &found);
  if (listing != INVALID_HANDLE_VALUE) {
    do {
      DeleteFileA((work_folder() + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(listing, &found));
    FindClose(listing);
  }
  RemoveDirectoryA(work_folder().c_str());
}

TEST(ApiInTheSaver, AMovieSavesAFileThroughTheApiAndQuitsTheSaver) {
  TempDir dir;
  const std::string saved = dir.file("from-the-saver.txt");
  ActionBytes actions;
  actions.call("FileSystem.saveFile",
               {bridge::base64_encode(saved), bridge::base64_encode("saved by the movie")});
  actions.call("Application.quit", {});

  swfwriter::Movie movie;
  movie.do_action(actions.finish());
  movie.show_frame();
  const swfwriter::Bytes movie_bytes = movie.finish();
  const std::string movie_path =
      dir.write("movie.swf", std::string(movie_bytes.begin(), movie_bytes.end()));

  const std::string program = dir.file("saver.scr");
  payload::PayloadWriter writer;
  ASSERT_TRUE(writer.open(program));
  writer.write_raw_file(saver_test::built_saver());
  writer.write_end_entry();
  writer.write_file_entry(movie_path);
  writer.write_settings_entry(
      "<xml version=\"1.0\"><windows><window swf=\"movie.swf\"/></windows></xml>");
  writer.write_trailer();
  ASSERT_TRUE(writer.close()) << writer.error_message();

  remove_work_folder();
  saver_test::SaverProcess saver;
  ASSERT_TRUE(saver.start(program, "/s"));
  // Application.quit ends the saver's message loop with exit code 0.
  const auto code = saver.wait_exit(15000);
  ASSERT_TRUE(code.has_value()) << "the movie's quit call did not end the saver";
  EXPECT_EQ(*code, 0u);
  EXPECT_EQ(TempDir::read(saved), "saved by the movie");
  remove_work_folder();
}

}  // namespace
