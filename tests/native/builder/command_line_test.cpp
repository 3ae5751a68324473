#include "builder/command_line.h"

#include <gtest/gtest.h>

namespace {

using saverbuild::Command;
using saverbuild::CommandLine;
using saverbuild::parse_command_line;

TEST(BuilderCommandLine, BuildTakesOptionsInEveryFormAndInputsInOrder) {
  CommandLine line;
  std::string error;
  ASSERT_TRUE(
      parse_command_line({"build", "intro.swf", "--runtime", "saver.scr", "--settings=settings.xml",
                          "main.swf", "-o", "out.scr", "pics", "--", "-odd-name.swf"},
                         line, error))
      << error;
  EXPECT_EQ(line.command, Command::kBuild);
  EXPECT_EQ(line.build.runtime_path, "saver.scr");
  EXPECT_EQ(line.build.settings_file, "settings.xml");
  EXPECT_EQ(line.build.output_path, "out.scr");
  EXPECT_EQ(line.build.inputs,
            (std::vector<std::string>{"intro.swf", "main.swf", "pics", "-odd-name.swf"}));
  EXPECT_FALSE(line.build.has_settings_text);

  ASSERT_TRUE(parse_command_line({"build", "-r", "a.scr", "-s", "b.xml", "--output=c.scr", "m.swf"},
                                 line, error));
  EXPECT_EQ(line.build.runtime_path, "a.scr");
  EXPECT_EQ(line.build.settings_file, "b.xml");
  EXPECT_EQ(line.build.output_path, "c.scr");
}

TEST(BuilderCommandLine, ListExtractAndHelp) {
  CommandLine line;
  std::string error;
  ASSERT_TRUE(parse_command_line({"list", "out.scr"}, line, error));
  EXPECT_EQ(line.command, Command::kList);
  EXPECT_EQ(line.saver_path, "out.scr");
  ASSERT_TRUE(parse_command_line({"extract", "out.scr", "folder"}, line, error));
  EXPECT_EQ(line.command, Command::kExtract);
  EXPECT_EQ(line.folder, "folder");
  for (const char* help : {"--help", "-h", "help"}) {
    ASSERT_TRUE(parse_command_line({help}, line, error));
    EXPECT_EQ(line.command, Command::kHelp);
  }
  ASSERT_TRUE(parse_command_line({"build", "-r", "x", "--help"}, line, error));
  EXPECT_EQ(line.command, Command::kHelp);
  std::string usage = saverbuild::usage_text();
  for (const char* word : {"--runtime", "--settings", "--output", "list SAVER", "extract SAVER"}) {
    EXPECT_NE(usage.find(word), std::string::npos) << word;
  }
}

TEST(BuilderCommandLine, MistakesGiveOneLineNamingTheProblem) {
  struct Case {
    std::vector<std::string> args;
    const char* expected;
  };
  const Case cases[] = {
      {{}, "no command"},
      {{"bulid"}, "unknown command \"bulid\""},
      {{"build", "--runtim", "x"}, "unknown option --runtim"},
      {{"build", "m.swf", "-o"}, "--output needs a value"},
      {{"build", "-o", "a", "-o", "b"}, "--output given twice"},
      {{"build", "--settings="}, "--settings needs a non-empty value"},
      {{"list"}, "usage: saverbuild list SAVER"},
      {{"list", "a", "b"}, "usage: saverbuild list SAVER"},
      {{"extract", "a"}, "usage: saverbuild extract SAVER FOLDER"},
      {{"list", "-x", "a"}, "unknown option -x"},
  };
  for (const Case& c : cases) {
    CommandLine line;
    std::string error;
    EXPECT_FALSE(parse_command_line(c.args, line, error)) << c.expected;
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

}  // namespace
