// Small helpers of the control's COM methods. comGuard runs the body of a
// COM method so that no exception leaves it: the body answers its own
// HRESULT; running out of memory answers E_OUTOFMEMORY and any other
// exception E_FAIL. releaseAndClear lets go of a held interface pointer.
// Any thread.
#pragma once

#include <windows.h>

#include <new>

namespace FB::ActiveX {

template <class Body>
HRESULT comGuard(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

template <class T>
void releaseAndClear(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

}  // namespace FB::ActiveX
