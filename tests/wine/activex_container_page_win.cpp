// The test page's web browser, document and window (see the header).
//
// These interfaces have between 60 and 140 methods and the control calls a
// handful of them, so the objects are built on the C form of the
// interfaces: every vtable slot starts as one stub answering E_NOTIMPL and
// the few used slots are then set by name. A stub that ignores its
// arguments is safe with the x64 calling convention (the caller cleans the
// stack), which is why the container is a win64 program.
#define CINTERFACE
#include <windows.h>

#include <dispex.h>
#include <exdisp.h>
#include <mshtml.h>

#include <atomic>
#include <cstring>

#include "tests/wine/activex_container_page_win.h"

static_assert(sizeof(void*) == 8, "the stub slots rely on the x64 calling convention");

namespace nz_container {
namespace {

std::atomic<long> g_livePageObjects{0};

// Not in the build machines' import libraries.
constexpr IID kIidIDispatchEx = {
    0xa6ef9860, 0xc720, 0x11d0, {0x93, 0x37, 0x00, 0xa0, 0xc9, 0x0d, 0xca, 0xa9}};

HRESULT STDMETHODCALLTYPE notImplemented() { return E_NOTIMPL; }

// A vtable whose every slot is the stub.
template <class Vtbl>
Vtbl stubbedTable() {
  static_assert(sizeof(Vtbl) % sizeof(void*) == 0);
  Vtbl table;
  void* stub = reinterpret_cast<void*>(&notImplemented);
  for (std::size_t at = 0; at < sizeof(Vtbl); at += sizeof(void*)) {
    std::memcpy(reinterpret_cast<char*>(&table) + at, &stub, sizeof stub);
  }
  return table;
}

// The object behind an interface pointer whose interface is the object's
// first member.
template <class Object, class Interface>
Object* objectOf(Interface* pointer) {
  return reinterpret_cast<Object*>(pointer);
}

HRESULT answer(void** out, void* object, IUnknown* unknown) {
  *out = object;
  unknown->lpVtbl->AddRef(unknown);
  return S_OK;
}

// --- window --------------------------------------------------------------

struct Window {
  IHTMLWindow2 iface;
  std::atomic<ULONG> references;
  IDispatchEx* global;
  ExecScriptFunction execScript;
  void* context;
};

ULONG STDMETHODCALLTYPE windowAddRef(IHTMLWindow2* self) { return ++objectOf<Window>(self)->references; }

ULONG STDMETHODCALLTYPE windowRelease(IHTMLWindow2* self) {
  Window* window = objectOf<Window>(self);
  const ULONG left = --window->references;
  if (left == 0) {
    window->global->lpVtbl->Release(window->global);
    delete window;
    --g_livePageObjects;
  }
  return left;
}

HRESULT STDMETHODCALLTYPE windowQueryInterface(IHTMLWindow2* self, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IHTMLWindow2) ||
      IsEqualIID(iid, IID_IHTMLFramesCollection2)) {
    return answer(out, self, reinterpret_cast<IUnknown*>(self));
  }
  // The page's expando members live in the script engine: asked for
  // IDispatchEx, the window hands out its global object's.
  if (IsEqualIID(iid, kIidIDispatchEx)) {
    IDispatchEx* global = objectOf<Window>(self)->global;
    return global->lpVtbl->QueryInterface(global, iid, out);
  }
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE windowGetIDsOfNames(IHTMLWindow2* self, REFIID iid, LPOLESTR* names, UINT count,
                                              LCID locale, DISPID* ids) {
  IDispatchEx* global = objectOf<Window>(self)->global;
  return global->lpVtbl->GetIDsOfNames(global, iid, names, count, locale, ids);
}

HRESULT STDMETHODCALLTYPE windowInvoke(IHTMLWindow2* self, DISPID id, REFIID iid, LCID locale, WORD flags,
                                       DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                       UINT* argumentError) {
  IDispatchEx* global = objectOf<Window>(self)->global;
  return global->lpVtbl->Invoke(global, id, iid, locale, flags, params, result, exception, argumentError);
}

HRESULT STDMETHODCALLTYPE windowExecScript(IHTMLWindow2* self, BSTR code, BSTR, VARIANT* result) {
  if (result) VariantInit(result);
  Window* window = objectOf<Window>(self);
  return window->execScript(window->context, code ? code : L"");
}

const IHTMLWindow2Vtbl* windowTable() {
  static const IHTMLWindow2Vtbl table = [] {
    auto made = stubbedTable<IHTMLWindow2Vtbl>();
    made.QueryInterface = windowQueryInterface;
    made.AddRef = windowAddRef;
    made.Release = windowRelease;
    made.GetIDsOfNames = windowGetIDsOfNames;
    made.Invoke = windowInvoke;
    made.execScript = windowExecScript;
    return made;
  }();
  return &table;
}

// --- document ------------------------------------------------------------

struct Document {
  IHTMLDocument2 iface;
  std::atomic<ULONG> references;
  Window* window;
};

ULONG STDMETHODCALLTYPE documentAddRef(IHTMLDocument2* self) {
  return ++objectOf<Document>(self)->references;
}

ULONG STDMETHODCALLTYPE documentRelease(IHTMLDocument2* self) {
  Document* document = objectOf<Document>(self);
  const ULONG left = --document->references;
  if (left == 0) {
    windowRelease(&document->window->iface);
    delete document;
    --g_livePageObjects;
  }
  return left;
}

HRESULT STDMETHODCALLTYPE documentQueryInterface(IHTMLDocument2* self, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IHTMLDocument) ||
      IsEqualIID(iid, IID_IHTMLDocument2)) {
    return answer(out, self, reinterpret_cast<IUnknown*>(self));
  }
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE documentParentWindow(IHTMLDocument2* self, IHTMLWindow2** window) {
  if (!window) return E_POINTER;
  *window = &objectOf<Document>(self)->window->iface;
  windowAddRef(*window);
  return S_OK;
}

const IHTMLDocument2Vtbl* documentTable() {
  static const IHTMLDocument2Vtbl table = [] {
    auto made = stubbedTable<IHTMLDocument2Vtbl>();
    made.QueryInterface = documentQueryInterface;
    made.AddRef = documentAddRef;
    made.Release = documentRelease;
    made.get_parentWindow = documentParentWindow;
    return made;
  }();
  return &table;
}

// --- web browser ---------------------------------------------------------

struct Browser {
  IWebBrowser2 iface;
  std::atomic<ULONG> references;
  Document* document;
};

ULONG STDMETHODCALLTYPE browserAddRef(IWebBrowser2* self) { return ++objectOf<Browser>(self)->references; }

ULONG STDMETHODCALLTYPE browserRelease(IWebBrowser2* self) {
  Browser* browser = objectOf<Browser>(self);
  const ULONG left = --browser->references;
  if (left == 0) {
    documentRelease(&browser->document->iface);
    delete browser;
    --g_livePageObjects;
  }
  return left;
}

HRESULT STDMETHODCALLTYPE browserQueryInterface(IWebBrowser2* self, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IWebBrowser) ||
      IsEqualIID(iid, IID_IWebBrowserApp) || IsEqualIID(iid, IID_IWebBrowser2)) {
    return answer(out, self, reinterpret_cast<IUnknown*>(self));
  }
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE browserDocument(IWebBrowser2* self, IDispatch** document) {
  if (!document) return E_POINTER;
  IHTMLDocument2* html = &objectOf<Browser>(self)->document->iface;
  documentAddRef(html);
  *document = reinterpret_cast<IDispatch*>(html);
  return S_OK;
}

const IWebBrowser2Vtbl* browserTable() {
  static const IWebBrowser2Vtbl table = [] {
    auto made = stubbedTable<IWebBrowser2Vtbl>();
    made.QueryInterface = browserQueryInterface;
    made.AddRef = browserAddRef;
    made.Release = browserRelease;
    made.get_Document = browserDocument;
    return made;
  }();
  return &table;
}

}  // namespace

void* newTestWebBrowser(void* scriptGlobal, ExecScriptFunction execScript, void* context) {
  auto* global = static_cast<IDispatchEx*>(scriptGlobal);
  global->lpVtbl->AddRef(global);
  auto* window = new Window{{const_cast<IHTMLWindow2Vtbl*>(windowTable())}, {1}, global, execScript, context};
  auto* document = new Document{{const_cast<IHTMLDocument2Vtbl*>(documentTable())}, {1}, window};
  auto* browser = new Browser{{const_cast<IWebBrowser2Vtbl*>(browserTable())}, {1}, document};
  g_livePageObjects += 3;
  return &browser->iface;
}

long livePageObjects() { return g_livePageObjects.load(); }

}  // namespace nz_container
