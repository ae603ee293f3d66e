// The demo Corvald Tavrin installers the build makes, and the per-user uninstall entry they
// write, which the stub reads to find the installed app.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace corvald::e2e {

// <build>/demo/releases/<release>/Corvald-Tavrin-Setup-<version>.exe; the build writes every
// program to <build>/bin.
std::filesystem::path demo_installer(const std::string& release, const std::string& version);

// A text value of HKCU\...\Uninstall\CorvaldTavrin, or nothing when the entry or value is absent.
std::optional<std::wstring> uninstall_value(const wchar_t* name);

bool uninstall_entry_exists();

// Deletes the entry, so that a case starts from (or leaves) no installation.
void forget_installation();

}  // namespace corvald::e2e
