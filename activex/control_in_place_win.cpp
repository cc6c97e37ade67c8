// The control's in-place activation: the activating verbs, activation
// through the client site's IOleInPlaceSite (windowless when the site
// offers IOleInPlaceSiteWindowless and allows it, else in a child window of
// the site's window), the plug-in window handed to the core, position
// changes, page messages for a windowless control, and deactivation.
#include <windows.h>

#include <stdexcept>

#include "activex/com_guard_win.h"
#include "activex/fb_control_win.h"
#include "runtime/factory_base.h"
#include "runtime/plugin_windowless_win.h"
#include "runtime/window_context.h"

namespace FB::ActiveX {
namespace {

constexpr wchar_t kWindowClass[] = L"NorvellZephelControlWindow";
constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;

// The module that holds this code (the plug-in DLL, or a test program).
HINSTANCE thisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&thisModule), &module);
  return module;
}

WindowRect toWindowRect(const RECT& rect) { return WindowRect{rect.left, rect.top, rect.right, rect.bottom}; }

}  // namespace

HRESULT STDMETHODCALLTYPE CFBControl::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND,
                                             LPCRECT position) {
  return comGuard([&]() -> HRESULT {
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_INPLACEACTIVATE:
      case OLEIVERB_UIACTIVATE:
        if (!clientSite_ && activeSite) {
          HRESULT sited = SetClientSite(activeSite);
          if (FAILED(sited)) return sited;
        }
        return activateInPlace(position);
      case OLEIVERB_HIDE:
        if (childWindow_) ShowWindow(childWindow_, SW_HIDE);
        return S_OK;
      case OLEIVERB_DISCARDUNDOSTATE:
        return S_OK;
      default:
        if (verb > 0) {
          // An unknown positive verb acts as the primary one.
          HRESULT activated = activateInPlace(position);
          return FAILED(activated) ? activated : OLEOBJ_S_INVALIDVERB;
        }
        return E_NOTIMPL;
    }
  });
}

HRESULT CFBControl::activateInPlace(const RECT* position) {
  if (inPlaceSite_) {
    if (position) SetObjectRects(position, position);
    if (childWindow_) ShowWindow(childWindow_, SW_SHOW);
    return S_OK;
  }
  if (!clientSite_) return E_UNEXPECTED;
  IOleInPlaceSite* site = nullptr;
  if (FAILED(clientSite_->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&site))) || !site) {
    return E_NOINTERFACE;
  }
  if (site->CanInPlaceActivate() != S_OK) {
    site->Release();
    return E_FAIL;
  }
  IOleInPlaceSiteWindowless* windowless = nullptr;
  if (FAILED(clientSite_->QueryInterface(IID_IOleInPlaceSiteWindowless,
                                         reinterpret_cast<void**>(&windowless)))) {
    windowless = nullptr;
  }
  if (windowless && windowless->CanWindowlessActivate() != S_OK) releaseAndClear(windowless);
  IOleInPlaceSiteEx* siteEx = nullptr;
  if (FAILED(clientSite_->QueryInterface(IID_IOleInPlaceSiteEx, reinterpret_cast<void**>(&siteEx)))) {
    siteEx = nullptr;
  }
  BOOL noRedraw = FALSE;
  const HRESULT told = siteEx ? siteEx->OnInPlaceActivateEx(&noRedraw, windowless ? ACTIVATE_WINDOWLESS : 0)
                              : site->OnInPlaceActivate();
  if (FAILED(told)) {
    releaseAndClear(siteEx);
    releaseAndClear(windowless);
    site->Release();
    return told;
  }
  inPlaceSite_ = site;
  inPlaceSiteEx_ = siteEx;
  windowlessSite_ = windowless;

  if (position) position_ = *position;
  IOleInPlaceFrame* frame = nullptr;
  IOleInPlaceUIWindow* document = nullptr;
  RECT placed{}, clip{};
  OLEINPLACEFRAMEINFO frameInfo{};
  frameInfo.cb = sizeof(frameInfo);
  if (SUCCEEDED(site->GetWindowContext(&frame, &document, &placed, &clip, &frameInfo))) position_ = placed;
  releaseAndClear(frame);
  releaseAndClear(document);

  try {
    if (windowlessSite_) {
      pluginWindow_ = factoryInstance()->createWindowlessWindow(WindowlessContext{});
      windowless_ = dynamic_cast<PluginWindowlessWin*>(pluginWindow_.get());
      if (windowless_) {
        windowless_->setWindowPosition(toWindowRect(position_));
        windowless_->setInvalidator([this](const WindowRect& area) {
          if (!windowlessSite_) return;
          RECT rect{area.left, area.top, area.right, area.bottom};
          windowlessSite_->InvalidateRect(&rect, FALSE);
        });
      }
    } else {
      HWND parent = nullptr;
      if (FAILED(site->GetWindow(&parent)) || !parent) throw std::runtime_error("The site has no window");
      createChildWindow(parent);
      pluginWindow_ = factoryInstance()->createWindowedWindow(WindowedContext{childWindow_});
    }
    if (core_ && pluginWindow_) core_->attachWindow(pluginWindow_.get());
  } catch (...) {
    if (core_ && pluginWindow_ && core_->currentWindow() == pluginWindow_.get()) core_->detachWindow();
    deactivateInPlace();
    return E_FAIL;
  }
  return S_OK;
}

void CFBControl::createChildWindow(HWND parent) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &DefWindowProcW;
  windowClass.hInstance = thisModule();
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw std::runtime_error("Could not register the control's window class");
  }
  childWindow_ = CreateWindowExW(0, kWindowClass, L"", kChildStyle, position_.left, position_.top,
                                 position_.right - position_.left, position_.bottom - position_.top, parent,
                                 nullptr, thisModule(), nullptr);
  if (!childWindow_) throw std::runtime_error("Could not create the control's window");
}

void CFBControl::destroyChildWindow() {
  HWND window = childWindow_;
  childWindow_ = nullptr;
  if (window && IsWindow(window)) DestroyWindow(window);
}

// The template part of deactivation: the plug-in window and the child
// window go, and the site learns that the control left in-place state.
void CFBControl::deactivateInPlace() {
  if (core_ && pluginWindow_ && core_->currentWindow() == pluginWindow_.get()) core_->detachWindow();
  pluginWindow_.reset();
  windowless_ = nullptr;
  destroyChildWindow();
  IOleInPlaceSite* site = inPlaceSite_;
  IOleInPlaceSiteEx* siteEx = inPlaceSiteEx_;
  inPlaceSite_ = nullptr;
  inPlaceSiteEx_ = nullptr;
  releaseAndClear(windowlessSite_);
  if (siteEx) {
    siteEx->OnInPlaceDeactivateEx(TRUE);
  } else if (site) {
    site->OnInPlaceDeactivate();
  }
  releaseAndClear(siteEx);
  releaseAndClear(site);
}

HRESULT STDMETHODCALLTYPE CFBControl::InPlaceDeactivate() {
  return comGuard([&] {
    if (core_) core_->detachWindow();
    pluginWindow_.reset();
    windowless_ = nullptr;
    if (host_) {
      host_->releaseKeptObjects();
      host_->releaseContainer();
      host_->releasePending();
    }
    deactivateInPlace();
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CFBControl::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = childWindow_;
  return childWindow_ ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CFBControl::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
  return comGuard([&] {
    position_ = *position;
    if (childWindow_) {
      SetWindowPos(childWindow_, nullptr, position_.left, position_.top, position_.right - position_.left,
                   position_.bottom - position_.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (windowless_) windowless_->setWindowPosition(toWindowRect(position_));
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CFBControl::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                                      LRESULT* result) {
  if (!result) return E_POINTER;
  *result = 0;
  if (!windowless_) return S_FALSE;
  return comGuard([&] {
    std::intptr_t answer = 0;
    const bool handled = windowless_->handleEvent(message, wParam, lParam, answer);
    *result = answer;
    return handled ? S_OK : S_FALSE;
  });
}

HRESULT STDMETHODCALLTYPE CFBControl::GetDropTarget(IDropTarget** target) {
  if (!target) return E_POINTER;
  *target = nullptr;
  return E_NOTIMPL;
}

}  // namespace FB::ActiveX
