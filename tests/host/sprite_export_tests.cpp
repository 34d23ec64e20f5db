// Export from memory: the cell and sheet layout, the frame list, and the PNG
// and GIF encoders checked against real decoders (libpng, giflib).
#include <gtest/gtest.h>
#include <math.h>
#include <gif_lib.h>
#include <png.h>
#include <random>
#include <set>
#include <string>
#include <vector>
#include "fake_platform.h"
#include "app/sprite_export.h"
#include "character/pose.h"
#include "export/export_name.h"
#include "export/frame_list.h"
#include "export/gif_writer.h"
#include "export/png_writer.h"
#include "platform/os.h"
#include "tests/host/recording_gl.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Frames whose points all lie at rest but for the union box's corners: low
// in the first frame, high in the last, and a NaN and an infinity that count for nothing.
struct Frames
{
    std::vector<Pose> poses;
    Animation animation;

    Frames(uint32_t count, Vec2 low, Vec2 high, Vec2 rest = {0, 0}) : poses(count)
    {
        for (Pose& pose : poses)
            for (Vec2& point : pose.points) point = rest;
        if (count)
        {
            poses.front().points[0] = low;
            poses.back().points[1] = high;
            poses.back().points[2] = {NAN, 5e6f};
            poses.front().points[3] = {-INFINITY, 0};
        }
        animation = {count, poses.data()};
    }
};

// The exporter in a block of its own, reserved as the program reserves it.
struct Exporter
{
    Arena block = {spriteExporterSize(), 0, (uint8_t*)osReserveMemory(spriteExporterSize())};
    SpriteExporter exporter;
    Exporter() { startSpriteExporter(&exporter, &block, 0); }
    ~Exporter() { osReleaseMemory(block.base, block.capacity); }
};

// Random RGBA: alpha 0, 255 or in between, so the GIF's half-opaque rule is exercised.
Bytes noise(uint64_t bytes, uint32_t seed)
{
    std::mt19937 random(seed);
    Bytes pixels(bytes);
    for (uint8_t& byte : pixels) byte = (uint8_t)random();
    return pixels;
}

// Every frame gets a whole cell of its own inside a sheet no side of which
// passes 2048, whatever the poses' extent: at the chosen scale while its cells
// fit, else the largest listed scale below it that fits, else 1, cut to fit.
TEST(SpriteExport, EveryFrameWholeInASheetOfAtMost2048ASide)
{
    const float far = 1e6f;
    const struct { const char* what; uint32_t frames; Vec2 low, high, rest; uint32_t scale, width;
                   uint32_t cellWidth, cellHeight, columns; int32_t originX, originY; uint32_t scaleUsed; } cases[] = {
        {"1 frame", 1, {-10.5f, 0}, {20, 50}, {0, 0}, 1, 0, 35, 54, 1, 13, 2, 1},
        {"8 frames: one row", 8, {-10.5f, 0}, {20, 50}, {0, 0}, 1, 0, 35, 54, 8, 13, 2, 1},
        {"9 frames: a second row", 9, {-10.5f, 0}, {20, 50}, {0, 0}, 1, 0, 35, 54, 8, 13, 2, 1},
        {"no finite point: the margins alone, about the reference point", 1, {NAN, 0}, {NAN, 0}, {INFINITY, 0}, 1, 0,
         4, 4, 1, 2, 2, 1},
        {"beside the reference point", 2, {100, 10}, {130, 20}, {100, 10}, 1, 0, 34, 14, 2, -98, -8, 1},
        {"points at -1e6 and 1e6: 2048 a side, centred", 1, {-far, -far}, {far, far}, {0, 0}, 1, 0, 2048, 2048, 1,
         1024, 1024, 1},
        {"a stray point far left keeps the figure", 1, {-far, 0}, {100, 50}, {0, 0}, 1, 0, 2048, 54, 1, 1946, 2, 1},
        {"a point at -1e30 counts as one far left", 1, {-1e30f, 0}, {100, 50}, {0, 0}, 1, 0, 2048, 54, 1, 1946, 2, 1},
        {"8 frames 16000 wide: one column of whole-width cells", 8, {-8000, 0}, {8000, 100}, {0, 0}, 1, 0, 2048, 104,
         1, 1024, 2, 1},
        {"8 frames 600 wide: 3 columns, the most that keep the cells whole", 8, {0, 0}, {600, 50}, {0, 0}, 1, 0, 604,
         54, 3, 2, 2, 1},
        {"5 frames 500 wide: 4 columns", 5, {0, 0}, {500, 50}, {0, 0}, 1, 0, 504, 54, 4, 2, 2, 1},
        {"32 frames 8000 tall: rows of 8 cells 512 high", 32, {0, -4000}, {50, 4000}, {0, 0}, 1, 0, 54, 512, 8, 2, 256,
         1},
        {"32 huge frames", 32, {-far, -far}, {far, far}, {0, 0}, 1, 0, 256, 512, 8, 128, 256, 1},
        {"the walk cycle at the defaults", 32, {-30, 0}, {30, 150}, {0, 0}, 2, 4, 132, 312, 8, 66, 6, 2},
        {"32 frames at 8: 3 fits", 32, {-30, 0}, {30, 150}, {0, 0}, 8, 4, 196, 466, 8, 98, 8, 3},
        {"one large frame at 8: 6 fits", 1, {0, 0}, {300, 300}, {0, 0}, 8, 12, 1876, 1876, 1, 38, 38, 6},
        {"one frame 2048 a side at 2: just fits", 1, {0, 0}, {1018, 1018}, {0, 0}, 2, 4, 2048, 2048, 1, 6, 6, 2},
        {"one frame at 1, lines 1 wide", 1, {0, 0}, {30, 30}, {0, 0}, 1, 1, 36, 36, 1, 3, 3, 1},
        {"points at 1e6 at 4: nothing fits, 1 cut to fit", 2, {-far, 0}, {far, 10}, {0, 0}, 4, 4, 2048, 18, 1, 1024,
         4, 1},
    };
    Exporter exporter;
    for (const auto& c : cases)
    {
        Frames frames(c.frames, c.low, c.high, c.rest);
        SheetLayout l = layoutSheet(&frames.animation, c.scale, c.width, sheetPixelBudget);
        EXPECT_EQ((std::vector<int64_t>{l.frameCount, l.cellWidth, l.cellHeight, l.columns, l.originX, l.originY,
                                        l.scale}),
                  (std::vector<int64_t>{c.frames, c.cellWidth, c.cellHeight, c.columns, c.originX, c.originY,
                                        c.scaleUsed}))
            << c.what;
        EXPECT_TRUE(l.sheetWidth <= 2048 && l.sheetHeight <= 2048) << c.what;
        std::set<std::pair<uint32_t, uint32_t>> corners;
        for (uint32_t frame = 0; frame < c.frames; ++frame)
        {
            uint32_t x = 0, y = 0;
            cellCorner(&l, frame, &x, &y);
            corners.insert({x, y});
            EXPECT_TRUE(x + l.cellWidth <= l.sheetWidth && y + l.cellHeight <= l.sheetHeight) << c.what << frame;
        }
        EXPECT_EQ(corners.size(), c.frames) << c.what << ": a cell of its own each";
        uint64_t stride = 4ull * l.sheetWidth;
        EXPECT_LE(stride * l.sheetHeight, exporter.exporter.sheet.capacity) << c.what;
        EXPECT_LE(pngScratchBound(l.sheetHeight * (stride + 1), stride), exporter.exporter.scratch.capacity) << c.what;
        EXPECT_LE(gifSizeBound(l.cellWidth, l.cellHeight, c.frames), exporter.exporter.scratch.capacity) << c.what;
    }

    for (uint32_t count : {0u, maxExportFrames + 1})
    {
        Frames frames(count, {0, 0}, {10, 10});
        EXPECT_EQ(layoutSheet(&frames.animation, 1, 0, sheetPixelBudget).frameCount, 0u) << count << " frames";
    }
    // The smallest cell: the margins and a pixel, or the lines' padding alone; a smaller budget gives nothing.
    // A thin figure loses height, not width, and a flat one width, not height.
    const struct { Vec2 high; uint32_t width; uint64_t budget; uint32_t cell; } smallest[] = {
        {{10, 10}, 0, 24, 0}, {{10, 10}, 0, 25, 5005}, {{10, 10}, 4, 63, 0}, {{10, 10}, 4, 64, 8008},
        {{10, 10}, 4, 81, 9009}, {{0, 1000}, 0, 1000, 4200}, {{1000, 0}, 0, 1000, 200004}};
    for (const auto& s : smallest)
    {
        Frames one(1, {0, 0}, s.high);
        SheetLayout l = layoutSheet(&one.animation, 1, s.width, s.budget);
        EXPECT_EQ(l.cellWidth * 1000 + l.cellHeight, s.cell) << s.high.x << ", " << s.budget;
    }
}

TEST(SpriteExport, FrameListForTwoFrames)
{
    Frames frames(2, {-10, 0}, {20, 50});
    const ExportLook look = {2, 4, 1};
    SheetLayout layout = layoutSheet(&frames.animation, look.scale, look.width, sheetPixelBudget);
    std::string frame = R"(	"rotated": false,
	"trimmed": false,
	"spriteSourceSize": {"x":0,"y":0,"w":72,"h":112},
	"sourceSize": {"w":72,"h":112},
	"duration": 150,
	"pivot": {"x":0.361111,"y":0.946429},
	"anchor": {"x":0.361111,"y":0.946429}
})";
    std::string expected = "{\"frames\": {\n\"walk_00\": {\n\t\"frame\": {\"x\":0,\"y\":0,\"w\":72,\"h\":112},\n" +
                           frame +
                           ",\n\"walk_01\": {\n\t\"frame\": {\"x\":72,\"y\":0,\"w\":72,\"h\":112},\n" + frame + R"(},
"animations": {
	"walk": ["walk_00","walk_01"]
},
"meta": {
	"app": "Marionette Room",
	"version": ")" MARIONETTE_VERSION R"(",
	"image": "walk.png",
	"format": "RGBA8888",
	"size": {"w":144,"h":112},
	"scale": "2",
	"lineWidth": 8,
	"lineColor": "black",
	"frameTags": [
		{"name":"walk","from":0,"to":1,"direction":"forward"}
	]
}
}
)";
    char text[16384];
    uint64_t length = writeSpriteJson(&layout, &look, "out/walk", text, sizeof text);
    EXPECT_EQ(std::string(text, length), expected);
    EXPECT_EQ(writeSpriteJson(&layout, &look, "out/walk", text, expected.size() - 1), 0u) << "too little room: nothing";

    length = writeSpriteJson(&layout, &look, "C:dir\\q\"u\x01t\xC0", text, sizeof text);
    EXPECT_NE(std::string(text, length).find("\"q\\\"u\\u0001t\xC3\x80_01\""), std::string::npos)
        << "the last component, escaped, in UTF-8";
    length = writeSpriteJson(&layout, &look, std::string(170, '\x80').c_str(), text, sizeof text);
    EXPECT_NE(std::string(text, length).find("\\u0080_01\""), std::string::npos) << "too long to convert: Latin-1";
    Frames right(1, {36, 0}, {66, 50}, {36, 0}); // the reference point one cell left of the cell
    SheetLayout beside = layoutSheet(&right.animation, 1, 0, sheetPixelBudget);
    length = writeSpriteJson(&beside, &look, "w", text, sizeof text);
    EXPECT_NE(std::string(text, length).find("\"pivot\": {\"x\":-1,"), std::string::npos) << "whole numbers plain";

    // The files' name: an ending of any case dropped, nothing left of a folder or an ending alone.
    std::string names;
    for (const char* typed : {"walk.PNG", "a.png.json", "w.Gif", ".png", "out/", "C:", "a\\"})
        names += std::to_string(exportNameLength((const uint8_t*)typed, (uint32_t)strlen(typed))) + " ";
    EXPECT_EQ(names, "4 5 1 0 0 0 0 ");
}

struct ByteReader { const Bytes* bytes; size_t at; };

int readGifBytes(GifFileType* gif, GifByteType* out, int count)
{
    ByteReader* reader = (ByteReader*)gif->UserData;
    size_t n = std::min((size_t)count, reader->bytes->size() - reader->at);
    memcpy(out, reader->bytes->data() + reader->at, n);
    reader->at += n;
    return (int)n;
}

// giflib, strict about the codes: the screen, each pixel as its palette
// entry's grey, and whether every image covers the screen, is grey, stays
// 15 hundredths and has no transparent colour. Nothing when it fails.
struct Gif { int width = 0, height = 0, images = 0; Bytes greys, palette; bool wellFormed = true; };

Gif decodeGif(const Bytes& file)
{
    ByteReader reader = {&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, readGifBytes, &error);
    Gif result;
    if (gif && DGifSlurp(gif) == GIF_OK && gif->SColorMap)
    {
        result.width = gif->SWidth, result.height = gif->SHeight, result.images = gif->ImageCount;
        for (int i = 0; i < gif->SColorMap->ColorCount; ++i)
        {
            const GifColorType& c = gif->SColorMap->Colors[i];
            result.palette.push_back(c.Red);
            result.wellFormed &= c.Red == c.Green && c.Green == c.Blue;
        }
        for (int i = 0; i < gif->ImageCount; ++i)
        {
            const SavedImage& image = gif->SavedImages[i];
            const GifImageDesc& d = image.ImageDesc;
            GraphicsControlBlock control = {};
            result.wellFormed &= DGifSavedExtensionToGCB(gif, i, &control) == GIF_OK && control.DelayTime == 15 &&
                                 control.DisposalMode == DISPOSE_DO_NOT &&
                                 control.TransparentColor == NO_TRANSPARENT_COLOR && !d.Left && !d.Top &&
                                 d.Width == gif->SWidth && d.Height == gif->SHeight && !d.ColorMap;
            for (int p = 0; p < d.Width * d.Height; ++p) result.greys.push_back(result.palette.at(image.RasterBits[p]));
        }
    }
    if (gif) DGifCloseFile(gif, &error);
    return result;
}

// Whether one image's LZW codes, read as giflib reads them (widening once the
// entries pass the width), end with the end code and only zero bits after it.
bool codesEndWithTheEndCode(const Bytes& data, uint32_t minimum)
{
    const uint32_t clear = 1u << minimum, end = clear + 1;
    uint32_t bits = minimum + 1, running = end + 1;
    for (uint64_t at = 0; at + bits <= data.size() * 8;)
    {
        uint32_t code = 0;
        for (uint32_t b = 0; b < bits; ++b, ++at) code |= (data[at / 8] >> (at % 8) & 1u) << b;
        if (code == end)
            return at > (data.size() - 1) * 8 && (data.back() >> (at % 8 ? at % 8 : 8)) == 0;
        if (code == clear) bits = minimum + 1, running = end;
        if (running < 4097 && ++running > (1u << bits) && bits < 12) ++bits;
    }
    return false;
}

// The images of a GIF of ours (a global palette of 16) whose codes end so.
uint32_t imagesEndingWell(const Bytes& file)
{
    uint32_t good = 0;
    for (size_t at = 13 + 48; at < file.size() && file[at] != 0x3B;)
    {
        bool image = file[at] == 0x2C;
        at += image ? 10 : 2;
        uint32_t minimum = image ? file[at++] : 0;
        Bytes data;
        for (; at < file.size() && file[at]; at += file[at] + 1) data.insert(data.end(), &file[at + 1], &file[at + 1] + file[at]);
        ++at;
        good += image && codesEndWithTheEndCode(data, minimum);
    }
    return good;
}

// Each pixel is its opacity's level of 16 from the background to the line:
// within half a level of the line colour composited over the background.
// Rows of 1 to 40 pixels end the code stream at every point of the code
// widths' growth; the largest fills the dictionary and clears it.
TEST(SpriteExport, GifDecodesToTheCellOverItsBackgroundInSixteenLevels)
{
    struct Case { uint32_t width, height, images; bool black; };
    // 340 pixels of this noise end as the codes widen, the end code filling its last byte at the wider width.
    std::vector<Case> cases = {{37, 23, 3, true}, {300, 300, 2, false}, {340, 1, 1, true}};
    for (uint32_t width = 1; width <= 40; ++width) cases.push_back({width, 1, 1, width % 2 == 0});
    for (const Case& c : cases)
    {
        std::string what = std::to_string(c.width) + " x " + std::to_string(c.height);
        Bytes pixels = noise(4ull * c.width * c.height * c.images, c.width);
        uint64_t dictionary = 0;
        auto write = [&](Bytes memory) {
            Arena scratch = {memory.size(), 0, memory.data()};
            GifWriter gif = beginGif(&scratch, c.width, c.height, c.black);
            dictionary = gif.bytes - memory.data();
            EXPECT_EQ(scratch.used, scratch.capacity) << "the file's room is taken";
            for (uint32_t i = 0; i < c.images; ++i)
                addGifImage(&gif, pixels.data() + 4ull * c.width * c.height * i, 4ull * c.width, 15);
            return endGif(&gif) ? Bytes(gif.bytes, gif.bytes + gif.used) : Bytes();
        };
        Bytes file = write(Bytes(gifSizeBound(c.width, c.height, c.images)));
        Gif decoded = decodeGif(file);
        ASSERT_EQ((std::vector<int>{decoded.width, decoded.height, decoded.images}),
                  (std::vector<int>{(int)c.width, (int)c.height, (int)c.images})) << what;
        EXPECT_EQ(imagesEndingWell(file), c.images) << what;
        uint64_t wrong = 0;
        for (uint64_t p = 0; p < (uint64_t)c.width * c.height * c.images; ++p)
        {
            double alpha = pixels[4 * p + 3] / 255.0;
            wrong += fabs(decoded.greys[p] - (c.black ? 255 * (1 - alpha) : 255 * alpha)) > 255.0 / 30 + 0.5;
        }
        EXPECT_EQ(wrong, 0u) << what;
        EXPECT_TRUE(decoded.wellFormed) << what;
        EXPECT_EQ(decoded.palette.front() * 1000 + decoded.palette.back(), c.black ? 255000 : 255) << what;
        // One byte short of the dictionary and the file.
        EXPECT_TRUE(write(Bytes(dictionary + file.size() - 1)).empty())
            << "a file that does not fit is refused, nothing written past";
    }
    // Sides a GIF cannot have, and a scratch without room for the dictionary, make no file.
    Bytes memory(gifSizeBound(1, 1, 1));
    const struct { uint32_t width, height; uint64_t room; bool made; } screens[] = {{0, 1, memory.size(), false},
        {0xFFFF, 0xFFFF, memory.size(), true}, {0x10000, 1, memory.size(), false}, {1, 0x10000, memory.size(), false},
        {1, 1, 64, false}};
    for (const auto& s : screens)
    {
        Arena scratch = {s.room, 0, memory.data()};
        GifWriter gif = beginGif(&scratch, s.width, s.height, false);
        if (s.width == 1) addGifImage(&gif, memory.data(), 4, 15);
        EXPECT_EQ(endGif(&gif), s.made) << s.width << " x " << s.height << ", " << s.room << " bytes";
    }
}

// libpng checks every chunk's CRC and zlib's Adler-32.
Bytes strictPngPixels(const uint8_t* file, uint64_t size, uint32_t* width, uint32_t* height)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    Bytes pixels;
    if (png_image_begin_read_from_memory(&image, file, size))
    {
        image.format = PNG_FORMAT_RGBA;
        pixels.resize(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) pixels.clear();
    }
    *width = image.width;
    *height = image.height;
    png_image_free(&image);
    return pixels;
}

// Noise, which does not compress, and line art, which is nearly all runs.
TEST(SpriteExport, PngFitsItsScratchBoundWhateverThePixels)
{
    const struct { uint32_t width, height; bool noisy; } cases[] = {
        {1, 1, true}, {512, 512, true}, {900, 3, true}, {512, 512, false}, {70, 9, false},
    };
    for (const auto& c : cases)
    {
        uint32_t width = c.width, height = c.height;
        Bytes pixels = noise(4ull * width * height, width);
        for (uint64_t p = 0; p < (uint64_t)width * height && !c.noisy; ++p)
            memset(&pixels[4 * p], (p % width + p / width) % 37 == 0 ? 255 : 0, 4);
        uint64_t filtered = height * (4ull * width + 1);
        // An odd start: the encoder aligns its blocks within the scratch.
        Bytes memory(pngScratchBound(filtered, 4ull * width) + 1);
        Arena scratch = {memory.size() - 1, 0, memory.data() + 1};
        uint64_t length = 0;
        const uint8_t* png = encodePng(&scratch, pixels.data(), width, height, 4ull * width, &length);
        ASSERT_NE(png, nullptr) << width;
        EXPECT_LE(png + length + (320 << 10), scratch.base + scratch.capacity) << "zlib's blocks given back";
        uint32_t w = 0, h = 0;
        EXPECT_EQ(strictPngPixels(png, length, &w, &h), pixels) << width;
        EXPECT_EQ(w * 10000 + h, width * 10000 + height);

        scratch.capacity -= 1;
        EXPECT_TRUE(!encodePng(&scratch, pixels.data(), width, height, 4ull * width, &length) && length == 0) << width;
    }
    Bytes memory(1 << 20);
    Arena scratch = {memory.size(), 0, memory.data()};
    uint64_t length = 0;
    EXPECT_EQ(encodePng(&scratch, memory.data(), 0, 1, 0, &length), nullptr) << "no pixels, no file";
    int compressed = -1;
    EXPECT_TRUE(!pngZlibCompress(memory.data(), 1, &compressed, 0) && !compressed) << "outside an encoding, nothing";
}

// An export of 11 frames, two rows, through the recording GL table: libpng,
// which checks every CRC and the Adler-32, reads the sheet;
// each cell holds its own read-back, top row first; each GIF image equals its
// cell; the frame list names all 11.
TEST(SpriteExport, ExportedFilesHoldEachFrameInItsCell)
{
    installRecordingGL();
    Exporter exporter;
    Frames frames(11, {-10, 0}, {20, 30});
    TempFolder folder;
    std::string path = std::string(folder.path) + "/cells";
    memset(exporter.exporter.sheet.base, 255, exporter.exporter.sheet.capacity); // as an earlier export leaves it
    ASSERT_EQ(exportAnimation(&exporter.exporter, &frames.animation, &defaultExportLook, path.c_str(), 1280, 720),
              (uint32_t)(ExportedPng | ExportedJson | ExportedGif));
    SheetLayout layout = layoutSheet(&frames.animation, defaultExportLook.scale, defaultExportLook.width,
                                     sheetPixelBudget);
    std::string png = fileContents(path + ".png"), gifFile = fileContents(path + ".gif");
    uint32_t width = 0, height = 0;
    Bytes sheet = strictPngPixels((const uint8_t*)png.data(), png.size(), &width, &height);
    ASSERT_TRUE(width == layout.sheetWidth && height == layout.sheetHeight);
    Gif gif = decodeGif(Bytes(gifFile.begin(), gifFile.end()));
    ASSERT_EQ(gif.images, 11);
    uint64_t misplaced = 0, unlike = 0;
    for (uint32_t frame = 0; frame < layout.rows * layout.columns; ++frame) // the cell no frame has, too
    {
        uint32_t left = 0, top = 0;
        cellCorner(&layout, frame, &left, &top);
        for (uint32_t y = 0; y < layout.cellHeight; ++y)
            for (uint32_t x = 0; x < layout.cellWidth; ++x)
            {
                uint8_t alpha = sheet[4 * ((uint64_t)(top + y) * width + left + x) + 3];
                misplaced += alpha != (frame < 11 && readPixelsPattern(frame, x, layout.cellHeight - 1 - y) ? 255 : 0);
                unlike += frame < 11 && gif.greys[((uint64_t)frame * layout.cellHeight + y) * layout.cellWidth + x] != alpha;
            }
    }
    EXPECT_EQ(misplaced, 0u) << "pixels not where their frame's read-back put them";
    EXPECT_EQ(unlike, 0u) << "GIF pixels unlike their cell's";
    EXPECT_NE(fileContents(path + ".json").find("\"cells_09\",\"cells_10\"]"), std::string::npos) << "all 11 named";

    // One frame at the longest path taken (127 bytes), and what writes nothing.
    Frames one(1, {-10, 0}, {20, 30});
    std::string longest = std::string(folder.path) + "/" + std::string(126 - strlen(folder.path), 'n');
    std::vector<uint8_t> little(1 << 16);
    Arena block = {little.size(), 0, little.data()};
    SpriteExporter starved;
    startSpriteExporter(&starved, &block, 0);
    const struct { SpriteExporter* exporter; std::string path; uint32_t written; } edges[] = {
        {&exporter.exporter, longest, ExportedPng | ExportedJson | ExportedGif},
        {&exporter.exporter, longest + "n", 0},
        {&starved, path + "2", 0}};
    for (const auto& e : edges)
        EXPECT_EQ(exportAnimation(e.exporter, &one.animation, &defaultExportLook, e.path.c_str(), 1280, 720), e.written)
            << e.path.size() << (e.exporter == &starved ? ": an exporter short of memory" : "");
    SheetLayout none = {};
    EXPECT_EQ(writeSpriteFiles(&none, &defaultExportLook, exporter.exporter.sheet.base, path.c_str(),
                               &exporter.exporter.scratch), 0u) << "no frames, no files";
    gl.glCheckFramebufferStatus = [](GLenum) -> GLenum { return GL_FRAMEBUFFER_UNSUPPORTED; };
    EXPECT_EQ(exportAnimation(&exporter.exporter, &one.animation, &defaultExportLook, path.c_str(), 1280, 720), 0u);
}

} // namespace
