#pragma once
#include "character/edit_history.h"
#include "export/export_look.h"

struct Window;

// Control+Z undoes, Control+Y or Control+Shift+Z redoes, and in editor mode
// Control+I inserts an in-between. Nothing while the prompt is open or an edit is under way.
void runEditKeys(EditHistory* history, const Window* window, bool promptOpen, bool editorMode, EditTarget target);

// In the editor with the prompt closed: Page Up / Page Down step the export
// scale, Home / End the line width, L swaps white and black lines. Returns
// whether the look changed (a key past a setting's end changes nothing).
bool runLookKeys(ExportLook* look, const Window* window, bool promptOpen, bool editorMode);
