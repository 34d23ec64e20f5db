#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include "app/app.h"
#include "app/edit_history.h"
#include "fake_platform.h"
#include "platform/os.h"
#include "tests/host/recording_gl.h"

namespace {

namespace fs = std::filesystem;

// The frames as a file would hold them, and the selected frame.
struct EditState
{
    std::vector<uint8_t> frames;
    uint64_t selectedFrame;
    bool operator==(const EditState& other) const
    {
        return frames == other.frames && selectedFrame == other.selectedFrame;
    }
};

// The real frame loop, started in a fresh folder holding the data files and
// a directory "adir" (a save target that cannot be written), in editor mode.
struct EditRun : testing::Test
{
    App* app = new App{};
    fs::path folder, previousFolder = fs::current_path();
    int drags = 0;

    void SetUp() override
    {
        resetFakePlatform();
        installRecordingGL();
        folder = fs::temp_directory_path() /
                 (std::string("marionette_history_") + testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder / "adir");
        for (const char* name : {"character.bin", "idle.anim", "walk_cycle.anim", "jump.anim"})
            fs::copy_file(fs::path(MARIONETTE_SOURCE_DIR) / "assets" / name, folder / name);
        fs::current_path(folder);
        ASSERT_TRUE(startApp(app));
        run('t');
    }

    void TearDown() override
    {
        fs::current_path(previousFolder);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        if (app->mainArena.base) osReleaseMemory(app->mainArena.base, app->mainArena.capacity);
        if (app->fontArena.base) osReleaseMemory(app->fontArena.base, app->fontArena.capacity);
        delete app;
    }

    // A frame in which these keys are down, with the mouse at (x, y).
    void frame(std::initializer_list<uint32_t> down, int32_t x = 1000, int32_t y = 600)
    {
        for (uint8_t& key : fakePlatform.keys) key = (key & 1) ? Released : Up;
        for (uint32_t key : down) fakePlatform.keys[key] = fakePlatform.keys[key] == Released ? Held : Pressed;
        fakePlatform.mouseX = x;
        fakePlatform.mouseY = y;
        runFrame(app);
    }

    void chord(uint32_t letter, bool shift = false)
    {
        if (shift) frame({KeyControl, KeyShift, keyLetter((char)letter)});
        else frame({KeyControl, keyLetter((char)letter)});
        frame({});
    }

    void prompt(char letter, const char* name)
    {
        chord(letter);
        fakeType(name);
        frame({});
        frame({});
    }

    void clickBox(uint64_t box, bool control)
    {
        int32_t x = 110 + 20 * (int32_t)box + 7;
        if (control) frame({KeyControl, KeyMouseLeft}, x, 705), frame({KeyControl}, x, 705);
        else frame({KeyMouseLeft}, x, 705), frame({}, x, 705);
    }

    // Selects the polyline's points, grabs them, moves 20 pixels and ends with that button.
    void grab(uint32_t endButton)
    {
        if (app->poseEditor.selectionCount == 0) frame({keyLetter('A')});
        frame({keyLetter('G')});
        frame({}, 1020);
        frame({endButton}, 1020);
        frame({}, 1020);
    }

    // Point 0 of the selected frame, pressed where it is shown and moved away;
    // midway, Control+Z when asked.
    void drag(bool undoMidway)
    {
        Vec2 p = app->editedAnimation.poses[app->frameStrip.selectedFrame].points[0];
        int32_t x = 560 + 13 * ++drags, y = 320 + 7 * drags;
        frame({KeyMouseLeft}, (int32_t)lroundf(p.x + 640), (int32_t)lroundf(p.y + 50));
        frame({KeyMouseLeft}, x, y);
        if (undoMidway) frame({KeyMouseLeft, KeyControl, keyLetter('Z')}, x, y);
        frame({}, x, y);
    }

    void run(char op)
    {
        switch (op)
        {
        case 'd': drag(false); break;
        case 'h': drag(true); break;
        case 'g': grab(KeyMouseLeft); break;
        case 'c': grab(KeyMouseRight); break;
        case 'p': frame({KeyMouseLeft}), frame({}); break; // a press that picks nothing
        case 'b': // Control+Z with box selection armed acts, during the box's drag it does not
            frame({keyLetter('B')});
            chord('Z');
            frame({KeyMouseLeft});
            frame({KeyMouseLeft, KeyControl, keyLetter('Z')}, 900, 500);
            frame({}, 900, 500);
            break;
        case 'a': clickBox(app->editedAnimation.frameCount, false); break;
        case 'x': clickBox(app->frameStrip.selectedFrame, true); break;
        case 'r': frame({KeyRight}), frame({}); break;
        case 't': frame({KeyTab}), frame({}); break;
        case 'i': chord('I'); break;
        case 'u': chord('Z'); break;
        case 'y': chord('Y'); break;
        case 'Z': chord('Z', true); break;
        case 'l': prompt('O', "walk_cycle.anim\r"); break;
        case 's': prompt('S', "saved.anim\r"); break;
        case 'f': prompt('S', "adir\r"); break;
        case 'n': // Control+Z while the prompt is open, then Escape
            chord('S');
            frame({KeyControl, keyLetter('Z')});
            frame({KeyEscape});
            frame({});
            break;
        default: FAIL() << op;
        }
    }

    EditState state() const
    {
        const Animation& animation = app->editedAnimation;
        EXPECT_EQ((uint8_t*)animation.poses, app->animationArena.base);
        EXPECT_EQ(app->animationArena.used, animation.frameCount * sizeof(Pose));
        EXPECT_LT(app->frameStrip.selectedFrame, animation.frameCount);
        EditState result = {std::vector<uint8_t>(4 + animation.frameCount * sizeof(Pose)), app->frameStrip.selectedFrame};
        memcpy(result.frames.data(), &animation.frameCount, 4);
        memcpy(result.frames.data() + 4, animation.poses, animation.frameCount * sizeof(Pose));
        return result;
    }
};

// Operations (see run) and, for each, the expected state afterwards: '+' a
// state unlike the one before, or a digit naming the state after that many
// operations (0: the start).
struct Sequence
{
    const char* ops;
    const char* expected;
};

const Sequence sequences[] = {
    {"uyZ", "000"},                         // nothing to undo or redo
    {"dduuuyyy", "++100122"},               // past either end changes nothing
    {"ddudy", "++1+4"},                     // a new edit drops the redo step
    {"aixuuuZZZ", "+++210123"},             // add, in-between, delete; redo with Shift
    {"dcpnguu", "+111+10"},                 // cancelled grab, empty press, prompt open: no step
    {"dhu", "++1"},                         // Control+Z during a drag does nothing
    {"ddb", "++1"},                         // ... or a box selection
    {"diu", "+10"},                         // no in-between with one frame, and no step
    {"dluy", "++12"},                       // undo across a load
    {"dtuty", "+1001"},                     // undo and redo in game mode; no in-between there
    {"atiu", "+110"},
    {"dsuy", "+101"},                       // a save is no step
    {"lxxxxxxxuuuuuuu", "++++++++7654321"}, // delete down to one frame, every frame back
};

TEST_F(EditRun, SequencesOfEditsUndoAndRedoGiveTheExpectedFramesAndSelection)
{
    for (const Sequence& sequence : sequences)
    {
        SCOPED_TRACE(sequence.ops);
        TearDown();
        app = new App{};
        drags = 0;
        SetUp();
        std::vector<EditState> states = {state()};
        for (size_t k = 0; sequence.ops[k]; ++k)
        {
            char op = sequence.ops[k], expected = sequence.expected[k];
            run(op);
            states.push_back(state());
            bool same = states[k + 1] == states[expected == '+' ? k : (size_t)(expected - '0')];
            EXPECT_EQ(same, expected != '+') << "op " << k << " " << op;
            bool undoOrRedo = op == 'u' || op == 'y' || op == 'Z';
            EXPECT_TRUE(!undoOrRedo || app->poseEditor.selectionCount == 0);
        }
    }
}

// Moving to another frame is no step, but undo returns to the frame the user
// was on when making the edit it takes back.
TEST_F(EditRun, UndoSelectsTheFrameTheUndoneEditWasMadeOn)
{
    run('a');
    run('r');
    run('d');
    ASSERT_EQ(app->frameStrip.selectedFrame, 0u);
    run('r');
    run('u');
    EXPECT_EQ(app->frameStrip.selectedFrame, 0u);
    EXPECT_EQ(app->editedAnimation.frameCount, 2u);
    run('u');
    EXPECT_EQ(app->editedAnimation.frameCount, 1u);
}

struct Closing
{
    const char* ops;
    char existing; // autosave.anim before closing: '-' none, 'r' a read-only file, 'd' a directory
    bool modified;
    bool written;
};

const Closing closings[] = {
    {"", '-', false, false},  {"d", '-', true, true},   {"du", '-', false, false}, {"ds", '-', false, false},
    {"dsd", '-', true, true}, {"dsu", '-', true, true}, {"df", '-', true, true},   {"l", '-', false, false},
    {"lu", '-', true, true},  {"d", 'r', true, false},  {"d", 'd', true, false},
};

TEST_F(EditRun, ClosingWritesUnsavedEditsToAutosaveOnlyWhenModifiedAndKeepsWhatCannotBeReplaced)
{
    for (const Closing& closing : closings)
    {
        SCOPED_TRACE(std::string(closing.ops) + " " + closing.existing);
        TearDown();
        app = new App{};
        SetUp();
        if (closing.existing == 'r')
        {
            std::ofstream(autosaveFileName) << "old";
            chmod(autosaveFileName, 0444);
        }
        if (closing.existing == 'd') fs::create_directory(autosaveFileName);
        for (const char* op = closing.ops; *op; ++op) run(*op);
        EXPECT_EQ(editHistoryModified(&app->history), closing.modified);

        fakePlatform.quitRequested = 1;
        frame({});
        ASSERT_EQ(app->window.running, 0);
        EXPECT_EQ(autosaveIfModified(&app->history, &app->editedAnimation, autosaveFileName), closing.written);

        std::vector<uint8_t> bytes;
        if (fs::is_regular_file(autosaveFileName))
        {
            std::ifstream file(autosaveFileName, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        }
        std::vector<uint8_t> expected = state().frames;
        if (closing.existing == 'r') expected.assign({'o', 'l', 'd'});
        if (!closing.written && closing.existing != 'r') expected.clear();
        EXPECT_EQ(bytes, expected);
        EXPECT_EQ(fs::is_directory(autosaveFileName), closing.existing == 'd');
        EXPECT_FALSE(fs::exists(std::string(autosaveFileName) + ".tmp0"));
    }
}

// The history on its own, over a local animation.
struct EditHistoryAlone : testing::Test
{
    Pose poses[maxEditedFrames + 1] = {};
    Arena poseArena = {sizeof poses, sizeof(Pose), (uint8_t*)poses};
    Animation animation = {1, poses};
    FrameStripState strip = {};
    PoseEditorState editor = initialPoseEditorState();
    std::vector<uint8_t> memory = std::vector<uint8_t>(editHistoryBytes(editHistorySlots));
    Arena historyArena = {memory.size(), 0, memory.data()};
    EditHistory history;
    EditTarget target = {&animation, &poseArena, &strip, &editor};

    void SetUp() override { startEditHistory(&history, &historyArena, editHistorySlots, &animation, 0); }
};

TEST_F(EditHistoryAlone, KeepsTheNewestStepsInOrderWhenFullAndAddsNoStepForNoChangeOrAnUnfinishedEdit)
{
    ASSERT_EQ(historyArena.used, historyArena.capacity);
    for (int k = 1; k <= 150; ++k)
    {
        poses[0].points[0].x = (float)k;
        recordEditHistory(&history, &animation, 0, false);
        recordEditHistory(&history, &animation, 0, false);
    }
    poses[0].points[0].x = -1;
    recordEditHistory(&history, &animation, 0, true);
    poses[0].points[0].x = 150;
    recordEditHistory(&history, &animation, 0, false);

    markEditHistorySaved(&history, &animation);
    int undone = 0;
    while (undoEdit(&history, target)) EXPECT_EQ(poses[0].points[0].x, (float)(150 - ++undone));
    EXPECT_EQ(undone, (int)editHistorySlots - 1);
    EXPECT_TRUE(editHistoryModified(&history));
    int redone = 0;
    while (redoEdit(&history, target)) EXPECT_EQ(poses[0].points[0].x, (float)(150 - undone + ++redone));
    EXPECT_EQ(redone, undone);
    EXPECT_FALSE(editHistoryModified(&history));
}

// A snapshot holds 1 to 32 frames; anything else is never recorded and never counts as saved.
TEST_F(EditHistoryAlone, AnAnimationNoSnapshotHoldsAddsNoStepAndStaysModified)
{
    for (uint32_t count : {0u, maxEditedFrames + 1, maxEditedFrames})
    {
        SCOPED_TRACE(count);
        animation.frameCount = count;
        markEditHistorySaved(&history, &animation);
        recordEditHistory(&history, &animation, 0, false);
        bool fits = count == maxEditedFrames;
        EXPECT_EQ(editHistoryModified(&history), !fits);
        EXPECT_EQ(undoEdit(&history, target), fits);
    }
}

struct InBetween
{
    uint32_t frames;
    uint64_t selected;
    bool inserted;
    uint32_t next; // the frame the midpoint is taken towards
};

const InBetween inBetweens[] = {
    {1, 0, false, 0}, {32, 5, false, 0}, {2, 0, true, 1}, {3, 2, true, 0}, {31, 30, true, 0},
};

TEST_F(EditHistoryAlone, InBetweenInsertsTheExactMidpointAfterTheSelectedFrameWrappingToFrameZero)
{
    for (const InBetween& c : inBetweens)
    {
        SCOPED_TRACE(c.frames);
        for (uint32_t f = 0; f < c.frames; ++f)
            for (uint32_t i = 0; i < 28; ++i) poses[f].points[i] = {3e38f - 1e37f * (float)f, (float)(f * 7 + i)};
        animation.frameCount = c.frames;
        poseArena.used = c.frames * sizeof(Pose);
        strip.selectedFrame = c.selected;
        Pose from = poses[c.selected], to = poses[c.next];
        std::vector<Pose> before(poses, poses + c.frames);

        EXPECT_EQ(insertInBetween(&strip, &animation, &poseArena), c.inserted);
        if (!c.inserted)
        {
            EXPECT_EQ(animation.frameCount, c.frames);
            EXPECT_EQ(memcmp(poses, before.data(), c.frames * sizeof(Pose)), 0);
            continue;
        }
        ASSERT_EQ(animation.frameCount, c.frames + 1);
        EXPECT_EQ(poseArena.used, (c.frames + 1) * sizeof(Pose));
        EXPECT_EQ(strip.selectedFrame, c.selected + 1);
        for (uint32_t i = 0; i < 28; ++i)
        {
            Vec2 mid = poses[c.selected + 1].points[i];
            // Halving first cannot overflow, and rounds the same as the exact sum halved.
            EXPECT_EQ(mid.x, from.points[i].x * 0.5f + to.points[i].x * 0.5f);
            EXPECT_EQ(mid.y, from.points[i].y * 0.5f + to.points[i].y * 0.5f);
        }
        EXPECT_EQ(memcmp(poses, before.data(), (c.selected + 1) * sizeof(Pose)), 0);
        EXPECT_EQ(memcmp(poses + c.selected + 2, before.data() + c.selected + 1,
                         (c.frames - c.selected - 1) * sizeof(Pose)),
                  0);
    }
}

} // namespace
