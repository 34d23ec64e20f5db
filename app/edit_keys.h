#pragma once
#include "character/edit_history.h"

struct Window;

// Control+Z undoes, Control+Y or Control+Shift+Z redoes, and in editor mode
// Control+I inserts an in-between. Nothing while the prompt is open or an edit is under way.
void runEditKeys(EditHistory* history, const Window* window, bool promptOpen, bool editorMode, EditTarget target);
