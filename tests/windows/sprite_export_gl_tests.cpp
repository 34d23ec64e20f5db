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
#include "render/shader_program.h"
#include "test_window.h"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_GIF
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

TEST(SpriteExportGL, TwoFramesGiveWhiteLinesOnTransparencyInThePng)
{
    ASSERT_EQ(sharedTestWindow()->running, 1) << "no OpenGL 3.3 core context";
    GLuint vertexArray = 0;
    gl.glGenVertexArrays(1, &vertexArray);
    gl.glBindVertexArray(vertexArray);
    gl.glEnable(GL_BLEND);
    gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    uint32_t program =
        createShaderProgram(shaderSources[colorVertexShader], shaderSources[colorFragmentShader]).program;
    Arena block = {spriteExporterSize(), 0, (uint8_t*)osReserveMemory(spriteExporterSize())};
    ASSERT_NE(block.base, nullptr);
    SpriteExporter exporter;
    startSpriteExporter(&exporter, &block, program);

    // Frame 0: the arms across at y 30.5; frame 1: the legs upright at x 10.5.
    // Their union box is x -20..20, y 0..40: cells of 44 x 44, (0, 0) at (22, 2).
    Pose poses[2] = {lineAlong(2, {-19.5f, 30.5f}, {19.5f, 30.5f}, {-19.5f, 30.5f}),
                     lineAlong(3, {10.5f, 0.5f}, {10.5f, 39.5f}, {10.5f, 0.5f})};
    Animation animation = {2, poses};
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "marionette_export_gl";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::string name = (folder / "two").string();

    EXPECT_EQ(exportAnimation(&exporter, &animation, name.c_str(), 1280, 720),
              ExportedPng | ExportedJson | ExportedGif);
    EXPECT_EQ(gl.glGetError(), (GLenum)GL_NO_ERROR);
    GLint bound = -1;
    gl.glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0) << "the window's framebuffer is bound again";

    int width = 0, height = 0, channels = 0;
    uint8_t* sheet = stbi_load((name + ".png").c_str(), &width, &height, &channels, 4);
    ASSERT_NE(sheet, nullptr) << stbi_failure_reason();
    ASSERT_EQ(width * 1000 + height, 88044);
    // Opaque white where the lines are, transparent elsewhere. Rows count down
    // from the top: drawing row 32 (y 30.5 + 2) is image row 11.
    int lit = 0, wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const uint8_t* p = sheet + 4 * (y * width + x);
            bool line = (y == 11 && x >= 5 && x <= 38) || (x == 44 + 32 && y >= 5 && y <= 38);
            bool clear = (y == 10 || y == 12) && x < 44 ? true : (x == 44 + 31 || x == 44 + 33);
            lit += line && p[0] == 255 && p[1] == 255 && p[2] == 255 && p[3] == 255;
            wrong += (p[3] != 0 && p[3] != 255) || (clear && p[3] != 0);
        }
    EXPECT_EQ(lit, 2 * 34) << "both lines whole";
    EXPECT_EQ(wrong, 0) << "nothing half-covered, nothing beside the lines";
    stbi_image_free(sheet);

    // A point a million pixels out: the cells stop at the sheet's sides, the
    // line towards the point is clipped, and the export still goes through.
    poses[1].points[27] = {1e6f, -1e6f};
    EXPECT_EQ(exportAnimation(&exporter, &animation, name.c_str(), 1280, 720),
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
