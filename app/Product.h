#pragma once
// Facts about the product that the installer shows or hands on.

// The product's home page, opened by a click on the logo.
constexpr char ProductWebSite[] = "https://www.kelpa.example/";
