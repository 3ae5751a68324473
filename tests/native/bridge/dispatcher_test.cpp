#include "bridge/dispatcher.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "native/bridge/fake_host.h"

namespace {

using bridge::ArgumentList;
using bridge::Dispatcher;
using bridge::Namespace;
using bridge::OwnedArguments;
using bridge::Result;
using bridge_testing::FakeHost;

// Records every method it is asked and answers "<method|first argument>".
class RecordingHandler : public bridge::NamespaceHandler {
 public:
  explicit RecordingHandler(std::vector<std::string>& log, std::string tag)
      : log_(log), tag_(std::move(tag)) {}
  Result call(std::string_view method, const ArgumentList& arguments) override {
    log_.push_back(tag_ + ":" + std::string(method));
    return "<" + std::string(method) + "|" + std::string(arguments.text(1)) + ">";
  }

 private:
  std::vector<std::string>& log_;
  std::string tag_;
};

OwnedArguments texts(std::vector<std::string> values) { return OwnedArguments(std::move(values)); }

class DispatcherTest : public ::testing::Test {
 protected:
  Result call(const std::string& name, std::vector<std::string> values = {},
              uint32_t* length_slot = nullptr) {
    OwnedArguments arguments = texts(std::move(values));
    return dispatcher.dispatch(name, arguments.list(), length_slot);
  }

  void install_all_recorders() {
    for (std::size_t i = 0; i < bridge::kNamespaceCount; ++i) {
      const Namespace space = static_cast<Namespace>(i);
      dispatcher.set_handler(space, std::make_unique<RecordingHandler>(
                                        log, std::string(bridge::namespace_prefix(space))));
    }
  }

  FakeHost host;
  Dispatcher dispatcher{host};
  std::vector<std::string> log;
};

// ---------------------------------------------------------------------------
// Routing

TEST_F(DispatcherTest, NamespacePrefixIsRemovedAndArgumentsPassedOn) {
  dispatcher.set_handler(Namespace::kWindow, std::make_unique<RecordingHandler>(log, "W"));
  EXPECT_EQ(call("Window.getSize", {"main"}), Result("<getSize|main>"));
  EXPECT_EQ(log, std::vector<std::string>{"W:getSize"});
}

TEST_F(DispatcherTest, PrefixesAreExactAndCaseSensitive) {
  install_all_recorders();
  EXPECT_EQ(call("window.getSize"), std::nullopt);
  EXPECT_EQ(call("XWindow.getSize"), std::nullopt);
  EXPECT_EQ(call("Window"), std::nullopt);
  EXPECT_EQ(call("WindowgetSize"), std::nullopt);
  EXPECT_EQ(call(""), std::nullopt);
  EXPECT_TRUE(log.empty());
  // The prefix alone leaves an empty method name for the namespace to refuse.
  EXPECT_EQ(call("Window."), Result("<|>"));
}

TEST_F(DispatcherTest, EveryPrefixReachesItsOwnNamespace) {
  install_all_recorders();
  const std::vector<std::string> prefixes = {
      "Application.", "Api.",  "AppleScript.", "Clipboard.", "Debug.",  "Dialogs.", "DLL.",
      "FileSystem.",  "Menu.", "Network.",     "Registry.",  "System.", "Window."};
  for (const std::string& prefix : prefixes) {
    log.clear();
    EXPECT_EQ(call(prefix + "m", {"a"}), Result("<m|a>")) << prefix;
    EXPECT_EQ(log, std::vector<std::string>{prefix + ":m"});
  }
  // Sub-group names stay in the method name for the namespace to route.
  log.clear();
  call("Dialogs.ChooseFile.show");
  EXPECT_EQ(log, std::vector<std::string>{"Dialogs.:ChooseFile.show"});
}

TEST_F(DispatcherTest, NamespacesWithoutAHandlerAnswerNothing) {
  for (const char* name : {"Window.getSize", "FileSystem.read", "System.getInfo", "Menu.add"}) {
    EXPECT_EQ(call(name), std::nullopt) << name;
  }
  EXPECT_EQ(dispatcher.handler(Namespace::kWindow), nullptr);
  EXPECT_NE(dispatcher.handler(Namespace::kApi), nullptr);
  EXPECT_NE(dispatcher.handler(Namespace::kAppleScript), nullptr);
}

TEST_F(DispatcherTest, HandlersReadMissingPositionsAsEmptyTexts) {
  class ReadsFive : public bridge::NamespaceHandler {
    Result call(std::string_view, const ArgumentList& arguments) override {
      return std::string(arguments.text(5)) + "|" + bridge::read_text(arguments, 4) + "|" +
             std::to_string(bridge::read_integer(arguments, 3));
    }
  };
  dispatcher.set_handler(Namespace::kSystem, std::make_unique<ReadsFive>());
  EXPECT_EQ(call("System.x", {"one"}), Result("||0"));
}

TEST(TakePrefix, RemovesOnlyAnExactPrefix) {
  std::string_view name = "ChooseFile.show";
  EXPECT_FALSE(bridge::take_prefix(name, "choosefile."));
  EXPECT_EQ(name, "ChooseFile.show");
  EXPECT_TRUE(bridge::take_prefix(name, "ChooseFile."));
  EXPECT_EQ(name, "show");
  EXPECT_FALSE(bridge::take_prefix(name, "showing"));
}

// ---------------------------------------------------------------------------
// Request kinds

TEST_F(DispatcherTest, RequestBeforeAnyPendingPartsUsesEmptyTexts) {
  const Result text = call(":request", {"B"});
  EXPECT_EQ(text, Result("<invoke name=\"\" returntype=\"javascript\"><arguments><string>"
                         "</string><string>B</string></arguments></invoke>"));
  EXPECT_EQ(dispatcher.request_text(), *text);
}

TEST_F(DispatcherTest, RequestBuildsTheInvokeTextFromThePendingParts) {
  EXPECT_EQ(call(":request1", {"getVar"}), Result(""));
  EXPECT_EQ(call(":request2", {"data"}), Result(""));
  EXPECT_EQ(call(":request", {"third"}),
            Result("<invoke name=\"getVar\" returntype=\"javascript\"><arguments><string>data"
                   "</string><string>third</string></arguments></invoke>"));
  // The pending parts stay until replaced.
  EXPECT_EQ(dispatcher.pending_request_name(), "getVar");
  EXPECT_EQ(call(":request1", {"other"}), Result(""));
  EXPECT_EQ(call(":request", {"4"}),
            Result("<invoke name=\"other\" returntype=\"javascript\"><arguments><string>data"
                   "</string><string>4</string></arguments></invoke>"));
}

TEST_F(DispatcherTest, RequestTextHoldsPartsOfAnyLength) {
  const std::string big_name(100000, 'n');
  const std::string big_data(300000, 'd');
  call(":request1", {big_name});
  call(":request2", {big_data});
  const Result text = call(":request", {"x"});
  ASSERT_TRUE(text);
  EXPECT_EQ(text->size(),
            big_name.size() + big_data.size() + 1 + bridge::invoke_text("", "", "").size());
  EXPECT_NE(text->find(big_data + "</string><string>x</string>"), std::string::npos);
}

TEST_F(DispatcherTest, RequestKindsAreComparedWhole) {
  install_all_recorders();
  for (const char* name :
       {":fscmd", ":request3", ":Request1", ":requestx", ":get", ":", ":post "}) {
    EXPECT_EQ(call(name, {"x"}), std::nullopt) << name;
  }
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(host.loads.empty());
  EXPECT_EQ(dispatcher.pending_request_name(), "");
}

TEST_F(DispatcherTest, SecondPostDataReplacesTheFirstAndPostSendsIt) {
  EXPECT_EQ(call(":postData", {"first block"}), Result(""));
  const std::string second("sec\0ond", 7);
  const NPVariant record = bridge::string_variant(second);
  EXPECT_EQ(dispatcher.dispatch(":postData", ArgumentList(&record, 1)), Result(""));
  EXPECT_EQ(dispatcher.post_data(), second);

  uint32_t length = 99;
  host.load_answer = std::string("re\0ply", 6);
  EXPECT_EQ(call(":post", {"http://127.0.0.1/x"}, &length), Result(host.load_answer));
  EXPECT_EQ(length, 6u);
  ASSERT_EQ(host.loads.size(), 1u);
  EXPECT_EQ(host.loads[0].url, "http://127.0.0.1/x");
  EXPECT_TRUE(host.loads[0].has_body);
  EXPECT_EQ(host.loads[0].body, second);
  // The stored block stays for the next post.
  call(":post", {"http://127.0.0.1/y"});
  ASSERT_EQ(host.loads.size(), 2u);
  EXPECT_EQ(host.loads[1].body, second);
}

TEST_F(DispatcherTest, PostWithoutStoredDataFetchesWithoutBody) {
  call(":post", {"file://a.txt"});
  ASSERT_EQ(host.loads.size(), 1u);
  EXPECT_FALSE(host.loads[0].has_body);
}

TEST_F(DispatcherTest, GetUrlFetchesWithoutBodyAndReportsTheLength) {
  call(":postData", {"kept"});
  uint32_t length = 0;
  EXPECT_EQ(call(":getURL", {"file://movie.xml"}, &length), Result("loaded"));
  EXPECT_EQ(length, 6u);
  ASSERT_EQ(host.loads.size(), 1u);
  EXPECT_EQ(host.loads[0].url, "file://movie.xml");
  EXPECT_FALSE(host.loads[0].has_body);

  host.load_succeeds = false;
  length = 99;
  EXPECT_EQ(call(":getURL", {"file://missing"}, &length), std::nullopt);
  EXPECT_EQ(length, 0u);
  // Without a length slot too.
  EXPECT_EQ(call(":getURL", {"file://missing"}), std::nullopt);
}

// ---------------------------------------------------------------------------
// Api and AppleScript

TEST_F(DispatcherTest, ApiOnInitWithoutFurtherWindows) {
  EXPECT_EQ(call("Api.onInit"), std::nullopt);
  EXPECT_EQ(host.movie_calls, (std::vector<std::string>{"addWindowForm(\"MainWindow\")",
                                                        "setThisWindowForm(\"WindowForm\")"}));
}

TEST_F(DispatcherTest, ApiOnInitNamesEveryChildInOrder) {
  host.main_name = "Main";
  host.children = {"Tools", "About"};
  EXPECT_EQ(call("Api.onInit", {"ignored"}), std::nullopt);
  EXPECT_EQ(
      host.movie_calls,
      (std::vector<std::string>{"addWindowForm(\"Main\")", "addWindowForm(\"Tools\")",
                                "addWindowForm(\"About\")", "setThisWindowForm(\"WindowForm\")"}));
}

TEST_F(DispatcherTest, ApiKnowsOnlyOnInit) {
  EXPECT_EQ(call("Api.oninit"), std::nullopt);
  EXPECT_EQ(call("Api.onInitX"), std::nullopt);
  EXPECT_TRUE(host.movie_calls.empty());
}

TEST_F(DispatcherTest, AppleScriptAnswersFalseForItsTwoMethods) {
  EXPECT_EQ(call("AppleScript.runScript", {"c2F5"}), Result("<false/>"));
  EXPECT_EQ(call("AppleScript.runFile", {"Zg=="}), Result("<false/>"));
  EXPECT_EQ(call("AppleScript.runscript"), std::nullopt);
  EXPECT_EQ(call("AppleScript.compile"), std::nullopt);
}

TEST_F(DispatcherTest, InstalledHandlersReplaceTheBuiltInOnes) {
  dispatcher.set_handler(Namespace::kApi, std::make_unique<RecordingHandler>(log, "mine"));
  EXPECT_EQ(call("Api.onInit"), Result("<onInit|>"));
  EXPECT_TRUE(host.movie_calls.empty());
}

}  // namespace
