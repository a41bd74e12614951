#include "app/link_label/link_accessible.h"

#include <oleacc.h>

#include <new>
#include <string>

#include "app/link_label/link_label.h"

namespace {

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

std::wstring WideFromAnsi(const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
  return wide;
}

// The label behind `window`, while it is still attached to it.
const CLinkLabel* LabelOf(HWND window) {
  return dynamic_cast<const CLinkLabel*>(CWnd::FromHandlePermanent(window));
}

HRESULT NewString(const wchar_t* text, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = ::SysAllocString(text);
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

// The standard object of the label's client area with the link's role, state, value and
// default action; everything else is the standard object's answer. It keeps only the window
// handle, so it outlives the label harmlessly.
class LinkAccessible final : public IAccessible {
 public:
  // Takes over the caller's reference to `standard`.
  LinkAccessible(HWND label, IAccessible* standard) : m_label(label), m_standard(standard) {}
  ~LinkAccessible() { m_standard->Release(); }
  LinkAccessible(const LinkAccessible&) = delete;
  LinkAccessible& operator=(const LinkAccessible&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&m_references));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&m_references);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return m_standard->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return m_standard->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override {
    return m_standard->GetIDsOfNames(iid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) override {
    return m_standard->Invoke(id, iid, locale, flags, params, result, exception, argumentError);
  }

  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return m_standard->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    return m_standard->get_accChildCount(count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return m_standard->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return m_standard->get_accName(child, name);
  }
  // A link's value is its address.
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    const CLinkLabel* label = LabelOf(m_label);
    if (!IsSelf(child) || label == nullptr) return m_standard->get_accValue(child, value);
    return NewString(WideFromAnsi(label->Target()).c_str(), value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    const CLinkLabel* label = LabelOf(m_label);
    if (!IsSelf(child) || label == nullptr || label->Description().empty()) {
      return m_standard->get_accDescription(child, description);
    }
    return NewString(WideFromAnsi(label->Description()).c_str(), description);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!IsSelf(child)) return m_standard->get_accRole(child, role);
    if (role == nullptr) return E_POINTER;
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_LINK;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    const HRESULT result = m_standard->get_accState(child, state);
    if (result == S_OK && IsSelf(child) && state->vt == VT_I4) state->lVal |= STATE_SYSTEM_LINKED;
    return result;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return m_standard->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return m_standard->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return m_standard->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
    return m_standard->get_accFocus(child);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
    return m_standard->get_accSelection(children);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (!IsSelf(child)) return m_standard->get_accDefaultAction(child, action);
    return NewString(kLinkDefaultAction, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
    return m_standard->accSelect(flags, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) override {
    return m_standard->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return m_standard->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
    return m_standard->accHitTest(x, y, child);
  }
  // Posted, so that the screen reader's call returns before a browser starts. A hidden link
  // cannot be used, by the keyboard or otherwise.
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!IsSelf(child)) return m_standard->accDoDefaultAction(child);
    if (!::IsWindowVisible(m_label)) return E_FAIL;
    return ::PostMessageW(m_label, kLinkOpenRequest, 0, 0) ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return m_standard->put_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return m_standard->put_accValue(child, value);
  }

 private:
  LONG m_references = 1;
  HWND m_label;
  IAccessible* m_standard;
};

}  // namespace

LRESULT AnswerLinkObjectRequest(HWND label, WPARAM wParam) {
  IAccessible* standard = nullptr;
  if (FAILED(::CreateStdAccessibleObject(label, OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&standard))) ||
      standard == nullptr) {
    return 0;
  }
  auto* link = new (std::nothrow) LinkAccessible(label, standard);
  if (link == nullptr) {
    standard->Release();
    return 0;
  }
  const LRESULT result = ::LresultFromObject(__uuidof(IAccessible), wParam, link);
  link->Release();
  return FAILED(result) ? 0 : result;
}
