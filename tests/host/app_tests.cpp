#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include "app/app.h"
#include "fake_platform.h"
#include "platform/os.h"
#include "tests/host/recording_gl.h"

namespace {

std::vector<uint8_t> fileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

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
    std::vector<const char*> copied;

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
        for (const char* name : copied) remove(name);
        EXPECT_EQ(chdir(previousFolder), 0);
        rmdir(folder);
        if (app->mainArena.base) osReleaseMemory(app->mainArena.base, app->mainArena.capacity);
        if (app->fontArena.base) osReleaseMemory(app->fontArena.base, app->fontArena.capacity);
        delete app;
    }

    void copyDefaultData()
    {
        for (const char* name : {"character.bin", "idle.anim", "walk_cycle.anim", "jump.anim"})
        {
            std::vector<uint8_t> bytes = fileBytes(std::string(MARIONETTE_SOURCE_DIR) + "/assets/" + name);
            std::ofstream(name, std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
            copied.push_back(name);
        }
    }

    void start()
    {
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
            if (command.type == CommandDrawBatch)
            {
                memcpy(&command.batch, at + 4, sizeof command.batch);
                at += 12;
            }
            else
            {
                memcpy(command.values, at + 4, 16);
                at += 20;
            }
            result.push_back(command);
        }
        EXPECT_EQ((uint64_t)(at - app->commandList.commands.base), app->commandList.commands.used);
        return result;
    }

    const Draw& lineDraw(uint32_t index) const
    {
        return *(const Draw*)(app->lineBatch.draws.base + index * drawStride);
    }

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

TEST_F(AppRun, StartUpCarvesMainMemoryInTheLayoutOrderAndCopiesTheBasePose)
{
    copyDefaultData();
    start();
    EXPECT_EQ(app->mainArena.capacity, 64ull << 20);
    EXPECT_EQ(app->fontArena.capacity, 5ull << 20);
    EXPECT_TRUE(app->fontArena.base < app->mainArena.base || app->fontArena.base >= app->mainArena.base + (64 << 20));

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
        {&app->textBatch.draws, 0x20CC00, 7200},         {&app->textBatch.vertexData, 0x20E820, 256},
        {&app->sceneryArena, 0x20E920, 1 << 20},
    };
    for (const Region& region : regions)
    {
        EXPECT_EQ(offsetOf(region.arena->base), region.offset);
        EXPECT_EQ(region.arena->capacity, region.capacity) << std::hex << region.offset;
    }
    EXPECT_EQ(app->sceneryArena.used, 484u);

    // Each animation: its record, then its poses; the edited animation's region after them.
    const uint64_t record = sizeof(Animation);
    EXPECT_EQ(offsetOf(app->idleAnimation), 0x30E920u);
    EXPECT_EQ(offsetOf(app->idleAnimation->poses), 0x30E920u + record);
    uint64_t walkAt = 0x30E920u + record + sizeof(Pose) * app->idleAnimation->frameCount;
    EXPECT_EQ(offsetOf(app->walkAnimation), walkAt);
    uint64_t jumpAt = walkAt + record + sizeof(Pose) * app->walkAnimation->frameCount;
    EXPECT_EQ(offsetOf(app->jumpAnimation), jumpAt);
    uint64_t editedAt = jumpAt + record + sizeof(Pose) * app->jumpAnimation->frameCount;
    EXPECT_EQ(offsetOf(app->animationArena.base), editedAt);
    EXPECT_EQ(app->animationArena.capacity, 1u << 20);
    EXPECT_EQ(app->mainArena.used, editedAt + (1 << 20));

    EXPECT_EQ(app->idleAnimation->frameCount, (fileBytes("idle.anim").size() - 4) / sizeof(Pose));
    EXPECT_GT(app->walkAnimation->frameCount, 0u);
    EXPECT_GT(app->jumpAnimation->frameCount, 0u);

    // The edited animation: one copy of the base pose at the start of its region.
    std::vector<uint8_t> base = fileBytes("character.bin");
    ASSERT_EQ(base.size(), sizeof(Pose));
    EXPECT_EQ(memcmp(&app->basePose, base.data(), sizeof(Pose)), 0);
    EXPECT_EQ(app->editedAnimation.frameCount, 1u);
    EXPECT_EQ((uint8_t*)app->editedAnimation.poses, app->animationArena.base);
    EXPECT_EQ(app->animationArena.used, sizeof(Pose));
    EXPECT_EQ(memcmp(app->editedAnimation.poses, base.data(), sizeof(Pose)), 0);
}

TEST_F(AppRun, WithoutDataFilesEverythingStartsEmptyButInPlace)
{
    start();
    Pose zero = {};
    EXPECT_EQ(memcmp(&app->basePose, &zero, sizeof zero), 0);
    EXPECT_EQ(app->idleAnimation->frameCount, 0u);
    EXPECT_EQ(offsetOf(app->animationArena.base), 0x30E920u + 3 * sizeof(Animation));
    EXPECT_EQ(app->editedAnimation.frameCount, 1u);
    EXPECT_EQ(app->character.currentAnimation, app->idleAnimation);

    frame();
    EXPECT_EQ(app->lineBatch.drawCount, 24u) << "the scenery, and no figure for an empty idle";
}

TEST_F(AppRun, OpensTheWindowThenSetsUpBatchesAndFixedGLState)
{
    start();
    EXPECT_STREQ(fakePlatform.title, "Marionette Room");
    EXPECT_EQ(fakePlatform.requestedWidth, 1280u);
    EXPECT_EQ(fakePlatform.requestedHeight, 720u);
    EXPECT_EQ(fakePlatform.requestedX, centredPosition);
    EXPECT_EQ(fakePlatform.requestedY, centredPosition);

    struct Expected
    {
        const RenderBatch* batch;
        BatchKind kind;
        uint32_t vertexBufferSize, indexBufferSize, program;
    };
    const Expected expected[] = {
        {&app->lineBatch, LineStrips, 24576, 4092, app->colorProgram},
        {&app->pointBatch, Points, 98304, 20480, app->colorProgram},
        {&app->rectBatch, Rects, 6144, 1280, app->colorProgram},
        {&app->textBatch, Text, 32768, 5120, app->textProgram},
    };
    for (const Expected& e : expected)
    {
        EXPECT_EQ(e.batch->kind, e.kind);
        EXPECT_EQ(e.batch->vertexBufferSize, e.vertexBufferSize);
        EXPECT_EQ(e.batch->indexBufferSize, e.indexBufferSize);
        EXPECT_EQ(e.batch->program, e.program);
        EXPECT_EQ(e.batch->projection, app->screenToNormalized);
        EXPECT_EQ(e.batch->font, e.kind == Text ? &app->font : nullptr);
    }
    EXPECT_NE(app->colorProgram, 0u);
    EXPECT_NE(app->textProgram, 0u);
    EXPECT_NE(app->colorProgram, app->textProgram);
    EXPECT_EQ(app->screenToNormalized[0], 2.0f / 1280.0f);

    std::vector<RecordedCall> bind = callsNamed("glBindVertexArray");
    ASSERT_EQ(bind.size(), 1u);
    EXPECT_EQ(bind[0].args[0], (int64_t)app->vertexArray);
    ASSERT_EQ(callCount("glEnable"), 1u);
    EXPECT_EQ(callsNamed("glEnable")[0].args[0], GL_BLEND);
    ASSERT_EQ(callCount("glBlendFunc"), 1u);
    EXPECT_EQ(callsNamed("glBlendFunc")[0].args, (std::vector<int64_t>{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}));
}

TEST_F(AppRun, AFailedWindowStopsBeforeAnyGLCall)
{
    fakePlatform.failWindowCreation = 1;
    ASSERT_TRUE(startApp(app));
    EXPECT_EQ(app->window.running, 0);
    EXPECT_TRUE(recordedCalls().empty());
    EXPECT_EQ(app->mainArena.used, 0u);
    EXPECT_EQ(app->fontArena.base, nullptr);
}

TEST_F(AppRun, EachFrameClearsSetsTheViewportAndQueuesTheBatchesInOrder)
{
    start();
    frame();
    uint32_t bits;
    memcpy(&bits, &app->deltaTime, 4);
    EXPECT_EQ(bits, 0x3C888889u) << "the first frame's step is 1/60 s";

    std::vector<Command> list = commands();
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(app->commandList.commands.used, 88u);
    EXPECT_EQ(list[0].type, (uint32_t)CommandClear);
    EXPECT_EQ(list[0].values[3], 1.0f);
    EXPECT_EQ(list[0].values[0] + list[0].values[1] + list[0].values[2], 0.0f);
    EXPECT_EQ(list[1].type, (uint32_t)CommandViewport);
    EXPECT_EQ(list[1].values[2], 1280.0f);
    EXPECT_EQ(list[1].values[3], 720.0f);
    RenderBatch* order[4] = {&app->rectBatch, &app->lineBatch, &app->pointBatch, &app->textBatch};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(list[2 + i].type, (uint32_t)CommandDrawBatch);
        EXPECT_EQ(list[2 + i].batch, order[i]);
    }
    EXPECT_EQ(fakePlatform.pollCalls, 1);
    EXPECT_EQ(fakePlatform.swapCalls, 1);
    EXPECT_EQ(callCount("glClear"), 1u);

    // A resize is followed in the frame it is reported; without one there is no viewport.
    app->window.clientWidth = 800;
    app->window.clientHeight = 600;
    frame();
    EXPECT_EQ(commands()[1].values[2], 800.0f);
    EXPECT_EQ(app->screenToNormalized[0], 2.0f / 800.0f);
    app->window.resized = 0;
    frame();
    EXPECT_EQ(commands().size(), 5u);
    EXPECT_EQ(app->commandList.commands.used, 68u);

    // Minimised: an empty viewport, and the projection stays the last usable one.
    app->window.resized = 1;
    app->window.clientWidth = 0;
    app->window.clientHeight = 0;
    frame();
    EXPECT_EQ(commands()[1].values[2], 0.0f);
    EXPECT_EQ(app->screenToNormalized[0], 2.0f / 800.0f);
}

TEST_F(AppRun, GameModeDrawsTheRoomThenTheFigure)
{
    copyDefaultData();
    start();
    frame();
    ASSERT_EQ(app->lineBatch.drawCount, 28u);
    for (uint32_t i = 0; i < 24; ++i) EXPECT_EQ(lineDraw(i).count, 2u);
    EXPECT_EQ(lineDraw(0).points[0], 100.0f);
    const uint32_t figure[4] = {7, 4, 9, 9};
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(lineDraw(24 + i).count, figure[i]);
    EXPECT_EQ(callCount("glDrawElements"), 1u) << "only the line batch has draws";
}

TEST_F(AppRun, EditorModePausesTheCharacterAndGameModeResumesIt)
{
    copyDefaultData();
    start();
    frame({KeyRight});
    frame({KeyRight, KeyTab});
    CharacterState walking = app->character;
    EXPECT_GT(walking.characterPosition.x, 250.0f);

    frame({KeyRight});
    ASSERT_EQ(app->editorMode, 1) << "Tab switches on its release";
    for (int i = 0; i < 5; ++i)
    {
        frame({KeyRight, KeySpace});
        frame({KeyRight});
    }
    const CharacterState& now = app->character;
    EXPECT_EQ(now.characterPosition.x, walking.characterPosition.x);
    EXPECT_EQ(now.characterPosition.y, walking.characterPosition.y);
    EXPECT_EQ(now.verticalVelocity, walking.verticalVelocity);
    EXPECT_EQ(now.currentAnimation, walking.currentAnimation);
    EXPECT_EQ(now.frameIndex, walking.frameIndex);
    EXPECT_EQ(now.frameTimer, walking.frameTimer);
    EXPECT_NE(app->lineBatch.drawCount, 0u) << "the editor draws";
    EXPECT_NE(lineDraw(0).points[0], 100.0f) << "but not the room";

    frame({KeyRight, KeyTab});
    frame({KeyRight});
    ASSERT_EQ(app->editorMode, 0);
    EXPECT_GT(app->character.characterPosition.x, walking.characterPosition.x);
    EXPECT_EQ(app->lineBatch.drawCount, 28u);
}

TEST_F(AppRun, TheEditorWaitsForAFrameToWorkOn)
{
    start();
    app->editedAnimation.frameCount = 0;
    app->animationArena.used = 0;
    frame({KeyTab});
    frame();
    ASSERT_EQ(app->editorMode, 1);
    EXPECT_EQ(app->lineBatch.drawCount + app->pointBatch.drawCount + app->rectBatch.drawCount, 0u);
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

TEST_F(AppRun, ACloseRequestStillFinishesTheFrame)
{
    start();
    frame();
    fakePlatform.quitRequested = 1;
    frame();
    EXPECT_EQ(app->window.running, 0);
    EXPECT_EQ(fakePlatform.swapCalls, 2);
    EXPECT_EQ(callCount("glClear"), 2u);
}

} // namespace
