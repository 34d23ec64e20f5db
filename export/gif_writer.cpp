#include "export/gif_writer.h"
#include <string.h>

namespace {

// Sixteen levels take LZW code size 4: codes 0 to 15 are pixels, 16 clears
// the dictionary, 17 ends the image.
const uint32_t minimumCodeSize = 4;
const uint32_t clearCode = 16;
const uint32_t endCode = 17;
const uint32_t firstFreeCode = 18;
// Like giflib, the dictionary is cleared before its last code is handed out.
const uint32_t dictionaryLimit = 4095;
const uint32_t largestCodeSize = 12;
const uint64_t dictionaryBytes = 4096 * gifLevels * sizeof(uint16_t);
const uint32_t subBlockLimit = 255;

const uint64_t headerBytes = 6 + 7 + 3 * gifLevels + 19; // signature, screen, palette, loop block
const uint64_t imageFrameBytes = 8 + 10 + 1 + 1; // control block, descriptor, code size, terminator

void putByte(GifWriter* gif, uint8_t value)
{
    if (gif->used >= gif->capacity)
    {
        gif->failed = 1;
        return;
    }
    gif->bytes[gif->used++] = value;
}

void putBytes(GifWriter* gif, const uint8_t* values, uint64_t count)
{
    for (uint64_t i = 0; i < count; ++i) putByte(gif, values[i]);
}

void putWord(GifWriter* gif, uint32_t value)
{
    putByte(gif, (uint8_t)value);
    putByte(gif, (uint8_t)(value >> 8));
}

// Codes packed least significant bit first into sub-blocks of up to 255 bytes.
struct CodeStream
{
    GifWriter* gif;
    uint32_t bits;
    uint32_t bitCount;
    uint32_t blockUsed;
    uint8_t block[subBlockLimit];
};

void flushBlock(CodeStream* stream)
{
    if (stream->blockUsed == 0) return;
    putByte(stream->gif, (uint8_t)stream->blockUsed);
    putBytes(stream->gif, stream->block, stream->blockUsed);
    stream->blockUsed = 0;
}

void putStreamByte(CodeStream* stream, uint8_t value)
{
    stream->block[stream->blockUsed++] = value;
    if (stream->blockUsed == subBlockLimit) flushBlock(stream);
}

void putCode(CodeStream* stream, uint32_t code, uint32_t size)
{
    stream->bits |= code << stream->bitCount;
    stream->bitCount += size;
    while (stream->bitCount >= 8)
    {
        putStreamByte(stream, (uint8_t)stream->bits);
        stream->bits >>= 8;
        stream->bitCount -= 8;
    }
}

void endStream(CodeStream* stream)
{
    if (stream->bitCount > 0) putStreamByte(stream, (uint8_t)stream->bits);
    flushBlock(stream);
    putByte(stream->gif, 0);
}

// Adds pixel to the string being matched, or sends the string's code and
// starts a new one from the pixel.
struct Compressor
{
    CodeStream stream;
    uint32_t codeSize;
    uint32_t nextCode;
    uint32_t prefix;
};

void clearDictionary(Compressor* lzw, GifWriter* gif)
{
    putCode(&lzw->stream, clearCode, lzw->codeSize);
    memset(gif->next, 0, dictionaryBytes);
    lzw->codeSize = minimumCodeSize + 1;
    lzw->nextCode = firstFreeCode;
}

// The decoder adds an entry for every code after the first and widens its
// codes when its next entry needs another bit; the encoder, one entry ahead,
// follows it by testing the entry it is about to add. Clearing at
// dictionaryLimit keeps the codes within largestCodeSize bits.
void widenIfDue(Compressor* lzw)
{
    if (lzw->nextCode >= (1u << lzw->codeSize)) lzw->codeSize += 1;
}

void addPixel(Compressor* lzw, GifWriter* gif, uint32_t pixel)
{
    uint16_t known = gif->next[lzw->prefix * gifLevels + pixel];
    if (known)
    {
        lzw->prefix = known;
        return;
    }
    putCode(&lzw->stream, lzw->prefix, lzw->codeSize);
    widenIfDue(lzw);
    if (lzw->nextCode < dictionaryLimit)
        gif->next[lzw->prefix * gifLevels + pixel] = (uint16_t)lzw->nextCode++;
    else
        clearDictionary(lzw, gif);
    lzw->prefix = pixel;
}

// LZW over the image's pixels in rows, top first.
void compressImage(GifWriter* gif, const uint8_t* rgba, uint64_t stride)
{
    Compressor lzw = {};
    lzw.stream.gif = gif;
    lzw.codeSize = minimumCodeSize + 1;
    clearDictionary(&lzw, gif);
    lzw.prefix = gifLevel(rgba[3]);
    for (uint32_t y = 0; y < gif->height; ++y)
    {
        const uint8_t* row = rgba + y * stride;
        for (uint32_t x = y == 0 ? 1 : 0; x < gif->width; ++x) addPixel(&lzw, gif, gifLevel(row[x * 4 + 3]));
    }
    putCode(&lzw.stream, lzw.prefix, lzw.codeSize);
    // The end code is read after the decoder's entry for the last string.
    widenIfDue(&lzw);
    putCode(&lzw.stream, endCode, lzw.codeSize);
    endStream(&lzw.stream);
}

} // namespace

uint64_t gifSizeBound(uint32_t width, uint32_t height, uint32_t images)
{
    // Every code stands for at least one pixel and takes at most 12 bits;
    // a clear follows every 4089 added codes.
    uint64_t pixels = (uint64_t)width * height;
    uint64_t codes = pixels + pixels / (dictionaryLimit - firstFreeCode) + 3;
    uint64_t dataBytes = (codes * largestCodeSize + 7) / 8;
    uint64_t image = imageFrameBytes + dataBytes + (dataBytes + subBlockLimit - 1) / subBlockLimit;
    return dictionaryBytes + headerBytes + images * image + 1;
}

uint32_t gifLevel(uint8_t alpha)
{
    return (alpha * (gifLevels - 1) + 127) / 255;
}

GifWriter beginGif(Arena* scratch, uint32_t width, uint32_t height, bool blackLines)
{
    GifWriter gif = {};
    scratch->used = 0;
    gif.next = (uint16_t*)pushBytes(scratch, dictionaryBytes);
    if (!gif.next || width == 0 || height == 0 || width > 0xFFFF || height > 0xFFFF)
    {
        gif.failed = 1;
        return gif;
    }
    gif.bytes = scratch->base + scratch->used;
    gif.capacity = scratch->capacity - scratch->used;
    scratch->used = scratch->capacity;
    gif.width = width;
    gif.height = height;

    putBytes(&gif, (const uint8_t*)"GIF89a", 6);
    putWord(&gif, width);
    putWord(&gif, height);
    // A global colour table of 16 entries (size field 3), background colour 0, square pixels.
    const uint8_t screen[] = {0x83, 0, 0};
    putBytes(&gif, screen, sizeof screen);
    for (uint32_t level = 0; level < gifLevels; ++level)
    {
        uint8_t grey = (uint8_t)(level * 255 / (gifLevels - 1));
        if (blackLines) grey = (uint8_t)(255 - grey);
        const uint8_t entry[3] = {grey, grey, grey};
        putBytes(&gif, entry, 3);
    }
    // The NETSCAPE2.0 application block with a loop count of 0: forever.
    const uint8_t loop[19] = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0};
    putBytes(&gif, loop, sizeof loop);
    return gif;
}

void addGifImage(GifWriter* gif, const uint8_t* rgba, uint64_t stride, uint16_t delay)
{
    if (gif->failed) return;
    // Graphic control: leave the image in place, the delay, no transparent colour.
    const uint8_t control[4] = {0x21, 0xF9, 4, 1 << 2};
    putBytes(gif, control, 4);
    putWord(gif, delay);
    putByte(gif, 0);
    putByte(gif, 0);
    // The image covers the whole screen and uses the global colours.
    putByte(gif, 0x2C);
    putWord(gif, 0);
    putWord(gif, 0);
    putWord(gif, gif->width);
    putWord(gif, gif->height);
    putByte(gif, 0);
    putByte(gif, (uint8_t)minimumCodeSize);
    compressImage(gif, rgba, stride);
}

bool endGif(GifWriter* gif)
{
    if (!gif->failed) putByte(gif, 0x3B);
    return !gif->failed;
}
