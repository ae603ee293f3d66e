#include "platform/child_process.hpp"

#include "platform/windows.hpp"

#include <gtest/gtest.h>
#include <shellapi.h>  // CommandLineToArgvW, left out by the lean gateway header

#include <string>
#include <vector>

#include "platform/wide.hpp"

namespace corvald::platform {
namespace {

std::filesystem::path system_program(const wchar_t* name) {
  wchar_t dir[MAX_PATH];
  const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  return std::filesystem::path(std::wstring(dir, n)) / name;
}

TEST(QuoteWindowsArgWin, CommandLineToArgvWReadsEveryArgumentBack) {
  const std::vector<std::string> args = {"/S",
                                         "",
                                         "C:\\Program Files\\Corvald Tavrin\\",
                                         "C:\\plain\\",
                                         "say \"hi\"",
                                         "a\\\\\"b c",
                                         "\\\\server\\share\\",
                                         "trailing\\\\",
                                         "tab\tand\nnewline",
                                         "\"",
                                         "Tävrin ü"};
  std::wstring line = L"\"C:\\Program Files\\setup.exe\"";
  for (const auto& a : args) line += L" " + widen(quote_windows_arg(a));

  int count = 0;
  wchar_t** argv = CommandLineToArgvW(line.c_str(), &count);
  ASSERT_NE(argv, nullptr);
  ASSERT_EQ(count, static_cast<int>(args.size() + 1));
  for (std::size_t i = 0; i < args.size(); ++i) {
    EXPECT_EQ(narrow(argv[i + 1]), args[i]) << "argument " << i;
  }
  LocalFree(argv);
}

TEST(ChildProcessWin, ExitCodesArriveAsTheSystemReportsThem) {
  const auto cmd = system_program(L"cmd.exe");
  auto failing = start_process(cmd, {"/c", "exit", "1603"}, std::nullopt, true);
  ASSERT_TRUE(failing) << failing.error().text();
  auto code = failing->wait();
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 1603u);

  auto crashed = start_process(cmd, {"/c", "exit", "-1073741819"}, std::nullopt, true);
  ASSERT_TRUE(crashed);
  code = crashed->wait();
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 0xC0000005u);
}

}  // namespace
}  // namespace corvald::platform
