// What a browser binding hands the factory to make a plug-in window: the
// platform's surface as an untyped handle (an HWND for a windowed plug-in,
// an HDC for a windowless one on Windows), so that the factory's interface
// is the same on every platform.
//
// Plain values; made and used on the browser's main thread.
#pragma once

namespace FB {

struct WindowedContext {
  void* window = nullptr;
};

struct WindowlessContext {
  void* deviceContext = nullptr;
};

}  // namespace FB
