#pragma once
// Message maps: one constant table per window class, each chained to its base class's table.
// An entry pairs a message (or a control notification) with a member function; the entry
// builders below check the handler's signature at compile time. Inside a class with a member
// of the same name as a builder (OnPaint, OnSysCommand), write the builder as ::OnPaint<...>().
#include <windows.h>

#include <cstddef>
#include <type_traits>

class CWnd;

// A parent hands a child's notifications (WM_COMMAND, the color queries) back to
// the child's object by a direct call, so that the child's own table can claim them before the
// parent sees them. Those entries are marked reflected and found only that way: no message
// number reaches them, so no other window or process can send one.
// All color queries (WM_CTLCOLORSTATIC, ...EDIT, ...BTN) reach the child as this one entry,
// with the device context in wParam and the CTLCOLOR_ kind in lParam.
constexpr UINT kCtlColorAny = 0x0019;  // the old combined color query's number

constexpr UINT kAnyId = 0xFFFFFFFF;

// Answers whether it handled the message; `result` is what the window procedure returns.
using MessageThunk = bool (*)(CWnd& wnd, WPARAM wParam, LPARAM lParam, LRESULT& result);

struct MessageMapEntry {
  UINT message;
  UINT code;  // notification code of WM_COMMAND (and its reflection), else 0
  UINT id;    // control id, or kAnyId
  MessageThunk thunk;
  bool reflected = false;  // the control's own notification, handed back by its parent
};

struct MessageMap {
  const MessageMap* (*base)();  // null for the root
  const MessageMapEntry* entries;
  std::size_t count;
};

template <std::size_t N>
constexpr MessageMap MakeMessageMap(const MessageMap* (*base)(), const MessageMapEntry (&entries)[N]) {
  return MessageMap{base, entries, N};
}

// The first entry, searching from `map` down its base chain, that claims the message: among
// the entries for messages the window receives, or among the reflected ones.
const MessageMapEntry* FindMessageEntry(const MessageMap* map, UINT message, WPARAM wParam);
const MessageMapEntry* FindReflectedEntry(const MessageMap* map, UINT message, WPARAM wParam);

namespace message_map_detail {

template <class Member>
struct MemberTraits;
template <class Class, class Function>
struct MemberTraits<Function Class::*> {
  using Owner = Class;
  using Signature = Function;
};

template <auto Handler>
using OwnerOf = typename MemberTraits<decltype(Handler)>::Owner;

template <auto Handler, class Signature>
constexpr bool kHasSignature =
    std::is_same_v<typename MemberTraits<decltype(Handler)>::Signature, Signature>;

template <auto Handler>
OwnerOf<Handler>& Target(CWnd& wnd) {
  static_assert(std::is_base_of_v<CWnd, OwnerOf<Handler>>, "handlers belong to window classes");
  return static_cast<OwnerOf<Handler>&>(wnd);
}

template <auto Handler>
bool CallVoid(CWnd& wnd, WPARAM, LPARAM, LRESULT& result) {
  (Target<Handler>(wnd).*Handler)();
  result = 0;
  return true;
}

template <auto Handler>
bool CallRaw(CWnd& wnd, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = (Target<Handler>(wnd).*Handler)(wParam, lParam);
  return true;
}

template <auto Handler>
bool CallSysCommand(CWnd& wnd, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  (Target<Handler>(wnd).*Handler)(static_cast<UINT>(wParam), lParam);
  result = 0;
  return true;
}

template <auto Handler>
bool CallQueryDragIcon(CWnd& wnd, WPARAM, LPARAM, LRESULT& result) {
  result = reinterpret_cast<LRESULT>((Target<Handler>(wnd).*Handler)());
  return true;
}

CWnd* PermanentWindow(HWND hwnd);

template <auto Handler>
bool CallSetCursor(CWnd& wnd, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = (Target<Handler>(wnd).*Handler)(PermanentWindow(reinterpret_cast<HWND>(wParam)),
                                           LOWORD(lParam), HIWORD(lParam));
  return true;
}

template <auto Handler>
bool CallMouse(CWnd& wnd, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  (Target<Handler>(wnd).*Handler)(static_cast<UINT>(wParam), point);
  result = 0;
  return true;
}

template <auto Handler>
bool CallKey(CWnd& wnd, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  (Target<Handler>(wnd).*Handler)(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
  result = 0;
  return true;
}

template <auto Handler>
bool CallGetDlgCode(CWnd& wnd, WPARAM, LPARAM lParam, LRESULT& result) {
  result = static_cast<LRESULT>(
      (Target<Handler>(wnd).*Handler)(reinterpret_cast<const MSG*>(lParam)));
  return true;
}

template <auto Handler>
bool CallFocus(CWnd& wnd, WPARAM wParam, LPARAM, LRESULT& result) {
  (Target<Handler>(wnd).*Handler)(reinterpret_cast<HWND>(wParam));
  result = 0;
  return true;
}

template <auto Handler>
bool CallEraseBkgnd(CWnd& wnd, WPARAM wParam, LPARAM, LRESULT& result) {
  result = (Target<Handler>(wnd).*Handler)(reinterpret_cast<HDC>(wParam));
  return true;
}

// A DPI of 0 is left to the default processing.
template <auto Handler>
bool CallDpiChanged(CWnd& wnd, WPARAM wParam, LPARAM, LRESULT& result) {
  const UINT dpi = LOWORD(wParam);
  if (dpi == 0) return false;
  (Target<Handler>(wnd).*Handler)(dpi);
  result = 0;
  return true;
}

// A null brush means "not mine": the parent then answers the query itself.
template <auto Handler>
bool CallCtlColorReflect(CWnd& wnd, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const HBRUSH brush =
      (Target<Handler>(wnd).*Handler)(reinterpret_cast<HDC>(wParam), static_cast<UINT>(lParam));
  result = reinterpret_cast<LRESULT>(brush);
  return brush != nullptr;
}

}  // namespace message_map_detail

// WM_DPICHANGED, whose number older headers leave out.
constexpr UINT kDpiChangedMessage = 0x02E0;

// Any message, handled as LRESULT Handler(WPARAM, LPARAM); not the three whose lParam another
// process may point anywhere (their builders below hand on only what can be trusted).
template <UINT Message, auto Handler>
constexpr MessageMapEntry OnMessage() {
  static_assert(message_map_detail::kHasSignature<Handler, LRESULT(WPARAM, LPARAM)>,
                "handler must be LRESULT (WPARAM, LPARAM)");
  static_assert(Message != WM_NOTIFY && Message != WM_GETDLGCODE && Message != kDpiChangedMessage,
                "no raw pointer from another process");
  return {Message, 0, kAnyId, &message_map_detail::CallRaw<Handler>};
}

template <auto Handler>
constexpr MessageMapEntry OnSysCommand() {
  static_assert(message_map_detail::kHasSignature<Handler, void(UINT, LPARAM)>,
                "handler must be void (UINT id, LPARAM)");
  return {WM_SYSCOMMAND, 0, kAnyId, &message_map_detail::CallSysCommand<Handler>};
}

template <auto Handler>
constexpr MessageMapEntry OnPaint() {
  static_assert(message_map_detail::kHasSignature<Handler, void()>, "handler must be void ()");
  return {WM_PAINT, 0, kAnyId, &message_map_detail::CallVoid<Handler>};
}

template <auto Handler>
constexpr MessageMapEntry OnQueryDragIcon() {
  static_assert(message_map_detail::kHasSignature<Handler, HCURSOR()>,
                "handler must be HCURSOR ()");
  return {WM_QUERYDRAGICON, 0, kAnyId, &message_map_detail::CallQueryDragIcon<Handler>};
}

// BOOL Handler(CWnd* window under the pointer (null if it has no object), UINT hit test,
// UINT mouse message). The answer is the message's result; no default processing follows.
template <auto Handler>
constexpr MessageMapEntry OnSetCursor() {
  static_assert(message_map_detail::kHasSignature<Handler, BOOL(CWnd*, UINT, UINT)>,
                "handler must be BOOL (CWnd*, UINT hitTest, UINT message)");
  return {WM_SETCURSOR, 0, kAnyId, &message_map_detail::CallSetCursor<Handler>};
}

template <auto Handler>
constexpr MessageMapEntry OnMouseMove() {
  static_assert(message_map_detail::kHasSignature<Handler, void(UINT, POINT)>,
                "handler must be void (UINT flags, POINT client position)");
  return {WM_MOUSEMOVE, 0, kAnyId, &message_map_detail::CallMouse<Handler>};
}

// WM_KEYDOWN: void Handler(UINT virtual key, UINT repeat count, UINT flags (KF_REPEAT, ...)).
template <auto Handler>
constexpr MessageMapEntry OnKeyDown() {
  static_assert(message_map_detail::kHasSignature<Handler, void(UINT, UINT, UINT)>,
                "handler must be void (UINT key, UINT repeatCount, UINT flags)");
  return {WM_KEYDOWN, 0, kAnyId, &message_map_detail::CallKey<Handler>};
}

// WM_GETDLGCODE: UINT Handler(const MSG* the message this thread's loop is translating, about
// which the dialog manager asks, or null).
template <auto Handler>
constexpr MessageMapEntry OnGetDlgCode() {
  static_assert(message_map_detail::kHasSignature<Handler, UINT(const MSG*)>,
                "handler must be UINT (const MSG*)");
  return {WM_GETDLGCODE, 0, kAnyId, &message_map_detail::CallGetDlgCode<Handler>};
}

// WM_SETFOCUS and WM_KILLFOCUS: void Handler(HWND the window losing, or gaining, the focus).
template <auto Handler>
constexpr MessageMapEntry OnSetFocus() {
  static_assert(message_map_detail::kHasSignature<Handler, void(HWND)>,
                "handler must be void (HWND previous focus)");
  return {WM_SETFOCUS, 0, kAnyId, &message_map_detail::CallFocus<Handler>};
}

template <auto Handler>
constexpr MessageMapEntry OnKillFocus() {
  static_assert(message_map_detail::kHasSignature<Handler, void(HWND)>,
                "handler must be void (HWND next focus)");
  return {WM_KILLFOCUS, 0, kAnyId, &message_map_detail::CallFocus<Handler>};
}

// WM_ERASEBKGND: BOOL Handler(HDC), true when the background is erased.
template <auto Handler>
constexpr MessageMapEntry OnEraseBkgnd() {
  static_assert(message_map_detail::kHasSignature<Handler, BOOL(HDC)>,
                "handler must be BOOL (HDC)");
  return {WM_ERASEBKGND, 0, kAnyId, &message_map_detail::CallEraseBkgnd<Handler>};
}

// WM_DPICHANGED: void Handler(UINT new DPI). The rectangle the system suggests is not handed
// on: a sender in another process chooses where its pointer points.
template <auto Handler>
constexpr MessageMapEntry OnDpiChanged() {
  static_assert(message_map_detail::kHasSignature<Handler, void(UINT)>,
                "handler must be void (UINT dpi)");
  return {kDpiChangedMessage, 0, kAnyId, &message_map_detail::CallDpiChanged<Handler>};
}

// WM_COMMAND with notification `Code` from control (or menu item) `Id`: void Handler().
template <UINT Id, UINT Code, auto Handler>
constexpr MessageMapEntry OnCommand() {
  static_assert(message_map_detail::kHasSignature<Handler, void()>, "handler must be void ()");
  return {WM_COMMAND, Code, Id, &message_map_detail::CallVoid<Handler>};
}

template <UINT Id, auto Handler>
constexpr MessageMapEntry OnBnClicked() {
  return OnCommand<Id, BN_CLICKED, Handler>();
}

// A notification this control sent its parent in a WM_COMMAND, handed back to the control.
template <UINT Code, auto Handler>
constexpr MessageMapEntry OnControlReflect() {
  static_assert(message_map_detail::kHasSignature<Handler, void()>, "handler must be void ()");
  return {WM_COMMAND, Code, kAnyId, &message_map_detail::CallVoid<Handler>, true};
}

// The color query this control sent its parent, handed back: HBRUSH Handler(HDC, UINT kind).
template <auto Handler>
constexpr MessageMapEntry OnCtlColorReflect() {
  static_assert(message_map_detail::kHasSignature<Handler, HBRUSH(HDC, UINT)>,
                "handler must be HBRUSH (HDC, UINT CTLCOLOR_ kind)");
  return {kCtlColorAny, 0, kAnyId, &message_map_detail::CallCtlColorReflect<Handler>, true};
}
