// PlugInAPI's dialog members: "showOpenDialog", "showSaveDialog",
// "showSelectFolderDialog" and "showSelectFolderDialogWithTitle". Each shows
// a modal platform dialog on the calling (main) thread and answers a file
// object for the chosen path, or null when nothing was chosen. The dialogs
// never touch the chosen file. No state is kept between calls.
#include <memory>
#include <string>

#include "app/file_dialog_filter.h"
#include "app/plug_in_api.h"
#include "platform/platform.h"

namespace {

FB::FileDialogResult showFileDialog(FB::FileDialogRequest::Kind kind, const Norvell::DialogFilterList& filters) {
  FB::FileDialogRequest request;
  request.kind = kind;
  request.filter = Norvell::nulSeparatedFilter(filters);
  request.filterIndex = 1;
  return FB::Platform::instance().showFileDialog(request);
}

// The folder picker. Old systems (major version below 6) get the legacy
// folder browser, newer ones the item dialog; each has its own default
// title. A non-empty `title` replaces the default.
FileHandlePtr showFolderDialog(const std::wstring& title) {
  FB::Platform& platform = FB::Platform::instance();
  FB::FolderDialogRequest request;
  if (platform.osMajorVersion() < 6) {
    request.kind = FB::FolderDialogRequest::Kind::LegacyBrowser;
    request.title = L"Select Folder";
  } else {
    request.kind = FB::FolderDialogRequest::Kind::ItemDialog;
    request.title = L"Select folder";
  }
  if (!title.empty()) request.title = title;
  FB::FolderDialogResult result = platform.showFolderDialog(request);
  if (!result.chosen) return nullptr;
  return std::make_shared<FileHandle>(result.path);
}

}  // namespace

FileHandlePtr PlugInAPI::showOpenDialog(const std::wstring& filter) {
  trace("showOpenDialog");
  FB::FileDialogResult result = showFileDialog(FB::FileDialogRequest::Kind::Open, Norvell::buildFilterList(filter));
  if (!result.chosen) return nullptr;
  return std::make_shared<FileHandle>(result.path);
}

FileHandlePtr PlugInAPI::showSaveDialog(const std::wstring& filter) {
  trace("showSaveDialog");
  Norvell::DialogFilterList filters = Norvell::buildFilterList(filter);
  FB::FileDialogResult result = showFileDialog(FB::FileDialogRequest::Kind::Save, filters);
  if (!result.chosen) return nullptr;
  return std::make_shared<FileHandle>(Norvell::withSaveExtension(result.path, filters.extensions, result.filterIndex));
}

FileHandlePtr PlugInAPI::showSelectFolderDialog() {
  trace("showSelectFolderDialog");
  return showFolderDialog(std::wstring());
}

FileHandlePtr PlugInAPI::showSelectFolderDialogWithTitle(const std::wstring& title) {
  trace("showSelectFolderDialogWithTitle");
  return showFolderDialog(title);
}
