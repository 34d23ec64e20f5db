// Export against a real OpenGL 3.3 core context: two frames drawn offscreen,
// read back and written; the sheet decoded again. (The GIF and the frame list
// are built from the same read-back pixels and are checked on the host.)
#include <gtest/gtest.h>
#include <filesystem>
#include <string>
#include "app/sprite_export.h"
#include "character/pose.h"
#include "platform/gl_functions.h"
#include "platform/os.h"
#include "render/thick_lines.h"
#include "test_window.h"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>

namespace {

// A pose whose points all lie at rest but one polyline, stretched from a to b
// at pixel centres (so which pixels a line lights does not depend on the driver).
Pose lineAlong(uint32_t polyline, Vec2 a, Vec2 b, Vec2 rest)
{
    Pose pose;
    for (Vec2& point : pose.points) point = rest;
    uint32_t count = polylineCounts[polyline];
    for (uint32_t i = 0; i < count; ++i)
    {
        float t = (float)i / (float)(count - 1);
        pose.points[polylineFirst[polyline] + i] = {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
    }
    return pose;
}

// Black lines 3 wide at scale 2: two cells of the union box at twice the
// size plus the padding, black on transparency with smooth (part-opaque)
// edges. A point a million pixels out still exports, within the cap.
TEST(SpriteExportGL, TwoFramesGiveSmoothBlackLinesOnTransparencyAtTheScale)
{
    ASSERT_EQ(sharedTestWindow()->running, 1) << "no OpenGL 3.3 core context";
    GLuint vertexArray = 0;
    gl.glGenVertexArrays(1, &vertexArray);
    gl.glBindVertexArray(vertexArray);
    gl.glEnable(GL_BLEND);
    gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    Arena block = {spriteExporterSize(), 0, (uint8_t*)osReserveMemory(spriteExporterSize())};
    ASSERT_NE(block.base, nullptr);
    SpriteExporter exporter;
    startSpriteExporter(&exporter, &block, buildThickLineProgram());

    // Frame 0: the arms across at y 30.5; frame 1: the legs upright at x 10.5.
    // Their union box is x -19.5..19.5, y 0.5..39.5: at scale 2 with lines 6
    // pixels wide, cells of 78 + 2 x (3 + 2) = 88 a side.
    Pose poses[2] = {lineAlong(2, {-19.5f, 30.5f}, {19.5f, 30.5f}, {-19.5f, 30.5f}),
                     lineAlong(3, {10.5f, 0.5f}, {10.5f, 39.5f}, {10.5f, 0.5f})};
    Animation animation = {2, poses};
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "marionette_export_gl";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::string name = (folder / "two").string();
    const ExportLook look = {2, 3, 1};

    EXPECT_EQ(exportAnimation(&exporter, &animation, &look, name.c_str(), 1280, 720),
              ExportedPng | ExportedJson | ExportedGif);
    EXPECT_EQ(gl.glGetError(), (GLenum)GL_NO_ERROR);
    GLint bound = -1;
    gl.glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0) << "the window's framebuffer is bound again";

    int width = 0, height = 0, channels = 0;
    uint8_t* sheet = stbi_load((name + ".png").c_str(), &width, &height, &channels, 4);
    ASSERT_NE(sheet, nullptr) << stbi_failure_reason();
    ASSERT_EQ(width * 1000 + height, 176088);
    int opaque = 0, partial = 0, notBlack = 0;
    for (int p = 0; p < width * height; ++p)
    {
        const uint8_t* pixel = sheet + 4 * p;
        opaque += pixel[3] == 255;
        partial += pixel[3] > 0 && pixel[3] < 255;
        notBlack += pixel[3] > 0 && (pixel[0] | pixel[1] | pixel[2]) != 0;
    }
    // Each line lies on pixel edges: 78 x 6 opaque pixels, and ends reaching 3
    // further, round (a square end would make 3 x 6 more opaque pixels) and smooth.
    EXPECT_TRUE(opaque >= 2 * 78 * 6 && opaque < 2 * 78 * 6 + 4 * 3 * 6) << opaque;
    EXPECT_TRUE(partial >= 4 * 4 && notBlack == 0) << partial << " part-opaque (smooth ends), " << notBlack;
    stbi_image_free(sheet);

    poses[1].points[27] = {1e6f, -1e6f};
    EXPECT_EQ(exportAnimation(&exporter, &animation, &look, name.c_str(), 1280, 720),
              ExportedPng | ExportedJson | ExportedGif);
    EXPECT_EQ(gl.glGetError(), (GLenum)GL_NO_ERROR);
    sheet = stbi_load((name + ".png").c_str(), &width, &height, &channels, 4);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(width * 10000 + height, 2048 * 10000 + 2048) << "two cells of 1024 x 2048";
    stbi_image_free(sheet);
    std::filesystem::remove_all(folder);
    osReleaseMemory(block.base, block.capacity);
}

} // namespace
