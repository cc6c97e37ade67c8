// PlugInAPI's "fileFromPermanentHandle": turns a stored permanent handle back
// into a file object. Writes no trace line.
#include "app/plug_in_api.h"

FileHandlePtr PlugInAPI::fileFromPermanentHandle(const std::string& handle) {
  return FileHandle::fromPermanentHandle(handle);
}
