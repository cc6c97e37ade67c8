// FB::ActiveX::ClassFactory: the class object of one COM class of the
// module. It lives as long as the module (a static object, so its reference
// count is not tracked); LockServer holds the module's lock count.
//
// Called by the COM runtime on any thread; keeps no state of its own.
#pragma once

#include <windows.h>

#include <objbase.h>

namespace FB::ActiveX {

class ClassFactory final : public IClassFactory {
 public:
  // Makes one new object and asks it for `iid`.
  using Creator = HRESULT (*)(REFIID iid, void** out);
  explicit constexpr ClassFactory(Creator creator) : creator_(creator) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  Creator creator_;
};

// The control class's creator (defined with the control).
HRESULT createControlInstance(REFIID iid, void** out);

}  // namespace FB::ActiveX
