// The dialog templates as the resource compiler wrote them into the built program, read back
// byte by byte for each language and compared with one table. The compiler changes templates
// silently (an ICON statement loses its size, a written-out style its default bits), so the
// .rc text proves nothing.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"
#include "window_text.h"

namespace {

constexpr WORD kEnglish = 1033;
constexpr WORD kChinese = 2052;

struct Units {
  short x, y, cx, cy;
  bool operator==(const Units& o) const { return x == o.x && y == o.y && cx == o.cx && cy == o.cy; }
};

struct Font {
  WORD points;
  WORD weight;
  BYTE italic;
  BYTE charset;
  std::wstring face;
};

struct ItemTemplate {
  DWORD style = 0, exStyle = 0;
  Units rect{};
  int id = 0;
  std::wstring className;  // predefined classes by name, whether stored as atom or text
  std::wstring text;       // an ordinal (the icon's resource id) as "#128"
};

struct DialogTemplate {
  DWORD style = 0, exStyle = 0;
  Units rect{};
  std::wstring menu, windowClass, caption;
  Font font{};
  std::vector<ItemTemplate> items;
};

// Reads the template's little-endian fields; every read is checked against its end.
class TemplateReader {
 public:
  TemplateReader(const BYTE* data, std::size_t size) : data_(data), size_(size) {}
  bool ok() const { return ok_; }

  template <class T>
  T Read() {
    T value{};
    if (!ok_ || size_ - at_ < sizeof(T)) {
      ok_ = false;
      return value;
    }
    std::memcpy(&value, data_ + at_, sizeof(T));
    at_ += sizeof(T);
    return value;
  }
  std::wstring String() {
    std::wstring text;
    for (WORD c = Read<WORD>(); ok_ && c != 0; c = Read<WORD>()) text += static_cast<wchar_t>(c);
    return text;
  }
  // A name or an ordinal: 0 none, 0xFFFF then the ordinal, else a string.
  std::wstring NameOrOrdinal() {
    const WORD first = Read<WORD>();
    if (first == 0) return {};
    if (first == 0xFFFF) return L"#" + std::to_wstring(Read<WORD>());
    at_ -= sizeof(WORD);
    return String();
  }
  void AlignToDword() { at_ = (at_ + 3) & ~std::size_t{3}; }
  void Skip(std::size_t count) {
    if (size_ - at_ < count) ok_ = false;
    else at_ += count;
  }

 private:
  const BYTE* data_;
  std::size_t size_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

std::wstring PredefinedClass(const std::wstring& name) {
  static const wchar_t* const kAtoms[] = {L"Button", L"Edit", L"Static",
                                          L"ListBox", L"ScrollBar", L"ComboBox"};
  if (name.size() > 1 && name[0] == L'#') {
    const int atom = std::stoi(name.substr(1));
    if (atom >= 0x80 && atom <= 0x85) return kAtoms[atom - 0x80];
  }
  for (const wchar_t* known : kAtoms) {
    if (::lstrcmpiW(known, name.c_str()) == 0) return known;
  }
  return name;
}

// The extended template (DIALOGEX), the only kind the program's resources hold.
bool ParseTemplate(const BYTE* data, std::size_t size, DialogTemplate& out) {
  TemplateReader in(data, size);
  if (in.Read<WORD>() != 1 || in.Read<WORD>() != 0xFFFF) return false;
  in.Read<DWORD>();  // help id
  out.exStyle = in.Read<DWORD>();
  out.style = in.Read<DWORD>();
  const WORD count = in.Read<WORD>();
  out.rect = {in.Read<short>(), in.Read<short>(), in.Read<short>(), in.Read<short>()};
  out.menu = in.NameOrOrdinal();
  out.windowClass = in.NameOrOrdinal();
  out.caption = in.String();
  if (out.style & DS_SETFONT) {
    out.font.points = in.Read<WORD>();
    out.font.weight = in.Read<WORD>();
    out.font.italic = in.Read<BYTE>();
    out.font.charset = in.Read<BYTE>();
    out.font.face = in.String();
  }
  for (WORD i = 0; i < count && in.ok(); ++i) {
    in.AlignToDword();
    ItemTemplate item;
    in.Read<DWORD>();  // help id
    item.exStyle = in.Read<DWORD>();
    item.style = in.Read<DWORD>();
    item.rect = {in.Read<short>(), in.Read<short>(), in.Read<short>(), in.Read<short>()};
    item.id = static_cast<int>(in.Read<DWORD>());
    item.className = PredefinedClass(in.NameOrOrdinal());
    item.text = in.NameOrOrdinal();
    in.Skip(in.Read<WORD>());  // creation data
    out.items.push_back(item);
  }
  return in.ok();
}

// --- what the templates must hold ----------------------------------------------------------

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kHiddenChild = WS_CHILD;
// The links are tab stops, so that the keyboard reaches them: their one change from the
// templates the program started with.
constexpr DWORD kLink = kChild | WS_GROUP | WS_TABSTOP | SS_LEFT;

struct ExpectedItem {
  int id;
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
  Units english, chinese;
  const wchar_t* englishText;
  const wchar_t* chineseText;
};

struct ExpectedDialog {
  WORD id;
  DWORD style;
  DWORD exStyle;
  Units english, chinese;
  const wchar_t* englishCaption;
  const wchar_t* chineseCaption;
  std::vector<ExpectedItem> items;
};

const ExpectedDialog kDialogs[] = {
    {IDD_DETECTOR,
     DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
     WS_EX_APPWINDOW, {0, 0, 293, 130}, {0, 0, 266, 130}, L"Quenlix PC Cmaera Driver Detector",
     L"Quenlix摄像头驱动检测工具",
     {
         {IDC_CHECK_DEVICE, L"Button", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, {218, 43, 64, 24},
          {190, 44, 64, 24}, L"Check Device", L"查找设备"},
         {IDC_VIDPID_EDIT, L"Edit",
          kHiddenChild | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_UPPERCASE | ES_AUTOHSCROLL |
              ES_READONLY,
          WS_EX_CLIENTEDGE, {229, 90, 33, 12}, {201, 97, 33, 12}, L"", L""},
         {-1, L"Button", kHiddenChild | BS_GROUPBOX, 0, {221, 80, 49, 28}, {193, 88, 49, 28},
          L"PID&&VID", L"PID&&VID"},
         {-1, L"Button", kChild | BS_GROUPBOX, 0, {9, 11, 198, 92}, {10, 10, 170, 92},
          L"Driver Download Link", L"驱动下载路径"},
         {IDC_LINK_XP32, L"Static", kLink, 0, {19, 27, 182, 11},
          {19, 27, 153, 11}, L"Download 32bit WindowsXP/Windows2000 driver",
          L"点击下载32位WindowsXP/Win2000驱动"},
         {IDC_LINK_XP64, L"Static", kLink, 0, {19, 46, 124, 11},
          {19, 45, 146, 11}, L"Download 64bit WindowsXP driver", L"点击下载64位WindowsXP驱动"},
         {IDC_LINK_VISTA32, L"Static", kLink, 0, {19, 65, 124, 11},
          {19, 65, 141, 11}, L"Download 32bit Windows Vista driver",
          L"点击下载32位WindowsVista驱动"},
         {IDC_LINK_VISTA64, L"Static", kLink, 0, {19, 84, 124, 11},
          {19, 85, 141, 11}, L"Download 64bit Windows Vista driver",
          L"点击下载64位WindowsVista驱动"},
         {IDC_STATUS_TEXT, L"Static", kChild | WS_GROUP | SS_LEFT, 0, {26, 55, 149, 8},
          {31, 54, 135, 8}, L"Static", L"Static"},
         {IDC_THIS_COMPUTER, L"Static", kHiddenChild | SS_LEFT | SS_NOPREFIX, 0,
          {9, 107, 275, 18}, {10, 106, 246, 18}, L"", L""},
         {IDC_FIT_MARK, L"Static", kHiddenChild | SS_LEFT | SS_NOPREFIX, 0,
          {11, 27, 7, 11}, {11, 27, 7, 11}, L"4", L"4"},
     }},
    {IDD_ABOUT, DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0,
     {0, 0, 255, 55}, {0, 0, 255, 55}, L"About", L"关于Quenlix产品驱动检测工具",
     {
         {-1, L"Static", kChild | SS_ICON, 0, {11, 17, 20, 20}, {11, 17, 20, 20}, L"#128", L"#128"},
         {-1, L"Static", kChild | WS_GROUP | SS_LEFT | SS_NOPREFIX, 0, {40, 10, 137, 8},
          {40, 10, 137, 8}, L"Quenlix Chip Type detect tool Version 1.0",
          L"Quenlix产品驱动检测工具 1.0"},
         {-1, L"Static", kChild | WS_GROUP | SS_LEFT, 0, {40, 25, 175, 8}, {40, 25, 175, 8},
          L"Copyright (C) 2007 Quenlix Technology Co., Ltd.", L"版权所有 (C) 2007 Quenlix科技有限公司"},
         {IDOK, L"Button", kChild | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, {198, 7, 50, 16},
          {198, 1, 50, 16}, L"OK", L"OK"},
     }},
};

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

std::string Describe(const Units& u) {
  return std::to_string(u.x) + "," + std::to_string(u.y) + "," + std::to_string(u.cx) + "," +
         std::to_string(u.cy);
}

class CompiledDialogs : public testing::Test {
 protected:
  void SetUp() override {
    const std::string path = WinePath(DETECTOR_PROGRAM);
    program_ = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program_, nullptr) << path;
  }
  void TearDown() override {
    if (program_ != nullptr) ::FreeLibrary(program_);
  }

  // The template exactly as stored for that language, with no fallback to another one.
  bool Load(WORD id, WORD language, DialogTemplate& out) const {
    HRSRC found = ::FindResourceExW(program_, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(id), language);
    if (found == nullptr) return false;
    HGLOBAL loaded = ::LoadResource(program_, found);
    const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    return bytes != nullptr &&
           ParseTemplate(static_cast<const BYTE*>(bytes), ::SizeofResource(program_, found), out);
  }

  HMODULE program_ = nullptr;
};

TEST_F(CompiledDialogs, EveryControlOfEveryTemplateInBothLanguages) {
  for (const ExpectedDialog& want : kDialogs) {
    for (const WORD language : {kEnglish, kChinese}) {
      const bool chinese = language == kChinese;
      SCOPED_TRACE("dialog " + std::to_string(want.id) + ", language " + std::to_string(language));
      DialogTemplate got;
      ASSERT_TRUE(Load(want.id, language, got));
      EXPECT_EQ(got.style, want.style) << std::hex << got.style;
      EXPECT_EQ(got.exStyle, want.exStyle) << std::hex << got.exStyle;
      const Units size = chinese ? want.chinese : want.english;
      EXPECT_TRUE(got.rect == size) << Describe(got.rect);
      EXPECT_EQ(got.menu, L"");
      EXPECT_EQ(got.windowClass, L"");
      EXPECT_EQ(got.caption, chinese ? want.chineseCaption : want.englishCaption);
      EXPECT_EQ(got.font.points, 8);
      EXPECT_EQ(got.font.weight, FW_DONTCARE);
      EXPECT_EQ(got.font.italic, FALSE);
      EXPECT_EQ(got.font.charset, DEFAULT_CHARSET);
      EXPECT_EQ(got.font.face, L"MS Shell Dlg");

      ASSERT_EQ(got.items.size(), want.items.size());
      for (std::size_t i = 0; i < want.items.size(); ++i) {
        const ExpectedItem& item = want.items[i];
        const ItemTemplate& actual = got.items[i];
        SCOPED_TRACE("control " + std::to_string(i) + " (" + Narrow(item.englishText) + ")");
        EXPECT_EQ(actual.id, item.id);
        EXPECT_EQ(actual.className, item.className);
        EXPECT_EQ(actual.style, item.style) << std::hex << actual.style;
        EXPECT_EQ(actual.exStyle, item.exStyle) << std::hex << actual.exStyle;
        const Units rect = chinese ? item.chinese : item.english;
        EXPECT_TRUE(actual.rect == rect) << Describe(actual.rect) << " instead of " << Describe(rect);
        EXPECT_EQ(actual.text, chinese ? item.chineseText : item.englishText);
      }
    }
  }
}

}  // namespace
