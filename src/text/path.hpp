// A file system path: the platform's own name (UTF-16 on Windows, bytes elsewhere) with the few
// operations the stub needs. It stands in for std::filesystem::path, whose library code brings
// the whole of the C++ locale and iostreams machinery into a static Windows program (about
// 700 KB of a download stub) for conversions the stub never makes.
//
// Names split on '/' and, on Windows, on '\' too; a root is "/", or on Windows a drive ("C:",
// "C:\") or a UNC share ("\\server\share\"). Text given as char is UTF-8.
#pragma once

#include <compare>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace corvald {

class Path {
 public:
#ifdef _WIN32
  using value_type = wchar_t;
  static constexpr value_type preferred_separator = L'\\';
#else
  using value_type = char;
  static constexpr value_type preferred_separator = '/';
#endif
  using string_type = std::basic_string<value_type>;

  Path() = default;
  Path(string_type native) : native_(std::move(native)) {}
  Path(const value_type* native) : native_(native) {}
  Path(std::string_view utf8);
#ifdef _WIN32
  Path(const std::string& utf8) : Path(std::string_view(utf8)) {}
  Path(const char* utf8) : Path(std::string_view(utf8)) {}
#endif
  // From and to the standard type, for code (tests) that still works with it; the product
  // itself does not convert.
  Path(const std::filesystem::path& path) : native_(path.native()) {}
  explicit operator std::filesystem::path() const { return std::filesystem::path(native_); }

  const string_type& native() const noexcept { return native_; }
  const value_type* c_str() const noexcept { return native_.c_str(); }
  bool empty() const noexcept { return native_.empty(); }

  // The last name, empty when the path ends with a separator or is only a root.
  Path filename() const;
  bool has_filename() const { return !filename().empty(); }
  // Everything before the last name, without the separators in between; a root stays a root.
  Path parent_path() const;
  bool has_parent_path() const { return !parent_path().empty(); }
  // The last name up to and from its last dot; ".", ".." and ".profile" have no extension.
  Path stem() const;
  Path extension() const;
  bool is_absolute() const;

  // Appends a name after a separator; a path that is absolute replaces this one.
  Path& operator/=(const Path& name);
  // Appends text as it stands, with no separator.
  Path& operator+=(const Path& text) {
    native_ += text.native_;
    return *this;
  }
  friend Path operator/(Path base, const Path& name) { return base /= name; }

  friend bool operator==(const Path& a, const Path& b) noexcept { return a.native_ == b.native_; }
  friend std::strong_ordering operator<=>(const Path& a, const Path& b) noexcept {
    return a.native_.compare(b.native_) <=> 0;
  }

 private:
  string_type native_;
};

}  // namespace corvald
