#pragma once
#include <stdint.h>
#include "app/arena.h"

// A looping two-colour GIF89a (black and white) with full-size images,
// LZW-compressed, written into memory.
struct GifWriter
{
    uint8_t* bytes;
    uint64_t capacity;
    uint64_t used;
    uint32_t width;
    uint32_t height;
    // The LZW dictionary: the code that follows each code by a black or a white pixel, 0 for none.
    uint16_t* next;
    // Set once anything did not fit; nothing is written past capacity.
    int32_t failed;
};

// The most bytes a GIF of images width x height images can take, dictionary included.
uint64_t gifSizeBound(uint32_t width, uint32_t height, uint32_t images);

// Starts a GIF of width x height that loops forever, in scratch (emptied
// first): the dictionary, then the file's bytes.
GifWriter beginGif(Arena* scratch, uint32_t width, uint32_t height);

// Appends one image shown for delay hundredths of a second: white where the
// RGBA pixel (rows stride bytes apart, top row first) is at least half
// opaque, black elsewhere.
void addGifImage(GifWriter* gif, const uint8_t* rgba, uint64_t stride, uint16_t delay);

// Ends the file. False if any part of it did not fit.
bool endGif(GifWriter* gif);
