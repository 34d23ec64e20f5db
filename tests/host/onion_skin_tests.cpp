#include "character/frame_strip.h"
#include "character/onion_skin.h"
#include "character/pose_editor.h"
#include "editor_fixture.h"

namespace {

// The strip over frames whose points all lie near (100 f, 0), so every
// drawn strip tells which frame it came from.
struct OnionSkinView : testing::Test, EditorFixture
{
    Pose poses[4];
    Arena poseArena = {sizeof poses, 0, (uint8_t*)poses};
    Animation animation = {0, poses};
    FrameStripState strip = {0};
    PoseEditorState editor = initialPoseEditorState();

    void makeFrames(uint32_t count)
    {
        for (uint32_t f = 0; f < count; ++f)
            for (uint32_t i = 0; i < 28; ++i) poses[f].points[i] = {100.0f * (float)f + (float)i, (float)i};
        animation.frameCount = count;
        poseArena.used = count * sizeof(Pose);
    }

    void frame(int32_t onionSkin)
    {
        startFrame(0, Up, 0, 0);
        updateFrameStrip(&strip, &editor, &window, &lines, &points, &rects, &animation, &poseArena, onionSkin);
    }

    // The frame a line draw shows, from its first vertex at the editor's zoom and origin.
    float frameOf(uint32_t draw) const { return (vertexOf(drawAt(lines, draw), 0).x - 640.0f) / editor.zoom / 100.0f; }
};

TEST_F(OnionSkinView, DrawsTheFramesBeforeAndAfterDimmedUnderThePoseWithoutWrappingAround)
{
    struct Case
    {
        uint32_t frames, selected;
        std::vector<float> dimmedFrames;
        std::vector<Color> colors;
    };
    const Case cases[] = {
        {3, 0, {1}, {onionNextColor}},
        {3, 1, {0, 2}, {onionPreviousColor, onionNextColor}},
        {3, 2, {1}, {onionPreviousColor}},
        {1, 0, {}, {}},
    };
    editor.zoom = 2.0f;
    for (const Case& c : cases)
    {
        makeFrames(c.frames);
        strip.selectedFrame = c.selected;
        frame(0);
        uint32_t plainLines = lines.drawCount, plainHandles = points.drawCount;
        frame(1);
        // The guides, then four strips per dimmed frame, then the edited pose in white.
        ASSERT_EQ(lines.drawCount, plainLines + 4 * c.dimmedFrames.size()) << "selected " << c.selected;
        for (size_t k = 0; k < c.dimmedFrames.size(); ++k)
        {
            for (uint32_t s = 0; s < 4; ++s)
            {
                uint32_t draw = 2 + 4 * (uint32_t)k + s;
                EXPECT_TRUE(sameColor(drawAt(lines, draw).color, c.colors[k])) << "selected " << c.selected;
                EXPECT_FLOAT_EQ(vertexOf(drawAt(lines, draw), 0).y, 50.0f + 2.0f * (float)polylineFirst[s]);
            }
            EXPECT_FLOAT_EQ(frameOf(2 + 4 * (uint32_t)k), c.dimmedFrames[k]);
        }
        uint32_t pose = 2 + 4 * (uint32_t)c.dimmedFrames.size();
        EXPECT_TRUE(sameColor(drawAt(lines, pose).color, colorWhite));
        EXPECT_FLOAT_EQ(frameOf(pose), (float)c.selected);
        EXPECT_EQ(points.drawCount, plainHandles) << "handles stay on the edited pose";
    }
}

} // namespace
