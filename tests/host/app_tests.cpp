#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>
#include <fstream>
#include <string>
#include <vector>
#include "app/app.h"
#include "fake_platform.h"
#include "line_batch_fixture.h"
#include "platform/os.h"
#include "tests/host/recording_gl.h"

namespace {

struct Command
{
    uint32_t type;
    float values[4];
    RenderBatch* batch;
};

// Runs start-up in a fresh working folder holding a copy of the default data.
struct AppRun : testing::Test
{
    App* app = new App{};
    char folder[64] = "/tmp/marionette_app_XXXXXX";
    char previousFolder[4096] = {};
    const char* dataFiles[4] = {"character.bin", "idle.anim", "walk_cycle.anim", "jump.anim"};

    void SetUp() override
    {
        resetFakePlatform();
        installRecordingGL();
        ASSERT_NE(mkdtemp(folder), nullptr);
        ASSERT_NE(getcwd(previousFolder, sizeof previousFolder), nullptr);
        ASSERT_EQ(chdir(folder), 0);
    }

    void TearDown() override
    {
        for (const char* name : dataFiles) remove(name);
        EXPECT_EQ(chdir(previousFolder), 0);
        rmdir(folder);
        if (app->mainArena.base) osReleaseMemory(app->mainArena.base, app->mainArena.capacity);
        if (app->fontArena.base) osReleaseMemory(app->fontArena.base, app->fontArena.capacity);
        delete app;
    }

    void start()
    {
        for (const char* name : dataFiles)
            std::ofstream(name, std::ios::binary)
                << std::ifstream(std::string(MARIONETTE_SOURCE_DIR) + "/assets/" + name, std::ios::binary).rdbuf();
        ASSERT_TRUE(startApp(app));
        ASSERT_EQ(app->window.running, 1);
    }

    uint64_t offsetOf(const void* address) const { return (uint64_t)((const uint8_t*)address - app->mainArena.base); }

    std::vector<Command> commands() const
    {
        std::vector<Command> result;
        const uint8_t* at = app->commandList.commands.base;
        for (uint32_t i = 0; i < app->commandList.count; ++i)
        {
            Command command = {};
            memcpy(&command.type, at, 4);
            if (command.type == CommandDrawBatch) memcpy(&command.batch, at + 4, sizeof command.batch);
            else memcpy(command.values, at + 4, 16);
            at += command.type == CommandDrawBatch ? 12 : 20;
            result.push_back(command);
        }
        EXPECT_EQ((uint64_t)(at - app->commandList.commands.base), app->commandList.commands.used);
        return result;
    }

    const Draw& lineDraw(uint32_t index) const { return drawAt(app->lineBatch, index); }

    // A frame in which these keys are down; keys down last frame and not now read Released.
    void frame(std::initializer_list<uint32_t> down = {})
    {
        uint8_t previous[256];
        memcpy(previous, fakePlatform.keys, sizeof previous);
        for (uint32_t key = 0; key < 256; ++key) fakePlatform.keys[key] = (previous[key] & 1) ? Released : Up;
        for (uint32_t key : down) fakePlatform.keys[key] = (previous[key] & 1) ? Held : Pressed;
        runFrame(app);
    }
};

TEST_F(AppRun, StartUpOpensTheWindowCarvesMainMemoryInOrderAndCreatesTheBatches)
{
    start();
    EXPECT_STREQ(fakePlatform.title, "Marionette Room");
    EXPECT_EQ(fakePlatform.requestedWidth, 1280u);
    EXPECT_EQ(fakePlatform.requestedHeight, 720u);
    EXPECT_EQ(app->mainArena.capacity, 64ull << 20);
    EXPECT_EQ(app->fontArena.capacity, 5ull << 20);

    struct Region
    {
        const Arena* arena;
        uint64_t offset;
        uint64_t capacity;
    };
    const Region regions[] = {
        {&app->commandList.commands, 0x000000, 1 << 20}, {&app->commandList.scratch, 0x100000, 1 << 20},
        {&app->lineBatch.draws, 0x200000, 16384},        {&app->lineBatch.vertexData, 0x204000, 8192},
        {&app->pointBatch.draws, 0x206000, 16384},       {&app->pointBatch.vertexData, 0x20A000, 8192},
        {&app->rectBatch.draws, 0x20C000, 2048},         {&app->rectBatch.vertexData, 0x20C800, 1024},
        {&app->textBatch.draws, 0x20CC00, 7200},         {&app->textBatch.vertexData, 0x20E820, 2048},
        {&app->sceneryArena, 0x20F020, 1 << 20},
    };
    for (const Region& region : regions)
    {
        EXPECT_EQ(offsetOf(region.arena->base), region.offset);
        EXPECT_EQ(region.arena->capacity, region.capacity) << std::hex << region.offset;
    }

    // Each animation: its record, then its poses; the edited animation's region after them.
    uint64_t at = 0x30F020u;
    for (const Animation* animation : {app->idleAnimation, app->walkAnimation, app->jumpAnimation})
    {
        EXPECT_EQ(offsetOf(animation), at);
        EXPECT_GT(animation->frameCount, 0u);
        at += sizeof(Animation) + sizeof(Pose) * animation->frameCount;
    }
    EXPECT_EQ(offsetOf(app->animationArena.base), at);
    EXPECT_EQ(app->mainArena.used, at + (1 << 20));

    Pose base = {};
    std::ifstream("character.bin", std::ios::binary).read((char*)&base, sizeof base);
    EXPECT_EQ(memcmp(&app->basePose, &base, sizeof(Pose)), 0);
    EXPECT_EQ(app->editedAnimation.frameCount, 1u);
    EXPECT_EQ((uint8_t*)app->editedAnimation.poses, app->animationArena.base);
    EXPECT_EQ(app->animationArena.used, sizeof(Pose));
    EXPECT_EQ(memcmp(app->editedAnimation.poses, &base, sizeof(Pose)), 0);

    const RenderBatch* batches[4] = {&app->lineBatch, &app->pointBatch, &app->rectBatch, &app->textBatch};
    const BatchKind kinds[4] = {LineStrips, Points, Rects, Text};
    const uint32_t vertexBytes[4] = {24576, 98304, 6144, 2048 * 4 * 32};
    const uint32_t indexBytes[4] = {4092, 20480, 1280, 2048 * 5 * 4};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(batches[i]->kind, kinds[i]);
        EXPECT_EQ(batches[i]->vertexBufferSize, vertexBytes[i]);
        EXPECT_EQ(batches[i]->indexBufferSize, indexBytes[i]);
        EXPECT_EQ(batches[i]->program, i == 3 ? app->textProgram : app->colorProgram);
    }
    EXPECT_NE(app->colorProgram, app->textProgram);
}

TEST_F(AppRun, AFailedWindowStopsBeforeAnyGLCall)
{
    fakePlatform.failWindowCreation = 1;
    ASSERT_TRUE(startApp(app));
    EXPECT_EQ(app->window.running, 0);
    EXPECT_TRUE(recordedCalls().empty());
}

// Forked, so the address-space limit stays with the child.
TEST_F(AppRun, StartUpFailsWhenMemoryCannotBeReserved)
{
    EXPECT_EXIT(
        {
            long pages = 0;
            FILE* statm = fopen("/proc/self/statm", "r");
            if (!statm || fscanf(statm, "%ld", &pages) != 1) exit(2);
            fclose(statm);
            rlimit limit;
            limit.rlim_cur = limit.rlim_max = (rlim_t)pages * (rlim_t)sysconf(_SC_PAGESIZE) + (16 << 20);
            setrlimit(RLIMIT_AS, &limit);
            exit(startApp(app) ? 0 : 3);
        },
        testing::ExitedWithCode(3), "");
}

TEST_F(AppRun, EachFrameClearsSetsTheViewportOnResizeAndQueuesTheBatchesInOrder)
{
    start();
    frame();
    uint32_t bits;
    memcpy(&bits, &app->deltaTime, 4);
    EXPECT_EQ(bits, 0x3C888889u) << "the first frame's step is 1/60 s";

    std::vector<Command> list = commands();
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[0].type, (uint32_t)CommandClear);
    EXPECT_EQ(list[1].type, (uint32_t)CommandViewport);
    EXPECT_EQ(list[1].values[2], 1280.0f);
    RenderBatch* order[4] = {&app->rectBatch, &app->lineBatch, &app->pointBatch, &app->textBatch};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(list[2 + i].type, (uint32_t)CommandDrawBatch);
        EXPECT_EQ(list[2 + i].batch, order[i]);
    }

    // Game mode: the room's 24 segments, then the figure's four polylines.
    ASSERT_EQ(app->lineBatch.drawCount, 28u);
    for (uint32_t i = 0; i < 24; ++i) EXPECT_EQ(lineDraw(i).count, 2u);
    EXPECT_EQ(lineDraw(0).points[0], 100.0f);
    const uint32_t figure[4] = {7, 4, 9, 9};
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(lineDraw(24 + i).count, figure[i]);

    // A resize is followed in the frame it is reported; without one there is no viewport.
    app->window.clientWidth = 800;
    app->window.clientHeight = 600;
    frame();
    EXPECT_EQ(commands()[1].values[2], 800.0f);
    EXPECT_EQ(app->screenToNormalized[0], 2.0f / 800.0f);
    app->window.resized = 0;
    frame();
    EXPECT_EQ(commands().size(), 5u);
    EXPECT_EQ(commands()[1].type, (uint32_t)CommandDrawBatch);

    // Minimised: an empty viewport, and the projection stays the last usable one.
    app->window.resized = 1;
    app->window.clientWidth = 0;
    app->window.clientHeight = 0;
    frame();
    EXPECT_EQ(commands()[1].values[2], 0.0f);
    EXPECT_EQ(app->screenToNormalized[0], 2.0f / 800.0f);

    // A close request still lets its frame be drawn and swapped.
    fakePlatform.quitRequested = 1;
    frame();
    EXPECT_EQ(app->window.running, 0);
    EXPECT_EQ(fakePlatform.swapCalls, 5);
    EXPECT_EQ(callCount("glClear"), 5u);
}

TEST_F(AppRun, EditorModePausesTheCharacterAndGameModeResumesIt)
{
    start();
    frame({KeyRight});
    frame({KeyRight, KeyTab});
    CharacterState walking;
    memcpy(&walking, &app->character, sizeof walking);
    EXPECT_GT(walking.characterPosition.x, 250.0f);

    frame({KeyRight});
    ASSERT_EQ(app->editorMode, 1) << "Tab switches on its release";
    for (int i = 0; i < 5; ++i)
    {
        frame({KeyRight, KeySpace});
        frame({KeyRight});
    }
    EXPECT_EQ(memcmp(&app->character, &walking, sizeof walking), 0);
    EXPECT_NE(app->lineBatch.drawCount, 0u) << "the editor draws";
    EXPECT_NE(lineDraw(0).points[0], 100.0f) << "but not the room";

    frame({KeyRight, KeyTab});
    frame({KeyRight});
    ASSERT_EQ(app->editorMode, 0);
    EXPECT_GT(app->character.characterPosition.x, walking.characterPosition.x);
    EXPECT_EQ(app->lineBatch.drawCount, 28u);
}

} // namespace
