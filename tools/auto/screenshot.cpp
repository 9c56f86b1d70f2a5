#include "screenshot.h"

#include <algorithm>
#include <array>

#include "driver.h"
#include "files.h"

namespace tgw::automation {

namespace {

constexpr DWORD kSettleStepMs = 150;  // two captures this far apart must agree
constexpr DWORD kSettleTimeoutMs = 5000;

std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc = 0) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> entries{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
      entries[n] = c;
    }
    return entries;
  }();
  crc = ~crc;
  for (const char byte : bytes) {
    crc = table[(crc ^ static_cast<std::uint8_t>(byte)) & 0xFF] ^ (crc >> 8);
  }
  return ~crc;
}

std::uint32_t Adler32(std::string_view bytes) {
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (const char byte : bytes) {
    a = (a + static_cast<std::uint8_t>(byte)) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void PutBigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

void PutChunk(std::string& out, std::string_view type, std::string_view data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::string body = std::string(type) + std::string(data);
  out += body;
  PutBigEndian(out, Crc32(body));
}

// A zlib stream of `data` in stored (uncompressed) deflate blocks.
std::string StoredZlib(std::string_view data) {
  constexpr std::size_t kLongestBlock = 65535;
  std::string out{'\x78', '\x01'};
  do {
    const std::size_t length = std::min(data.size(), kLongestBlock);
    const bool last = length == data.size();
    out.push_back(last ? '\x01' : '\x00');
    const auto length16 = static_cast<std::uint16_t>(length);
    const auto inverse16 = static_cast<std::uint16_t>(~length16);
    for (const std::uint16_t value : {length16, inverse16}) {
      out.push_back(static_cast<char>(value & 0xFF));
      out.push_back(static_cast<char>(value >> 8));
    }
    out.append(data.substr(0, length));
    data.remove_prefix(length);
  } while (!data.empty());
  return out;
}

RECT Bounds(const std::vector<HWND>& windows) {
  RECT bounds{};
  for (const HWND window : windows) {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) continue;
    if (IsRectEmpty(&bounds)) {
      bounds = rect;
    } else {
      UnionRect(&bounds, &bounds, &rect);
    }
  }
  return bounds;
}

}  // namespace

Picture CaptureScreen(RECT area) {
  const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  IntersectRect(&area, &area, &screen);
  Picture picture;
  picture.width = area.right - area.left;
  picture.height = area.bottom - area.top;
  if (picture.width <= 0 || picture.height <= 0) throw DriverError(L"nothing to capture on screen");

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const HDC screen_dc = GetDC(nullptr);
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HDC memory_dc = CreateCompatibleDC(screen_dc);
  const HGDIOBJ old = SelectObject(memory_dc, bitmap);
  const bool copied = BitBlt(memory_dc, 0, 0, picture.width, picture.height, screen_dc, area.left,
                             area.top, SRCCOPY | CAPTUREBLT) != FALSE;
  GdiFlush();
  if (copied) {
    const std::size_t stride = (static_cast<std::size_t>(picture.width) * 3 + 3) & ~std::size_t{3};
    const auto* const source = static_cast<const std::uint8_t*>(bits);
    picture.rgb.reserve(static_cast<std::size_t>(picture.width) * picture.height * 3);
    for (int y = 0; y < picture.height; ++y) {
      const std::uint8_t* row = source + stride * static_cast<std::size_t>(y);
      for (int x = 0; x < picture.width; ++x, row += 3) {
        picture.rgb.insert(picture.rgb.end(), {row[2], row[1], row[0]});  // from blue, green, red
      }
    }
  }
  SelectObject(memory_dc, old);
  DeleteDC(memory_dc);
  DeleteObject(bitmap);
  ReleaseDC(nullptr, screen_dc);
  if (!copied) throw DriverError(L"cannot copy from the screen");
  return picture;
}

std::string EncodePng(const Picture& picture) {
  std::string header;
  PutBigEndian(header, static_cast<std::uint32_t>(picture.width));
  PutBigEndian(header, static_cast<std::uint32_t>(picture.height));
  header += std::string{'\x08', '\x02', '\x00', '\x00', '\x00'};  // 8 bits, RGB, no interlace

  const std::size_t row_bytes = static_cast<std::size_t>(picture.width) * 3;
  std::string rows;
  rows.reserve((row_bytes + 1) * static_cast<std::size_t>(picture.height));
  for (int y = 0; y < picture.height; ++y) {
    rows.push_back('\0');  // filter: none
    rows.append(reinterpret_cast<const char*>(picture.rgb.data()) + row_bytes * y, row_bytes);
  }
  std::string data = StoredZlib(rows);
  PutBigEndian(data, Adler32(rows));

  std::string png("\x89PNG\r\n\x1A\n", 8);
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", data);
  PutChunk(png, "IEND", {});
  return png;
}

void SaveStableScreenshot(const std::vector<HWND>& windows, const std::wstring& png_path) {
  const RECT area = Bounds(windows);
  Picture last = CaptureScreen(area);
  const ULONGLONG deadline = GetTickCount64() + kSettleTimeoutMs;
  for (;;) {
    Sleep(kSettleStepMs);
    Picture next = CaptureScreen(area);
    const bool settled = next.rgb == last.rgb;
    last = std::move(next);
    if (settled) break;
    if (GetTickCount64() >= deadline) {
      throw DriverError(L"the screen kept changing: no screenshot " + png_path);
    }
  }
  if (!WriteWholeFile(png_path, EncodePng(last))) {
    throw DriverError(L"cannot write " + png_path);
  }
}

}  // namespace tgw::automation
