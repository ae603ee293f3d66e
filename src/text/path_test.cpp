#include "text/path.hpp"

#include <gtest/gtest.h>

#include "text/path_text.hpp"

namespace corvald {
namespace {

std::string utf8(const Path& path) { return text::path_to_utf8(path); }

// The joined text as this platform writes it: '/' in the expectation stands for its separator.
std::string native_text(std::string text) {
  for (char& c : text) {
    if (c == '/') c = static_cast<char>(Path::preferred_separator);
  }
  return text;
}

TEST(Path, SplitsNamesTheWayTheStandardLibraryDoes) {
  EXPECT_EQ(utf8(Path("logs/app.log").filename()), "app.log");
  EXPECT_EQ(utf8(Path("logs/app.log").parent_path()), "logs");
  EXPECT_EQ(utf8(Path("a/b//").filename()), "");
  EXPECT_EQ(utf8(Path("a/b//").parent_path()), "a/b");
  EXPECT_EQ(utf8(Path("app.log").parent_path()), "");
  EXPECT_FALSE(Path("app.log").has_parent_path());
  EXPECT_EQ(utf8(Path("/").parent_path()), "/");
  EXPECT_EQ(utf8(Path("/x").parent_path()), "/");
  EXPECT_EQ(utf8(Path("/").filename()), "");

  EXPECT_EQ(utf8(Path("d/Setup.tar.exe").stem()), "Setup.tar");
  EXPECT_EQ(utf8(Path("d/Setup.tar.exe").extension()), ".exe");
  for (const char* no_extension : {".profile", ".", "..", "README"}) {
    EXPECT_EQ(utf8(Path(no_extension).extension()), "") << no_extension;
    EXPECT_EQ(utf8(Path(no_extension).stem()), no_extension);
  }
}

TEST(Path, JoinsWithOneSeparatorAndLetsAnAbsoluteNameReplace) {
  EXPECT_EQ(utf8(Path("cache") / "1.2.0" / "Setup.exe"), native_text("cache/1.2.0/Setup.exe"));
  EXPECT_EQ(utf8(Path("cache/") / "Setup.exe"), "cache/Setup.exe");
  EXPECT_EQ(utf8(Path() / "Setup.exe"), "Setup.exe");
  Path name("Setup");
  name += ".exe.download";
  EXPECT_EQ(utf8(name), "Setup.exe.download");
  EXPECT_EQ(Path("a") / "b", Path(native_text("a/b")));
  EXPECT_LT(Path("app.log"), Path("app.log.1"));
#ifdef _WIN32
  EXPECT_EQ(utf8(Path("cache") / "C:\\Other"), "C:\\Other");
  EXPECT_EQ(utf8(Path("C:") / "x"), "C:x");
  EXPECT_EQ(utf8(Path("C:\\Users\\u\\app.log").parent_path()), "C:\\Users\\u");
  EXPECT_EQ(utf8(Path("C:\\app.log").parent_path()), "C:\\");
  EXPECT_EQ(utf8(Path("C:\\").parent_path()), "C:\\");
  EXPECT_EQ(utf8(Path("\\\\server\\share\\f.log").parent_path()), "\\\\server\\share\\");
  EXPECT_TRUE(Path("C:\\x").is_absolute());
  EXPECT_FALSE(Path("\\x").is_absolute());
  // Text given as char is UTF-8, whatever the system's code page.
  EXPECT_EQ(Path("caf\xC3\xA9").native(), std::wstring(L"caf\u00E9"));
#else
  EXPECT_EQ(utf8(Path("cache") / "/other"), "/other");
  EXPECT_TRUE(Path("/x").is_absolute());
#endif
  EXPECT_FALSE(Path("x").is_absolute());
}

}  // namespace
}  // namespace corvald
