#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tgw::automation {

// A picture taken from the screen: rows top to bottom, three bytes (red, green, blue) a pixel.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

// What the screen shows in `area` (screen coordinates, clipped to the screen).
Picture CaptureScreen(RECT area);

// The PNG file of a picture: 8-bit RGB, stored without compression.
std::string EncodePng(const Picture& picture);

// Captures the smallest rectangle holding every one of `windows` once two captures a moment apart
// agree (the windows have painted), and writes it as a PNG file; throws DriverError on failure.
void SaveStableScreenshot(const std::vector<HWND>& windows, const std::wstring& png_path);

}  // namespace tgw::automation
