// PlugInAPI's members that name and write files ("createFileInFolder",
// "saveStreamToFile") and that fill the handler registries
// (handler_registry.h).
//
// saveStreamToFile replaces and prepends through a temporary file beside the
// target, flushed to disk and then renamed over the target, so a failure or
// a power cut leaves either the old or the new contents whole. It appends in
// place: only the new data is written, at the end, then flushed; a failure
// cuts the file back to its old length, so the old bytes stay exactly as
// they were. Writes are text streams, so line ends are translated where the
// platform does that (LF is stored as CR LF on Windows). A file it creates
// inside the work folder is readable and writable by the user only.
//
// Script calls: main thread, under the object's zone lock.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>

#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid.hpp>
#include <boost/uuid/uuid_io.hpp>

#include "app/handler_registry.h"
#include "app/plug_in_api.h"
#include "app/work_folder.h"
#include "platform/platform.h"
#include "scripting/script_error.h"

namespace fs = std::filesystem;

namespace {

const char* const kWriteFailedMessage = "Could not write file";

// The file's contents as a text stream; nothing when it is missing or
// cannot be opened. A file that opens but then fails to read (a folder on
// Linux, a disk error) would lose its unread part: that write is refused.
std::string readText(const fs::path& path) {
  std::ifstream in(path);
  if (!in) return std::string();
  try {
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::exception&) {
    throw FB::script_error(kWriteFailedMessage);
  }
}

// A name beside `target` (same folder, so the rename never copies) that no
// other writer picks.
fs::path temporaryNameBeside(const fs::path& target) {
  fs::path name = target;
  name += ".~" + boost::uuids::to_string(boost::uuids::random_generator()()).substr(0, 8) + ".tmp";
  return name;
}

[[noreturn]] void failWrite(const fs::path& temporary) {
  std::error_code ignored;
  if (!temporary.empty()) fs::remove(temporary, ignored);
  throw FB::script_error(kWriteFailedMessage);
}

// Replaces the file at `target` with `contents`, or raises "Could not write
// file" and leaves the old file as it was.
void replaceFileContents(fs::path target, const std::string& contents) {
  std::error_code error;
  // Write through a link, as opening the link for writing would.
  if (fs::is_symlink(fs::symlink_status(target, error))) {
    fs::path resolved = fs::weakly_canonical(target, error);
    if (!error) target = resolved;
  }
  const fs::file_status old = fs::status(target, error);
  const bool existed = fs::exists(old);
  // A rename would replace a read-only file that could not be opened for
  // writing; it stays as protected as before.
  if (existed && (old.permissions() & fs::perms::owner_write) == fs::perms::none) failWrite(fs::path());

  const fs::path temporary = temporaryNameBeside(target);
  {
    std::ofstream out(temporary, std::ios::out | std::ios::trunc);
    if (!out) failWrite(temporary);
    // A new file in the work folder is the user's alone, from before its
    // first byte is written.
    if (!existed && Norvell::liesInWorkFolder(target)) {
      fs::permissions(temporary, fs::perms::owner_read | fs::perms::owner_write, error);
      if (error) failWrite(temporary);
    }
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    out.close();
    if (out.fail()) failWrite(temporary);
  }
  // On disk before it takes the target's name: a power cut then finds the
  // old file or the whole new one, never a short one.
  FB::Platform& platform = FB::Platform::instance();
  if (!platform.flushFileToDisk(temporary)) failWrite(temporary);
  if (existed) fs::permissions(temporary, old.permissions(), error);  // best effort: keep the file's mode
  fs::rename(temporary, target, error);  // replaces an existing file at once, also on Windows
  if (error) failWrite(temporary);
  // The new name reaches the disk too. The new contents are in place by now,
  // so a failure here is not reported as a failed write.
  platform.flushFolderToDisk(target.parent_path());
}

// Cuts `target` back to `length` and raises "Could not write file".
[[noreturn]] void failAppend(const fs::path& target, std::uintmax_t length) {
  std::error_code ignored;
  fs::resize_file(target, length, ignored);
  FB::Platform::instance().flushFileToDisk(target);
  throw FB::script_error(kWriteFailedMessage);
}

// Adds `data` at the end of the file at `target`, in place, or raises
// "Could not write file" with the file as it was. A missing file is created
// as a replacement would create it.
void appendToFile(const fs::path& target, const std::string& data) {
  std::error_code error;
  const fs::file_status status = fs::status(target, error);
  if (!fs::exists(status)) {
    replaceFileContents(target, data);
    return;
  }
  if (!fs::is_regular_file(status) || (status.permissions() & fs::perms::owner_write) == fs::perms::none) {
    throw FB::script_error(kWriteFailedMessage);
  }
  const std::uintmax_t oldLength = fs::file_size(target, error);
  if (error) throw FB::script_error(kWriteFailedMessage);
  {
    std::ofstream out(target, std::ios::out | std::ios::app);
    if (!out) throw FB::script_error(kWriteFailedMessage);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    if (out.fail()) failAppend(target, oldLength);
  }
  if (!FB::Platform::instance().flushFileToDisk(target)) failAppend(target, oldLength);
}

}  // namespace

FileHandlePtr PlugInAPI::createFileInFolder(const FileHandlePtr& folder, const std::wstring& name) {
  trace("createFileInFolder");
  if (!folder) return nullptr;
  // Plain text: exactly one separator of the platform, the name unchecked.
  return std::make_shared<FileHandle>(folder->path() + static_cast<wchar_t>(fs::path::preferred_separator) + name);
}

void PlugInAPI::saveStreamToFile(const FileHandlePtr& file, const std::string& data, const std::string& mode) {
  trace("saveStreamToFile");
  if (!file) return;
  const fs::path target = Norvell::fileSystemPath(file->path());
  if (mode == "prepend") {
    replaceFileContents(target, data + readText(target));
  } else if (mode == "append") {
    appendToFile(target, data);
  } else {
    replaceFileContents(target, data);
  }
}

int PlugInAPI::registerWriteHandler(const FB::JSObjectPtr& handler) {
  trace("registerWriteHandler");
  return Norvell::registerHandler(Norvell::HandlerKind::Write, handler, objectId());
}

int PlugInAPI::registerQueryHandler(const FB::JSObjectPtr& handler) {
  trace("registerQueryHandler");
  return Norvell::registerHandler(Norvell::HandlerKind::Query, handler, objectId());
}

void PlugInAPI::unregisterWriteHandler(int id) {
  trace("unregisterWriteHandler");
  Norvell::unregisterHandler(Norvell::HandlerKind::Write, id);
}

void PlugInAPI::unregisterQueryHandler(int id) {
  trace("unregisterQueryHandler");
  Norvell::unregisterHandler(Norvell::HandlerKind::Query, id);
}
