#include "main/command_line.hpp"

#include "platform/windows.hpp"

#include "platform/wide.hpp"
// windows.hpp first: shellapi.h needs its types.
#include <shellapi.h>

namespace corvald {

std::vector<std::string> process_arguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) return args;
  for (int i = 0; i < count; ++i) {
    // An argument that is not valid UTF-16 cannot be a switch; keep its position readable.
    args.push_back(platform::narrow(argv[i]).value_or("\xEF\xBF\xBD"));
  }
  LocalFree(argv);
  return args;
}

}  // namespace corvald
