// Group Policy values in a registry of the test's own: what each one holds,
// which scope wins, what is no policy, and that the settings file never
// takes a policy's value. The administrative template shipped for them is
// checked against the values the program reads.
#include "engine/settings/setting_policies.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>

#include "engine/settings/file_text.h"
#include "engine/settings/next_due.h"
#include "engine/settings/setting_keys.h"
#include "engine/update/update_server.h"
#include "support/registry_sandbox.h"
#include "support/registry_seed.h"
#include "support/test_folder.h"

namespace hvm {
namespace {

const std::string kMachine = std::string("HKLM\\") + kPolicyKeyPath;
const std::string kUser = std::string("HKCU\\") + kPolicyKeyPath;

class SettingPoliciesTest : public test::TestFolderTest {
 protected:
  std::string Path() const { return folder_.File("hvmend.ini"); }
  ProgramSettings Loaded() const {
    ProgramSettings settings;
    LoadSettings(settings, Path());
    return settings;
  }
  test::RegistrySandbox sandbox_;
};

TEST_F(SettingPoliciesTest, EverySettingAPolicyHoldsWinsOverTheFile) {
  folder_.WriteFile("hvmend.ini",
                    "[scan]\r\nRegistryIntegrity=1\r\nConfigurationCache=0\r\n"
                    "[settings]\r\nAutoAction=0\r\nAutoFreq=0\r\nBackupBeforeScan=1\r\n"
                    "MonitorPrompt=300\r\nUpdateFreq=1\r\n");
  test::SeedDword(kMachine, "AutoAction", 2);
  test::SeedDword(kMachine, "AutoFreq", 3);
  test::SeedDword(kMachine, "RegistryIntegrity", 0);
  test::SeedDword(kMachine, "ConfigurationCache", 1);
  test::SeedDword(kMachine, "BackupBeforeScan", 0);
  test::SeedDword(kMachine, "MonitorPrompt", 42);
  test::SeedDword(kMachine, "UpdateFreq", 7);
  const ProgramSettings s = Loaded();
  EXPECT_EQ(2, s.AutoAction);
  EXPECT_EQ(3, s.AutoFreq);
  EXPECT_FALSE(s.SectionOn(1));
  EXPECT_TRUE(s.SectionOn(24));
  EXPECT_TRUE(s.SectionOn(2));  // no policy: the file's
  EXPECT_FALSE(s.BackupBeforeScan);
  EXPECT_EQ(42, s.MonitorPrompt);
  EXPECT_EQ(7, s.UpdateFreq);
}

TEST_F(SettingPoliciesTest, ASaveKeepsTheFilesOwnValueOfEveryKeyAPolicyHolds) {
  folder_.WriteFile("hvmend.ini", "[settings]\r\nMonitorPrompt=300\r\n");
  test::SeedDword(kMachine, "MonitorPrompt", 42);
  test::SeedDword(kUser, "AutoAction", 2);
  ProgramSettings settings = Loaded();
  settings.total_error_found = 9;
  settings.MonitorPrompt = 77;  // a consumer that wrote the field anyway
  ASSERT_EQ(0u, SaveSettings(settings, Path()));
  const std::string text = test::ReadWholeFile(Path());
  EXPECT_NE(std::string::npos, text.find("MonitorPrompt=300\r\n")) << text;
  // A key the file did not hold stays out of it.
  EXPECT_EQ(std::string::npos, text.find("AutoAction")) << text;
  EXPECT_NE(std::string::npos, text.find("total_error_found=9\r\n"));
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kPolicyKeyPath);
  RegDeleteTreeA(HKEY_CURRENT_USER, kPolicyKeyPath);
  // The policies lifted, the user's own values come back.
  EXPECT_EQ(300, Loaded().MonitorPrompt);
  EXPECT_EQ(0, Loaded().AutoAction);
}

TEST_F(SettingPoliciesTest, TheMachineWinsValueByValueAndTheUserFillsIn) {
  test::SeedDword(kMachine, "AutoFreq", 1);
  test::SeedDword(kUser, "AutoFreq", 3);
  test::SeedDword(kUser, "MonitorPrompt", 12);
  const Policies policies = Policies::Read();
  ASSERT_TRUE(SettingLock(policies, "AutoFreq"));
  EXPECT_EQ("1", SettingLock(policies, "AutoFreq")->value);
  EXPECT_EQ(PolicyScope::kMachine, SettingLock(policies, "autofreq")->scope);
  EXPECT_EQ(PolicyScope::kUser, SettingLock(policies, "MonitorPrompt")->scope);
  EXPECT_FALSE(SettingLock(policies, "AutoAction"));
  EXPECT_EQ(12, Loaded().MonitorPrompt);
}

TEST_F(SettingPoliciesTest, ValuesOfAnotherTypeOrOutOfRangeAreNoPolicy) {
  test::SeedString(kMachine, "AutoAction", "2");
  test::SeedDword(kMachine, "AutoFreq", 4);
  test::SeedDword(kMachine, "RegistryIntegrity", 2);
  test::SeedDword(kMachine, "UpdateFreq", 0);  // the template asks 1..365; off is UpdateCheck 0
  test::SeedBinary(kMachine, "MonitorPrompt", std::string("\x05\0\0\0\0\0\0\0", 8));
  test::SeedString(kMachine, "UpdateServer", "");
  test::SeedDword(kMachine, "UpdateServer", 1);  // replaces the empty text
  test::SeedDword(kMachine, "AllowOptimize", 5);
  test::SeedDword(kMachine, "SomethingElse", 1);
  // The user's valid value counts where the machine's is no policy.
  test::SeedDword(kUser, "AutoFreq", 2);
  const Policies policies = Policies::Read();
  for (const char* name : {"AutoAction", "RegistryIntegrity", "UpdateFreq", "MonitorPrompt"})
    EXPECT_FALSE(SettingLock(policies, name)) << name;
  EXPECT_EQ("2", SettingLock(policies, "AutoFreq")->value);
  EXPECT_EQ(PolicyScope::kUser, SettingLock(policies, "AutoFreq")->scope);
  EXPECT_FALSE(PolicyUpdateServer(policies));
  EXPECT_TRUE(OptimizeAllowed(policies));
  EXPECT_EQ(nullptr, policies.Find("SomethingElse"));
}

TEST_F(SettingPoliciesTest, UpdateCheckOffHoldsTheIntervalAtNeverAndTheServerIsThePolicys) {
  folder_.WriteFile("hvmend.ini",
                    "[settings]\r\nUpdateFreq=3\r\nupdate=20000101\r\n"
                    "[update]\r\nServer=http://127.0.0.1:1/\r\n");
  EXPECT_TRUE(UpdateCheckAllowed(Policies::Read()));
  EXPECT_EQ("http://127.0.0.1:1/", UpdateServerFrom(Path()));
  test::SeedDword(kUser, "UpdateCheck", 0);
  test::SeedDword(kMachine, "UpdateFreq", 14);  // the check being off outweighs it
  test::SeedString(kMachine, "UpdateServer", "https://updates.corp.example/");
  const Policies policies = Policies::Read();
  EXPECT_FALSE(UpdateCheckAllowed(policies));
  const std::optional<LockedSetting> lock = SettingLock(policies, "UpdateFreq");
  ASSERT_TRUE(lock);
  EXPECT_EQ("0", lock->value);
  EXPECT_EQ(PolicyScope::kUser, lock->scope);
  EXPECT_EQ(0, Loaded().UpdateFreq);
  EXPECT_FALSE(IsDue(Loaded(), DueKind::update, {2030, 1, 1}));
  EXPECT_EQ("https://updates.corp.example/", UpdateServerFrom(Path()));
}

TEST_F(SettingPoliciesTest, PagesAreAllowedUnlessAPolicySwitchesThemOff) {
  EXPECT_TRUE(OptimizeAllowed(Policies::Read()));
  EXPECT_TRUE(VistaTweaksAllowed(Policies::Read()));
  test::SeedDword(kUser, "AllowOptimize", 0);
  test::SeedDword(kMachine, "AllowVistaTweaks", 0);
  test::SeedDword(kUser, "AllowVistaTweaks", 1);
  EXPECT_FALSE(OptimizeAllowed(Policies::Read()));
  EXPECT_FALSE(VistaTweaksAllowed(Policies::Read()));
  test::SeedDword(kMachine, "AllowOptimize", 1);
  EXPECT_TRUE(OptimizeAllowed(Policies::Read()));
}

TEST_F(SettingPoliciesTest, SourcesTellDefaultFileAndEachScope) {
  folder_.WriteFile("hvmend.ini", "[scan]\r\nDeepScan=0\r\n[settings]\r\nAutoFreq=2\r\n");
  test::SeedDword(kMachine, "AutoAction", 1);
  test::SeedDword(kUser, "DeepScan", 1);
  const std::vector<SettingSource> sources = SettingSources(Path(), Policies::Read());
  ASSERT_EQ(SettingKeys().size(), sources.size());
  std::map<std::string, SettingSource> by;
  for (size_t i = 0; i < sources.size(); ++i) by[SettingKeys()[i].name] = sources[i];
  EXPECT_EQ(SettingSource::kMachinePolicy, by["AutoAction"]);
  EXPECT_EQ(SettingSource::kUserPolicy, by["DeepScan"]);
  EXPECT_EQ(SettingSource::kFile, by["AutoFreq"]);
  EXPECT_EQ(SettingSource::kDefault, by["MonitorPrompt"]);
  EXPECT_STREQ("machinePolicy", SettingSourceName(by["AutoAction"]));
}

// ---- The administrative template -----------------------------------------------

std::string TemplateText(const std::string& name) {
  std::string text;
  EXPECT_EQ(0u, ReadFileText(std::string(HVM_POLICY_FOLDER) + "/" + name, text)) << name;
  return text;
}

std::vector<std::smatch> AllMatches(const std::string& text, const std::regex& pattern) {
  return {std::sregex_iterator(text.begin(), text.end(), pattern), std::sregex_iterator()};
}

// The value names, ranges and types the template declares, policy by policy.
struct Declared {
  bool text = false;
  std::vector<long long> numbers;  // every value an enabled, disabled or listed item writes
  std::optional<long long> low, high;
};

std::map<std::string, Declared> DeclaredValues(const std::string& admx) {
  std::map<std::string, Declared> values;
  const std::regex policy(R"re(<policy ([^>]*)>([\s\S]*?)</policy>)re");
  const std::regex valueName(R"re(valueName="([^"]+)")re");
  const std::regex decimal(R"re(<decimal value="(-?\d+)")re");
  const std::regex element(R"re(<(decimal|enum|text) id="[^"]*" valueName="([^"]+)"([^>]*)>)re");
  const std::regex bound(R"re((minValue|maxValue)="(\d+)")re");
  for (const std::smatch& match : AllMatches(admx, policy)) {
    const std::string head = match[1], body = match[2];
    std::smatch own;
    // Enabled and disabled values belong to the policy's own value name, or,
    // with none, to its one list.
    std::string target;
    if (std::regex_search(head, own, valueName)) target = own[1];
    for (const std::smatch& e : AllMatches(body, element)) {
      Declared& declared = values[e[2]];
      declared.text = e[1] == "text";
      if (target.empty() && e[1] == "enum") target = e[2];
      const std::string attributes = e[3];
      for (const std::smatch& b : AllMatches(attributes, bound))
        (b[1] == "minValue" ? declared.low : declared.high) = std::stoll(b[2]);
    }
    for (const std::smatch& d : AllMatches(body, decimal))
      values[target].numbers.push_back(std::stoll(d[1]));
  }
  return values;
}

TEST(PolicyTemplate, DeclaresExactlyTheValuesTheProgramReadsWithTheirRanges) {
  const std::string admx = TemplateText("Hivemend.admx");
  ASSERT_FALSE(admx.empty());
  const std::map<std::string, Declared> declared = DeclaredValues(admx);
  std::set<std::string> read, written;
  for (const PolicyValueRule& rule : PolicyValueRules()) {
    read.insert(rule.name);
    const auto found = declared.find(rule.name);
    if (found == declared.end()) {
      ADD_FAILURE() << rule.name << " is read but not declared";
      continue;
    }
    EXPECT_EQ(rule.text, found->second.text) << rule.name;
    if (found->second.low) {
      EXPECT_EQ(rule.low, *found->second.low) << rule.name;
    }
    if (found->second.high) {
      EXPECT_EQ(rule.high, *found->second.high) << rule.name;
    }
    EXPECT_TRUE(rule.text || !found->second.numbers.empty() || found->second.low) << rule.name;
    for (long long number : found->second.numbers) {
      EXPECT_GE(number, rule.low) << rule.name;
      EXPECT_LE(number, rule.high) << rule.name;
    }
  }
  for (const auto& [name, unused] : declared) written.insert(name);
  EXPECT_EQ(read, written);
  // Every policy under the one key, offered to computers and users alike.
  const std::vector<std::smatch> policies = AllMatches(admx, std::regex(R"(<policy [^>]*>)"));
  EXPECT_FALSE(policies.empty());
  for (const std::smatch& policy : policies) {
    EXPECT_NE(std::string::npos, policy.str().find(R"(class="Both")")) << policy.str();
    EXPECT_NE(std::string::npos, policy.str().find(std::string("key=\"") + kPolicyKeyPath + "\""))
        << policy.str();
  }
}

TEST(PolicyTemplate, EveryTextAndPresentationItNamesIsInTheLanguageFile) {
  const std::string admx = TemplateText("Hivemend.admx");
  const std::string adml = TemplateText("en-US/Hivemend.adml");
  ASSERT_FALSE(adml.empty());
  int strings = 0, presentations = 0;
  const std::regex reference(R"(\$\((string|presentation)\.(\w+)\))");
  for (const std::smatch& ref : AllMatches(admx, reference)) {
    const std::string element = ref[1] == "string" ? "<string id=\"" : "<presentation id=\"";
    EXPECT_NE(std::string::npos, adml.find(element + ref[2].str() + "\"")) << ref.str();
    ++(ref[1] == "string" ? strings : presentations);
  }
  EXPECT_GT(strings, 60);
  EXPECT_EQ(4, presentations);
  // Each presentation's controls name elements of the template.
  for (const std::smatch& ref : AllMatches(adml, std::regex(R"re(refId="(\w+)")re")))
    EXPECT_NE(std::string::npos, admx.find("id=\"" + ref[1].str() + "\"")) << ref.str();
}

}  // namespace
}  // namespace hvm
