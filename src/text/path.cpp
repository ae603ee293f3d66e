#include "text/path.hpp"

#include "text/utf.hpp"

namespace corvald {
namespace {

using Char = Path::value_type;
using View = std::basic_string_view<Char>;

bool is_separator(Char c) {
#ifdef _WIN32
  return c == L'\\' || c == L'/';
#else
  return c == '/';
#endif
}

// The length of the root at the front: "/", "C:", "C:\" or "\\server\share\"; 0 for none.
std::size_t root_length(View p) {
#ifdef _WIN32
  if (p.size() >= 2 && p[1] == L':' &&
      ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z'))) {
    return p.size() >= 3 && is_separator(p[2]) ? 3 : 2;
  }
  if (p.size() >= 3 && is_separator(p[0]) && is_separator(p[1]) && !is_separator(p[2])) {
    // \\server\share\ (and \\?\C:\, whose "server" is "?")
    std::size_t at = 2;
    for (int names = 0; names < 2 && at < p.size(); ++names) {
      while (at < p.size() && !is_separator(p[at])) ++at;
      if (at < p.size()) ++at;
    }
    return at;
  }
#endif
  return !p.empty() && is_separator(p[0]) ? 1 : 0;
}

// Where the last name starts.
std::size_t filename_start(View p) {
  std::size_t at = p.size();
  const std::size_t root = root_length(p);
  while (at > root && !is_separator(p[at - 1])) --at;
  return at;
}

// Where the last dot of a name starts the extension; npos when it has none.
std::size_t extension_start(View name) {
  const auto dots = [&](std::size_t n) {
    return name.find_first_not_of(Char('.')) == View::npos && name.size() == n;
  };
  if (dots(1) || dots(2)) return View::npos;
  const std::size_t dot = name.rfind(Char('.'));
  return dot == 0 ? View::npos : dot;
}

}  // namespace

#ifdef _WIN32
Path::Path(std::string_view utf8) {
  const std::u16string wide = text::utf8_to_utf16(utf8);
  native_.assign(wide.begin(), wide.end());
}
#else
Path::Path(std::string_view utf8) : native_(utf8) {}
#endif

Path Path::filename() const {
  const View p(native_);
  return string_type(p.substr(filename_start(p)));
}

Path Path::parent_path() const {
  const View p(native_);
  const std::size_t root = root_length(p);
  std::size_t end = filename_start(p);
  if (end == p.size() && end == root) return *this;  // only a root, or empty
  while (end > root && is_separator(p[end - 1])) --end;
  return string_type(p.substr(0, end));
}

Path Path::stem() const {
  const Path name = filename();
  const std::size_t dot = extension_start(name.native_);
  return dot == View::npos ? name : string_type(View(name.native_).substr(0, dot));
}

Path Path::extension() const {
  const Path name = filename();
  const std::size_t dot = extension_start(name.native_);
  return dot == View::npos ? Path() : string_type(View(name.native_).substr(dot));
}

bool Path::is_absolute() const {
  const View p(native_);
#ifdef _WIN32
  const std::size_t root = root_length(p);
  return root > 0 && is_separator(p[root - 1]) && !(root == 1);
#else
  return root_length(p) == 1;
#endif
}

Path& Path::operator/=(const Path& name) {
  if (name.is_absolute() || native_.empty()) {
    native_ = name.native_;
    return *this;
  }
  const View p(native_);
  const bool bare_drive = root_length(p) == p.size() && !is_separator(p.back());
  if (!is_separator(p.back()) && !bare_drive) native_ += preferred_separator;
  native_ += name.native_;
  return *this;
}

}  // namespace corvald
