#include "character/frame_strip.h"
#include "character/onion_skin.h"
#include "character/pose_editor.h"
#include "editor_fixture.h"

namespace {

// The editor's fixture tags frame f's points with x = 1000 f - 400, so every
// drawn strip tells which frame it came from.
struct OnionSkinView : EditorFixture
{
    void run(int32_t onionSkin)
    {
        resetBatch(&lines);
        resetBatch(&points);
        resetBatch(&rects);
        updateFrameStrip(&strip, &editor, &window, &lines, &points, &rects, &animation, &poseArena, onionSkin);
    }

    // The frame a line draw shows, from its first vertex at the editor's zoom and origin.
    float frameOf(uint32_t draw) const
    {
        return ((drawAt(lines, draw).points[0] - 640.0f) / editor.zoom + 400.0f) / 1000.0f;
    }
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
        run(0);
        uint32_t plainLines = lines.drawCount, plainHandles = points.drawCount;
        run(1);
        // The guides, then four strips per dimmed frame, then the edited pose in white.
        ASSERT_EQ(lines.drawCount, plainLines + 4 * c.dimmedFrames.size()) << "selected " << c.selected;
        for (size_t k = 0; k < c.dimmedFrames.size(); ++k)
        {
            for (uint32_t s = 0; s < 4; ++s)
            {
                uint32_t draw = 2 + 4 * (uint32_t)k + s;
                EXPECT_TRUE(sameColor(drawAt(lines, draw).color, c.colors[k])) << "selected " << c.selected;
                EXPECT_FLOAT_EQ(drawAt(lines, draw).points[1], 50.0f + 2.0f * (300.0f + 10.0f * (float)polylineFirst[s]));
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
