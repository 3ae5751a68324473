// The library resource written out to the work folder, and the clean-up of
// the work folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "flashhost/library_files.h"
#include "flashhost/player_library.h"
#include "host_test_support.h"
#include "payload/work_folder.h"
#include "support/temp_dir.h"

namespace {

using namespace flashhost;

std::string read_file(const std::string& path) { return testing_support::TempDir::read(path); }

bool exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void write_file(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::vector<std::string> listing(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = entry.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return names;
}

// Runs a Linux program from under Wine; there is no handle to wait on, so
// the caller polls for its effect.
void run_linux(std::string command) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  if (process.hProcess) CloseHandle(process.hProcess);
  if (process.hThread) CloseHandle(process.hThread);
}

std::string unix_path(const std::string& windows_path) {
  using Convert = char*(__cdecl*)(const wchar_t*);
  auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return std::string();
  std::wstring wide(windows_path.begin(), windows_path.end());
  char* path = convert(wide.c_str());
  if (!path) return std::string();
  std::string out = path;
  HeapFree(GetProcessHeap(), 0, path);
  return out;
}

class WorkFolderFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    host_test::clear_knobs();
    name_ = "libfiles_" + std::to_string(GetCurrentProcessId());
    work_folder::set_name(name_);
    ASSERT_TRUE(work_folder::create());
    folder_ = work_folder::path();
  }
  void TearDown() override {
    if (exists(folder_)) {
      work_folder::set_name(name_);
      delete_work_folder();
    }
    work_folder::set_name("");
    host_test::clear_knobs();
  }
  std::string name_;
  std::string folder_;
};

TEST_F(WorkFolderFiles, ResourceHoldsTheLibraryByteForByte) {
  const void* data = nullptr;
  uint32_t size = 0;
  ASSERT_TRUE(load_resource(kPlayerResourceType, kPlayerResourceId, data, size));
  std::string dll = read_file(host_test::plugin_path("testplugin.dll"));
  ASSERT_FALSE(dll.empty());
  ASSERT_EQ(size, dll.size());
  EXPECT_EQ(std::string(static_cast<const char*>(data), size), dll);

  EXPECT_FALSE(load_resource(kPlayerResourceType, 131, data, size));
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(data, nullptr);
  EXPECT_FALSE(load_resource("NPFX", kPlayerResourceId, data, size));
}

TEST_F(WorkFolderFiles, ExtractionReplacesALeftoverAndTheCopyLoads) {
  std::string library_path = folder_ + "\\npfp.dll";
  write_file(library_path, "left over from an earlier run");
  std::string extracted = extract_player_library();
  char full[MAX_PATH];
  GetFullPathNameA(library_path.c_str(), MAX_PATH, full, nullptr);
  EXPECT_EQ(extracted, full);
  EXPECT_EQ(read_file(extracted), read_file(host_test::plugin_path("testplugin.dll")));

  std::string failure;
  PlayerLibrary* library = PlayerLibrary::load(extracted, failure);
  ASSERT_NE(library, nullptr) << failure;
  // While it is loaded the file cannot be rewritten; extraction leaves it.
  EXPECT_EQ(extract_player_library(), extracted);
  EXPECT_EQ(read_file(extracted), read_file(host_test::plugin_path("testplugin.dll")));

  // The loaded library cannot be deleted; everything else goes, also what
  // is listed after it, and the folder stays because the library is in it.
  write_file(folder_ + "\\a.swf", "a");
  write_file(folder_ + "\\z.swf", "z");
  CreateDirectoryA((folder_ + "\\m").c_str(), nullptr);
  write_file(folder_ + "\\m\\inner.txt", "i");
  std::vector<std::string> before = listing(folder_);
  ASSERT_EQ(before.size(), 4u);
  delete_work_folder();
  EXPECT_EQ(listing(folder_), std::vector<std::string>{"npfp.dll"});
  EXPECT_TRUE(exists(folder_));
  PlayerLibrary::unload(library);
  delete_work_folder();
  EXPECT_FALSE(exists(folder_));
}

TEST_F(WorkFolderFiles, CleanUpRemovesReadOnlyFilesAndSubFolders) {
  write_file(folder_ + "\\movie.swf", "m");
  SetFileAttributesA((folder_ + "\\movie.swf").c_str(), FILE_ATTRIBUTE_READONLY);
  CreateDirectoryA((folder_ + "\\sub").c_str(), nullptr);
  CreateDirectoryA((folder_ + "\\sub\\deeper").c_str(), nullptr);
  write_file(folder_ + "\\sub\\deeper\\x.txt", "x");
  write_file(folder_ + "\\sub\\y.txt", "y");
  SetFileAttributesA((folder_ + "\\sub\\y.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  delete_work_folder();
  EXPECT_FALSE(exists(folder_));
}

TEST_F(WorkFolderFiles, WithoutANameOrWithAPathAsNameNothingIsDeleted) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string canary = std::string(temp) + "libfiles_canary_" + name_ + ".txt";
  write_file(canary, "keep");
  work_folder::set_name("");
  delete_work_folder();
  EXPECT_TRUE(exists(canary));

  // A name that climbs out of the temporary folder is refused. The folder it
  // would name is one of our own, so a failure here harms nothing else.
  std::string outside = std::string(temp) + "..\\libfiles_outside_" + name_;
  CreateDirectoryA(outside.c_str(), nullptr);
  write_file(outside + "\\keep.txt", "keep");
  work_folder::set_name("..\\libfiles_outside_" + name_);
  delete_work_folder();
  EXPECT_TRUE(exists(outside + "\\keep.txt"));
  work_folder::set_name("..");
  delete_work_folder();
  EXPECT_TRUE(exists(canary));
  DeleteFileA((outside + "\\keep.txt").c_str());
  RemoveDirectoryA(outside.c_str());
  DeleteFileA(canary.c_str());
}

TEST_F(WorkFolderFiles, LinksInsideAreNeverFollowedOut) {
  testing_support::TempDir outside;
  write_file(outside.file("precious.txt"), "keep me");
  std::string target = unix_path(outside.path());
  std::string link = unix_path(folder_) + "/link";
  if (target.empty() || unix_path(folder_).empty()) GTEST_SKIP() << "needs Wine's path mapping";
  write_file(folder_ + "\\before.txt", "b");
  run_linux("/bin/ln -s " + target + " " + link);
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  for (int i = 0; i < 100 && attributes == INVALID_FILE_ATTRIBUTES; ++i) {
    Sleep(20);
    attributes = GetFileAttributesA((folder_ + "\\link").c_str());
  }
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "the link was not made";
  ASSERT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT);

  delete_work_folder();
  EXPECT_EQ(read_file(outside.file("precious.txt")), "keep me");

  // Wine cannot remove a Linux link with RemoveDirectoryA (Windows removes a
  // junction that way); take it away here so the folder can go.
  if (exists(folder_ + "\\link")) {
    run_linux("/bin/rm " + link);
    for (int i = 0; i < 100 && exists(folder_ + "\\link"); ++i) Sleep(20);
  }
}

}  // namespace
