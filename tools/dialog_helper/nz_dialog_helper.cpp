// nz_dialog_helper: shows one GTK 3 file or folder dialog for the Linux port
// of the plug-in and reports the choice on standard output. The plug-in
// starts it as a child process for every dialog and waits for it; see
// platform/platform_dialogs_posix.cpp for the whole exchange.
//
//   nz_dialog_helper KIND TITLE FILTER_INDEX [DESCRIPTION PATTERN]...
//
// KIND: "open" (the file must exist), "save" (the folder must exist; asks
// before overwriting) or "folder". A confirmed name that breaks its kind's
// rule is refused with a message, and the dialog stays open, as on Windows.
// The dialog is centred on the screen under the pointer and never takes more
// than 90% of that screen's work area. TITLE: the window title, empty for the
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

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/dialog_helper/dialog_rules.h"

namespace {

using nz::dialog::Kind;
using nz::dialog::Refusal;

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

// The monitor under the pointer, where the dialog is centred; the first
// monitor when the pointer cannot be found.
GdkMonitor* monitorOfPointer(GdkDisplay* display) {
  if (GdkSeat* seat = gdk_display_get_default_seat(display)) {
    if (GdkDevice* pointer = gdk_seat_get_pointer(seat)) {
      int x = 0;
      int y = 0;
      gdk_device_get_position(pointer, nullptr, &x, &y);
      if (GdkMonitor* monitor = gdk_display_get_monitor_at_point(display, x, y)) return monitor;
    }
  }
  return gdk_display_get_n_monitors(display) > 0 ? gdk_display_get_monitor(display, 0) : nullptr;
}

// Keeps the window inside its screen: the file chooser asks for a size of
// its own (from its font or from the size remembered last time) that may be
// larger than a small screen. The limit is a geometry hint, so every later
// request of the chooser is held to it as well.
void fitOntoScreen(GtkWindow* window) {
  gtk_window_set_position(window, GTK_WIN_POS_CENTER);
  GdkMonitor* monitor = monitorOfPointer(gtk_widget_get_display(GTK_WIDGET(window)));
  if (monitor == nullptr) return;
  GdkRectangle area;
  gdk_monitor_get_workarea(monitor, &area);
  nz::dialog::Size limit = nz::dialog::fitToWorkArea({INT_MAX, INT_MAX}, {area.width, area.height});
  GdkGeometry hints{};
  hints.max_width = limit.width;
  hints.max_height = limit.height;
  gtk_window_set_geometry_hints(window, nullptr, &hints, GDK_HINT_MAX_SIZE);
  int width = 0;
  int height = 0;
  gtk_window_get_default_size(window, &width, &height);
  if (width > 0 && height > 0) {
    nz::dialog::Size fitted = nz::dialog::fitToWorkArea({width, height}, {area.width, area.height});
    gtk_window_set_default_size(window, fitted.width, fitted.height);
  }
}

// Runs before the dialog hands a confirmed choice to gtk_dialog_run: a path
// that breaks the kind's rule gets the message and the dialog stays open.
void onResponse(GtkDialog* dialog, gint response, gpointer kindPointer) {
  if (response != GTK_RESPONSE_ACCEPT) return;
  Kind kind = *static_cast<const Kind*>(kindPointer);
  gchar* path = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
  if (path == nullptr) return;
  Refusal refusal = nz::dialog::refusalFor(kind, path);
  if (refusal != Refusal::None) {
    g_signal_stop_emission_by_name(dialog, "response");
    gchar* name = g_filename_display_basename(path);
    std::string message = nz::dialog::refusalMessage(refusal, name);
    g_free(name);
    GtkWidget* box = gtk_message_dialog_new(GTK_WINDOW(dialog), GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING, GTK_BUTTONS_OK,
                                            "%s", message.c_str());
    gtk_window_set_title(GTK_WINDOW(box), gtk_window_get_title(GTK_WINDOW(dialog)));
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
  }
  g_free(path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || (argc - 4) % 2 != 0) return usage();
  const std::string kind = argv[1];
  GtkFileChooserAction action;
  const char* defaultTitle;
  const char* acceptLabel;
  Kind rule;  // outlives the dialog, whose response handler reads it
  if (kind == "open") {
    rule = Kind::Open;
    action = GTK_FILE_CHOOSER_ACTION_OPEN;
    defaultTitle = "Open";
    acceptLabel = "_Open";
  } else if (kind == "save") {
    rule = Kind::Save;
    action = GTK_FILE_CHOOSER_ACTION_SAVE;
    defaultTitle = "Save As";
    acceptLabel = "_Save";
  } else if (kind == "folder") {
    rule = Kind::Folder;
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

  fitOntoScreen(GTK_WINDOW(dialog));
  // Connected after the chooser's own handler, which changes into a typed
  // folder and asks before overwriting, and before gtk_dialog_run's.
  g_signal_connect(dialog, "response", G_CALLBACK(onResponse), &rule);

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
