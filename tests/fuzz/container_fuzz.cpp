// libFuzzer target: the payload reader, the integrity record, the name and folder rules and the
// uninstaller's reading of a log line as a path, on any bytes. Besides the sanitizers' findings, a
// broken invariant stops the run.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/integrity.h"
#include "engine/markers.h"
#include "engine/names.h"
#include "engine/payload.h"
#include "engine/sha256.h"
#include "engine/uninstall_plan.h"

namespace tgw {
namespace {

void Require(bool holds) {
  if (!holds) __builtin_trap();
}

bool Within(std::string_view part, std::string_view whole) {
  return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

// Reads `whole` as the setup does and walks every file, name and content.
Payload ReadAll(std::string_view whole) {
  Payload payload = SplitContainer(whole);
  Require(payload.names.size() <= payload.FileCount() + 1);
  if (payload.integrity == Integrity::kDamaged) {
    Require(payload.pieces.empty() && payload.names.empty());
  }
  for (std::size_t i = 0; i < payload.pieces.size(); ++i) {
    Require(Within(payload.pieces[i], whole));
    if (i > 0) {  // each piece follows the previous one and the file marker between them
      Require(payload.pieces[i].data() ==
              payload.pieces[i - 1].data() + payload.pieces[i - 1].size() + kFileMarker.size());
    }
  }
  for (const std::string_view name : payload.names) Require(Within(name, whole));
  std::size_t touched = 0;
  for (std::size_t k = 1; k <= payload.FileCount(); ++k) {
    Require(payload.HasName(k) == (k - 1 < payload.names.size()));
    const std::string_view name = payload.Name(k);
    const std::string_view content = payload.Content(k);
    for (const char c : name) touched += static_cast<unsigned char>(c);
    for (const char c : content) touched += static_cast<unsigned char>(c);
    CheckName(name, 27);
  }
  Require(touched != SIZE_MAX);
  return payload;
}

// `body` as the packer seals it: behind an integrity record that matches it.
void ReadSealed(std::string_view body) {
  std::string start;
  for (const char16_t c : kStartMarker) start += static_cast<char>(c);
  const std::string whole = "MZ" + start + FormatIntegrityRecord({body.size(), Sha256Of(body)}) +
                            start + std::string(body);
  const Payload payload = ReadAll(whole);
  Require(payload.integrity == Integrity::kIntact);
}

void ReadRecord(std::string_view bytes) {
  const auto record = ParseIntegrityRecord(bytes);
  if (!record) return;
  const std::string line = FormatIntegrityRecord(*record);
  Require(line == bytes.substr(0, kRecordSize));
}

// `bytes` as characters: each byte one (as payload names are read), and as UTF-16 pairs.
std::wstring Latin1(std::string_view bytes) {
  std::wstring wide;
  for (const char c : bytes) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return wide;
}

std::wstring Utf16(std::string_view bytes) {
  std::wstring wide;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    wide += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                 static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  return wide;
}

void CheckNameAndFolder(const std::wstring& text) {
  const NameFault fault = CheckName(text, 4);
  Require(!DescribeNameFault(fault).empty());
  // A good name below "C:\" is a good folder; and a folder below "C:\" is a good name.
  const auto folder = AsInstallFolder(L"C:\\" + text);
  if (fault == NameFault::kNone) Require(folder == L"C:\\" + text + L"\\");
  if (folder && !text.empty() && text.back() != L'\\') Require(fault == NameFault::kNone);

  const auto as_is = AsInstallFolder(text);
  if (as_is) {
    Require(as_is->starts_with(text) && as_is->back() == L'\\');
    Require(as_is->size() <= kLongestPath);
    Require(AsInstallFolder(*as_is) == *as_is);
  }
}

// A log line as the uninstaller reads it: a parsed path has no empty, "." or ".." part and no
// separator in a part, reads back as itself, and lies below a folder exactly when the folder and
// the name below it make it up again.
void CheckPath(const std::wstring& text) {
  const auto path = ParsePath(text);
  if (!path) return;
  Require(path->root.size() == 2 || path->root.starts_with(L"\\\\"));
  std::wstring joined = path->root + L"\\";
  for (const std::wstring& part : path->parts) {
    Require(!part.empty() && part != L"." && part != L"..");
    Require(part.find_first_of(L"\\/") == std::wstring::npos);
    joined += part + L"\\";
  }
  const auto again = ParsePath(joined);
  Require(again && again->root == path->root && again->parts == path->parts);
  Require(NameBelow(*path, *path) == L"");
  static const PathParts kFolder{L"C:", {L"tgw", L"Tagwright"}};
  if (const auto name = NameBelow(*path, kFolder); name && !name->empty()) {
    const auto rebuilt = ParsePath(L"c:\\TGW\\tagwright\\" + *name);
    Require(rebuilt && NameBelow(*rebuilt, kFolder) == *name);
  }
}

}  // namespace
}  // namespace tgw

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tgw::ReadAll(bytes);
  tgw::ReadSealed(bytes);
  tgw::ReadRecord(bytes);

  const std::wstring latin1 = tgw::Latin1(bytes);
  tgw::Require(tgw::CheckName(bytes, 27) == tgw::CheckName(latin1, 27));
  tgw::CheckNameAndFolder(latin1);
  tgw::CheckNameAndFolder(tgw::Utf16(bytes));
  tgw::CheckPath(latin1);
  tgw::CheckPath(tgw::Utf16(bytes));
  return 0;
}
