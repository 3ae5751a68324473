#include "payload/payload_writer.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "common/paths.h"
#include "native/payload/payload_bytes.h"
#include "payload/payload_format.h"
#include "payload/payload_listing.h"
#include "support/temp_dir.h"

namespace {

using payload::PayloadWriter;
using testing_support::PayloadBytes;
using testing_support::TempDir;

class PayloadWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    out_ = dir_.file("out.bin");
    ASSERT_TRUE(writer_.open(out_));
  }
  std::string finish() {
    EXPECT_TRUE(writer_.close()) << writer_.error_message();
    return TempDir::read(out_);
  }

  TempDir dir_;
  std::string out_;
  PayloadWriter writer_;
};

TEST_F(PayloadWriterTest, FieldsAreWrittenValueFirstSizeLast) {
  EXPECT_EQ(writer_.write_value(0x04030201u), 4u);
  EXPECT_EQ(writer_.write_block("blk", 3), 7u);
  EXPECT_EQ(writer_.write_text("name"), 8u);
  EXPECT_EQ(writer_.write_footer(19, 7), 8u);
  EXPECT_EQ(writer_.write_end_entry(), 8u);
  EXPECT_EQ(writer_.write_trailer(), 4u);
  EXPECT_EQ(finish(), PayloadBytes()
                          .u32(0x04030201u)
                          .counted("blk")
                          .counted("name")
                          .footer(19, 7)
                          .footer(0, 0)
                          .trailer()
                          .str());
}

TEST_F(PayloadWriterTest, EntriesMatchTheirLayout) {
  std::string movie = dir_.write("clip.swf", "FWS movie bytes");
  std::string settings = dir_.write("settings.xml", "<settings/>");
  EXPECT_EQ(writer_.write_file_entry(movie), 15u + 4 + 8 + 4 + 8);
  EXPECT_EQ(writer_.write_data_entry("xyz", 3, "data.bin", 99), 3u + 4 + 8 + 4 + 4 + 8);
  EXPECT_EQ(writer_.write_settings_entry_from_file(settings), 11u + 4 + 8);
  EXPECT_EQ(writer_.write_settings_entry("<s/>"), 4u + 4 + 8);
  EXPECT_EQ(finish(), PayloadBytes()
                          .file_entry("clip.swf", "FWS movie bytes")
                          .data_entry("data.bin", "xyz", 99)
                          .settings_entry("<settings/>")
                          .settings_entry("<s/>")
                          .str());
}

TEST_F(PayloadWriterTest, NamesOf256BytesOrMoreAreRefusedBeforeAnyByteIsWritten) {
  std::string longest_ok(255, 'a');
  std::string too_long(256, 'b');
  std::string ok_path = dir_.write(longest_ok.substr(0, 200), "x");
  EXPECT_GT(writer_.write_file_entry(ok_path), 0u);
  EXPECT_EQ(writer_.write_data_entry("d", 1, longest_ok, 0), 1u + 4 + 255 + 4 + 4 + 8);
  std::fflush(nullptr);
  const size_t size_before = TempDir::read(out_).size();
  EXPECT_EQ(writer_.write_data_entry("d", 1, too_long, 0), 0u);
  EXPECT_TRUE(writer_.failed());
  EXPECT_NE(writer_.error_message().find("256 bytes"), std::string::npos)
      << writer_.error_message();
  EXPECT_FALSE(writer_.close());
  EXPECT_EQ(TempDir::read(out_).size(), size_before);
}

TEST_F(PayloadWriterTest, UnreadableSourceFailsTheWholePayload) {
  std::string missing = dir_.file("missing.swf");
  EXPECT_EQ(writer_.write_end_entry(), 8u);
  EXPECT_EQ(writer_.write_file_entry(missing), 0u);
  EXPECT_TRUE(writer_.failed());
  EXPECT_NE(writer_.error_message().find(missing), std::string::npos);
  EXPECT_NE(writer_.error_message().find("cannot read"), std::string::npos);
  // Later writes do nothing: the payload cannot be finished by accident.
  EXPECT_EQ(writer_.write_trailer(), 0u);
  EXPECT_EQ(writer_.write_settings_entry("<s/>"), 0u);
  EXPECT_FALSE(writer_.close());
  EXPECT_EQ(TempDir::read(out_), std::string(8, '\0')) << "no part of the broken entry";

  PayloadWriter folder_as_file;
  ASSERT_TRUE(folder_as_file.open(dir_.file("second.bin")));
  EXPECT_EQ(folder_as_file.write_settings_entry_from_file(dir_.path()), 0u);
  EXPECT_NE(folder_as_file.error_message().find("folder"), std::string::npos);
}

TEST_F(PayloadWriterTest, FoldersWithSubFoldersAreRefused) {
  std::string folder = dir_.file("assets");
  ASSERT_TRUE(paths::create_folder(folder));
  dir_.write("assets/a.png", "a");
  ASSERT_TRUE(paths::create_folder(dir_.file("assets/deeper")));
  EXPECT_EQ(writer_.write_folder_entry(folder), 0u);
  EXPECT_TRUE(writer_.failed());
  EXPECT_NE(writer_.error_message().find("sub-folders are not supported"), std::string::npos);
  EXPECT_NE(writer_.error_message().find("deeper"), std::string::npos);
  EXPECT_FALSE(writer_.close());
  EXPECT_EQ(TempDir::read(out_), "") << "checked before the first byte";
}

TEST_F(PayloadWriterTest, NamesTheReaderWouldSkipAreRefused) {
  EXPECT_EQ(writer_.write_data_entry("d", 1, "..", 0), 0u);
  EXPECT_TRUE(writer_.failed());
  EXPECT_NE(writer_.error_message().find("\"..\""), std::string::npos);
}

TEST_F(PayloadWriterTest, ListingShowsEntriesInFileOrder) {
  std::string runtime = dir_.write("runtime.scr", std::string(1000, 'R'));
  std::string folder = dir_.file("pics");
  ASSERT_TRUE(paths::create_folder(folder));
  dir_.write("pics/b.png", "bb");
  dir_.write("pics/a.png", "a");
  std::string movie = dir_.write("movie.swf", std::string(1234, 'M'));
  writer_.write_raw_file(runtime);
  writer_.write_end_entry();
  writer_.write_file_entry(movie);
  writer_.write_folder_entry(folder);
  writer_.write_data_entry("abc", 3, "d.bin", 5);
  writer_.write_settings_entry("<settings/>");
  writer_.write_trailer();
  std::string bytes = finish();

  payload::PayloadListing listing;
  ASSERT_EQ(payload::list_payload(out_, listing), 0);
  EXPECT_EQ(listing.program_size, 1000u);
  EXPECT_EQ(listing.file_size, bytes.size());
  ASSERT_EQ(listing.entries.size(), 4u);
  EXPECT_EQ(listing.entries[0].kind, payload::kFileEntry);
  EXPECT_EQ(listing.entries[0].name, "movie.swf");
  EXPECT_EQ(listing.entries[0].size, 1234u);
  EXPECT_EQ(listing.entries[1].kind, payload::kFolderEntry);
  EXPECT_EQ(listing.entries[1].name, "pics");
  ASSERT_EQ(listing.entries[1].files.size(), 2u);
  EXPECT_EQ(listing.entries[1].files[0].name, "a.png");
  EXPECT_EQ(listing.entries[1].files[1].name, "b.png");
  EXPECT_EQ(listing.entries[1].files[1].size, 2u);
  EXPECT_EQ(listing.entries[2].kind, payload::kDataEntry);
  EXPECT_EQ(listing.entries[2].value, 5u);
  EXPECT_EQ(listing.entries[3].kind, payload::kSettingsEntry);
  EXPECT_EQ(listing.entries[3].size, 11u);

  payload::PayloadListing none;
  EXPECT_EQ(payload::list_payload(runtime, none), payload::kNoTrailer);
  EXPECT_EQ(payload::list_payload(dir_.file("missing"), none), payload::kProgramMissing);
  EXPECT_EQ(payload::list_payload(dir_.path(), none), payload::kProgramCannotOpen);
}

TEST(PayloadEntryNames, SafeNamesStayInsideTheFolder) {
  for (const char* name : {"movie.swf", "a", "fp.dat", "Console.swf", "COM10", "..a", "a..b",
                           "name with spaces.swf", "\xC3\xA9t\xC3\xA9.swf"}) {
    EXPECT_TRUE(payload::is_safe_entry_name(name)) << name;
  }
  EXPECT_TRUE(payload::is_safe_entry_name(std::string(255, 'x')));
  for (const char* name :
       {"",         ".",   "..",  "...", " . ",         "a/b",     "a\\b", "c:",      "C:movie.swf",
        "/abs",     "x.",  "x ",  "CON", "Con.swf.bak", "con.txt", "Aux",  "NUL.swf", "com1",
        "LPT9.dat", "a*b", "a|b", "<a>", "tab\there"}) {
    EXPECT_FALSE(payload::is_safe_entry_name(name)) << name;
  }
  EXPECT_FALSE(payload::is_safe_entry_name(std::string(256, 'x')));
  EXPECT_FALSE(payload::is_safe_entry_name(std::string("a\0b", 3)));
}

}  // namespace
