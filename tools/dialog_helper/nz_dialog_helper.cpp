// nz_dialog_helper: shows one GTK 3 file or folder dialog for the Linux port
// of the plug-in and reports the choice on standard output. The plug-in
// starts it as a child process for every dialog and waits for it; see
// platform/platform_dialogs_posix.cpp for the whole exchange.
//
//   nz_dialog_helper KIND TITLE FILTER_INDEX [DESCRIPTION PATTERN]...
//
// KIND: "open" (the file must exist), "save" (the folder must exist; asks
// before overwriting) or "folder". TITLE: the window title, empty for the
// kind's default. FILTER_INDEX: the 1-based filter preselected. PATTERN: one
// or more globs separated by ";", matched without regard to case as the
// Windows dialogs do ("*.*" matches every name).
//
// Output: "OK <filterIndex>\n<path>\n" with the 1-based filter in force (0
// when there are none), or "CANCEL\n". Exit status 0 for both, 1 when no
// display can be opened, 2 for a bad command line.
//
// The arguments come from web pages: they are never read as options (GTK
// gets no command line) and never reach a shell.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int usage() {
  std::fputs("usage: nz_dialog_helper open|save|folder TITLE FILTER_INDEX [DESCRIPTION PATTERN]...\n", stderr);
  return 2;
}

// A Windows pattern as a GTK glob: letters match either case, brackets are
// plain characters, and "*.*" is everything.
std::string globFor(const std::string& pattern) {
  if (pattern == "*.*") return "*";
  std::string glob;
  for (char c : pattern) {
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (letter) {
      char lower = static_cast<char>(c | 0x20);
      glob += '[';
      glob += lower;
      glob += static_cast<char>(lower & ~0x20);
      glob += ']';
    } else if (c == '[' || c == ']') {
      glob += '[';
      glob += c;
      glob += ']';
    } else {
      glob += c;
    }
  }
  return glob;
}

GtkFileFilter* makeFilter(const char* description, const std::string& patterns) {
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, description);
  std::size_t start = 0;
  while (start <= patterns.size()) {
    std::size_t end = patterns.find(';', start);
    if (end == std::string::npos) end = patterns.size();
    std::string pattern = patterns.substr(start, end - start);
    while (!pattern.empty() && pattern.front() == ' ') pattern.erase(0, 1);
    while (!pattern.empty() && pattern.back() == ' ') pattern.pop_back();
    if (!pattern.empty()) gtk_file_filter_add_pattern(filter, globFor(pattern).c_str());
    start = end + 1;
  }
  return filter;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || (argc - 4) % 2 != 0) return usage();
  const std::string kind = argv[1];
  GtkFileChooserAction action;
  const char* defaultTitle;
  const char* acceptLabel;
  if (kind == "open") {
    action = GTK_FILE_CHOOSER_ACTION_OPEN;
    defaultTitle = "Open";
    acceptLabel = "_Open";
  } else if (kind == "save") {
    action = GTK_FILE_CHOOSER_ACTION_SAVE;
    defaultTitle = "Save As";
    acceptLabel = "_Save";
  } else if (kind == "folder") {
    action = GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER;
    defaultTitle = "Select folder";
    acceptLabel = "_Select";
  } else {
    return usage();
  }
  const char* title = argv[2][0] != '\0' ? argv[2] : defaultTitle;
  char* indexEnd = nullptr;
  long preselected = std::strtol(argv[3], &indexEnd, 10);
  if (*argv[3] == '\0' || *indexEnd != '\0') return usage();

  if (!gtk_init_check(nullptr, nullptr)) {
    std::fputs("nz_dialog_helper: cannot open the display\n", stderr);
    return 1;
  }

  GtkWidget* dialog = gtk_file_chooser_dialog_new(title, nullptr, action, "_Cancel", GTK_RESPONSE_CANCEL,
                                                  acceptLabel, GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  // The browser that waits for us stays in front otherwise.
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  gtk_file_chooser_set_current_folder(chooser, g_get_home_dir());
  if (action == GTK_FILE_CHOOSER_ACTION_SAVE) gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);

  std::vector<GtkFileFilter*> filters;
  for (int i = 4; i + 1 < argc; i += 2) {
    GtkFileFilter* filter = makeFilter(argv[i], argv[i + 1]);
    gtk_file_chooser_add_filter(chooser, filter);  // the chooser owns it from here
    filters.push_back(filter);
  }
  if (preselected >= 1 && static_cast<std::size_t>(preselected) <= filters.size()) {
    gtk_file_chooser_set_filter(chooser, filters[static_cast<std::size_t>(preselected) - 1]);
  }

  std::string answer = "CANCEL\n";
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    if (gchar* path = gtk_file_chooser_get_filename(chooser)) {
      int chosenFilter = 0;
      GtkFileFilter* current = gtk_file_chooser_get_filter(chooser);
      for (std::size_t k = 0; k < filters.size(); ++k) {
        if (filters[k] == current) chosenFilter = static_cast<int>(k) + 1;
      }
      answer = "OK " + std::to_string(chosenFilter) + "\n" + path + "\n";
      g_free(path);
    }
  }
  gtk_widget_destroy(dialog);
  while (gtk_events_pending()) gtk_main_iteration();

  std::fwrite(answer.data(), 1, answer.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
