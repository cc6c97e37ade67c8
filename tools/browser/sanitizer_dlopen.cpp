// Built into nz_browser in AddressSanitizer builds only. QtWebKit opens NPAPI
// plug-ins with RTLD_DEEPBIND, which the sanitizer runtime refuses (a
// deep-bound library would call the system's allocator instead of the
// sanitizer's). This dlopen takes the flag away and hands the call to the
// sanitizer's own dlopen, whose definition is weak so that this one wins.
// The plug-ins export only their entry points and keep their own symbols
// hidden, so binding them the ordinary way changes nothing for them.
// Any thread, like dlopen.
#include <dlfcn.h>

extern "C" void* __interceptor_dlopen(const char* file, int mode);

extern "C" void* dlopen(const char* file, int mode) { return __interceptor_dlopen(file, mode & ~RTLD_DEEPBIND); }
