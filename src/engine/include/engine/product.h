#pragma once

#include <string_view>

// Fixed facts about the product this setup installs.
namespace tgw::product {

inline constexpr std::wstring_view kHomePage = L"https://tagwright.example.org/";
inline constexpr std::wstring_view kContactEmail = L"wishes@tagwright.example.org";
inline constexpr std::wstring_view kDefaultInstallDir = L"c:\\program files\\Tagwright\\";

// The runtime components that lie beside the setup executable and are copied
// into the install folder, in copy order.
inline constexpr std::wstring_view kRuntimeComponents[] = {L"MSVBVM60.DLL", L"mscomctl.ocx"};

}  // namespace tgw::product
