#include "platform/system_library.hpp"

#include <gtest/gtest.h>

namespace corvald::platform {
namespace {

struct Table {
  decltype(&GetTickCount64) present;
  void (*absent)();
};

// A table either fills completely or says which DLL and which function let it down.
TEST(SystemLibrary, MissingFunctionOrDllNamesWhatIsMissing) {
  Table table{};
  SystemLibraryBinder kernel(L"kernel32.dll");
  kernel(table.present, "GetTickCount64");
  ASSERT_TRUE(kernel.finish(table).ok());
  EXPECT_NE(table.present, nullptr);

  kernel(table.absent, "CorvaldNoSuchFunction");
  auto missing = kernel.finish(table);
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.error().text().find("kernel32.dll: function CorvaldNoSuchFunction not found"),
            std::string::npos)
      << missing.error().text();

  // A DLL that System32 does not hold is a load error that names it.
  SystemLibraryBinder absent(L"corvald-no-such-library.dll");
  absent(table.present, "GetTickCount64");
  auto unloaded = absent.finish(table);
  ASSERT_FALSE(unloaded.ok());
  EXPECT_EQ(unloaded.error().text().rfind("load corvald-no-such-library.dll: ", 0), 0u)
      << unloaded.error().text();
}

}  // namespace
}  // namespace corvald::platform
