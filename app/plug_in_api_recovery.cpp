// PlugInAPI's recovery files: uniquely named files in the recovery folders
// of the work folder (work_folder.h). Nothing is recorded about the files
// handed out; script knows them only through their handles.
//
// Script calls: main thread, under the object's zone lock.
#include <filesystem>
#include <memory>
#include <string>

#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid.hpp>
#include <boost/uuid/uuid_io.hpp>

#include "app/plug_in_api.h"
#include "app/work_folder.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

FileHandlePtr PlugInAPI::acquireRecoveryFile(const std::string& extension, const std::string& folder) {
  FB::Platform& platform = FB::Platform::instance();
  const fs::path directory = Norvell::fileSystemPath(platform.widePath(Norvell::recoveryFolder(folder)));
  // A fresh generator per name; to_string gives the lower-case 8-4-4-4-12 form.
  const std::string name = boost::uuids::to_string(boost::uuids::random_generator()()) + "." + extension;
  // Only a name: the file is created by whatever writes it first.
  return std::make_shared<FileHandle>(
      Norvell::widePathText(directory / Norvell::fileSystemPath(platform.widePath(name))));
}

void PlugInAPI::releaseRecoveryFile(const FileHandlePtr& file) {
  if (!file) return;
  const fs::path path = Norvell::fileSystemPath(file->path());
  // Both raise filesystem_error (a file in use, a folder that is not empty).
  if (fs::exists(path)) fs::remove(path);
}
