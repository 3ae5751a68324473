// FileSystem and File. through the dispatcher, on real files and folders in
// a test folder of the Wine prefix.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "api/namespaces.h"
#include "common/paths.h"
#include "payload/work_folder.h"
#include "support/temp_dir.h"
#include "windows/api/api_test_support.h"

namespace {

using api_testing::ApiCalls;
using api_testing::b64;
using api_testing::text_result;
using bridge::Result;
using testing_support::TempDir;

const Result kTrue("<true/>");
const Result kFalse("<false/>");
const Result kNull("<null/>");

std::string read_file(const std::string& path) { return TempDir::read(path); }

// The names an array answer holds, decoded, in order.
std::vector<std::string> array_names(const Result& answer) {
  std::vector<std::string> names;
  if (!answer) return names;
  const std::string open = "<string>";
  const std::string close = "</string>";
  std::size_t at = 0;
  while ((at = answer->find(open, at)) != std::string::npos) {
    const std::size_t end = answer->find(close, at);
    names.push_back(
        bridge::base64_decode(answer->substr(at + open.size(), end - at - open.size())));
    at = end;
  }
  return names;
}

class ApiFileSystem : public ::testing::Test {
 protected:
  Result fs(const std::string& method, std::vector<std::string> arguments = {}) {
    return api.call("FileSystem." + method, std::move(arguments));
  }
  Result file(const std::string& method, std::vector<std::string> arguments = {}) {
    return api.call("FileSystem.File." + method, std::move(arguments));
  }
  std::string new_handle() {
    const Result id = file("new");
    return id ? id->substr(8, id->size() - 17) : std::string();
  }

  ApiCalls api;
  TempDir dir;
};

TEST_F(ApiFileSystem, FoldersAreCreatedOneLevelAtATimeAndTestedLikeFiles) {
  const std::string folder = dir.file("made");
  EXPECT_EQ(fs("folderExists", {b64(folder)}), kFalse);
  EXPECT_EQ(fs("createFolder", {b64(folder)}), kTrue);
  EXPECT_TRUE(paths::is_folder(folder));
  // Existing already: still true.
  EXPECT_EQ(fs("createFolder", {b64(folder)}), kTrue);
  // No intermediate folders.
  EXPECT_EQ(fs("createFolder", {b64(dir.file("a\\b\\c"))}), kFalse);
  EXPECT_FALSE(paths::exists(dir.file("a")));
  // Both tests answer for files and folders alike.
  const std::string plain = dir.write("plain.txt", "x");
  EXPECT_EQ(fs("folderExists", {b64(folder)}), kTrue);
  EXPECT_EQ(fs("fileExists", {b64(folder)}), kTrue);
  EXPECT_EQ(fs("folderExists", {b64(plain)}), kTrue);
  EXPECT_EQ(fs("fileExists", {b64(dir.file("missing.txt"))}), kFalse);
  EXPECT_EQ(fs("fileExists", {b64("")}), kFalse);
}

TEST_F(ApiFileSystem, SaveFileWritesNewFilesInTextModeAndNeverReplaces) {
  const std::string path = dir.file("notes.txt");
  EXPECT_EQ(fs("saveFile", {b64(path), b64("one\ntwo 100%s")}), kTrue);
  EXPECT_EQ(read_file(path), "one\r\ntwo 100%s");
  EXPECT_EQ(fs("saveFile", {b64(path), b64("other")}), kFalse);
  EXPECT_EQ(read_file(path), "one\r\ntwo 100%s");
  // A folder of that name is left alone.
  fs("createFolder", {b64(dir.file("taken"))});
  EXPECT_EQ(fs("saveFile", {b64(dir.file("taken")), b64("x")}), kFalse);
  EXPECT_TRUE(paths::is_folder(dir.file("taken")));
  // A folder that does not exist cannot hold the file.
  EXPECT_EQ(fs("saveFile", {b64(dir.file("nowhere\\f.txt")), b64("x")}), kFalse);
}

TEST_F(ApiFileSystem, SaveFileHexSpellsBytesFromDigitPairs) {
  EXPECT_EQ(fs("saveFileHEX", {b64(dir.file("abc.bin")), b64("ABC")}), kTrue);
  EXPECT_EQ(read_file(dir.file("abc.bin")), std::string("\x0A\xBC", 2));
  EXPECT_EQ(fs("saveFileHEX", {b64(dir.file("g1.bin")), b64("G1")}), kTrue);
  EXPECT_EQ(read_file(dir.file("g1.bin")), std::string("\x01", 1));
  EXPECT_EQ(fs("saveFileHEX", {b64(dir.file("zero.bin")), b64("00ff7f")}), kTrue);
  EXPECT_EQ(read_file(dir.file("zero.bin")), std::string("\x00\xFF\x7F", 3));
  // An empty text still creates the file; an existing file is kept.
  EXPECT_EQ(fs("saveFileHEX", {b64(dir.file("empty.bin")), b64("")}), kTrue);
  EXPECT_TRUE(paths::exists(dir.file("empty.bin")));
  EXPECT_EQ(fs("saveFileHEX", {b64(dir.file("abc.bin")), b64("FF")}), kFalse);
  EXPECT_EQ(read_file(dir.file("abc.bin")), std::string("\x0A\xBC", 2));
}

TEST_F(ApiFileSystem, ListingsGiveBareNamesWithDotEntriesFirst) {
  fs("createFolder", {b64(dir.file("beta"))});
  fs("createFolder", {b64(dir.file("alpha.d"))});
  dir.write("file.one", "1");
  dir.write("file two.txt", "2");
  dir.write("beta\\inner.txt", "3");

  const std::vector<std::string> folders = array_names(fs("listFolders", {b64(dir.path())}));
  ASSERT_EQ(folders.size(), 4u);
  EXPECT_EQ(folders[0], ".");
  EXPECT_EQ(folders[1], "..");
  EXPECT_EQ(std::set<std::string>(folders.begin() + 2, folders.end()),
            (std::set<std::string>{"alpha.d", "beta"}));
  // Numbered consecutively from 0.
  EXPECT_NE(fs("listFolders", {b64(dir.path())})->find("<property id='3'>"), std::string::npos);

  // A trailing backslash on the folder changes nothing.
  const std::vector<std::string> files = array_names(fs("listFiles", {b64(dir.path() + "\\")}));
  EXPECT_EQ(std::set<std::string>(files.begin(), files.end()),
            (std::set<std::string>{".", "..", "alpha.d", "beta", "file.one", "file two.txt"}));
  EXPECT_EQ(files.size(), 6u);

  EXPECT_EQ(fs("listFiles", {b64(dir.file("missing"))}), Result("<array></array>"));
  EXPECT_EQ(fs("listFolders", {b64("")}), Result("<array></array>"));
}

TEST_F(ApiFileSystem, DeleteFileIsTrueWhenTheFileIsGone) {
  const std::string path = dir.write("gone.txt", "x");
  EXPECT_EQ(fs("deleteFile", {b64(path)}), kTrue);
  EXPECT_FALSE(paths::exists(path));
  // Missing or empty: nothing to do.
  EXPECT_EQ(fs("deleteFile", {b64(path)}), kTrue);
  EXPECT_EQ(fs("deleteFile", {b64("")}), kTrue);
  // A folder is no file: the failure keeps the system's error code.
  fs("createFolder", {b64(dir.file("folder"))});
  EXPECT_EQ(fs("deleteFile", {b64(dir.file("folder"))}), kFalse);
  EXPECT_NE(api::last_delete_file_error(), 0u);
  EXPECT_TRUE(paths::is_folder(dir.file("folder")));
}

TEST_F(ApiFileSystem, DeleteFolderEmptiesDepthFirstOnlyWhenAsked) {
  const std::string top = dir.file("tree");
  fs("createFolder", {b64(top)});
  fs("createFolder", {b64(top + "\\sub")});
  dir.write("tree\\sub\\deep.txt", "d");
  const std::string locked = dir.write("tree\\locked.txt", "r");
  SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);

  // Without the flag only an empty folder goes.
  EXPECT_EQ(fs("deleteFolder", {b64(top), b64("false")}), kFalse);
  EXPECT_EQ(fs("deleteFolder", {b64(top)}), kFalse);
  EXPECT_TRUE(paths::exists(top + "\\sub\\deep.txt"));
  // The flag is Base64 and read without regard to case; read-only files
  // are made writable first.
  EXPECT_EQ(fs("deleteFolder", {b64(top), b64("TRUE")}), kTrue);
  EXPECT_FALSE(paths::exists(top));

  fs("createFolder", {b64(dir.file("empty"))});
  EXPECT_EQ(fs("deleteFolder", {b64(dir.file("empty")), b64("no")}), kTrue);
  EXPECT_FALSE(paths::exists(dir.file("empty")));
  EXPECT_EQ(fs("deleteFolder", {b64(dir.file("empty")), b64("true")}), kFalse);
}

TEST_F(ApiFileSystem, ShellCopiesPutFilesAndFoldersIntoTheDestinationFolder) {
  const std::string source = dir.write("source.txt", "copied bytes");
  const std::string target = dir.file("target");
  fs("createFolder", {b64(target)});
  EXPECT_EQ(fs("copyFile", {b64(source), b64(target)}), kTrue);
  EXPECT_EQ(read_file(target + "\\source.txt"), "copied bytes");
  EXPECT_TRUE(paths::exists(source));

  fs("createFolder", {b64(dir.file("tree"))});
  dir.write("tree\\leaf.txt", "leaf");
  EXPECT_EQ(fs("copyFolder", {b64(dir.file("tree")), b64(target + "\\")}), kTrue);
  EXPECT_EQ(read_file(target + "\\tree\\leaf.txt"), "leaf");

  EXPECT_EQ(fs("copyFile", {b64(dir.file("missing.txt")), b64(target)}), kFalse);
  EXPECT_EQ(fs("copyFile", {b64(""), b64(target)}), kFalse);
}

TEST_F(ApiFileSystem, MoveRenameAndExtensionChangesAnswerFalseAndTouchNothing) {
  const std::string path = dir.write("stay.txt", "s");
  EXPECT_EQ(fs("moveFile", {b64(path), b64(dir.file("moved.txt"))}), kFalse);
  EXPECT_EQ(fs("renameFile", {b64(path), b64("renamed.txt")}), kFalse);
  EXPECT_EQ(fs("setFileExtension", {b64(path), b64("doc")}), kFalse);
  EXPECT_EQ(read_file(path), "s");
  EXPECT_FALSE(paths::exists(dir.file("moved.txt")));
  EXPECT_FALSE(paths::exists(dir.file("renamed.txt")));
  EXPECT_EQ(fs("getFileCreator", {b64(path)}), kNull);
  EXPECT_EQ(fs("getFileType", {b64(path)}), kNull);
  EXPECT_EQ(fs("copyfile", {b64(path), b64(dir.path())}), std::nullopt);
}

TEST_F(ApiFileSystem, CreateShortcutSavesAShellLinkFile) {
  const std::string target = dir.write("target.txt", "t");
  const std::string link = dir.file("target.lnk");
  EXPECT_EQ(fs("createShortcut", {b64(target), b64(link)}), kTrue);
  // A shell link file starts with its header size, 0x4C.
  const std::string bytes = read_file(link);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x4C\x00\x00\x00", 4));
  EXPECT_EQ(fs("createShortcut", {b64(target), b64(dir.file("nowhere\\x.lnk"))}), kFalse);
}

TEST_F(ApiFileSystem, ExtensionsComeFromTheLastComponentOnly) {
  EXPECT_EQ(fs("getFileExtension", {b64("C:\\folder.d\\readme")}), text_result(""));
  EXPECT_EQ(fs("getFileExtension", {b64("C:\\folder.d\\archive.tar.gz")}), text_result("gz"));
  EXPECT_EQ(fs("getFileExtension", {b64("movie.swf")}), text_result("swf"));
  EXPECT_EQ(fs("getFileExtension", {b64("")}), text_result(""));
}

TEST_F(ApiFileSystem, SizesInBytesAndUnitsOfTheKilobyteCount) {
  const std::string big = dir.write("big.bin", std::string(1572864, 'b'));
  EXPECT_EQ(fs("getFileSizeBytes", {b64(big)}), Result("<number>1572864</number>"));
  EXPECT_EQ(fs("getFileSizeKBytes", {b64(big)}), Result("<number>1536</number>"));
  EXPECT_EQ(fs("getFileSizeMBytes", {b64(big)}), Result("<number>1.50</number>"));
  EXPECT_EQ(fs("getFileSizeGBytes", {b64(big)}), Result("<number>0.00</number>"));
  const std::string small = dir.write("small.bin", std::string(1000, 's'));
  EXPECT_EQ(fs("getFileSizeMBytes", {b64(small)}), Result("<number>0.00</number>"));
  const std::string odd = dir.write("odd.bin", std::string(2047, 'o'));
  EXPECT_EQ(fs("getFileSizeKBytes", {b64(odd)}), Result("<number>1</number>"));
  // Folders, missing files and files held open without sharing measure 0.
  EXPECT_EQ(fs("getFileSizeBytes", {b64(dir.path())}), Result("<number>0</number>"));
  EXPECT_EQ(fs("getFileSizeBytes", {b64(dir.file("missing"))}), Result("<number>0</number>"));
  HANDLE held = CreateFileA(small.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(fs("getFileSizeBytes", {b64(small)}), Result("<number>0</number>"));
  CloseHandle(held);
  EXPECT_EQ(fs("getFileSizeBytes", {b64(small)}), Result("<number>1000</number>"));
}

void set_file_times(const std::string& path, const SYSTEMTIME& created, const SYSTEMTIME& written) {
  FILETIME created_time, written_time;
  SystemTimeToFileTime(&created, &created_time);
  SystemTimeToFileTime(&written, &written_time);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SetFileTime(file, &created_time, nullptr, &written_time);
  CloseHandle(file);
}

TEST_F(ApiFileSystem, DatesAreTheStoredTimesInUtcWithMonthsFromZero) {
  const std::string path = dir.write("dated.txt", "d");
  SYSTEMTIME created = {2021, 12, 0, 31, 23, 59, 58, 0};
  SYSTEMTIME written = {2024, 3, 0, 7, 10, 5, 9, 0};
  set_file_times(path, created, written);
  EXPECT_EQ(fs("getFileModifiedDate", {b64(path)}),
            Result(bridge::result_date(2024, 3, 7, 10, 5, 9)));
  EXPECT_NE(fs("getFileModifiedDate", {b64(path)})->find("id='month'><number>2<"),
            std::string::npos);
  // Wine on a Linux file system keeps no creation time of its own: compare
  // with what the system reports for it.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  FILETIME stored;
  GetFileTime(file, &stored, nullptr, nullptr);
  CloseHandle(file);
  SYSTEMTIME reported;
  FileTimeToSystemTime(&stored, &reported);
  EXPECT_EQ(fs("getFileCreateDate", {b64(path)}),
            Result(bridge::result_date(reported.wYear, reported.wMonth, reported.wDay,
                                       reported.wHour, reported.wMinute, reported.wSecond)));
  EXPECT_EQ(fs("getFileModifiedDate", {b64(dir.file("missing"))}), kNull);
}

// The current folder and the program's folder differ: tests of which of
// the two a relative path means.
class ApiFileSystemRelative : public ApiFileSystem {
 protected:
  void SetUp() override {
    GetCurrentDirectoryA(sizeof saved_, saved_);
    SetCurrentDirectoryA(dir.path().c_str());
  }
  void TearDown() override { SetCurrentDirectoryA(saved_); }
  char saved_[MAX_PATH] = {};
};

TEST_F(ApiFileSystemRelative, UnresolvedMethodsTakeTheCurrentFolderResolvedOnesTheProgramFolder) {
  const std::string name = "relative_" + std::to_string(GetCurrentProcessId()) + ".txt";
  dir.write(name, "here");
  // Exists below the current folder, not beside the program: the existence
  // test passes, the resolved opening does not.
  EXPECT_EQ(fs("fileExists", {b64(name)}), kTrue);
  EXPECT_EQ(fs("getFileModifiedDate", {b64(name)}), kNull);
  EXPECT_EQ(fs("getFileSizeBytes", {b64(name)}), Result("<number>0</number>"));

  // Beside the program, the resolved methods find it.
  const std::string beside = paths::join(paths::folder_part(paths::program_path()), name);
  ASSERT_TRUE(paths::create_empty_file(beside));
  EXPECT_EQ(fs("getFileSizeBytes", {b64(name)}), Result("<number>0</number>"));
  EXPECT_NE(fs("getFileModifiedDate", {b64(name)}), kNull);

  // Deleting a relative name works in the current folder.
  EXPECT_EQ(fs("deleteFile", {b64(name)}), kTrue);
  EXPECT_FALSE(paths::exists(dir.file(name)));
  EXPECT_TRUE(paths::exists(beside));
  paths::delete_file(beside);
}

TEST_F(ApiFileSystem, SpecialFoldersFromTheShellTheTemporaryAndTheWorkFolder) {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  EXPECT_EQ(fs("getSpecialFolder", {b64("temp")}), text_result(temp));
  EXPECT_EQ(std::string(temp).back(), '\\');
  // The recycle bin has no file-system path: the temporary folder stands in.
  EXPECT_EQ(fs("getSpecialFolder", {b64("trash")}), text_result(temp));
  for (const char* none : {"startmenu", "library", "preferences", "Temp", "unknown", ""}) {
    EXPECT_EQ(fs("getSpecialFolder", {b64(none)}), kNull) << none;
  }
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, sizeof system);
  const Result system_answer = fs("getSpecialFolder", {b64("system")});
  ASSERT_TRUE(system_answer);
  EXPECT_EQ(lstrcmpiA(array_names("<array>" + *system_answer + "</array>")[0].c_str(), system), 0);

  char documents[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, documents, 5, TRUE));
  EXPECT_EQ(fs("getSpecialFolder", {b64("documents")}), text_result(documents));
  char app_data[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, app_data, 26, TRUE));
  EXPECT_EQ(fs("getSpecialFolder", {b64("application_support")}), text_result(app_data));
  // Shell folders come without a trailing backslash.
  for (const char* name : {"desktop", "fonts", "music", "pictures", "startup", "applications"}) {
    const std::vector<std::string> path =
        array_names("<array>" + fs("getSpecialFolder", {b64(name)}).value_or("") + "</array>");
    ASSERT_EQ(path.size(), 1u) << name;
    EXPECT_FALSE(path[0].empty()) << name;
    EXPECT_NE(path[0].back(), '\\') << name;
  }
  // The run's work folder, with a trailing backslash.
  work_folder::set_name("qnfpssver_api_test");
  EXPECT_EQ(fs("getSpecialFolder", {b64("app_files")}),
            text_result(std::string(temp) + "qnfpssver_api_test\\"));
  work_folder::set_name("");
}

TEST_F(ApiFileSystem, PathsBeyondTheSystemLimitFailCleanly) {
  const std::string long_path = dir.path() + "\\" + std::string(300, 'n') + ".txt";
  const std::string long_folder = dir.path() + "\\" + std::string(300, 'f');
  EXPECT_EQ(fs("fileExists", {b64(long_path)}), kFalse);
  EXPECT_EQ(fs("saveFile", {b64(long_path), b64("x")}), kFalse);
  EXPECT_EQ(fs("saveFileHEX", {b64(long_path), b64("41")}), kFalse);
  EXPECT_EQ(fs("createFolder", {b64(long_folder)}), kFalse);
  EXPECT_EQ(fs("deleteFolder", {b64(long_folder), b64("true")}), kFalse);
  EXPECT_EQ(fs("deleteFile", {b64(long_path)}), kFalse);
  EXPECT_EQ(fs("listFiles", {b64(long_folder)}), Result("<array></array>"));
  EXPECT_EQ(fs("getFileSizeBytes", {b64(long_path)}), Result("<number>0</number>"));
  EXPECT_EQ(fs("getFileModifiedDate", {b64(long_path)}), kNull);
  EXPECT_EQ(fs("copyFile", {b64(long_path), b64(dir.path())}), kFalse);
  EXPECT_EQ(fs("createShortcut", {b64(dir.path()), b64(long_path)}), kFalse);
  EXPECT_EQ(fs("getFileExtension", {b64(long_path)}), text_result("txt"));
  const std::string id = new_handle();
  EXPECT_EQ(file("open", {id, b64(long_path), b64("w")}), kFalse);
}

TEST_F(ApiFileSystem, FileHandlesWriteAndReadThroughTheDispatcher) {
  const std::string first = new_handle();
  const std::string second = new_handle();
  EXPECT_EQ(std::stoi(second), std::stoi(first) + 1);

  const std::string path = dir.file("handle.txt");
  // A writing mode creates the missing file.
  EXPECT_EQ(file("open", {first, b64(path), b64("wb")}), kTrue);
  EXPECT_EQ(file("puts", {first, b64("line 1\nline 2")}), std::nullopt);
  EXPECT_EQ(file("putc", {first, b64("!")}), std::nullopt);
  EXPECT_EQ(file("close", {first}), std::nullopt);
  EXPECT_EQ(read_file(path), "line 1\nline 2!");

  // Closed handles stay valid and open again.
  EXPECT_EQ(file("open", {first, b64(path), b64("rb")}), kTrue);
  EXPECT_EQ(file("gets", {first}), text_result("line 1\n"));
  EXPECT_EQ(file("tell", {first}), Result("<number>7</number>"));
  EXPECT_EQ(file("getc", {first}), text_result("l"));
  EXPECT_EQ(file("seek", {first, "-1", "end"}), Result("<number>0</number>"));
  EXPECT_EQ(file("getc", {first}), text_result("!"));
  EXPECT_EQ(file("eof", {first}), kFalse);
  EXPECT_EQ(file("getc", {first}), kNull);
  EXPECT_EQ(file("eof", {first}), kTrue);
  EXPECT_EQ(file("gets", {first}), kNull);
  // Any other origin counts from the start.
  EXPECT_EQ(file("seek", {first, "2", "start"}), Result("<number>0</number>"));
  EXPECT_EQ(file("getc", {first}), text_result("n"));
  EXPECT_EQ(file("seek", {first, "1", "cur"}), Result("<number>0</number>"));
  EXPECT_EQ(file("getc", {first}), text_result(" "));
  file("close", {first});

  // Reading a missing file fails and creates nothing.
  EXPECT_EQ(file("open", {second, b64(dir.file("absent.txt")), b64("r")}), kFalse);
  EXPECT_FALSE(paths::exists(dir.file("absent.txt")));
  // A mode the runtime library does not know is refused.
  EXPECT_EQ(file("open", {second, b64(path), b64("rq")}), kFalse);
}

TEST_F(ApiFileSystem, GetcOnAZeroByteIsTheEmptyText) {
  const std::string path = dir.write("zero.bin", std::string("\x00"
                                                             "A",
                                                             2));
  const std::string id = new_handle();
  ASSERT_EQ(file("open", {id, b64(path), b64("rb")}), kTrue);
  EXPECT_EQ(file("getc", {id}), Result("<string></string>"));
  EXPECT_EQ(file("getc", {id}), text_result("A"));
  EXPECT_EQ(file("getc", {id}), kNull);
  file("close", {id});
}

TEST_F(ApiFileSystem, HandlesWithoutAnOpenStreamAnswerSafely) {
  const std::string id = new_handle();
  EXPECT_EQ(file("getc", {id}), kNull);
  EXPECT_EQ(file("gets", {id}), kNull);
  EXPECT_EQ(file("seek", {id, "0", "beg"}), Result("<number>-1</number>"));
  EXPECT_EQ(file("tell", {id}), Result("<number>-1</number>"));
  EXPECT_EQ(file("eof", {id}), kTrue);
  EXPECT_EQ(file("putc", {id, b64("x")}), std::nullopt);
  EXPECT_EQ(file("puts", {id, b64("x")}), std::nullopt);
  EXPECT_EQ(file("close", {id}), std::nullopt);
  // Ids never issued answer nothing at all.
  EXPECT_EQ(file("getc", {"999999"}), std::nullopt);
  EXPECT_EQ(file("eof", {"0"}), std::nullopt);
  EXPECT_EQ(file("open", {"-1", b64(dir.file("x")), b64("w")}), std::nullopt);
  EXPECT_FALSE(paths::exists(dir.file("x")));
}

}  // namespace
