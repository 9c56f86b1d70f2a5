#pragma once

// Control IDs of the Tagwright.exe stand-in's window, for tests and automation. Read by the
// resource compiler as well as by C++, so plain defines only.

// "Tagwright 2.50"
#define IDC_PRODUCT 101
// "Interface language: <the value of the last Language= line of Settings.dat>"
#define IDC_LANGUAGE 102
