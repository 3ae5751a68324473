// The real saver, carrying a payload, walks it into the work folder at start,
// reads and deletes the settings file, and cleans the folder up when it closes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/paths.h"
#include "payload/payload_writer.h"
#include "saver_harness.h"
#include "support/temp_dir.h"

namespace {

using testing_support::TempDir;

std::string movie_bytes() {
  std::string bytes = "FWS";
  bytes += '\x06';
  for (int i = 0; i < 5000; ++i) bytes += static_cast<char>((i * 37 + 11) & 0xFF);
  return bytes;
}

std::string work_folder() { return paths::temp_folder() + "qnfpssver_1"; }

// Builds saver.scr in `dir` from the real runtime, the movie, the extra files
// and, when given, a settings text.
std::string build_saver(const TempDir& dir, const std::vector<std::string>& files,
                        const char* settings_text) {
  std::string program = dir.file("saver.scr");
  payload::PayloadWriter writer;
  EXPECT_TRUE(writer.open(program));
  writer.write_raw_file(saver_test::built_saver());
  writer.write_end_entry();
  for (const std::string& file : files) writer.write_file_entry(file);
  if (settings_text) writer.write_settings_entry(settings_text);
  writer.write_trailer();
  EXPECT_TRUE(writer.close()) << writer.error_message();
  return program;
}

std::vector<std::string> work_folder_entries() {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE listing = FindFirstFileA((work_folder() + "\\*").c_str(), &found);
  if (listing == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(listing, &found));
  FindClose(listing);
  return names;
}

void empty_work_folder() {
  std::string folder = work_folder();
  WIN32_FIND_DATAA found;
  HANDLE listing = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (listing != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name != "." && name != "..") DeleteFileA((folder + "\\" + name).c_str());
    } while (FindNextFileA(listing, &found));
    FindClose(listing);
  }
  RemoveDirectoryA(folder.c_str());
}

TEST(SaverStartup, ExtractsThePayloadReadsSettingsAndCleansUpAtClose) {
  TempDir dir;
  std::string movie = dir.write("movie.swf", movie_bytes());
  std::string notes = dir.write("notes.txt", std::string("line one\r\nline two\0end", 22));
  std::string program = build_saver(
      dir, {movie, notes}, "<xml version=\"1.0\"><windows><window swf=\"movie.swf\"/></windows></xml>");

  empty_work_folder();
  saver_test::SaverProcess saver;
  ASSERT_TRUE(saver.start(program, "/s"));
  ASSERT_NE(saver.wait_frame_window(), nullptr);

  // The start-up ran during the frame's creation: the files are in place.
  EXPECT_EQ(TempDir::read(work_folder() + "\\movie.swf"), movie_bytes());
  EXPECT_EQ(TempDir::read(work_folder() + "\\notes.txt"), TempDir::read(notes));
  EXPECT_FALSE(paths::exists(work_folder() + "\\fp.dat")) << "the settings file is deleted";

  HWND frame = saver.wait_frame_window();
  PostMessageA(frame, WM_KEYDOWN, 'A', 0);
  auto code = saver.wait_exit(5000);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
  EXPECT_FALSE(paths::exists(work_folder() + "\\movie.swf"));
  EXPECT_FALSE(paths::exists(work_folder() + "\\notes.txt"));
  // The player library is still loaded when the folder is cleaned up: it
  // stays, and with it the folder.
  EXPECT_EQ(work_folder_entries(), std::vector<std::string>{"npfp.dll"});
}

TEST(SaverStartup, APayloadWithoutSettingsStillClosesOnInput) {
  TempDir dir;
  std::string movie = dir.write("movie.swf", movie_bytes());
  std::string program = build_saver(dir, {movie}, nullptr);

  empty_work_folder();
  saver_test::SaverProcess saver;
  ASSERT_TRUE(saver.start(program, "/s"));
  HWND frame = saver.wait_frame_window();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(TempDir::read(work_folder() + "\\movie.swf"), movie_bytes());
  PostMessageA(frame, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  auto code = saver.wait_exit(5000);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0u);
  EXPECT_FALSE(paths::exists(work_folder() + "\\movie.swf"));
}

}  // namespace

namespace {

// Settings the reader refuses leave the saver without a movie, but the
// settings file is still deleted and input still ends the saver.
TEST(SaverStartup, MalformedSettingsAreDeletedAndTheExitRulesStillWork) {
  const char* texts[] = {
      "<xml version=\"1.0\"><windows><window swf=",  // truncated
      "<?xml version=\"1.0\"?><xml version=\"1.0\"><windows><window/></windows></xml>",
      "<xml version=\"1.0\"/>",  // no children
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    TempDir dir;
    std::string movie = dir.write("movie.swf", movie_bytes());
    std::string program = build_saver(dir, {movie}, text);

    empty_work_folder();
    saver_test::SaverProcess saver;
    ASSERT_TRUE(saver.start(program, "/s"));
    HWND frame = saver.wait_frame_window();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(TempDir::read(work_folder() + "\\movie.swf"), movie_bytes());
    EXPECT_FALSE(paths::exists(work_folder() + "\\fp.dat"));
    PostMessageA(frame, WM_KEYDOWN, 'Q', 0);
    auto code = saver.wait_exit(5000);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
  }
}

}  // namespace
