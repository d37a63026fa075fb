#pragma once
// Facts about the product that the installer shows or hands on.

// The product's home page, opened by a click on the logo.
constexpr char ProductWebSite[] = "https://www.kelpa.example/";

// Why the installer holds a shutdown or log-off during an installation: shown
// by Windows beside the program's name.
constexpr wchar_t ShutdownBlockReason[] = L"Kelpa editor is being installed.";
