// The control class's creator. The control itself is not part of the
// module yet: its class object exists (so registration and class-object
// lookups behave), and making an instance answers E_NOTIMPL.
#include "activex/class_factory_win.h"

namespace FB::ActiveX {

HRESULT createControlInstance(REFIID, void** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

}  // namespace FB::ActiveX
