// FileHandle: the scriptable object through which page script refers to one
// local file or folder. It is only a path: making one never touches the
// file system, and it never changes after construction.
//
// Members: "name", "extension", "fileExists", "permanentHandle", "type",
// "lastModifiedDate" (read-only properties) and "contentsAsTextStream",
// "contentsAsBinaryStream" (byte-range readers).
//
// Called on the browser's main thread under the object's zone lock; any
// thread may hold a reference.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "scripting/jsapi_auto.h"

class FileHandle : public FB::JSAPIAuto {
 public:
  explicit FileHandle(const std::wstring& path);
  ~FileHandle() override;

  // A handle made from a stored permanent handle; an invalid text gives an
  // empty path (and still reads back as the given text).
  static std::shared_ptr<FileHandle> fromPermanentHandle(const std::string& handle);

  const std::wstring& path() const { return path_; }

  std::wstring name() const;
  std::wstring extension() const;
  bool fileExists() const;
  std::string permanentHandle() const;
  std::wstring type() const;
  std::wstring lastModifiedDate() const;
  std::string contentsAsTextStream(std::optional<unsigned long long> offset,
                                   std::optional<unsigned long long> length);
  std::string contentsAsBinaryStream(std::optional<unsigned long long> offset,
                                     std::optional<unsigned long long> length);

 private:
  std::wstring path_;
  std::string permanentHandle_;
};

using FileHandlePtr = std::shared_ptr<FileHandle>;
