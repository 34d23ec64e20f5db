// Linux has no Verdana: fontconfig's best match for it, usually DejaVu Sans.
#include "platform/window.h"
#include <fontconfig/fontconfig.h>
#include <string.h>

static char fontPath[4096];

const char* systemFontPath()
{
    fontPath[0] = 0;
    FcConfig* config = FcInitLoadConfigAndFonts();
    FcPattern* pattern = FcNameParse((const FcChar8*)"Verdana");
    if (!config || !pattern) return fontPath;
    // stb_truetype reads TrueType outlines, so those are preferred.
    FcPatternAddString(pattern, FC_FONTFORMAT, (const FcChar8*)"TrueType");
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcChar8* file = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && strlen((const char*)file) < sizeof fontPath)
        strcpy(fontPath, (const char*)file);
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return fontPath;
}
