// Export against a real OpenGL 3.3 core context: two frames drawn offscreen,
// read back, and the written files decoded again.
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

TEST(SpriteExportGL, TwoFramesGiveWhiteLinesOnTransparencyInThePngAndTwoGifImages)
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
    ASSERT_EQ(width, 88);
    ASSERT_EQ(height, 44);
    EXPECT_EQ(channels, 4);
    auto alpha = [&](int x, int y) { return (int)sheet[4 * (y * width + x) + 3]; };
    int white = 0, other = 0;
    for (int i = 0; i < width * height; ++i)
    {
        const uint8_t* p = sheet + 4 * i;
        white += p[0] == 255 && p[1] == 255 && p[2] == 255 && p[3] == 255;
        other += p[3] != 0 && p[3] != 255;
    }
    EXPECT_EQ(other, 0) << "every pixel is either a white line or transparent";
    // Rows count down from the top: drawing row 32 (y 30.5 + 2) is image row 11.
    for (int x = 5; x <= 38; ++x)
    {
        EXPECT_EQ(alpha(x, 11), 255) << "the arms, x " << x;
        EXPECT_EQ(alpha(x, 10) + alpha(x, 12), 0) << "beside the arms, x " << x;
    }
    for (int y = 5; y <= 38; ++y)
    {
        EXPECT_EQ(alpha(44 + 32, y), 255) << "the legs in the second cell, y " << y;
        EXPECT_EQ(alpha(44 + 31, y) + alpha(44 + 33, y), 0) << "beside the legs, y " << y;
    }
    EXPECT_LE(white, 2 * 42) << "nothing but the two lines";
    stbi_image_free(sheet);

    FILE* gifFile = fopen((name + ".gif").c_str(), "rb");
    ASSERT_NE(gifFile, nullptr);
    std::vector<uint8_t> gif(1 << 16);
    gif.resize(fread(gif.data(), 1, gif.size(), gifFile));
    fclose(gifFile);
    int* delays = nullptr;
    int images = 0;
    uint8_t* decoded = stbi_load_gif_from_memory(gif.data(), (int)gif.size(), &delays, &width, &height, &images,
                                                 &channels, 4);
    ASSERT_NE(decoded, nullptr) << stbi_failure_reason();
    EXPECT_EQ(width, 44);
    EXPECT_EQ(images, 2);
    EXPECT_EQ(decoded[4 * (44 * 44 + 20 * 44 + 32)], 255) << "white legs in the second image";
    EXPECT_EQ(decoded[4 * (44 * 44 + 20 * 44 + 20)], 0) << "on black";
    stbi_image_free(decoded);
    stbi_image_free(delays);

    EXPECT_TRUE(std::filesystem::exists(name + ".json"));

    // A point a million pixels out: the cells stop at the sheet's budget, the
    // line towards the point is clipped, and the export still goes through.
    poses[1].points[27] = {1e6f, -1e6f};
    EXPECT_EQ(exportAnimation(&exporter, &animation, name.c_str(), 1280, 720),
              ExportedPng | ExportedJson | ExportedGif);
    EXPECT_EQ(gl.glGetError(), (GLenum)GL_NO_ERROR);
    sheet = stbi_load((name + ".png").c_str(), &width, &height, &channels, 4);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(width, 2 * 1448);
    stbi_image_free(sheet);
    std::filesystem::remove_all(folder);
    osReleaseMemory(block.base, block.capacity);
}

} // namespace
