// The stream primitives and URL requests driven against a recording
// stand-in for the plug-in's function table.
#include "flashhost/host_streams.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "common/paths.h"
#include "flashhost/player_instance.h"
#include "flashhost/player_library.h"
#include "flashhost/url_paths.h"
#include "flashhost/url_requests.h"
#include "payload/work_folder.h"

namespace {

using namespace flashhost;

struct FakePlugin {
  std::vector<std::string> calls;
  std::deque<int32_t> ready_answers;  // empty: 1 << 20
  int32_t write_limit = -1;           // > 0: take at most this many bytes
  uint16_t stream_type = NP_NORMAL;
  NPError new_stream_result = NPERR_NO_ERROR;
  std::string received;
  std::vector<std::string> url_notify_reasons;
};
FakePlugin* g_fake = nullptr;

NPError fake_new_stream(NPP, NPMIMEType type, NPStream* stream, NPBool seekable, uint16_t* stype) {
  g_fake->calls.push_back(std::string("NewStream ") + type + " " + stream->url + " end=" +
                          std::to_string(stream->end) + " seekable=" + std::to_string(seekable));
  *stype = g_fake->stream_type;
  return g_fake->new_stream_result;
}
NPError fake_destroy_stream(NPP, NPStream*, NPReason reason) {
  g_fake->calls.push_back("DestroyStream " + std::to_string(reason));
  return NPERR_NO_ERROR;
}
int32_t fake_write_ready(NPP, NPStream*) {
  int32_t answer = 1 << 20;
  if (!g_fake->ready_answers.empty()) {
    answer = g_fake->ready_answers.front();
    if (g_fake->ready_answers.size() > 1) g_fake->ready_answers.pop_front();
  }
  g_fake->calls.push_back("WriteReady " + std::to_string(answer));
  return answer;
}
int32_t fake_write(NPP, NPStream* stream, int32_t offset, int32_t len, void* buffer) {
  int32_t taken = g_fake->write_limit > 0 && len > g_fake->write_limit ? g_fake->write_limit : len;
  g_fake->calls.push_back("Write " + std::to_string(offset) + " " + std::to_string(len) +
                          " end=" + std::to_string(stream->end));
  if (static_cast<std::size_t>(offset) != g_fake->received.size()) return -1;
  g_fake->received.append(static_cast<const char*>(buffer), taken);
  return taken;
}
void fake_as_file(NPP, NPStream*, const char* name) {
  g_fake->calls.push_back(std::string("StreamAsFile ") + name);
}
void fake_url_notify(NPP, const char* url, NPReason reason, void* notify) {
  g_fake->calls.push_back(std::string("URLNotify ") + url + " " + std::to_string(reason) + " " +
                          std::to_string(reinterpret_cast<std::uintptr_t>(notify)));
}

class HostStreams : public ::testing::Test {
 protected:
  void SetUp() override {
    g_fake = &fake_;
    std::memset(&library_, 0, sizeof library_);
    library_.functions.size = NP_PLUGIN_FUNCS_SIZE;
    library_.functions.newstream = fake_new_stream;
    library_.functions.destroystream = fake_destroy_stream;
    library_.functions.writeready = fake_write_ready;
    library_.functions.write = fake_write;
    library_.functions.asfile = fake_as_file;
    library_.functions.urlnotify = fake_url_notify;
    set_current_library(&library_);
    instance_ = create_instance(nullptr);
    work_folder::set_name("flashhost_streams_" +
                          std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    ASSERT_TRUE(work_folder::create());
  }
  void TearDown() override {
    for (const auto& f : files_) paths::delete_file(f);
    std::remove(work_folder::path().c_str());
    work_folder::set_name("");
    set_current_library(nullptr);
    delete instance_;
    set_http_fetch(nullptr);
    g_fake = nullptr;
  }
  std::string write_file(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    files_.push_back(path);
    return path;
  }
  NPP npp() { return &instance_->npp; }

  FakePlugin fake_;
  PlayerLibrary library_;
  PlayerInstance* instance_ = nullptr;
  std::vector<std::string> files_;
};

std::string pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
  return s;
}

TEST_F(HostStreams, PacedWritesFollowEachAnswerAndStopAtZero) {
  HostStream* s = open_stream(npp(), "u", "t", nullptr);
  ASSERT_TRUE(new_stream(s));
  fake_.calls.clear();
  fake_.ready_answers = {7, 5, 100};
  EXPECT_TRUE(write_paced(s, "abcdefghijklmnopqrstu", 21));
  EXPECT_EQ(fake_.received, "abcdefghijklmnopqrstu");
  EXPECT_EQ(fake_.calls,
            (std::vector<std::string>{"WriteReady 7", "Write 0 7 end=21", "WriteReady 5",
                                      "Write 7 5 end=21", "WriteReady 100", "Write 12 9 end=21"}));
  close_stream(s, NPRES_DONE);

  fake_.received.clear();
  fake_.calls.clear();
  fake_.ready_answers = {4, 0};
  s = open_stream(npp(), "u", "t", nullptr);
  ASSERT_TRUE(new_stream(s));
  EXPECT_FALSE(write_paced(s, "abcdefghij", 10));
  EXPECT_EQ(fake_.received, "abcd");
  close_stream(s, NPRES_DONE);
}

TEST_F(HostStreams, PartialWritesResumeWhereThePluginStopped) {
  HostStream* s = open_stream(npp(), "u", "t", nullptr);
  ASSERT_TRUE(new_stream(s));
  fake_.write_limit = 3;
  std::string data = pattern(20);
  EXPECT_TRUE(write_all(s, data.data(), data.size()));
  EXPECT_EQ(fake_.received, data);
  EXPECT_EQ(s->stream.end, 20u);
  close_stream(s, NPRES_DONE);
}

TEST_F(HostStreams, FeedFileUsesPiecesOfAtMostOneHundredThousandBytes) {
  std::string data = pattern(250001);
  std::string path = write_file(work_folder::path_of("movie.swf"), data);
  HostStream* s = open_stream(npp(), path, "application/x-shockwave-flash", nullptr);
  ASSERT_TRUE(new_stream(s));
  fake_.calls.clear();
  EXPECT_TRUE(feed_file(s));
  EXPECT_EQ(fake_.received, data);
  std::vector<std::string> writes;
  for (const auto& c : fake_.calls) {
    if (c.rfind("Write ", 0) == 0) writes.push_back(c);
  }
  EXPECT_EQ(writes,
            (std::vector<std::string>{"Write 0 100000 end=250001", "Write 100000 100000 end=250001",
                                      "Write 200000 50001 end=250001"}));
  close_stream(s, NPRES_DONE);
}

TEST_F(HostStreams, FeedFilePacingPartialTakesAndAsFile) {
  std::string data = pattern(1000);
  std::string path = write_file(work_folder::path_of("m2.swf"), data);
  fake_.stream_type = NP_ASFILE;
  fake_.ready_answers = {300};
  fake_.write_limit = 250;
  HostStream* s = open_stream(npp(), path, "application/x-shockwave-flash", nullptr);
  ASSERT_TRUE(new_stream(s));
  EXPECT_EQ(s->stream_type, NP_ASFILE);
  EXPECT_TRUE(feed_file(s));
  EXPECT_EQ(fake_.received, data);
  EXPECT_EQ(fake_.calls.back(), "StreamAsFile " + path);
  close_stream(s, NPRES_DONE);

  // A stop answer leaves the feed incomplete; a seekable stream is refused.
  fake_.received.clear();
  fake_.stream_type = NP_NORMAL;
  fake_.ready_answers = {0};
  s = open_stream(npp(), path, "t", nullptr);
  ASSERT_TRUE(new_stream(s));
  EXPECT_FALSE(feed_file(s));
  close_stream(s, NPRES_DONE);
  fake_.stream_type = NP_SEEK;
  fake_.ready_answers = {};
  s = open_stream(npp(), path, "t", nullptr);
  ASSERT_TRUE(new_stream(s));
  EXPECT_FALSE(feed_file(s));
  EXPECT_TRUE(fake_.received.empty());
  close_stream(s, NPRES_DONE);
}

TEST_F(HostStreams, RefusedStreamsAreNotDestroyed) {
  fake_.new_stream_result = NPERR_GENERIC_ERROR;
  HostStream* s = open_stream(npp(), "u", "t", nullptr);
  EXPECT_FALSE(new_stream(s));
  close_stream(s, NPRES_DONE);
  EXPECT_EQ(fake_.calls, (std::vector<std::string>{"NewStream t u end=0 seekable=0"}));
}

TEST_F(HostStreams, JavascriptRequestsAnswerTheUniqueBaseUrl) {
  void* notify = reinterpret_cast<void*>(0x55);
  EXPECT_EQ(get_url_notify(npp(), "javascript:window.location.href", nullptr, notify),
            NPERR_NO_ERROR);
  std::string base = unique_base_url(reinterpret_cast<std::uintptr_t>(instance_));
  EXPECT_EQ(fake_.received, base);
  ASSERT_GE(fake_.calls.size(), 3u);
  EXPECT_EQ(fake_.calls.front(),
            "NewStream text/hxml javascript:window.location.href end=0 seekable=0");
  EXPECT_EQ(fake_.calls[fake_.calls.size() - 2], "DestroyStream 0");
  EXPECT_EQ(fake_.calls.back(), "URLNotify javascript:window.location.href 0 85");

  fake_.calls.clear();
  fake_.received.clear();
  fake_.ready_answers = {0};
  get_url_notify(npp(), "javascript:x", nullptr, nullptr);
  EXPECT_EQ(fake_.received, "");
  EXPECT_EQ(fake_.calls.back(), "URLNotify javascript:x 1 0");
}

TEST_F(HostStreams, FileRequestsAreDecodedAndRelativeToTheWorkFolder) {
  std::string sub = work_folder::path_of("sub");
  ASSERT_TRUE(paths::create_folder(sub));
  write_file(sub + paths::separator() + "x y.txt", "hello");
  write_file(work_folder::path_of("50off"), "percent");
  EXPECT_EQ(get_url_notify(npp(), "file://sub/x+y.txt", nullptr, nullptr), NPERR_NO_ERROR);
  EXPECT_EQ(fake_.received, "hello");
  EXPECT_EQ(fake_.calls.front(),
            "NewStream application/x-shockwave-flash file://sub/x+y.txt end=0 seekable=0");
  EXPECT_EQ(fake_.calls.back(), "URLNotify file://sub/x+y.txt 0 0");

  fake_.received.clear();
  get_url_notify(npp(), "50%off", nullptr, nullptr);
  EXPECT_EQ(fake_.received, "percent");

  fake_.calls.clear();
  get_url_notify(npp(), "missing%00.txt", nullptr, nullptr);
  EXPECT_EQ(fake_.calls, (std::vector<std::string>{"URLNotify missing%00.txt 1 0"}));
  std::remove(sub.c_str());
}

bool fake_fetch(const std::string& url, bool post, const char* data, std::size_t length,
                std::string& answer) {
  answer = std::string(post ? "POST " : "GET ") + url;
  if (post) answer += " [" + std::string(data, length) + "]";
  return url.find("fail") == std::string::npos;
}

TEST_F(HostStreams, HttpRequestsGoThroughTheFetchAndReportFailures) {
  set_http_fetch(fake_fetch);
  get_url_notify(npp(), "http://h/a", nullptr, nullptr);
  EXPECT_EQ(fake_.received, "GET http://h/a");
  EXPECT_EQ(fake_.calls.back(), "URLNotify http://h/a 0 0");
  fake_.received.clear();
  get_url_notify(npp(), "https://h/fail", nullptr, nullptr);
  EXPECT_EQ(fake_.received, "");
  EXPECT_EQ(fake_.calls[fake_.calls.size() - 2], "DestroyStream 1");
  EXPECT_EQ(fake_.calls.back(), "URLNotify https://h/fail 1 0");
}

struct HandlerLog {
  std::vector<std::string> calls;
  bool answer_post = true;
};
HandlerLog* g_handler_log = nullptr;

bool fake_handler(PlayerInstance*, NPObject*, const char* name, uint32_t argc,
                  const NPVariant* args, std::string& answer) {
  std::string arg = argc == 1 && args[0].type == NPVariantType_String
                        ? std::string(args[0].value.stringValue.UTF8Characters,
                                      args[0].value.stringValue.UTF8Length)
                        : "?";
  g_handler_log->calls.push_back(std::string(name) + "(" + arg + ")");
  if (std::strcmp(name, ":post") == 0) {
    if (!g_handler_log->answer_post) return false;
    answer = std::string("answer\0bytes", 12);
  }
  return true;
}

std::vector<std::pair<void (*)(void*), void*>> g_posted;
void record_post(void (*routine)(void*), void* argument) {
  g_posted.emplace_back(routine, argument);
}

TEST_F(HostStreams, PostAnswersArriveLaterAsTheRequestStream) {
  HandlerLog log;
  g_handler_log = &log;
  attach(instance_, fake_handler, nullptr);
  g_posted.clear();
  const char body[] = "K: v\r\n\r\nx\0y";
  EXPECT_EQ(post_url_notify(npp(), "http://h/p", "_self", sizeof body - 1, body, 0,
                            reinterpret_cast<void*>(9), record_post),
            NPERR_NO_ERROR);
  EXPECT_EQ(log.calls, (std::vector<std::string>{std::string(":postData(K: v\r\n\r\nx\0y)", 22),
                                                 ":post(http://h/p)"}));
  EXPECT_TRUE(fake_.calls.empty());  // nothing reaches the plug-in before the posted step
  ASSERT_EQ(g_posted.size(), 1u);
  g_posted[0].first(g_posted[0].second);
  EXPECT_EQ(fake_.received, std::string("answer\0bytes", 12));
  EXPECT_EQ(fake_.calls.front(),
            "NewStream application/x-shockwave-flash http://h/p end=12 seekable=0");
  EXPECT_EQ(fake_.calls.back(), "URLNotify http://h/p 0 9");

  // No answer from the handler: only the failure notice.
  fake_.calls.clear();
  g_posted.clear();
  log.answer_post = false;
  post_url_notify(npp(), "http://h/q", nullptr, 1, "z", 0, nullptr, record_post);
  ASSERT_EQ(g_posted.size(), 1u);
  g_posted[0].first(g_posted[0].second);
  EXPECT_EQ(fake_.calls, (std::vector<std::string>{"URLNotify http://h/q 1 0"}));

  // An instance destroyed before the step runs gets nothing.
  fake_.calls.clear();
  g_posted.clear();
  log.answer_post = true;
  post_url_notify(npp(), "http://h/r", nullptr, 1, "z", 0, nullptr, record_post);
  cancel_requests(instance_);
  g_posted[0].first(g_posted[0].second);
  EXPECT_TRUE(fake_.calls.empty());
  g_handler_log = nullptr;
}

TEST_F(HostStreams, PostWithoutBodyIsAGetAndBadArgumentsAreRefused) {
  set_http_fetch(fake_fetch);
  g_posted.clear();
  post_url_notify(npp(), "http://h/g", nullptr, 0, nullptr, 0, nullptr, record_post);
  EXPECT_TRUE(g_posted.empty());
  EXPECT_EQ(fake_.received, "GET http://h/g");
  EXPECT_EQ(get_url_notify(nullptr, "x", nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
  EXPECT_EQ(get_url_notify(npp(), nullptr, nullptr, nullptr), NPERR_INVALID_URL);
}

TEST_F(HostStreams, LoadUrlDataReadsFilesAndFetches) {
  write_file(work_folder::path_of("d a.txt"), std::string("one\0two", 7));
  std::string answer;
  EXPECT_TRUE(load_url_data("file://d a.txt", nullptr, 0, answer));
  EXPECT_EQ(answer, std::string("one\0two", 7));
  EXPECT_FALSE(load_url_data("d%20a.txt", nullptr, 0, answer));  // not decoded
  EXPECT_TRUE(answer.empty());
  set_http_fetch(fake_fetch);
  EXPECT_TRUE(load_url_data("http://h/x", "b", 1, answer));
  EXPECT_EQ(answer, "POST http://h/x [b]");
  EXPECT_TRUE(load_url_data("http://h/x", nullptr, 0, answer));
  EXPECT_EQ(answer, "GET http://h/x");
  EXPECT_FALSE(load_url_data("http://h/fail", nullptr, 0, answer));
  EXPECT_TRUE(answer.empty());
}

}  // namespace
