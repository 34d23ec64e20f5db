#pragma once
#include <stdint.h>
#include "export/export_look.h"
#include "export/sheet_layout.h"

// How long each frame shows, in the frame list.
static const uint32_t exportFrameMilliseconds = 150;

// The frame list for files named path (without extension; keys and the
// image name use only its last component) into out. Returns its length, or
// 0 if it does not fit. meta holds the scale used and, under names of our
// own, the lines' width in sheet pixels and their colour.
uint64_t writeSpriteJson(const SheetLayout* layout, const ExportLook* look, const char* path, char* out,
                         uint64_t capacity);
