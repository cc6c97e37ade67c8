// The rules of nz_dialog_helper that need no display: whether a confirmed
// path may leave the dialog (the Windows dialogs' must-exist options), and
// the size that fits the dialog onto its screen. Pure functions, any thread.
#pragma once

#include <string>

namespace nz::dialog {

enum class Kind { Open, Save, Folder };

// Why a confirmed path is refused; the dialog then stays open.
enum class Refusal {
  None,          // the path may be answered
  FileNotFound,  // open: nothing of that name, or a folder
  PathNotFound,  // open, save: the folder that should hold it does not exist
};

// Checks `path` (a file-system path, links followed) against what the kind
// of dialog promises: an open dialog's file exists, a save dialog's folder
// exists. Folders are left to the folder picker itself.
Refusal refusalFor(Kind kind, const std::string& path);

// The message shown for a refusal, the Windows dialogs' wording with the
// name the user typed ("" for Refusal::None).
std::string refusalMessage(Refusal refusal, const std::string& name);

struct Size {
  int width;
  int height;
};

// The largest part of a screen's work area that a dialog may take, in each
// direction.
constexpr int kMaxScreenPercent = 90;

// `wanted` shrunk, where it must, to kMaxScreenPercent of the work area;
// never below 1. A work area without size (unknown) leaves it as it is.
Size fitToWorkArea(Size wanted, Size workArea);

}  // namespace nz::dialog
