#include "app/edit_keys.h"
#include "character/frame_strip.h"
#include "character/pose_editor.h"
#include "platform/window.h"

void runEditKeys(EditHistory* history, const Window* window, bool promptOpen, bool editorMode, EditTarget target)
{
    if (promptOpen || !controlChord(window) || poseEditUnderWay(target.editor)) return;
    bool shift = isDown(window, KeyShift);
    bool z = wasPressed(window, keyLetter('Z'));
    if (z && !shift) undoEdit(history, target);
    else if (wasPressed(window, keyLetter('Y')) || z) redoEdit(history, target);
    if (editorMode && wasPressed(window, keyLetter('I')))
        insertInBetween(target.strip, target.animation, target.poseArena);
}

bool runLookKeys(ExportLook* look, const Window* window, bool promptOpen, bool editorMode)
{
    if (promptOpen || !editorMode || controlChord(window)) return false;
    bool changed = false;
    if (wasPressed(window, KeyPageUp)) changed |= stepExportScale(look, +1);
    if (wasPressed(window, KeyPageDown)) changed |= stepExportScale(look, -1);
    if (wasPressed(window, KeyHome)) changed |= stepLineWidth(look, +1);
    if (wasPressed(window, KeyEnd)) changed |= stepLineWidth(look, -1);
    if (wasPressed(window, keyLetter('L')))
    {
        look->black = !look->black;
        changed = true;
    }
    return changed;
}
