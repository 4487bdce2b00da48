// The version resource and the application manifest of the built program, read back
// through the Windows API the way Explorer's Properties and the loader read them.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "text/utf8.h"

namespace {

const std::wstring wProgram = decodeUtf8(KIC_PROGRAM_PATH);

std::vector<char> readVersionInfo() {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(wProgram.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<char> block(size);
  if (!GetFileVersionInfoW(wProgram.c_str(), 0, size, block.data())) return {};
  return block;
}

// One value of the string table for a language and code page such as "041104B0";
// empty when missing.
std::wstring stringValue(std::vector<char>& block, const wchar_t* table,
                         const wchar_t* name) {
  const std::wstring query = std::wstring(L"\\StringFileInfo\\") + table + L"\\" + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || length == 0) {
    return {};
  }
  // The length counts the terminating zero.
  return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

// "1.2.3" as the four 16-bit parts of a version resource, the fourth one 0.
std::vector<unsigned> versionParts(std::string_view text) {
  std::vector<unsigned> parts(1, 0);
  for (char c : text) {
    if (c == '.') {
      parts.push_back(0);
    } else {
      parts.back() = parts.back() * 10 + static_cast<unsigned>(c - '0');
    }
  }
  parts.resize(4, 0);
  return parts;
}

std::string embeddedManifest() {
  HMODULE module =
      LoadLibraryExW(wProgram.c_str(), nullptr,
                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (module == nullptr) return {};
  std::string text;
  if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
    if (HGLOBAL loaded = LoadResource(module, found)) {
      text.assign(static_cast<const char*>(LockResource(loaded)),
                  SizeofResource(module, found));
    }
  }
  FreeLibrary(module);
  return text;
}

TEST(WindowsResources, FixedVersionIsTheProjectVersion) {
  std::vector<char> block = readVersionInfo();
  ASSERT_FALSE(block.empty()) << "no version resource";
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(
      VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const std::vector<unsigned> expected = versionParts(KIC_VERSION);
  EXPECT_EQ((std::vector<unsigned>{
                HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)}),
            expected);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

// Explorer shows the table of the user's language; both must be complete.
TEST(WindowsResources, StringTablesInJapaneseAndEnglish) {
  std::vector<char> block = readVersionInfo();
  ASSERT_FALSE(block.empty()) << "no version resource";
  const std::wstring wVersion = decodeUtf8(KIC_VERSION);
  struct Table {
    const wchar_t* id;
    bool japanese;
  };
  for (const Table& table : {Table{L"041104B0", true}, Table{L"040904B0", false}}) {
    SCOPED_TRACE(table.japanese ? "Japanese table" : "English table");
    EXPECT_EQ(stringValue(block, table.id, L"ProductName"), L"ks-image-check");
    EXPECT_EQ(stringValue(block, table.id, L"FileVersion"), wVersion);
    EXPECT_EQ(stringValue(block, table.id, L"ProductVersion"), wVersion);
    EXPECT_EQ(stringValue(block, table.id, L"OriginalFilename"), L"ks-image-check.exe");
    const std::wstring description = stringValue(block, table.id, L"FileDescription");
    ASSERT_FALSE(description.empty());
    // The resource compiler must have read the source as UTF-8: katakana, not mojibake.
    EXPECT_EQ(description.find(L"スクリプト") != std::wstring::npos, table.japanese)
        << encodeUtf8Lenient(description);
  }

  void* translations = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translations,
                             &length));
  const auto* pairs = static_cast<const WORD*>(translations);
  EXPECT_EQ(std::vector<WORD>(pairs, pairs + length / sizeof(WORD)),
            (std::vector<WORD>{0x0411, 1200, 0x0409, 1200}));
}

TEST(WindowsResources, ManifestAsksForLongPathsAndKeepsTheSystemCodePage) {
  const std::string manifest = embeddedManifest();
  ASSERT_FALSE(manifest.empty()) << "no manifest resource";
  for (const char* needed : {
           "<longPathAware "
           "xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
           "true</longPathAware>",
           "<requestedExecutionLevel level=\"asInvoker\"",
           "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",
       }) {
    EXPECT_NE(manifest.find(needed), std::string::npos) << needed;
  }
  // A UTF-8 active code page would turn every narrow name into UTF-8.
  EXPECT_EQ(manifest.find("<activeCodePage"), std::string::npos);
}

}  // namespace
