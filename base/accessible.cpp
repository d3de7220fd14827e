#include "base/accessible.h"

#include <commctrl.h>

#include <atomic>
#include <cstring>
#include <new>

#include "base/announce_gate.h"
#include "base/log.h"
#include "base/owners.h"
#include "base/text.h"

// The accessible object is a COM object: released through Release, never
// deleted through an interface, whose tables must not get a virtual
// destructor.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

namespace {

constexpr UINT_PTR kSubclassId = 0x52454C56;  // "RELV"
constexpr int kNameMax = kAnnounceTextMax;

// Annotations of the platform (the dynamic annotation service), named here
// once: the headers declare them without defining them.
constexpr GUID kClsidAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID kIidAccPropServices = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kLiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG kLivePolite = 1;

// UI Automation's notification event, present from Windows 10 1709 on.
constexpr int kNotificationKindOther = 4;
constexpr int kNotificationProcessingMostRecent = 3;
constexpr wchar_t kActivityId[] = L"RelivoX.Status";
using HostProviderFn = HRESULT(WINAPI*)(HWND, IUnknown**);
using RaiseNotificationFn = HRESULT(WINAPI*)(IUnknown*, int, int, BSTR, BSTR);

BSTR WideText(const char* text) {
  if (!text) text = "";
  const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (units <= 0) return SysAllocString(L"");
  BSTR wide = SysAllocStringLen(nullptr, static_cast<UINT>(units - 1));
  if (wide) MultiByteToWideChar(CP_ACP, 0, text, -1, wide, units);
  return wide;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The platform's accessible object of a window's client area, with the
// role and the name of the window's look.
class ExposedAccessible final : public IAccessible, public IOleWindow {
 public:
  ExposedAccessible(HWND window, const AccessibleLook* look, IAccessible* inner)
      : window_(window), look_(look), inner_(inner) {}
  ExposedAccessible(const ExposedAccessible&) = delete;
  ExposedAccessible& operator=(const ExposedAccessible&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
    } else if (iid == __uuidof(IOleWindow)) {
      *out = static_cast<IOleWindow*>(this);
    } else if (iid == __uuidof(IEnumVARIANT)) {
      return inner_->QueryInterface(iid, out);  // the children are the platform's
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      inner_->Release();
      delete this;
    }
    return left;
  }

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return inner_->GetTypeInfoCount(count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return inner_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override {
    return inner_->GetIDsOfNames(iid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argument) override {
    return inner_->Invoke(id, iid, locale, flags, params, result, exception, argument);
  }

  // IAccessible: the role and the name of the window itself are the look's.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!IsSelf(child)) return inner_->get_accName(child, name);
    if (!name) return E_POINTER;
    char text[kNameMax] = "";
    if (!IsWindow(window_)) return E_FAIL;
    if (look_->name)
      look_->name(window_, text, sizeof text);
    else
      GetWindowTextA(window_, text, sizeof text);
    text[sizeof text - 1] = '\0';
    *name = WideText(text);
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!IsSelf(child) || look_->role == 0) return inner_->get_accRole(child, role);
    if (!role) return E_POINTER;
    VariantInit(role);
    role->vt = VT_I4;
    role->lVal = look_->role;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return inner_->get_accParent(parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override { return inner_->get_accChildCount(count); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    return inner_->get_accChild(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return inner_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return inner_->get_accDescription(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return inner_->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return inner_->get_accHelp(child, help); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return inner_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return inner_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return inner_->get_accFocus(child); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override { return inner_->get_accSelection(children); }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return inner_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override { return inner_->accSelect(flags, child); }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
    return inner_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return inner_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
    return inner_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return inner_->accDoDefaultAction(child); }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override { return inner_->put_accName(child, name); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return inner_->put_accValue(child, value);
  }

  // IOleWindow: the window this object stands for.
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = window_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

 private:
  ~ExposedAccessible() = default;

  HWND window_;
  const AccessibleLook* look_;
  IAccessible* inner_;  // owned: released with the last reference
  std::atomic<ULONG> references_{1};
};

LRESULT AnswerGetObject(HWND window, WPARAM wParam, const AccessibleLook* look) {
  ComPtr<IAccessible> inner;
  if (FAILED(CreateStdAccessibleObject(window, OBJID_CLIENT, __uuidof(IAccessible), inner.PutVoid())) || !inner)
    return 0;
  auto* exposed = new (std::nothrow) ExposedAccessible(window, look, inner.Detach());
  if (!exposed) return 0;
  // The platform keeps its own reference for the screen reader.
  const LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(exposed));
  exposed->Release();
  return result > 0 ? result : 0;
}

LRESULT CALLBACK ExposedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data) {
  const auto* look = reinterpret_cast<const AccessibleLook*>(data);
  if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT && look) {
    if (LRESULT result = AnswerGetObject(window, wParam, look)) return result;
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, ExposedProc, id);
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

// ---- announcements -----------------------------------------------------------

struct Announcer {
  HWND statusLine = nullptr;
  AnnounceGate gate;
  UINT_PTR timer = 0;
  ModuleHandle uia;
  HostProviderFn hostProvider = nullptr;
  RaiseNotificationFn raiseNotification = nullptr;
  bool uiaLooked = false;
};

Announcer& TheAnnouncer() {
  static Announcer announcer;
  return announcer;
}

void StatusName(HWND, char* out, int size) { CopyText(out, static_cast<std::size_t>(size), AnnouncedText()); }

const AccessibleLook kStatusLook = {ROLE_SYSTEM_STATUSBAR, StatusName};

// Marks the window as a polite live region where the platform offers the
// dynamic annotation service; elsewhere the events alone must do.
void MarkLiveRegion(HWND window) {
  ComPtr<IAccPropServices> services;
  if (FAILED(CoCreateInstance(kClsidAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIidAccPropServices,
                              services.PutVoid())) ||
      !services) {
    LogWrite("Live-Region: keine Annotation");
    return;
  }
  VARIANT polite;
  VariantInit(&polite);
  polite.vt = VT_I4;
  polite.lVal = kLivePolite;
  const HRESULT hr =
      services->SetHwndProp(window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kLiveSettingProperty, polite);
  LogWrite("Live-Region: Annotation 0x%08lx", static_cast<unsigned long>(hr));
}

void LookUpNotification(Announcer& a) {
  if (a.uiaLooked) return;
  a.uiaLooked = true;
  a.uia.Reset(LoadLibraryA("uiautomationcore.dll"));
  if (!a.uia) return;
  a.hostProvider =
      reinterpret_cast<HostProviderFn>(reinterpret_cast<void*>(GetProcAddress(a.uia.Get(), "UiaHostProviderFromHwnd")));
  a.raiseNotification = reinterpret_cast<RaiseNotificationFn>(
      reinterpret_cast<void*>(GetProcAddress(a.uia.Get(), "UiaRaiseNotificationEvent")));
  LogWrite("UIA-Benachrichtigung: %s", a.hostProvider && a.raiseNotification ? "ja" : "nein");
}

void RaiseNotification(Announcer& a, const char* text) {
  LookUpNotification(a);
  if (!a.hostProvider || !a.raiseNotification) return;
  ComPtr<IUnknown> provider;
  if (FAILED(a.hostProvider(a.statusLine, provider.Put())) || !provider) return;
  Bstr display, activity;
  display.Attach(WideText(text));
  activity.Attach(SysAllocString(kActivityId));
  a.raiseNotification(provider.Get(), kNotificationKindOther, kNotificationProcessingMostRecent,
                      const_cast<BSTR>(display.Get()), const_cast<BSTR>(activity.Get()));
}

void Raise(Announcer& a) {
  LogWrite("Ansage: %s", a.gate.spoken);
  if (!a.statusLine) return;
  NotifyWinEvent(kEventLiveRegionChanged, a.statusLine, OBJID_CLIENT, CHILDID_SELF);
  NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, a.statusLine, OBJID_CLIENT, CHILDID_SELF);
  RaiseNotification(a, a.gate.spoken);
}

void StopTimer(Announcer& a) {
  if (a.timer) KillTimer(nullptr, a.timer);
  a.timer = 0;
}

void CALLBACK BurstTimer(HWND, UINT, UINT_PTR, DWORD) {
  Announcer& a = TheAnnouncer();
  StopTimer(a);
  std::uint32_t remaining = 0;
  if (DueAnnouncement(a.gate, GetTickCount(), &remaining)) {
    Raise(a);
  } else if (remaining > 0) {
    a.timer = SetTimer(nullptr, 0, remaining, BurstTimer);
  }
}

}  // namespace

void ExposeAccessible(HWND window, const AccessibleLook* look) {
  if (window && look) SetWindowSubclass(window, ExposedProc, kSubclassId, reinterpret_cast<DWORD_PTR>(look));
}

void NotifyNameChanged(HWND window) {
  if (window) NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, CHILDID_SELF);
}

void StartAnnouncements(HWND statusLine) {
  Announcer& a = TheAnnouncer();
  a.statusLine = statusLine;
  ExposeAccessible(statusLine, &kStatusLook);
  MarkLiveRegion(statusLine);
}

void Announce(const char* text, bool speak) {
  Announcer& a = TheAnnouncer();
  switch (OfferAnnouncement(a.gate, text, GetTickCount(), speak)) {
    case AnnounceStep::kSpeak: Raise(a); break;
    case AnnounceStep::kWait:
      StopTimer(a);
      a.timer = SetTimer(nullptr, 0, kAnnounceQuietMs, BurstTimer);
      break;
    case AnnounceStep::kNothing: break;
  }
}

const char* AnnouncedText() { return TheAnnouncer().gate.spoken; }

#pragma GCC diagnostic pop
