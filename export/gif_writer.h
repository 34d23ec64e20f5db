#pragma once
#include <stdint.h>
#include "app/arena.h"

// A looping GIF89a with full-size images, LZW-compressed, written into
// memory: the lines over a solid background (black behind white lines, white
// behind black ones) in 16 levels from the background to the line colour, so
// that smooth edges stay smooth.
struct GifWriter
{
    uint8_t* bytes;
    uint64_t capacity;
    uint64_t used;
    uint32_t width;
    uint32_t height;
    // The LZW dictionary: the code that follows each code by each of the 16 levels, 0 for none.
    uint16_t* next;
    // Set once anything did not fit; nothing is written past capacity.
    int32_t failed;
};

// The most bytes a GIF of images width x height images can take, dictionary included.
uint64_t gifSizeBound(uint32_t width, uint32_t height, uint32_t images);

static const uint32_t gifLevels = 16;

// Starts a GIF of width x height that loops forever, in scratch (emptied
// first): the dictionary, then the file's bytes. Its palette runs from black
// to white for white lines, from white to black for black ones.
GifWriter beginGif(Arena* scratch, uint32_t width, uint32_t height, bool blackLines);

// The palette level of a pixel of that opacity: 0 the background, 15 the line.
uint32_t gifLevel(uint8_t alpha);

// Appends one image shown for delay hundredths of a second: each RGBA pixel
// (rows stride bytes apart, top row first) of the line colour at its
// opacity, over the background, to the nearest level.
void addGifImage(GifWriter* gif, const uint8_t* rgba, uint64_t stride, uint16_t delay);

// Ends the file. False if any part of it did not fit.
bool endGif(GifWriter* gif);
