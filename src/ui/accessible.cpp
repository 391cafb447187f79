#include "ui/accessible.h"

#include <oleacc.h>

#include <algorithm>
#include <exception>
#include <new>

#include "engine/core/com_ptr.h"
#include "ui/keyboard_navigation.h"

namespace hvm::ui {

struct AccessibleHost::Link {
  HWND window = nullptr;
  AccessibleModel* model = nullptr;
};

namespace {

BSTR ToBstr(const std::string& text) {
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(length));
  if (result && length > 0)
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result, length);
  return result;
}

// An empty text is "none" (S_FALSE and no string), as clients expect.
HRESULT TextResult(const std::string& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  *out = ToBstr(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

void SetPart(VARIANT* out, long part) {
  VariantInit(out);
  out->vt = VT_I4;
  out->lVal = part;
}

bool IsEmpty(const RECT& r) {
  return r.right <= r.left || r.bottom <= r.top;
}

// Runs a method's body; an exception becomes a failure code instead of
// crossing into the client's code.
template <class Body>
HRESULT Guarded(Body&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

// What the object lists as its children: its parts, then the child windows
// that show (the pages of a window are children; hidden ones are not there).
struct Child {
  long part = kSelf;
  HWND window = nullptr;
};

HRESULT ChildVariant(const Child& child, VARIANT* out) {
  VariantInit(out);
  if (!child.window) {
    SetPart(out, child.part);
    return S_OK;
  }
  IDispatch* dispatch = nullptr;
  const HRESULT made =
      AccessibleObjectFromWindow(child.window, static_cast<DWORD>(OBJID_WINDOW),
                                 __uuidof(IDispatch), reinterpret_cast<void**>(&dispatch));
  if (FAILED(made) || !dispatch) return FAILED(made) ? made : E_FAIL;
  out->vt = VT_DISPATCH;
  out->pdispVal = dispatch;
  return S_OK;
}

class AccessibleObject final : public IAccessible, public IEnumVARIANT {
 public:
  AccessibleObject(std::shared_ptr<AccessibleHost::Link> link, ComPtr<IAccessible> standard)
      : link_(std::move(link)), standard_(std::move(standard)) {}

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (id == __uuidof(IUnknown) || id == __uuidof(IDispatch) || id == __uuidof(IAccessible))
      *out = static_cast<IAccessible*>(this);
    else if (id == __uuidof(IEnumVARIANT))
      *out = static_cast<IEnumVARIANT*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    // A COM object owns itself: the last reference given back ends it.
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: clients of this object call it through its vtable.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!Model()) return RPC_E_DISCONNECTED;
    return standard_ ? standard_->get_accParent(parent) : S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return Guarded([&] {
      if (!Model()) return RPC_E_DISCONNECTED;
      *count = static_cast<long>(Children().size());
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    return Guarded([&] {
      long part = kSelf;
      if (const HRESULT known = Known(child, part); known != S_OK) return known;
      // Parts are simple elements, answered by this object itself.
      return part == kSelf ? E_INVALIDARG : S_FALSE;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return Text(child, name, &AccessibleInfo::name, &IAccessible::get_accName);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return Text(child, value, &AccessibleInfo::value, &IAccessible::get_accValue);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return Text(child, description, &AccessibleInfo::description, &IAccessible::get_accDescription);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return Text(child, action, &AccessibleInfo::defaultAction, &IAccessible::get_accDefaultAction);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return Text(child, shortcut, &AccessibleInfo::shortcut, &IAccessible::get_accKeyboardShortcut);
  }

  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!role) return E_POINTER;
    VariantInit(role);
    return Guarded([&] {
      long part = kSelf;
      if (const HRESULT known = Known(child, part); known != S_OK) return known;
      const AccessibleInfo info = Model()->Describe(part);
      if (info.role == 0 && part == kSelf && standard_) return standard_->get_accRole(child, role);
      SetPart(role, info.role != 0 ? info.role : ROLE_SYSTEM_STATICTEXT);
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (!state) return E_POINTER;
    VariantInit(state);
    return Guarded([&] {
      long part = kSelf;
      if (const HRESULT known = Known(child, part); known != S_OK) return known;
      long bits = Model()->Describe(part).state;
      if (part == kSelf && standard_) {
        VARIANT own;
        VariantInit(&own);
        if (SUCCEEDED(standard_->get_accState(child, &own)) && own.vt == VT_I4) bits |= own.lVal;
        VariantClear(&own);
      }
      SetPart(state, bits);
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    if (!help) return E_POINTER;
    *help = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    return S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (!focus) return E_POINTER;
    VariantInit(focus);
    return Guarded([&] {
      AccessibleModel* model = Model();
      if (!model) return RPC_E_DISCONNECTED;
      if (GetFocus() == link_->window) {
        SetPart(focus, model->FocusedPart());
        return S_OK;
      }
      return standard_ ? standard_->get_accFocus(focus) : S_FALSE;
    });
  }

  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (!selection) return E_POINTER;
    VariantInit(selection);
    return Guarded([&] {
      AccessibleModel* model = Model();
      if (!model) return RPC_E_DISCONNECTED;
      const long part = model->SelectedPart();
      if (part == kSelf) return S_FALSE;
      SetPart(selection, part);
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    return Guarded([&] {
      long part = kSelf;
      if (const HRESULT known = Known(child, part); known != S_OK) return known;
      if (part == kSelf) return standard_ ? standard_->accSelect(flags, child) : E_NOTIMPL;
      if (flags & SELFLAG_TAKEFOCUS) SetFocus(link_->window);
      if (!(flags & (SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION))) return E_NOTIMPL;
      return Model()->Select(part) ? S_OK : S_FALSE;
    });
  }

  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    return Guarded([&] {
      long part = kSelf;
      if (const HRESULT known = Known(child, part); known != S_OK) return known;
      const RECT bounds = Model()->Describe(part).bounds;
      if (IsEmpty(bounds)) {
        if (part == kSelf && standard_)
          return standard_->accLocation(left, top, width, height, child);
        return S_FALSE;
      }
      *left = bounds.left;
      *top = bounds.top;
      *width = bounds.right - bounds.left;
      *height = bounds.bottom - bounds.top;
      return S_OK;
    });
  }

  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (!end) return E_POINTER;
    VariantInit(end);
    return Guarded([&] {
      long part = kSelf;
      if (const HRESULT known = Known(start, part); known != S_OK) return known;
      const std::vector<Child> children = Children();
      if (part == kSelf) {
        if (direction != NAVDIR_FIRSTCHILD && direction != NAVDIR_LASTCHILD)
          return standard_ ? standard_->accNavigate(direction, start, end) : S_FALSE;
        if (children.empty()) return S_FALSE;
        return ChildVariant(direction == NAVDIR_FIRSTCHILD ? children.front() : children.back(),
                            end);
      }
      const auto at = std::find_if(children.begin(), children.end(),
                                   [&](const Child& child) { return child.part == part; });
      if (at == children.end()) return E_INVALIDARG;
      switch (direction) {
        case NAVDIR_NEXT:
        case NAVDIR_DOWN:
        case NAVDIR_RIGHT: return at + 1 == children.end() ? S_FALSE : ChildVariant(*(at + 1), end);
        case NAVDIR_PREVIOUS:
        case NAVDIR_UP:
        case NAVDIR_LEFT: return at == children.begin() ? S_FALSE : ChildVariant(*(at - 1), end);
        default: return S_FALSE;  // a part has no children of its own
      }
    });
  }

  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
    if (!hit) return E_POINTER;
    VariantInit(hit);
    return Guarded([&] {
      AccessibleModel* model = Model();
      if (!model) return RPC_E_DISCONNECTED;
      const long part = model->PartAt({x, y});
      if (part != kSelf) {
        SetPart(hit, part);
        return S_OK;
      }
      return standard_ ? standard_->accHitTest(x, y, hit) : S_FALSE;
    });
  }

  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return Guarded([&] {
      long part = kSelf;
      if (const HRESULT known = Known(child, part); known != S_OK) return known;
      if (Model()->DoDefaultAction(part)) return S_OK;
      if (part == kSelf && standard_) return standard_->accDoDefaultAction(child);
      return DISP_E_MEMBERNOTFOUND;
    });
  }

  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  // IEnumVARIANT: the children, as accChildren lists them.
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (!out) return E_POINTER;
    return Guarded([&] {
      if (!Model()) return RPC_E_DISCONNECTED;
      const std::vector<Child> children = Children();
      ULONG given = 0;
      while (given < count && cursor_ < children.size()) {
        if (FAILED(ChildVariant(children[cursor_++], &out[given]))) continue;
        ++given;
      }
      if (fetched) *fetched = given;
      return given == count ? S_OK : S_FALSE;
    });
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    return Guarded([&] {
      const size_t total = Children().size();
      cursor_ = std::min(total, cursor_ + count);
      return cursor_ < total || count == 0 ? S_OK : S_FALSE;
    });
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    cursor_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override {
    if (!copy) return E_POINTER;
    *copy = nullptr;
    return Guarded([&] {
      ComPtr<IAccessible> standard;
      if (standard_)
        standard_->QueryInterface(__uuidof(IAccessible),
                                  reinterpret_cast<void**>(standard.Receive()));
      auto* clone = new AccessibleObject(link_, std::move(standard));
      clone->cursor_ = cursor_;
      *copy = static_cast<IEnumVARIANT*>(clone);
      return S_OK;
    });
  }

 private:
  ~AccessibleObject() = default;

  AccessibleModel* Model() const {
    return link_->model && IsWindow(link_->window) ? link_->model : nullptr;
  }

  // The part a child argument names: S_OK, or why not.
  HRESULT Known(const VARIANT& child, long& part) const {
    AccessibleModel* model = Model();
    if (!model) return RPC_E_DISCONNECTED;
    if (child.vt != VT_I4) return E_INVALIDARG;
    part = child.lVal;
    return part == kSelf || model->HasPart(part) ? S_OK : E_INVALIDARG;
  }

  std::vector<Child> Children() const {
    std::vector<Child> children;
    for (long part : Model()->Parts()) children.push_back({part, nullptr});
    for (HWND window = GetWindow(link_->window, GW_CHILD); window;
         window = GetWindow(window, GW_HWNDNEXT))
      if (IsWindowVisible(window)) children.push_back({kSelf, window});
    return children;
  }

  // A text property: the model's, or for the window itself the standard
  // object's when the model has none.
  HRESULT Text(const VARIANT& child, BSTR* out, std::string AccessibleInfo::*field,
               HRESULT (STDMETHODCALLTYPE IAccessible::*standardRead)(VARIANT, BSTR*)) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guarded([&] {
      long part = kSelf;
      if (const HRESULT known = Known(child, part); known != S_OK) return known;
      const AccessibleInfo info = Model()->Describe(part);
      if ((info.*field).empty() && part == kSelf && standard_)
        return (standard_.Get()->*standardRead)(child, out);
      return TextResult(info.*field, out);
    });
  }

  LONG references_ = 1;
  std::shared_ptr<AccessibleHost::Link> link_;
  ComPtr<IAccessible> standard_;
  size_t cursor_ = 0;
};

}  // namespace

bool AccessibleModel::HasPart(long part) const {
  const std::vector<long> parts = Parts();
  return std::find(parts.begin(), parts.end(), part) != parts.end();
}

AccessibleHost::AccessibleHost(HWND window, AccessibleModel& model)
    : link_(std::make_shared<Link>(Link{window, &model})) {}

AccessibleHost::~AccessibleHost() {
  link_->model = nullptr;
  link_->window = nullptr;
}

bool AccessibleHost::Answer(WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT) || !link_->model) return false;
  ComPtr<IAccessible> standard;
  CreateStdAccessibleObject(link_->window, static_cast<LONG>(OBJID_CLIENT), __uuidof(IAccessible),
                            reinterpret_cast<void**>(standard.Receive()));
  AccessibleObject* object = nullptr;
  try {
    object = new AccessibleObject(link_, std::move(standard));
  } catch (const std::bad_alloc&) {
    return false;
  }
  // The result holds a reference of its own; the client takes it over.
  result = LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(object));
  object->Release();
  return true;
}

void RaiseAccessibleEvent(DWORD event, HWND window, long part) {
  if (window) NotifyWinEvent(event, window, static_cast<LONG>(OBJID_CLIENT), part);
}

std::string SpokenCaption(const std::string& caption) {
  std::string spoken;
  spoken.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    spoken += caption[i];
  }
  // Trailing blanks of a caption are layout, not words.
  while (!spoken.empty() && spoken.back() == ' ') spoken.pop_back();
  return spoken;
}

std::string ShortcutOf(const std::string& caption) {
  const char letter = MnemonicOf(caption);
  if (!letter) return {};
  return std::string("Alt+") +
         static_cast<char>(letter >= 'a' && letter <= 'z' ? letter - 'a' + 'A' : letter);
}

RECT ClientOnScreen(HWND window, RECT client) {
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  return client;
}

}  // namespace hvm::ui
