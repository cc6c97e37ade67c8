// The test page of the ActiveX container: a web browser (IWebBrowser2)
// whose document (IHTMLDocument2) has a window (IHTMLWindow2). The
// window's script members are the script engine's global object, and its
// execScript runs the text in that engine, as a browser's window does.
//
// The objects are built in a translation unit that sees the C form of the
// interfaces (their vtables are filled slot by slot), so they cross this
// header as untyped pointers. Container thread only.
#pragma once

namespace nz_container {

// Runs page script text in the container's script engine; answers an
// HRESULT.
using ExecScriptFunction = long (*)(void* context, const wchar_t* code);

// A new test web browser, as an IWebBrowser2* with one reference.
// `scriptGlobal` is the engine's global object (an IDispatchEx*; the page
// keeps a reference to it until the browser is released).
void* newTestWebBrowser(void* scriptGlobal, ExecScriptFunction execScript, void* context);

// How many of the page's objects are alive (the three of a browser until
// the control and the container have released them).
long livePageObjects();

}  // namespace nz_container
