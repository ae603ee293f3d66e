#include "ui/window_texts.hpp"

#include "build_info.hpp"
#include "i18n/i18n.hpp"

namespace corvald::ui {

namespace {
constexpr const char* publisher = "Corvald AI";
}

std::string with_crlf_line_ends(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
    out.push_back(text[i]);
  }
  return out;
}

std::string window_title() {
  return i18n::tr_with("ui.window_title", {{"product", build_info::product_name}});
}

std::string version_subtitle() {
  return i18n::tr_with("ui.version_subtitle", {{"version", build_info::stub_version}});
}

std::string about_title() {
  return i18n::tr_with("ui.about.title", {{"product", build_info::product_name}});
}

std::string about_body() {
  return i18n::tr_with("ui.about.body", {{"product", build_info::product_name},
                                         {"tagline", i18n::tr("ui.tagline")},
                                         {"version", build_info::stub_version},
                                         {"built", build_info::build_datetime},
                                         {"commit", build_info::commit},
                                         {"publisher", publisher}});
}

}  // namespace corvald::ui
