#include "app/file_dialog_filter.h"

#include <cstddef>

namespace Norvell {

DialogFilterList buildFilterList(const std::wstring& argument) {
  DialogFilterList list;
  bool extensionNext = false;  // pieces alternate, starting with a description
  std::size_t start = 0;
  while (true) {
    std::size_t bar = argument.find(L'|', start);
    bool last = bar == std::wstring::npos;
    std::wstring piece = argument.substr(start, last ? std::wstring::npos : bar - start);
    if (extensionNext) {
      list.text += L"*.";
      list.extensions.push_back(piece);
    }
    list.text += piece;
    if (last) break;
    list.text += L'|';
    extensionNext = !extensionNext;
    start = bar + 1;
  }
  return list;
}

std::wstring nulSeparatedFilter(const DialogFilterList& list) {
  std::wstring filter = list.text;
  for (wchar_t& c : filter) {
    if (c == L'|') c = L'\0';
  }
  filter.append(2, L'\0');
  return filter;
}

std::wstring withSaveExtension(const std::wstring& path, const std::vector<std::wstring>& extensions,
                               int filterIndex) {
  if (filterIndex < 1 || static_cast<std::size_t>(filterIndex) > extensions.size()) return path;
  const std::wstring& extension = extensions[static_cast<std::size_t>(filterIndex) - 1];
  if (extension.find_first_of(L"*?") != std::wstring::npos) return path;
  std::wstring suffix = L"." + extension;
  if (path.find(suffix) != std::wstring::npos) return path;
  return path + suffix;
}

}  // namespace Norvell
