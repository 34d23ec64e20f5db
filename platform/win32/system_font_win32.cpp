// The font every Windows since XP carries.
#include "platform/window.h"

const char* systemFontPath()
{
    return "C:\\Windows\\Fonts\\Verdana.ttf";
}
