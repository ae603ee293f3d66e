#include "startup/run_mode.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace corvald {
namespace {

TEST(RunModeTest, SilentSwitchesAreMatchedWholeAfterAsciiLowerCasing) {
  for (const char* yes :
       {"/s", "/S", "--silent", "--Silent", "-s", "-S", "/silent", "/SILENT", "/quiet", "/Quiet"}) {
    EXPECT_TRUE(is_silent_switch(yes)) << yes;
  }
  for (const char* no : {"-silent", "/s=1", "/S ", " /s", "/q", "--quiet", "", "/ſ"}) {
    EXPECT_FALSE(is_silent_switch(no)) << no;
  }
}

TEST(RunModeTest, OnlyArgumentsAfterTheProgramPathCount) {
  EXPECT_TRUE(has_silent_switch(std::vector<std::string>{"setup.exe", "--lang", "x", "/S"}));
  EXPECT_FALSE(has_silent_switch(std::vector<std::string>{"/s"}));
  EXPECT_FALSE(has_silent_switch(std::vector<std::string>{}));
  EXPECT_FALSE(has_silent_switch(std::vector<std::string>{"setup.exe", "/s=1"}));
}

TEST(RunModeTest, SwitchVariablesNeedExactlyOne) {
  EXPECT_TRUE(switch_on(std::string("1")));
  EXPECT_FALSE(switch_on(std::string("true")));
  EXPECT_FALSE(switch_on(std::string(" 1")));
  EXPECT_FALSE(switch_on(std::string("1 ")));
  EXPECT_FALSE(switch_on(std::string("")));
  EXPECT_FALSE(switch_on(std::nullopt));
}

TEST(RunModeTest, ArgumentListIsQuotedAndEscaped) {
  const std::vector<std::string> args{"C:\\Program Files\\setup.exe", "/S", "say \"hi\"", "a\tb\nc",
                                      std::string("nul\0x", 5)};
  EXPECT_EQ(format_arg_list(args),
            "[\"C:\\\\Program Files\\\\setup.exe\", \"/S\", \"say \\\"hi\\\"\", "
            "\"a\\tb\\nc\", \"nul\\0x\"]");
  EXPECT_EQ(format_arg_list(std::vector<std::string>{}), "[]");
}

}  // namespace
}  // namespace corvald
