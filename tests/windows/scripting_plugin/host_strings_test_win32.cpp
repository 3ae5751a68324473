// Strings crossing the real boundary between the host and our npfp.dll are
// freed by the side whose allocator made them: 100,000 calls each way leave
// the host's heap (the process heap behind NPN_MemAlloc) where it was.
//
// Movie to host: ExternalInterface.call answers are strings the host
// allocates; the plug-in hands them back through NPN_ReleaseVariantValue.
// Host to movie: the answers of published functions are strings the
// plug-in allocates with NPN_MemAlloc; the host copies and frees them.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <cstdio>
#include <memory>
#include <string>

#include "api/api_context.h"
#include "api/namespaces.h"
#include "bridge/base64.h"
#include "bridge/dispatcher.h"
#include "flashhost/player_instance.h"
#include "flashhost/player_library.h"
#include "flashhost/scripting_bridge.h"
#include "support/temp_dir.h"
#include "windows/avm1_e2e/movie_scripts.h"

namespace {

namespace scripting = flashhost::scripting;
using e2e::Actions;

struct HeapFigures {
  long long blocks = 0;
  long long bytes = 0;
};

// Blocks and bytes in use in the process heap, walked under its lock.
HeapFigures process_heap_in_use() {
  HeapFigures figures;
  HANDLE heap = GetProcessHeap();
  if (!HeapLock(heap)) return figures;
  PROCESS_HEAP_ENTRY entry = {};
  entry.lpData = nullptr;
  while (HeapWalk(heap, &entry)) {
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
      ++figures.blocks;
      figures.bytes += entry.cbData;
    }
  }
  HeapUnlock(heap);
  return figures;
}

// The process's committed private memory (the page file usage).
long long committed_bytes() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return static_cast<long long>(counters.PagefileUsage);
}

class NoWindowHost : public bridge::DispatcherHost {
 public:
  void call_movie(const char*, const NPVariant*, uint32_t) override {}
  bool load_url_data(const std::string&, const char*, std::size_t, std::string&) override {
    return false;
  }
  std::string main_window_name() override { return "MainWindow"; }
  std::vector<std::string> child_window_names() override { return {}; }
};

bridge::Dispatcher* g_dispatcher = nullptr;

bool to_dispatcher(flashhost::PlayerInstance*, NPObject* object, const char* name, uint32_t count,
                   const NPVariant* arguments, std::string& answer) {
  return scripting::dispatch_host_call(g_dispatcher, object, name, count, arguments, answer);
}

void pump_messages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// The movie publishes swhxCall(text, n): n calls of
// ExternalInterface.call("FileSystem.getFileExtension", text), answering
// the last answer (or the text itself when n is 0).
swfwriter::Bytes burst_movie() {
  Actions body;
  body.local("r", [](Actions& x) { x.get("a"); });
  body.local("i", [](Actions& x) { x.push_int(0); });
  body.label("loop");
  body.get("i").get("b").op(0x4A /* ToNumber */).op(0x48 /* Less2 */).op(0x12 /* Not */);
  body.branch_if("end");
  body.set("r", [](Actions& x) { e2e::api_call_on(x, "FileSystem.getFileExtension", "a", {}); });
  body.set("i", [](Actions& x) { x.get("i").push_int(1).add(); });
  body.jump("loop");
  body.label("end");
  body.get("r").ret();
  Actions a;
  a.define_function("", {"a", "b"}, body);
  a.push_null();
  a.push_string("swhxCall");
  a.call_method(3, e2e::push_external_interface, "addCallback");
  a.pop();
  a.stop();
  return e2e::script_movie(a);
}

TEST(HostStrings, HundredThousandCallsEachWayLeaveTheHostHeapAsItWas) {
#if !defined(NPFP_DLL_PATH)
  GTEST_SKIP() << "the plug-in module is not part of this build";
#else
  testing_support::TempDir folder;
  const std::string movie_path = folder.file("burst.swf");
  ASSERT_TRUE(swfwriter::write_file(movie_path, burst_movie()));

  std::string failure;
  flashhost::PlayerLibrary* library =
      flashhost::PlayerLibrary::load(std::string("Z:") + NPFP_DLL_PATH, failure);
  ASSERT_NE(library, nullptr) << failure;
  flashhost::set_current_library(library);
  NoWindowHost host;
  auto dispatcher = std::make_unique<bridge::Dispatcher>(host);
  api::FixedOwnerContext context;
  api::install_namespaces(*dispatcher, context);
  g_dispatcher = dispatcher.get();
  flashhost::PlayerInstance* instance = flashhost::create_instance(nullptr);
  flashhost::set_parameter(instance, "src", movie_path);
  flashhost::attach(instance, to_dispatcher, nullptr);
  ASSERT_TRUE(flashhost::start(instance));

  // A long path makes every answer long: a leak would show at once.
  const std::string text = bridge::base64_encode(std::string(600, 'p') + ".extension");
  const std::string expected = bridge::base64_encode("extension");
  std::string answer;
  ASSERT_TRUE(scripting::call_swhx(instance, text, "3", answer));
  ASSERT_EQ(answer, expected);

  // Warm up: the engine's heap, the host's tables and the runtime's pools
  // reach their working size first.
  for (int round = 0; round < 20; ++round) {
    ASSERT_TRUE(scripting::call_swhx(instance, text, "100", answer));
    ASSERT_TRUE(scripting::call_swhx(instance, "x", "0", answer));
  }
  pump_messages();
  const HeapFigures heap_before = process_heap_in_use();
  const long long committed_before = committed_bytes();
  ASSERT_GT(committed_before, 0);

  // Movie to host: 100 bursts of 1,000 ExternalInterface calls.
  for (int round = 0; round < 100; ++round) {
    ASSERT_TRUE(scripting::call_swhx(instance, text, "1000", answer));
    ASSERT_EQ(answer, expected);
    pump_messages();
  }
  const HeapFigures heap_middle = process_heap_in_use();
  // Host to movie: 100,000 calls answered with the long text itself.
  for (int call = 0; call < 100000; ++call) {
    ASSERT_TRUE(scripting::call_swhx(instance, text, "0", answer));
    if (call % 1000 == 0) pump_messages();
  }
  ASSERT_EQ(answer, text);
  pump_messages();
  const HeapFigures heap_after = process_heap_in_use();
  const long long committed_after = committed_bytes();

  std::printf(
      "host heap in use: %lld blocks %lld bytes before, %lld blocks %lld bytes after "
      "100,000 movie calls, %lld blocks %lld bytes after 100,000 host calls; "
      "committed bytes %lld -> %lld\n",
      heap_before.blocks, heap_before.bytes, heap_middle.blocks, heap_middle.bytes,
      heap_after.blocks, heap_after.bytes, committed_before, committed_after);
  // One answer kept per call would be 100,000 blocks (a plug-in that skips
  // NPN_ReleaseVariantValue shows exactly that); the margins leave room for
  // the runtime's own bookkeeping only.
  EXPECT_LT(heap_middle.blocks - heap_before.blocks, 1000);
  EXPECT_LT(heap_middle.bytes - heap_before.bytes, 1 << 20);
  EXPECT_LT(heap_after.blocks - heap_middle.blocks, 1000);
  EXPECT_LT(heap_after.bytes - heap_middle.bytes, 1 << 20);
  // Memory the plug-in's own heaps keep (its garbage waits for a frame) is
  // not handed back; one 800-byte answer kept per host call would be 80 MB.
  EXPECT_LT(committed_after - committed_before, 32ll << 20);

  flashhost::destroy(instance);
  g_dispatcher = nullptr;
  dispatcher.reset();
  flashhost::set_current_library(nullptr);
  flashhost::PlayerLibrary::unload(library);
#endif
}

}  // namespace
