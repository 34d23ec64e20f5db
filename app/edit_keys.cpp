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
