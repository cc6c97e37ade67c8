// The control's view and size: drawing into a container's device context
// (IViewObjectEx), the view's advise sink, hit testing, quick activation and
// the content extent. The control draws nothing of its own: a windowless
// control paints through its plug-in window, and any other drawing request
// gets the plug-in window's default picture. It paints no background, so it
// reports itself transparent.
#include <windows.h>

#include <cstddef>

#include "activex/activex_ids_win.h"
#include "activex/com_guard_win.h"
#include "activex/fb_control_win.h"
#include "runtime/plugin_windowless_win.h"

namespace FB::ActiveX {
namespace {

// The oldest layouts a container may pass: everything up to the event
// sink, and a control record without the pointer-activation policy.
constexpr ULONG kLeastContainerSize = offsetof(QACONTAINER, dwAmbientFlags);
constexpr ULONG kLeastControlSize = offsetof(QACONTROL, dwPointerActivationPolicy);

}  // namespace

HRESULT STDMETHODCALLTYPE CFBControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC drawContext,
                                           LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                                           ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT && aspect != DVASPECT_TRANSPARENT) return DV_E_DVASPECT;
  if (!drawContext) return E_INVALIDARG;
  return comGuard([&] {
    const RECT area = bounds ? RECT{bounds->left, bounds->top, bounds->right, bounds->bottom} : position_;
    const WindowRect rect{area.left, area.top, area.right, area.bottom};
    if (windowless_) {
      windowless_->setWindowPosition(rect);
      windowless_->paint(drawContext, rect);
    } else {
      PluginWindowlessWin picture(drawContext);
      picture.setWindowPosition(rect);
      picture.paint(drawContext, rect);
    }
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CFBControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  if (sink) sink->AddRef();
  releaseViewObjects();
  viewSink_ = sink;
  viewAspects_ = aspects;
  viewFlags_ = flags;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CFBControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAspects_;
  if (flags) *flags = viewFlags_;
  if (sink) {
    *sink = viewSink_;
    if (viewSink_) viewSink_->AddRef();
  }
  return S_OK;
}

void CFBControl::releaseViewObjects() {
  releaseAndClear(viewSink_);
  viewAspects_ = 0;
  viewFlags_ = 0;
}

HRESULT STDMETHODCALLTYPE CFBControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

HRESULT STDMETHODCALLTYPE CFBControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CFBControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  extent_ = *size;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CFBControl::GetViewStatus(DWORD* status) {
  if (!status) return E_POINTER;
  *status = VIEWSTATUS_DVASPECTTRANSPARENT;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CFBControl::QueryHitPoint(DWORD aspect, LPCRECT bounds, POINT location, LONG,
                                                    DWORD* hit) {
  if (!bounds || !hit) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *hit = PtInRect(bounds, location) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CFBControl::QueryHitRect(DWORD aspect, LPCRECT bounds, LPCRECT area, LONG,
                                                   DWORD* hit) {
  if (!bounds || !area || !hit) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  RECT common{};
  *hit = IntersectRect(&common, bounds, area) ? HITRESULT_HIT : HITRESULT_OUTSIDE;
  return S_OK;
}

// The container's site, view sink, event sink and property-notify sink in
// one call, and the control's status in return.
HRESULT STDMETHODCALLTYPE CFBControl::QuickActivate(QACONTAINER* container, QACONTROL* control) {
  if (!container || !control) return E_POINTER;
  if (container->cbSize < kLeastContainerSize || control->cbSize < kLeastControlSize) return E_INVALIDARG;
  if (!container->pClientSite) return E_INVALIDARG;
  return comGuard([&] {
    const ULONG controlSize = control->cbSize;
    const HRESULT sited = SetClientSite(container->pClientSite);
    if (FAILED(sited)) return sited;
    if (container->pAdviseSink) SetAdvise(DVASPECT_CONTENT, 0, container->pAdviseSink);
    GetMiscStatus(DVASPECT_CONTENT, &control->dwMiscStatus);
    GetViewStatus(&control->dwViewStatus);
    control->dwEventCookie = 0;
    if (container->pUnkEventSink) {
      IConnectionPoint* point = nullptr;
      IConnectionPointContainer* points = nullptr;
      if (SUCCEEDED(QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points)))) {
        if (SUCCEEDED(points->FindConnectionPoint(kDiidIFBComEventSource, &point))) {
          point->Advise(container->pUnkEventSink, &control->dwEventCookie);
          point->Release();
        }
        points->Release();
      }
    }
    control->dwPropNotifyCookie = 0;
    if (container->pPropertyNotifySink) {
      addPropertyNotifySink(container->pPropertyNotifySink);
      control->dwPropNotifyCookie = static_cast<DWORD>(notifySinks_.size());
    }
    if (controlSize >= sizeof(QACONTROL)) control->dwPointerActivationPolicy = 0;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE CFBControl::SetContentExtent(LPSIZEL size) {
  if (!size) return E_POINTER;
  extent_ = *size;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CFBControl::GetContentExtent(LPSIZEL size) {
  if (!size) return E_POINTER;
  *size = extent_;
  return S_OK;
}

}  // namespace FB::ActiveX
