#include "editor_fixture.h"

namespace {

using FrameStrip = EditorFixture;

int32_t boxCentreX(uint32_t box) { return 117 + 20 * (int32_t)box; }

std::vector<float> tags(const EditorFixture& f)
{
    std::vector<float> all;
    for (uint32_t i = 0; i < f.animation.frameCount; ++i) all.push_back(f.tagOf(i));
    return all;
}

TEST_F(FrameStrip, DrawsTheBoxesAlongTheTopTheSelectedOneRedThenTheAddBoxAndTheSelectedPose)
{
    makeFrames(3);
    // Box i spans x 110 + 20 i to 125 + 20 i and y 690 to 720; the add box follows the frames.
    std::vector<float> boxes;
    for (float i = 0; i < 4; ++i) boxes.insert(boxes.end(), {110 + 20 * i, 690, 125 + 20 * i, 720});
    const char* const drawn[] = {"0y 1r 2y 1g 0y 1r 3y", "1y 1r 1y 1g 0y 1r 3y", "2y 1r 0y 1g 0y 1r 3y"};
    for (uint32_t selected = 0; selected < 3; ++selected)
    {
        strip.selectedFrame = selected;
        frame(KeyNone, Up, 0, 0);
        EXPECT_EQ(drawList(rects), drawn[selected]);
        EXPECT_EQ(vertices(rects, 0, 16), boxes);
        EXPECT_EQ(vertices(lines)[8], 640 - 400 + 1000.0f * (float)selected) << "the head of the selected pose";
    }

    // Only the first 32 of a longer animation get a box.
    makeFrames(40);
    strip.selectedFrame = 35;
    frame(KeyNone, Up, 0, 0);
    EXPECT_EQ(drawList(rects), "32y 0r 0y 1g 0y 1r 3y");
    click(boxCentreX(40), 705);
    EXPECT_EQ(animation.frameCount, 40u);
}

TEST_F(FrameStrip, AReleaseStrictlyInsideABoxOrAnArrowSelectsAFrame)
{
    makeFrames(4);
    // Mouse x, y and the frame then selected, from frame 2: inside, on the edges, between boxes, past the frames.
    const int32_t clicks[][3] = {{117, 705, 0}, {110, 705, 2}, {125, 705, 2}, {117, 690, 2}, {117, 720, 2},
                                 {126, 705, 2}, {111, 719, 0}, {124, 691, 0}, {177, 705, 3}, {237, 705, 2}};
    for (const auto& c : clicks)
    {
        strip.selectedFrame = 2;
        click(c[0], c[1]);
        EXPECT_EQ(strip.selectedFrame, (uint64_t)c[2]) << c[0] << ", " << c[1];
        EXPECT_EQ(animation.frameCount, 4u);
    }
    // Selected frame, arrow released, frame then.
    const uint32_t arrows[][3] = {{0, KeyRight, 1}, {3, KeyRight, 0}, {1, KeyLeft, 0}, {0, KeyLeft, 3}, {4, KeyNone, 3}};
    for (const auto& a : arrows)
    {
        strip.selectedFrame = a[0];
        release(a[1]);
        EXPECT_EQ(strip.selectedFrame, a[2]) << a[0] << " " << a[1];
    }
}

TEST_F(FrameStrip, ControlClickDeletesTheBoxClickedUnlessItIsTheOnlyFrame)
{
    const struct { uint32_t frames, selected, clicked, selectedAfter; std::vector<float> tagsAfter; const char* drawn; } cases[] = {
        {3, 2, 2, 1, {0, 1}, "1y 1r 0y 1g"}, // the add box moves under the mouse but takes no click
        {3, 2, 0, 0, {1, 2}, "0y 1r 1y 1g"},
        {4, 0, 1, 1, {0, 2, 3}, "1y 1r 1y 1g"},
        {1, 0, 0, 0, {0}, "0y 1r 0y 1g"},
    };
    for (const auto& c : cases)
    {
        makeFrames(c.frames);
        tightArena(c.frames);
        strip.selectedFrame = c.selected;
        window.keys[KeyControl] = Held;
        click(boxCentreX(c.clicked), 705);
        EXPECT_EQ(tags(*this), c.tagsAfter) << "clicked " << c.clicked;
        EXPECT_EQ(poseArena.used, c.tagsAfter.size() * sizeof(Pose));
        EXPECT_EQ(strip.selectedFrame, c.selectedAfter);
        EXPECT_EQ(drawList(rects), c.drawn + std::string(" 0y 1r 3y")) << "the strip shows the change at once";
    }
}

TEST_F(FrameStrip, TheAddBoxDuplicatesAndControlIInsertsAMidwayFrameAfterTheSelectedOneWhileThereIsRoom)
{
    // The in-between after the last frame lies midway to frame 0. Empty tags: refused, nothing changes.
    const struct { uint32_t frames, selected; char op; uint32_t room; std::vector<float> tagsAfter; } cases[] = {
        {3, 1, 'a', 40, {0, 1, 1, 2}}, {3, 1, 'i', 40, {0, 1, 1.5f, 2}}, {3, 2, 'i', 40, {0, 1, 2, 1}},
        {1, 0, 'i', 40, {}},           {32, 5, 'a', 40, {}},             {32, 5, 'i', 40, {}},
        {3, 1, 'a', 3, {}},            {3, 1, 'i', 3, {}},               {2, 1, 'a', 3, {0, 1, 1}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.frames << " " << c.op << " room " << c.room);
        makeFrames(c.frames);
        tightArena(c.room);
        strip.selectedFrame = c.selected;
        const std::vector<float> before = tags(*this);
        if (c.op == 'a') click(boxCentreX(c.frames), 705);
        else EXPECT_EQ(insertInBetween(&strip, &animation, &poseArena), !c.tagsAfter.empty());
        bool added = !c.tagsAfter.empty();
        EXPECT_EQ(tags(*this), added ? c.tagsAfter : before);
        EXPECT_EQ(poseArena.used, animation.frameCount * sizeof(Pose));
        EXPECT_EQ(strip.selectedFrame, c.selected + added);
    }
    // Every point of the in-between lies midway, and the strip grows by a box.
    makeFrames(2);
    tightArena(3);
    strip.selectedFrame = 0;
    ASSERT_TRUE(insertInBetween(&strip, &animation, &poseArena));
    for (uint32_t i = 0; i < 28; ++i) EXPECT_EQ(animation.poses[1].points[i].x, 100.0f);
    frame(KeyNone, Up, 0, 0);
    EXPECT_EQ(vertices(rects)[12], 170.0f);
    poseArena.capacity = poseArena.used = 5 * sizeof(Pose); // an arena full beyond the poses
    EXPECT_FALSE(insertInBetween(&strip, &animation, &poseArena));
}

} // namespace
