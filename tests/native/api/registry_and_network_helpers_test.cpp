// The pure rules behind Registry (key paths, roots, stored reals) and
// Network.checkConnection's decision.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/connection_check.h"
#include "api/registry_helpers.h"

namespace {

TEST(ApiRegistryKeyPath, SoftwarePrefixAndTheLengthLimit) {
  std::string path = "unchanged";
  ASSERT_TRUE(api::registry_key_path("Vendor\\Product", path));
  EXPECT_EQ(path, "SOFTWARE\\Vendor\\Product");
  ASSERT_TRUE(api::registry_key_path("", path));
  EXPECT_EQ(path, "SOFTWARE\\");
  ASSERT_TRUE(api::registry_key_path(std::string(246, 'k'), path));
  EXPECT_EQ(path.size(), 255u);
  path = "unchanged";
  EXPECT_FALSE(api::registry_key_path(std::string(247, 'k'), path));
  EXPECT_EQ(path, "unchanged");
}

TEST(ApiRegistryRoots, OnlySystemSelectsTheMachine) {
  EXPECT_TRUE(api::is_machine_root("system"));
  for (const char* other : {"user", "System", "SYSTEM", "", "machine"}) {
    EXPECT_FALSE(api::is_machine_root(other)) << other;
  }
}

TEST(ApiRegistryReals, EightLittleEndianBytes) {
  const std::array<unsigned char, 8> one_and_a_half = {0, 0, 0, 0, 0, 0, 0xF8, 0x3F};
  EXPECT_EQ(api::real_to_bytes(1.5), one_and_a_half);
  EXPECT_EQ(api::real_from_bytes(one_and_a_half), 1.5);
  const std::array<unsigned char, 8> minus_two = {0, 0, 0, 0, 0, 0, 0, 0xC0};
  EXPECT_EQ(api::real_to_bytes(-2.0), minus_two);
  for (double value : {0.0, 3.141592653589793, -1e300, 6.02214076e23}) {
    EXPECT_EQ(api::real_from_bytes(api::real_to_bytes(value)), value);
  }
}

class ScriptedProbe : public api::ConnectionProbe {
 public:
  bool connected = true;
  bool session = true;
  bool url_opens = true;
  unsigned long error = 0;
  std::vector<std::string> steps;

  bool reports_connected() override {
    steps.push_back("state");
    return connected;
  }
  bool open_session() override {
    steps.push_back("session");
    return session;
  }
  bool open_url(const std::string& url, unsigned long& out) override {
    steps.push_back("url " + url);
    if (!url_opens) out = error;
    return url_opens;
  }
};

TEST(ApiConnectionCheck, NoConnectionAsksNothingFurther) {
  ScriptedProbe probe;
  probe.connected = false;
  EXPECT_FALSE(api::check_connection(probe, "http://probe/"));
  EXPECT_EQ(probe.steps, std::vector<std::string>{"state"});
}

TEST(ApiConnectionCheck, SessionAndProbeOutcomes) {
  ScriptedProbe opens;
  EXPECT_TRUE(api::check_connection(opens, "http://probe/"));
  EXPECT_EQ(opens.steps, (std::vector<std::string>{"state", "session", "url http://probe/"}));

  ScriptedProbe no_session;
  no_session.session = false;
  EXPECT_TRUE(api::check_connection(no_session, "http://probe/"));
  EXPECT_EQ(no_session.steps, (std::vector<std::string>{"state", "session"}));

  for (unsigned long offline : {12002ul, 12007ul, 12029ul}) {
    ScriptedProbe probe;
    probe.url_opens = false;
    probe.error = offline;
    EXPECT_FALSE(api::check_connection(probe, "http://probe/")) << offline;
  }
  for (unsigned long other : {0ul, 12006ul, 12030ul, 5ul}) {
    ScriptedProbe probe;
    probe.url_opens = false;
    probe.error = other;
    EXPECT_TRUE(api::check_connection(probe, "http://probe/")) << other;
  }
}

TEST(ApiConnectionCheck, ProbeAddressCanBeConfigured) {
  EXPECT_EQ(api::probe_url(nullptr), api::kDefaultProbeUrl);
  EXPECT_EQ(api::probe_url(""), api::kDefaultProbeUrl);
  EXPECT_EQ(api::probe_url("http://127.0.0.1:8080/x"), "http://127.0.0.1:8080/x");
  EXPECT_EQ(std::string(api::kDefaultProbeUrl).rfind("http://", 0), 0u);
}

}  // namespace
