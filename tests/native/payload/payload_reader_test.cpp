#include "payload/payload_reader.h"

#include <gtest/gtest.h>

#include <random>

#include "common/paths.h"
#include "native/payload/payload_bytes.h"
#include "native/payload/scratch_temp_folder.h"
#include "payload/payload_writer.h"
#include "payload/work_folder.h"

namespace {

using payload::PayloadReader;
using testing_support::PayloadBytes;
using testing_support::TempDir;

const std::string kProgram = "MZ\x90\0 stand-in for the saver program";

std::string pseudo_random_bytes(size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
  return bytes;
}

class PayloadReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(work_folder::create()); }

  // A program file with the given payload bytes appended.
  std::string program_with(const std::string& payload_bytes) {
    return scratch_.temp().write("saver.scr", kProgram + payload_bytes);
  }

  std::string in_work(const std::string& name) { return work_folder::path_of(name); }
  static std::string read(const std::string& path) { return TempDir::read(path); }

  testing_support::ScratchTempFolder scratch_;
};

TEST_F(PayloadReaderTest, EndEntryAloneIsAnEmptyPayload) {
  PayloadReader reader;
  ASSERT_TRUE(reader.open(program_with(PayloadBytes().end_entry().trailer().str())));
  EXPECT_TRUE(reader.read_table());
  EXPECT_EQ(reader.error(), 0);
  EXPECT_TRUE(reader.files().empty());
  EXPECT_TRUE(reader.data_blocks().empty());
  EXPECT_FALSE(reader.has_settings());
  std::string settings;
  EXPECT_FALSE(reader.settings_path(settings));
  EXPECT_TRUE(reader.extracted_paths().empty());
}

// The layout of a saver as the builder makes it, checked field by field from
// the end, and then extracted.
TEST_F(PayloadReaderTest, FinishedSaverExtractsMoviesAndSettings) {
  const std::string content_movie = pseudo_random_bytes(3000, 1);
  const std::string small_movie = pseudo_random_bytes(1196, 2);
  const std::string settings_text = pseudo_random_bytes(1510, 3);
  std::string content_path = scratch_.temp().write("content.swf", content_movie);
  std::string small_path = scratch_.temp().write("preload.swf", small_movie);  // 11-byte name
  std::string settings_path = scratch_.temp().write("settings.xml", settings_text);
  std::string runtime_path = scratch_.temp().write("runtime.scr", kProgram);
  std::string saver_path = scratch_.temp().file("saver.scr");

  payload::PayloadWriter writer;
  ASSERT_TRUE(writer.open(saver_path));
  EXPECT_EQ(writer.write_raw_file(runtime_path), kProgram.size());
  EXPECT_EQ(writer.write_end_entry(), 8u);
  EXPECT_EQ(writer.write_file_entry(content_path), 3000u + 4 + 11 + 4 + 8);
  EXPECT_EQ(writer.write_file_entry(small_path), 1215u + 8);
  EXPECT_EQ(writer.write_settings_entry_from_file(settings_path), 1514u + 8);
  EXPECT_EQ(writer.write_trailer(), 4u);
  ASSERT_TRUE(writer.close()) << writer.error_message();

  const std::string bytes = read(saver_path);
  ASSERT_EQ(bytes.size(), kProgram.size() + 8 + (3000 + 27) + (1215 + 8) + (1514 + 8) + 4);
  const std::string expected_tail = PayloadBytes().settings_entry(settings_text).trailer().str();
  EXPECT_EQ(bytes.substr(bytes.size() - expected_tail.size()), expected_tail);
  const std::string expected_small = PayloadBytes().file_entry("preload.swf", small_movie).str();
  EXPECT_EQ(bytes.substr(bytes.size() - expected_tail.size() - expected_small.size(),
                         expected_small.size()),
            expected_small);
  EXPECT_EQ(bytes.substr(0, kProgram.size() + 8), kProgram + std::string(8, '\0'));

  PayloadReader reader;
  ASSERT_TRUE(reader.open(saver_path));
  ASSERT_TRUE(reader.read_table());
  ASSERT_EQ(reader.files().size(), 2u);
  // Reading order: the entry nearest the end first.
  EXPECT_EQ(reader.files()[0].name, "preload.swf");
  EXPECT_EQ(reader.files()[0].body_length, 1215u);
  EXPECT_EQ(reader.files()[0].path, in_work("preload.swf"));
  EXPECT_EQ(reader.files()[1].name, "content.swf");
  EXPECT_EQ(reader.files()[1].body_length, 3000u + 4 + 11 + 4);
  EXPECT_EQ(read(in_work("preload.swf")), small_movie);
  EXPECT_EQ(read(in_work("content.swf")), content_movie);
  std::string extracted_settings;
  ASSERT_TRUE(reader.settings_path(extracted_settings));
  EXPECT_EQ(extracted_settings, in_work("fp.dat"));
  EXPECT_EQ(read(extracted_settings), settings_text);
  EXPECT_EQ(reader.extracted_paths().size(), 3u);
}

TEST_F(PayloadReaderTest, WrongTrailerGives102AndExtractsNothing) {
  const std::string good = PayloadBytes()
                               .end_entry()
                               .file_entry("a.swf", "movie")
                               .settings_entry("<s/>")
                               .trailer()
                               .str();
  std::string last_byte_wrong = good;
  last_byte_wrong.back() = 'M';
  std::string third_last_wrong = good;
  third_last_wrong[third_last_wrong.size() - 3] = '\xEF';
  std::string first_wrong = good;
  first_wrong[first_wrong.size() - 4] = '\x00';
  for (const std::string& payload : {last_byte_wrong, third_last_wrong, first_wrong}) {
    PayloadReader reader;
    ASSERT_TRUE(reader.open(program_with(payload)));
    EXPECT_FALSE(reader.read_table());
    EXPECT_EQ(reader.error(), payload::kNoTrailer);
    EXPECT_FALSE(paths::exists(in_work("a.swf")));
    EXPECT_FALSE(paths::exists(in_work("fp.dat")));
  }
  // A file too short to hold a trailer at all.
  PayloadReader reader;
  ASSERT_TRUE(reader.open(scratch_.temp().write("tiny.scr", "QN")));
  EXPECT_FALSE(reader.read_table());
  EXPECT_EQ(reader.error(), payload::kNoTrailer);
}

TEST_F(PayloadReaderTest, UnknownKindEndsTheWalkWithSuccess) {
  const std::string payload = PayloadBytes()
                                  .end_entry()
                                  .file_entry("before.swf", "never read")
                                  .footer(0, 3)
                                  .file_entry("after.swf", "read")
                                  .settings_entry("<settings/>")
                                  .trailer()
                                  .str();
  PayloadReader reader;
  ASSERT_TRUE(reader.open(program_with(payload)));
  EXPECT_TRUE(reader.read_table());
  ASSERT_EQ(reader.files().size(), 1u);
  EXPECT_EQ(reader.files()[0].name, "after.swf");
  EXPECT_EQ(read(in_work("after.swf")), "read");
  EXPECT_FALSE(paths::exists(in_work("before.swf")));
}

TEST_F(PayloadReaderTest, TwoSettingsEntriesTheOneNearerTheStartWins) {
  const std::string payload = PayloadBytes()
                                  .end_entry()
                                  .settings_entry("<first/>")
                                  .settings_entry("<second, longer/>")
                                  .trailer()
                                  .str();
  PayloadReader reader;
  ASSERT_TRUE(reader.open(program_with(payload)));
  ASSERT_TRUE(reader.read_table());
  std::string settings;
  ASSERT_TRUE(reader.settings_path(settings));
  EXPECT_EQ(read(settings), "<first/>");
}

TEST_F(PayloadReaderTest, ExistingFileIsReplacedExistingFolderLeftAlone) {
  std::string existing_file = scratch_.temp().write(paths::join(work_folder::name(), "movie.swf"),
                                                    "an older, longer movie file than the new one");
  ASSERT_TRUE(paths::create_folder(in_work("folder.swf")));
  const std::string payload = PayloadBytes()
                                  .end_entry()
                                  .file_entry("next.swf", "still read")
                                  .file_entry("folder.swf", "not written")
                                  .file_entry("movie.swf", "new")
                                  .trailer()
                                  .str();
  PayloadReader reader;
  ASSERT_TRUE(reader.open(program_with(payload)));
  ASSERT_TRUE(reader.read_table());
  EXPECT_EQ(read(existing_file), "new");
  EXPECT_TRUE(paths::is_folder(in_work("folder.swf")));
  EXPECT_EQ(read(in_work("next.swf")), "still read");
  ASSERT_EQ(reader.files().size(), 3u);
  EXPECT_TRUE(reader.files()[0].written);
  EXPECT_FALSE(reader.files()[1].written);
  EXPECT_EQ(reader.files()[1].path, in_work("folder.swf"));
  EXPECT_TRUE(reader.files()[2].written);
}

TEST_F(PayloadReaderTest, DataEntryKeepsAnExistingFileAndTheWalkStaysAligned) {
  scratch_.temp().write(paths::join(work_folder::name(), "kept.bin"), "old data");
  const std::string payload = PayloadBytes()
                                  .end_entry()
                                  .file_entry("earlier.swf", "movie bytes")
                                  .data_entry("kept.bin", "new data", 7)
                                  .data_entry("fresh.bin", "fresh data", 0xA1B2C3D4u)
                                  .settings_entry("<s/>")
                                  .trailer()
                                  .str();
  PayloadReader reader;
  ASSERT_TRUE(reader.open(program_with(payload)));
  ASSERT_TRUE(reader.read_table());
  EXPECT_EQ(read(in_work("kept.bin")), "old data");
  EXPECT_EQ(read(in_work("fresh.bin")), "fresh data");
  EXPECT_EQ(read(in_work("earlier.swf")), "movie bytes");
  ASSERT_EQ(reader.data_blocks().size(), 2u);
  EXPECT_EQ(reader.data_blocks()[0].name, "fresh.bin");
  EXPECT_EQ(reader.data_blocks()[0].value, 0xA1B2C3D4u);
  EXPECT_TRUE(reader.data_blocks()[0].written);
  EXPECT_EQ(reader.data_blocks()[1].value, 7u);
  EXPECT_FALSE(reader.data_blocks()[1].written);
  EXPECT_EQ(reader.data_blocks()[1].path, in_work("kept.bin"));
}

TEST_F(PayloadReaderTest, SettingsPathNeedsAWrittenSettingsFile) {
  // A folder in the way of "fp.dat": the record keeps its path, nothing is
  // written, and no settings are reported.
  ASSERT_TRUE(paths::create_folder(in_work("fp.dat")));
  PayloadReader reader;
  ASSERT_TRUE(
      reader.open(program_with(PayloadBytes().end_entry().settings_entry("<s/>").trailer().str())));
  ASSERT_TRUE(reader.read_table());
  EXPECT_TRUE(reader.has_settings());
  EXPECT_EQ(reader.settings().path, in_work("fp.dat"));
  std::string settings = "unchanged";
  EXPECT_FALSE(reader.settings_path(settings));
  EXPECT_EQ(settings, "unchanged");
}

TEST_F(PayloadReaderTest, LargeAndEmptyFilesRoundTrip) {
  const std::string large = pseudo_random_bytes(700 * 1024 + 13, 4);
  std::string large_path = scratch_.temp().write("large.swf", large);
  std::string empty_path = scratch_.temp().write("empty.txt", "");
  std::string saver = scratch_.temp().file("saver.scr");
  payload::PayloadWriter writer;
  ASSERT_TRUE(writer.open(saver));
  writer.write_end_entry();
  writer.write_file_entry(large_path);
  writer.write_file_entry(empty_path);
  const std::string blob = pseudo_random_bytes(300, 5);
  writer.write_data_entry(blob.data(), static_cast<uint32_t>(blob.size()), "blob.dat", 42);
  writer.write_settings_entry("<settings generated='yes'/>");
  writer.write_trailer();
  ASSERT_TRUE(writer.close()) << writer.error_message();

  // Extract somewhere else than the work folder, as the builder does.
  std::string target = scratch_.temp().file("out");
  ASSERT_TRUE(paths::create_folder(target));
  PayloadReader reader;
  reader.set_target_folder(target);
  ASSERT_TRUE(reader.open(saver));
  ASSERT_TRUE(reader.read_table());
  EXPECT_EQ(read(paths::join(target, "large.swf")), large);
  EXPECT_TRUE(paths::exists(paths::join(target, "empty.txt")));
  EXPECT_EQ(read(paths::join(target, "empty.txt")), "");
  EXPECT_EQ(read(paths::join(target, "blob.dat")), blob);
  std::string settings;
  ASSERT_TRUE(reader.settings_path(settings));
  EXPECT_EQ(read(settings), "<settings generated='yes'/>");
  EXPECT_FALSE(paths::exists(in_work("large.swf")));

  // A second walk starts afresh instead of adding to the first.
  ASSERT_TRUE(reader.read_table());
  EXPECT_EQ(reader.files().size(), 2u);
  EXPECT_EQ(reader.data_blocks().size(), 1u);
}

TEST_F(PayloadReaderTest, FolderEntryExtractsIntoItsOwnFolder) {
  std::string folder = scratch_.temp().file("assets");
  ASSERT_TRUE(paths::create_folder(folder));
  scratch_.temp().write("assets/one.png", "first");
  scratch_.temp().write("assets/two.png", "second");
  std::string saver = scratch_.temp().file("saver.scr");
  payload::PayloadWriter writer;
  ASSERT_TRUE(writer.open(saver));
  writer.write_end_entry();
  uint32_t folder_size = writer.write_folder_entry(folder);
  std::string top_path = scratch_.temp().write("top.swf", "top");
  writer.write_file_entry(top_path);
  writer.write_trailer();
  ASSERT_TRUE(writer.close()) << writer.error_message();
  // End entry, two file entries, the name, the footer.
  EXPECT_EQ(folder_size, 8u + (5 + 4 + 7 + 4 + 8) + (6 + 4 + 7 + 4 + 8) + (6 + 4) + 8);

  PayloadReader reader;
  ASSERT_TRUE(reader.open(saver));
  ASSERT_TRUE(reader.read_table());
  EXPECT_EQ(read(paths::join(in_work("assets"), "one.png")), "first");
  EXPECT_EQ(read(paths::join(in_work("assets"), "two.png")), "second");
  EXPECT_EQ(read(in_work("top.swf")), "top");
  ASSERT_EQ(reader.files().size(), 1u) << "a folder's files are not kept in the file list";
  EXPECT_EQ(reader.extracted_paths().size(), 3u);
}

// Names with a folder part, parent references or device names never leave the
// work folder: the entry is walked past and the rest is extracted.
TEST_F(PayloadReaderTest, UnsafeNamesAreSkippedAndTheWalkGoesOn) {
  PayloadBytes bytes;
  bytes.end_entry().file_entry("first.swf", "first");
  const char* unsafe[] = {"../escape.swf", "..", "sub/x.swf", "sub\\x.swf", "C:x.swf", "", "CON",
                          "nul.txt",       " ",  "trail.",    "a\nb",       "q?.swf"};
  for (const char* name : unsafe) bytes.file_entry(name, "payload bytes");
  bytes.data_entry("../data.bin", "data", 1);
  // A folder with an unsafe name takes its files with it.
  bytes.end_entry().file_entry("inner.swf", "inner").counted("..").footer(0, 8);
  bytes.settings_entry("<s/>").trailer();

  PayloadReader reader;
  ASSERT_TRUE(reader.open(program_with(bytes.str())));
  ASSERT_TRUE(reader.read_table());
  EXPECT_EQ(reader.skipped_entries(), sizeof unsafe / sizeof unsafe[0] + 1 + 2);
  EXPECT_EQ(read(in_work("first.swf")), "first");
  std::string settings;
  EXPECT_TRUE(reader.settings_path(settings));
  ASSERT_EQ(reader.files().size(), 1u);
  EXPECT_TRUE(reader.data_blocks().empty());
  EXPECT_FALSE(paths::exists(scratch_.temp().file("escape.swf")));
  EXPECT_FALSE(paths::exists(scratch_.temp().file("data.bin")));
  EXPECT_FALSE(paths::exists(scratch_.temp().file("inner.swf")));
  EXPECT_FALSE(paths::exists(in_work("sub")));
}

TEST_F(PayloadReaderTest, CountsThatDoNotFitEndTheWalkAsDamaged) {
  struct Case {
    const char* what;
    std::string bytes;  // appended after the program bytes
  };
  const Case cases[] = {
      {"block count reaching before the file",
       PayloadBytes().u32(0xFFFFFFF0u).footer(0, 1).trailer().str()},
      {"block count one byte too large",
       PayloadBytes().u32(static_cast<uint32_t>(kProgram.size()) + 1).footer(0, 1).trailer().str()},
      {"name count beyond any writer's", PayloadBytes()
                                             .counted("contents")
                                             .raw(std::string(300, 'n'))
                                             .u32(300)
                                             .footer(0, 5)
                                             .trailer()
                                             .str()},
      {"name count reaching before the file", PayloadBytes().u32(200).footer(0, 5).trailer().str()},
      {"nested folder", PayloadBytes()
                            .end_entry()
                            .end_entry()
                            .counted("inner")
                            .footer(0, 8)
                            .counted("outer")
                            .footer(0, 8)
                            .trailer()
                            .str()},
      {"settings entry inside a folder", PayloadBytes()
                                             .end_entry()
                                             .end_entry()
                                             .settings_entry("x")
                                             .counted("dir")
                                             .footer(0, 8)
                                             .trailer()
                                             .str()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PayloadReader reader;
    ASSERT_TRUE(reader.open(scratch_.temp().write("damaged.scr", kProgram + c.bytes)));
    EXPECT_FALSE(reader.read_table());
    EXPECT_EQ(reader.error(), payload::kPayloadDamaged);
  }

  // Too short for even one footer after the trailer.
  {
    PayloadReader reader;
    ASSERT_TRUE(
        reader.open(scratch_.temp().write("short.scr", "abc" + PayloadBytes().trailer().str())));
    EXPECT_FALSE(reader.read_table());
    EXPECT_EQ(reader.error(), payload::kPayloadDamaged);
  }

  // What was read before the damage stays extracted; the error still shows.
  PayloadReader reader;
  ASSERT_TRUE(reader.open(scratch_.temp().write(
      "partly.scr",
      PayloadBytes().u32(0x7FFFFFFF).footer(0, 5).file_entry("good.swf", "ok").trailer().str())));
  EXPECT_FALSE(reader.read_table());
  EXPECT_EQ(reader.error(), payload::kPayloadDamaged);
  EXPECT_EQ(read(in_work("good.swf")), "ok");
}

TEST_F(PayloadReaderTest, OpenReportsMissingAndUnopenableProgramFiles) {
  PayloadReader reader;
  EXPECT_FALSE(reader.read_table()) << "nothing opened yet";
  EXPECT_EQ(reader.error(), payload::kProgramCannotOpen);
  EXPECT_FALSE(reader.open(scratch_.temp().file("missing.scr")));
  EXPECT_EQ(reader.error(), payload::kProgramMissing);
  EXPECT_FALSE(reader.read_table());
  EXPECT_EQ(reader.error(), payload::kProgramMissing);
  EXPECT_FALSE(reader.open(work_folder::path()));
  EXPECT_EQ(reader.error(), payload::kProgramCannotOpen);
  ASSERT_TRUE(reader.open(program_with(PayloadBytes().end_entry().trailer().str())));
  EXPECT_EQ(reader.error(), 0);
}

TEST(PayloadReaderWorkFolder, WithoutANameFilesLandInTheTemporaryFolder) {
  testing_support::ScratchTempFolder scratch("");
  std::string saver = scratch.temp().write("saver.scr", kProgram + PayloadBytes()
                                                                       .end_entry()
                                                                       .file_entry("m.swf", "m")
                                                                       .settings_entry("<s/>")
                                                                       .trailer()
                                                                       .str());
  PayloadReader reader;
  ASSERT_TRUE(reader.open(saver));
  ASSERT_TRUE(reader.read_table());
  EXPECT_EQ(TempDir::read(scratch.temp().file("m.swf")), "m");
  std::string settings;
  ASSERT_TRUE(reader.settings_path(settings));
  EXPECT_EQ(settings, scratch.temp().file("fp.dat"));
}

}  // namespace
