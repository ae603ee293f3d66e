// Administrators script against docs/deploying.md, so the switches, exit codes and variable
// names it gives must be the ones the code acts on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "i18n/locale_data.hpp"
#include "main/silent_flow.hpp"
#include "platform/env_names.hpp"
#include "startup/run_mode.hpp"

namespace corvald {
namespace {

namespace fs = std::filesystem;
using Names = std::set<std::string>;

const fs::path source_root = CORVALD_SOURCE_ROOT;

std::string read_text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// The lines under `heading` up to the next heading of any level; empty when it is missing.
std::vector<std::string> section(const std::string& page, const std::string& heading) {
  std::vector<std::string> lines;
  std::istringstream in(page);
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("#")) {
      if (inside) break;
      inside = line == heading;
    } else if (inside) {
      lines.push_back(line);
    }
  }
  return lines;
}

std::vector<std::string> code_spans(const std::string& text) {
  std::vector<std::string> spans;
  static const std::regex span("`([^`]+)`");
  for (std::sregex_iterator it(text.begin(), text.end(), span), end; it != end; ++it) {
    spans.push_back((*it)[1]);
  }
  return spans;
}

// The cells of a table's body rows; the header row and the rule below it are skipped.
std::vector<std::vector<std::string>> table_rows(const std::vector<std::string>& lines) {
  std::vector<std::vector<std::string>> rows;
  int seen = 0;
  for (const auto& line : lines) {
    if (!line.starts_with("|")) continue;
    if (++seen <= 2) continue;
    std::vector<std::string> cells;
    std::istringstream in(line.substr(1));
    for (std::string cell; std::getline(in, cell, '|');) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

// The code spans of every row's first cell, for tables that name one thing per row.
Names first_column(const std::string& page, const std::string& heading) {
  Names names;
  for (const auto& row : table_rows(section(page, heading))) {
    for (auto& span : code_spans(row.at(0))) names.insert(span);
  }
  return names;
}

class DeployingPage : public ::testing::Test {
 protected:
  const std::string page = read_text(source_root / "docs" / "deploying.md");
};

TEST_F(DeployingPage, SwitchTablesAgreeWithTheCommandLineRule) {
  const Names listed = first_column(page, "### Silent switches");
  EXPECT_EQ(listed, Names(silent_switches.begin(), silent_switches.end()));
  for (const auto& row : table_rows(section(page, "### Silent switches"))) {
    for (const auto& form : code_spans(row.at(1))) EXPECT_TRUE(is_silent_switch(form)) << form;
  }
  const Names not_switches = first_column(page, "### What is not a switch");
  EXPECT_FALSE(not_switches.empty());
  for (const auto& arg : not_switches) EXPECT_FALSE(is_silent_switch(arg)) << arg;
}

TEST_F(DeployingPage, ExitCodesAndTheInstallerCodeExamplesMatchTheCode) {
  EXPECT_EQ(first_column(page, "## Exit codes"),
            (Names{std::to_string(static_cast<int>(ExitCode::ok)),
                   std::to_string(static_cast<int>(ExitCode::failed)),
                   std::to_string(static_cast<int>(ExitCode::already_running))}));

  const auto examples = table_rows(section(page, "### The installer's code in silent mode"));
  EXPECT_GE(examples.size(), 4u);
  for (const auto& row : examples) {
    const auto installer = code_spans(row.at(0));
    const auto stub = code_spans(row.at(1));
    ASSERT_EQ(installer.size(), 1u);
    ASSERT_EQ(stub.size(), 1u);
    EXPECT_EQ(silent_exit_code(static_cast<std::uint32_t>(std::stoul(installer[0]))),
              std::stoi(stub[0]))
        << "installer code " << installer[0];
  }
}

Names variables_named_in(const std::string& text) {
  Names names;
  static const std::regex name("APP_INSTALLER_[A-Z_]+");
  for (std::sregex_iterator it(text.begin(), text.end(), name), end; it != end; ++it) {
    names.insert(it->str());
  }
  return names;
}

TEST_F(DeployingPage, DocumentsEveryVariableTheCodeReadsAndNoOther) {
  const Names known(env_name::all.begin(), env_name::all.end());
  EXPECT_EQ(first_column(page, "## Environment variables"), known);
  EXPECT_EQ(variables_named_in(page), known);

  // A variable read through a literal of its own would bypass the list above.
  for (const auto& entry : fs::recursive_directory_iterator(source_root / "src")) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file() || name.ends_with("_test.cpp")) continue;
    if (!name.ends_with(".cpp") && !name.ends_with(".hpp")) continue;
    const std::string text = read_text(entry.path());
    if (text.find("APP_INSTALLER_") == std::string::npos) continue;
    for (const auto& used : variables_named_in(text)) {
      EXPECT_TRUE(known.contains(used)) << used << " in " << entry.path();
    }
  }

  Names tables;
  for (const auto& table : i18n::embedded_locales()) tables.insert(std::string(table.code));
  EXPECT_EQ(first_column(page, "### Locale codes"), tables);
}

}  // namespace
}  // namespace corvald
