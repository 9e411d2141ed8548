// The resources as the program loads them: every id with the right type,
// the texts, the dialog template control by control, bitmaps that blit
// with their transparent colours, the version block and the manifest.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <cwctype>
#include <ostream>
#include <string>
#include <vector>

#include "resources/resource_ids.h"

namespace {

HINSTANCE Self() { return GetModuleHandleW(nullptr); }

// Resource types as wide names (the headers' RT_ macros follow UNICODE).
const LPCWSTR kBitmapType = MAKEINTRESOURCEW(2);
const LPCWSTR kDialogType = MAKEINTRESOURCEW(5);
const LPCWSTR kIconGroupType = MAKEINTRESOURCEW(14);
const LPCWSTR kManifestType = MAKEINTRESOURCEW(24);

std::wstring LoadText(UINT id) {
  wchar_t buffer[100] = {};
  const int n = LoadStringW(Self(), id, buffer, static_cast<int>(sizeof buffer / sizeof buffer[0]));
  return std::wstring(buffer, n > 0 ? n : 0);
}

// The raw bytes of a resource (not copied: resources stay mapped).
struct RawResource {
  const std::uint8_t* data = nullptr;
  DWORD size = 0;
};

RawResource FindRaw(LPCWSTR type, LPCWSTR name) {
  RawResource raw;
  HRSRC info = FindResourceW(Self(), name, type);
  if (!info) return raw;
  HGLOBAL loaded = LoadResource(Self(), info);
  if (!loaded) return raw;
  raw.data = static_cast<const std::uint8_t*>(LockResource(loaded));
  raw.size = SizeofResource(Self(), info);
  return raw;
}

TEST(Resources, StringsGiveTitleAndClassName) {
  EXPECT_EQ(LoadText(IDS_APP_TITLE), L"Управление сканером ЗОР [v1.4]");
  EXPECT_EQ(LoadText(IDS_WINDOW_CLASS), L"ZORMANAGER");
}

struct MenuEntry {
  UINT type = 0;
  UINT id = 0;
  HMENU submenu = nullptr;
  std::wstring text;
};

MenuEntry ReadMenuEntry(HMENU menu, UINT position) {
  MenuEntry entry;
  wchar_t text[100] = {};
  MENUITEMINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
  info.dwTypeData = text;
  info.cch = sizeof text / sizeof text[0];
  if (!GetMenuItemInfoW(menu, position, TRUE, &info)) return entry;
  entry.type = info.fType;
  entry.id = info.wID;
  entry.submenu = info.hSubMenu;
  entry.text = text;
  return entry;
}

TEST(Resources, MenuHasFileAndInstallPopups) {
  HMENU menu = LoadMenuW(Self(), MAKEINTRESOURCEW(IDR_MAIN_MENU));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 2);

  const MenuEntry file = ReadMenuEntry(menu, 0);
  EXPECT_EQ(file.text, L"&Файл");
  ASSERT_NE(file.submenu, nullptr);
  ASSERT_EQ(GetMenuItemCount(file.submenu), 3);
  const MenuEntry open = ReadMenuEntry(file.submenu, 0);
  EXPECT_EQ(open.id, static_cast<UINT>(IDM_OPEN_MODULE_FOLDER));
  EXPECT_EQ(open.text, L"Открыть папку с модулями");
  EXPECT_TRUE(ReadMenuEntry(file.submenu, 1).type & MFT_SEPARATOR);
  const MenuEntry exit = ReadMenuEntry(file.submenu, 2);
  EXPECT_EQ(exit.id, static_cast<UINT>(IDM_EXIT));
  EXPECT_EQ(exit.text, L"Выход");

  const MenuEntry install = ReadMenuEntry(menu, 1);
  EXPECT_EQ(install.text, L"&Загрузка и установка модулей");
  ASSERT_NE(install.submenu, nullptr);
  ASSERT_EQ(GetMenuItemCount(install.submenu), 1);
  const MenuEntry all = ReadMenuEntry(install.submenu, 0);
  EXPECT_EQ(all.id, static_cast<UINT>(IDM_INSTALL_ALL));
  EXPECT_EQ(all.text, L"Загрузить все новые модули");
  DestroyMenu(menu);
}

TEST(Resources, AcceleratorsAreAltQuestionMarkAndAltSlashCharacters) {
  HACCEL table = LoadAcceleratorsW(Self(), MAKEINTRESOURCEW(IDR_ACCELERATORS));
  ASSERT_NE(table, nullptr);
  ACCEL entries[8] = {};
  const int count = CopyAcceleratorTableW(table, entries, 8);
  ASSERT_EQ(count, 2);
  std::vector<WORD> keys;
  for (int i = 0; i < count; ++i) {
    // Character keys: FALT without FVIRTKEY, so the key is the typed character.
    EXPECT_EQ(entries[i].fVirt, FALT) << i;
    EXPECT_EQ(entries[i].cmd, IDM_ABOUT_KEY) << i;
    keys.push_back(entries[i].key);
  }
  EXPECT_EQ(keys, (std::vector<WORD>{'?', '/'}));
  DestroyAcceleratorTable(table);
}

// The stored bitmap: a plain 24-bit DIB of the given size.
void ExpectStoredBitmap(WORD id, LONG width, LONG height) {
  const RawResource raw = FindRaw(kBitmapType, MAKEINTRESOURCEW(id));
  ASSERT_NE(raw.data, nullptr) << id;
  ASSERT_GE(raw.size, sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER header;
  std::memcpy(&header, raw.data, sizeof header);
  EXPECT_EQ(header.biWidth, width) << id;
  EXPECT_EQ(header.biHeight, height) << id;
  EXPECT_EQ(header.biBitCount, 24) << id;
  EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB)) << id;
  const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  EXPECT_GE(raw.size, header.biSize + rowBytes * static_cast<DWORD>(height)) << id;
}

TEST(Resources, BitmapsAreStoredAt24BitsWithTheirSizes) {
  ExpectStoredBitmap(IDB_TYPE_ICONS, 1856, 32);
  ExpectStoredBitmap(IDB_NEW_RELEASE_ARROW, 48, 24);
}

// A 24-bit top-down DIB section to draw on and read back exactly.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill) : width_(width) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    RECT all = {0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(fill);
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const {
    GdiFlush();
    const std::uint32_t p = bits_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }

 private:
  int width_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

// Blits a part of a loaded bitmap the way the rows are painted: the
// transparent colour is read from the bitmap itself at (keyX, keyY).
void BlitTransparent(HBITMAP bitmap, int srcX, int width, int height, int keyX, int keyY, const Canvas& target) {
  HDC memory = CreateCompatibleDC(target.dc());
  HGDIOBJ old = SelectObject(memory, bitmap);
  const COLORREF key = GetPixel(memory, keyX, keyY);
  TransparentBlt(target.dc(), 0, 0, width, height, memory, srcX, 0, width, height, key);
  SelectObject(memory, old);
  DeleteDC(memory);
}

TEST(Resources, SystemIconBlitsWithBackgroundShowingAroundIt) {
  HBITMAP strip = LoadBitmapW(Self(), MAKEINTRESOURCEW(IDB_TYPE_ICONS));
  ASSERT_NE(strip, nullptr);
  BITMAP info = {};
  ASSERT_EQ(GetObjectW(strip, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, 1856);
  EXPECT_EQ(info.bmHeight, 32);

  const COLORREF row = RGB(224, 224, 224);
  Canvas canvas(32, 32, row);
  BlitTransparent(strip, 32 * 4, 32, 32, 2, 2, canvas);
  int background = 0, white = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const COLORREF c = canvas.At(x, y);
      background += c == row;
      white += c == RGB(255, 255, 255);
    }
  }
  EXPECT_EQ(canvas.At(0, 0), row);
  EXPECT_EQ(canvas.At(2, 2), row);
  EXPECT_GT(background, 100);   // the corners and the margin above and below
  EXPECT_GT(white, 40);         // the letters
  DeleteObject(strip);
}

TEST(Resources, ArrowBlitsGreenOnTheRowColour) {
  HBITMAP arrow = LoadBitmapW(Self(), MAKEINTRESOURCEW(IDB_NEW_RELEASE_ARROW));
  ASSERT_NE(arrow, nullptr);
  const COLORREF row = RGB(238, 238, 238);
  Canvas canvas(48, 24, row);
  BlitTransparent(arrow, 0, 48, 24, 0, 0, canvas);
  int other = 0, green = 0;
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 48; ++x) {
      const COLORREF c = canvas.At(x, y);
      if (c == row) continue;
      if (GetGValue(c) > 60 && GetRValue(c) < 40 && GetBValue(c) < 40)
        ++green;
      else
        ++other;
    }
  }
  EXPECT_EQ(canvas.At(0, 0), row);
  EXPECT_GT(green, 100);
  EXPECT_EQ(other, 0);   // no white fringe left over from the bitmap's background
  DeleteObject(arrow);
}

SIZE IconSize(HICON icon) {
  SIZE size = {0, 0};
  ICONINFO info = {};
  if (!GetIconInfo(icon, &info)) return size;
  BITMAP bitmap = {};
  HBITMAP colour = info.hbmColor ? info.hbmColor : info.hbmMask;
  if (GetObjectW(colour, sizeof bitmap, &bitmap)) {
    size.cx = bitmap.bmWidth;
    size.cy = info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2;
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return size;
}

TEST(Resources, ApplicationIconHas32And16PixelImages) {
  EXPECT_NE(LoadIconW(Self(), MAKEINTRESOURCEW(IDI_APP)), nullptr);
  for (int side : {32, 16}) {
    HICON icon = static_cast<HICON>(LoadImageW(Self(), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, side, side, 0));
    ASSERT_NE(icon, nullptr) << side;
    const SIZE size = IconSize(icon);
    EXPECT_EQ(size.cx, side);
    EXPECT_EQ(size.cy, side);
    DestroyIcon(icon);
  }
  // Both sizes are stored, not one scaled from the other.
  const RawResource group = FindRaw(kIconGroupType, MAKEINTRESOURCEW(IDI_APP));
  ASSERT_GE(group.size, 6u);
  std::uint16_t count = 0;
  std::memcpy(&count, group.data + 4, 2);
  EXPECT_EQ(count, 2);
}

// Reader of an extended dialog template (DLGTEMPLATEEX and DLGITEMTEMPLATEEX,
// which the headers do not declare).
class TemplateReader {
 public:
  TemplateReader(const std::uint8_t* data, DWORD size) : data_(data), size_(size) {}
  bool ok() const { return ok_; }
  std::uint16_t Word() {
    std::uint16_t v = 0;
    Copy(&v, 2);
    return v;
  }
  std::uint32_t Dword() {
    std::uint32_t v = 0;
    Copy(&v, 4);
    return v;
  }
  std::int16_t Short() { return static_cast<std::int16_t>(Word()); }
  std::wstring String() {
    std::wstring s;
    for (std::uint16_t c = Word(); ok_ && c != 0; c = Word()) s.push_back(static_cast<wchar_t>(c));
    return s;
  }
  // A name or an ordinal: 0xFFFF then the number, or a string.
  std::wstring NameOrOrdinal() {
    std::uint16_t first = Word();
    if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
    std::wstring s;
    for (std::uint16_t c = first; ok_ && c != 0; c = Word()) s.push_back(static_cast<wchar_t>(c));
    return s;
  }
  void AlignDword() { pos_ = (pos_ + 3) & ~static_cast<DWORD>(3); }
  void Skip(DWORD n) { pos_ += n; }

 private:
  void Copy(void* out, DWORD n) {
    if (!ok_ || pos_ + n > size_) {
      ok_ = false;
      return;
    }
    std::memcpy(out, data_ + pos_, n);
    pos_ += n;
  }
  const std::uint8_t* data_;
  DWORD size_;
  DWORD pos_ = 0;
  bool ok_ = true;
};

// Class names compare without case, and the predefined ones may be stored
// as ordinals.
std::wstring ClassName(const std::wstring& stored) {
  if (stored == L"#128") return L"button";
  if (stored == L"#130") return L"static";
  std::wstring lower = stored;
  for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
  return lower;
}

struct ItemTemplate {
  DWORD exStyle, style;
  short x, y, cx, cy;
  DWORD id;
  std::wstring windowClass, title;
};

bool operator==(const ItemTemplate& a, const ItemTemplate& b) {
  return a.exStyle == b.exStyle && a.style == b.style && a.x == b.x && a.y == b.y && a.cx == b.cx &&
         a.cy == b.cy && a.id == b.id && a.windowClass == b.windowClass && a.title == b.title;
}

std::string Utf8(const std::wstring& text) {
  char buffer[400] = {};
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, buffer, sizeof buffer, nullptr, nullptr);
  return buffer;
}

std::ostream& operator<<(std::ostream& out, const ItemTemplate& t) {
  return out << "id " << t.id << " style 0x" << std::hex << t.style << " ex 0x" << t.exStyle << std::dec << " at "
             << t.x << "," << t.y << " " << t.cx << "x" << t.cy << " class " << Utf8(t.windowClass) << " text "
             << Utf8(t.title);
}

TEST(Resources, WaitDialogTemplateMatchesItsLayout) {
  const RawResource raw = FindRaw(kDialogType, MAKEINTRESOURCEW(IDD_WAIT));
  ASSERT_NE(raw.data, nullptr);
  TemplateReader t(raw.data, raw.size);
  EXPECT_EQ(t.Word(), 1);        // dlgVer
  EXPECT_EQ(t.Word(), 0xFFFF);   // signature: extended template
  t.Dword();                     // helpID
  EXPECT_EQ(t.Dword(), 0u);      // exStyle
  EXPECT_EQ(t.Dword(), static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                          DS_CENTER | DS_SETFONT | DS_FIXEDSYS));
  const std::uint16_t items = t.Word();
  EXPECT_EQ(t.Short(), 0);
  EXPECT_EQ(t.Short(), 0);
  EXPECT_EQ(t.Short(), 244);
  EXPECT_EQ(t.Short(), 47);
  EXPECT_EQ(t.NameOrOrdinal(), L"");   // no menu
  EXPECT_EQ(t.NameOrOrdinal(), L"");   // the standard dialog class
  EXPECT_EQ(t.String(), L"Подождите...");
  EXPECT_EQ(t.Word(), 8);              // points
  EXPECT_EQ(t.Word(), 400);            // weight
  const std::uint16_t italicAndCharset = t.Word();
  EXPECT_EQ(italicAndCharset & 0xFF, 0);   // not italic
  EXPECT_EQ(italicAndCharset >> 8, 1);     // DEFAULT_CHARSET
  EXPECT_EQ(t.String(), L"MS Shell Dlg");
  ASSERT_TRUE(t.ok());

  const DWORD child = WS_CHILD | WS_VISIBLE;
  const std::vector<ItemTemplate> expected = {
      {0, child | BS_DEFPUSHBUTTON | WS_TABSTOP, 187, 11, 50, 14, IDCANCEL, L"button", L"Отмена"},
      {0, child | SS_LEFTNOWORDWRAP | WS_GROUP, 90, 13, 86, 9, IDC_WAIT_MODULE_NAME, L"static", L""},
      {0, child | SS_LEFT | WS_GROUP, 9, 13, 171, 8, IDC_WAIT_LABEL, L"static", L"Обновляется модуль: "},
      {WS_EX_TRANSPARENT, child | SS_LEFT | WS_GROUP, 9, 22, 172, 8, IDC_WAIT_KILOBYTES, L"static", L"0 KB"},
      {0, child | PBS_SMOOTH, 7, 32, 230, 8, IDC_WAIT_PROGRESS, L"msctls_progress32", L""},
  };
  ASSERT_EQ(items, expected.size());
  for (const ItemTemplate& want : expected) {
    t.AlignDword();
    ItemTemplate got;
    t.Dword();   // helpID
    got.exStyle = t.Dword();
    got.style = t.Dword();
    got.x = t.Short();
    got.y = t.Short();
    got.cx = t.Short();
    got.cy = t.Short();
    got.id = t.Dword();
    got.windowClass = ClassName(t.NameOrOrdinal());
    got.title = t.NameOrOrdinal();
    t.Skip(t.Word());   // creation data
    ASSERT_TRUE(t.ok());
    EXPECT_EQ(got, want);
  }
}

INT_PTR CALLBACK NoDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::wstring WindowText(HWND window) {
  wchar_t text[200] = {};
  GetWindowTextW(window, text, static_cast<int>(sizeof text / sizeof text[0]));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, static_cast<int>(sizeof name / sizeof name[0]));
  return name;
}

TEST(Resources, WaitDialogCreatesEveryControl) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  ASSERT_TRUE(InitCommonControlsEx(&controls));
  HWND dialog = CreateDialogParamW(Self(), MAKEINTRESOURCEW(IDD_WAIT), nullptr, NoDialogProc, 0);
  ASSERT_NE(dialog, nullptr) << GetLastError();
  EXPECT_EQ(WindowText(dialog), L"Подождите...");
  EXPECT_EQ(WindowText(GetDlgItem(dialog, IDCANCEL)), L"Отмена");
  EXPECT_EQ(ClassOf(GetDlgItem(dialog, IDCANCEL)), L"Button");
  EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_WAIT_LABEL)), L"Обновляется модуль: ");
  EXPECT_EQ(ClassOf(GetDlgItem(dialog, IDC_WAIT_MODULE_NAME)), L"Static");
  EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_WAIT_KILOBYTES)), L"0 KB");
  HWND progress = GetDlgItem(dialog, IDC_WAIT_PROGRESS);
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(ClassOf(progress), L"msctls_progress32");
  // The bar is usable as the progress dialog drives it.
  SendMessageW(progress, PBM_SETRANGE, 0, MAKELPARAM(0, 3));
  SendMessageW(progress, PBM_SETPOS, 2, 0);
  EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), 2);
  DestroyWindow(dialog);
}

std::wstring VersionString(const std::vector<std::uint8_t>& block, const wchar_t* name) {
  const std::wstring path = std::wstring(L"\\StringFileInfo\\041904b0\\") + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || !value) return L"";
  return static_cast<const wchar_t*>(value);
}

TEST(Resources, VersionBlockIsRussianUnicodeAndMatchesTheTitle) {
  wchar_t path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<std::uint8_t> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(length, sizeof *fixed);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010004u);   // 1.4, as in the title "[v1.4]"
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                             &length));
  ASSERT_GE(length, 4u);
  EXPECT_EQ(translation[0], 0x0419);   // Russian
  EXPECT_EQ(translation[1], 1200);     // UTF-16

  EXPECT_EQ(VersionString(block, L"FileVersion"), L"1.4.0.0");
  EXPECT_EQ(VersionString(block, L"ProductVersion"), L"1.4.0.0");
  EXPECT_NE(VersionString(block, L"ProductName"), L"");
  EXPECT_NE(LoadText(IDS_APP_TITLE).find(L"[v1.4]"), std::wstring::npos);
}

BOOL CALLBACK CountName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
  auto* names = reinterpret_cast<std::vector<ULONG_PTR>*>(param);
  names->push_back(IS_INTRESOURCE(name) ? reinterpret_cast<ULONG_PTR>(name) : 0);
  return TRUE;
}

TEST(Resources, OneManifestAsInvokerForWindows7To11WithoutDependencies) {
  std::vector<ULONG_PTR> names;
  EnumResourceNamesW(Self(), kManifestType, CountName, reinterpret_cast<LONG_PTR>(&names));
  ASSERT_EQ(names, (std::vector<ULONG_PTR>{1}));
  const RawResource raw = FindRaw(kManifestType, MAKEINTRESOURCEW(1));
  ASSERT_NE(raw.data, nullptr);
  const std::string xml(reinterpret_cast<const char*>(raw.data), raw.size);
  EXPECT_NE(xml.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(xml.find("version=\"1.4.0.0\""), std::string::npos);
  // A dependency element (common controls 6 above all) would change the look
  // of every control the program draws itself.
  EXPECT_EQ(xml.find("<dependency"), std::string::npos);
  EXPECT_EQ(xml.find("Common-Controls\""), std::string::npos);
  // Windows 7 and 10/11 declared, so that neither applies Vista's shims; no
  // DPI awareness, since the layout is in fixed pixels.
  EXPECT_NE(xml.find("<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>"), std::string::npos);
  EXPECT_NE(xml.find("<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"), std::string::npos);
  EXPECT_EQ(xml.find("dpiAware"), std::string::npos);
}

}  // namespace
