#include <gtest/gtest.h>
#include <math.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include "app/app.h"
#include "fake_platform.h"
#include "platform/os.h"
#include "tests/host/recording_gl.h"

namespace {

namespace fs = std::filesystem;

// The real frame loop in editor mode, in a fresh folder holding the data
// files and a directory "adir" (a save target that cannot be replaced).
struct EditRun : testing::Test
{
    App* app = nullptr;
    fs::path folder = fs::temp_directory_path() / ("marionette_history_" + std::to_string(getpid()));
    fs::path previousFolder = fs::current_path();
    int drags = 0;

    void SetUp() override
    {
        resetFakePlatform();
        installRecordingGL();
        fs::remove_all(folder);
        fs::create_directories(folder / "adir");
        for (const char* name : {"character.bin", "idle.anim", "walk_cycle.anim", "jump.anim"})
            fs::copy_file(fs::path(MARIONETTE_SOURCE_DIR) / "assets" / name, folder / name);
        fs::current_path(folder);
        app = new App{};
        drags = 0;
        ASSERT_TRUE(startApp(app));
        run('t');
    }

    void TearDown() override
    {
        fs::current_path(previousFolder);
        fs::remove_all(folder);
        if (app->mainArena.base) osReleaseMemory(app->mainArena.base, app->mainArena.capacity);
        if (app->fontArena.base) osReleaseMemory(app->fontArena.base, app->fontArena.capacity);
        delete app;
    }

    // A frame with these keys down (Held if down before) and the mouse at (x, y).
    void frame(std::initializer_list<uint32_t> down, int32_t x = 1000, int32_t y = 600)
    {
        for (uint8_t& key : fakePlatform.keys) key = (key & 1) ? Released : Up;
        for (uint32_t key : down) fakePlatform.keys[key] = fakePlatform.keys[key] == Released ? Held : Pressed;
        fakePlatform.mouseX = x;
        fakePlatform.mouseY = y;
        runFrame(app);
    }

    // The keys pressed, then released.
    void keys(std::initializer_list<uint32_t> down, int32_t x = 1000, int32_t y = 600)
    {
        frame(down, x, y);
        frame({}, x, y);
    }

    void prompt(char letter, const char* name)
    {
        keys({KeyControl, keyLetter(letter)});
        fakeType(name);
        keys({});
    }

    // Selects the polyline's points, grabs them, moves 20 pixels and ends with the button.
    void grab(uint32_t button)
    {
        if (app->poseEditor.selectionCount == 0) frame({keyLetter('A')});
        frame({keyLetter('G')});
        frame({}, 1020);
        keys({button}, 1020);
    }

    // Point 0 of the selected frame, pressed where it is shown and moved away;
    // on the way, Control+Z when asked.
    void drag(bool undoOnTheWay)
    {
        Vec2 p = app->editedAnimation.poses[app->frameStrip.selectedFrame].points[0];
        int32_t x = 560 + 13 * ++drags, y = 320 + 7 * drags;
        frame({KeyMouseLeft}, (int32_t)lroundf(p.x + 640), (int32_t)lroundf(p.y + 50));
        frame({KeyMouseLeft}, x, y);
        if (undoOnTheWay) frame({KeyMouseLeft, KeyControl, keyLetter('Z')}, x, y);
        frame({}, x, y);
    }

    void run(char op)
    {
        int32_t box = 117 + 20 * (int32_t)(op == 'a' ? app->editedAnimation.frameCount : app->frameStrip.selectedFrame);
        switch (op)
        {
        case 'd': drag(false); break;
        case 'h': drag(true); break;
        case 'g': grab(KeyMouseLeft); break;
        case 'c': grab(KeyMouseRight); break;
        case 'p': keys({KeyMouseLeft}); break; // a press that picks nothing
        case 'a': keys({KeyMouseLeft}, box, 705); break;
        case 'x': frame({KeyControl, KeyMouseLeft}, box, 705), frame({KeyControl}, box, 705); break;
        case 'r': keys({KeyRight}); break;
        case 't': keys({KeyTab}); break;
        case 'i': keys({KeyControl, keyLetter('I')}); break;
        case 'u': keys({KeyControl, keyLetter('Z')}); break;
        case 'y': keys({KeyControl, keyLetter('Y')}); break;
        case 'Z': keys({KeyControl, KeyShift, keyLetter('Z')}); break;
        case 'l': prompt('O', "walk_cycle.anim\r"); break;
        case 's': prompt('S', "saved.anim\r"); break;
        case 'f': prompt('S', "adir\r"); break;
        case 'n': // Control+Z while the prompt is open
            keys({KeyControl, keyLetter('S')});
            frame({KeyControl, keyLetter('Z')});
            keys({KeyEscape});
            break;
        case 'b': // Control+Z acts while box selection is armed, not while its box is dragged
            frame({keyLetter('B')});
            keys({KeyControl, keyLetter('Z')});
            frame({KeyMouseLeft});
            frame({KeyMouseLeft, KeyControl, keyLetter('Z')}, 900, 500);
            frame({}, 900, 500);
            break;
        default: FAIL() << op;
        }
    }

    // The frames as a file holds them.
    std::vector<uint8_t> frames() const
    {
        const Animation& animation = app->editedAnimation;
        EXPECT_EQ((uint8_t*)animation.poses, app->animationArena.base);
        EXPECT_EQ(app->animationArena.used, animation.frameCount * sizeof(Pose));
        EXPECT_LT(app->frameStrip.selectedFrame, animation.frameCount);
        std::vector<uint8_t> bytes((const uint8_t*)&animation.frameCount, (const uint8_t*)&animation.frameCount + 4);
        bytes.insert(bytes.end(), (const uint8_t*)animation.poses, (const uint8_t*)(animation.poses + animation.frameCount));
        return bytes;
    }
};

// Operations (see run) and, for each, the expected state (frames and
// selected frame) afterwards: '+' one unlike the state before, or a digit
// naming the state after that many operations (0: the start).
const char* const sequences[][2] = {
    {"uyZ", "000"},                         // nothing to undo or redo
    {"dduuuyyy", "++100122"},               // past either end changes nothing
    {"ddudy", "++1+4"},                     // a new edit drops the redo step
    {"aixuuuZZZ", "+++210123"},             // add, in-between, delete; redo with Shift
    {"dcpnguu", "+111+10"},                 // cancelled grab, empty press, prompt open: no step
    {"dhu", "++1"},                         // Control+Z during a drag does nothing
    {"ddb", "++1"},                         // ... or a box selection's drag
    {"diu", "+10"},                         // no in-between with one frame, and no step
    {"dluy", "++12"},                       // undo across a load
    {"dtuty", "+1001"},                     // undo and redo in game mode; no in-between there
    {"atiu", "+110"},
    {"dsuy", "+101"},                       // a save is no step
    {"ardruu", "++++20"},                   // nor a move to another frame; undo returns to the edit's frame
    {"lxxxxxxxuuuuuuu", "++++++++7654321"}, // delete down to one frame, every frame back
};

TEST_F(EditRun, SequencesOfEditsUndoAndRedoGiveTheExpectedFramesAndSelection)
{
    for (const auto& sequence : sequences)
    {
        SCOPED_TRACE(sequence[0]);
        TearDown();
        SetUp();
        std::vector<std::vector<uint8_t>> states;
        for (size_t k = 0; k == 0 || sequence[0][k - 1]; ++k)
        {
            if (k > 0) run(sequence[0][k - 1]);
            states.push_back(frames());
            states.back().push_back((uint8_t)app->frameStrip.selectedFrame);
            if (k == 0) continue;
            char expected = sequence[1][k - 1];
            EXPECT_EQ(states[k] == states[expected == '+' ? k - 1 : (size_t)(expected - '0')], expected != '+')
                << "operation " << k;
            EXPECT_TRUE(!strchr("uyZ", sequence[0][k - 1]) || app->poseEditor.selectionCount == 0);
        }
    }
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

        std::vector<uint8_t> bytes, expected = closing.written ? frames() : std::vector<uint8_t>{};
        if (closing.existing == 'r') expected = {'o', 'l', 'd'};
        std::ifstream file(fs::is_regular_file(autosaveFileName) ? autosaveFileName : "", std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
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
    // The history's region between two marked margins as large as itself.
    uint64_t size = editHistoryBytes(editHistorySlots);
    std::vector<uint8_t> memory = std::vector<uint8_t>(3 * size, 0xAB);
    Arena historyArena = {size, 0, memory.data() + size};
    EditHistory history;
    EditTarget target = {&animation, &poseArena, &strip, &editor};

    void SetUp() override { startEditHistory(&history, &historyArena, editHistorySlots, &animation, 0); }
};

TEST_F(EditHistoryAlone, KeepsTheNewestStepsInOrderWhenFullAndAddsNoStepForNoChangeOrAnUnfinishedEdit)
{
    // Each step names a frame the one-frame animation lacks; undo must bring back one it has.
    for (int k = 1; k <= 150; ++k)
    {
        poses[0].points[0].x = (float)k;
        recordEditHistory(&history, &animation, k, false);
        recordEditHistory(&history, &animation, k, false);
    }
    poses[0].points[0].x = -1;
    recordEditHistory(&history, &animation, 0, true);
    poses[0].points[0].x = 150;
    recordEditHistory(&history, &animation, 0, false);

    markEditHistorySaved(&history, &animation);
    int undone = 0;
    while (undoEdit(&history, target))
    {
        EXPECT_EQ(poses[0].points[0].x, (float)(150 - ++undone));
        EXPECT_EQ(strip.selectedFrame, 0u);
    }
    EXPECT_EQ(undone, (int)editHistorySlots - 1);
    EXPECT_TRUE(editHistoryModified(&history));
    while (redoEdit(&history, target)) EXPECT_EQ(poses[0].points[0].x, (float)(150 - --undone));
    EXPECT_EQ(undone, 0);
    EXPECT_FALSE(editHistoryModified(&history));
    memory.erase(memory.begin() + size, memory.begin() + 2 * size);
    EXPECT_EQ(std::count(memory.begin(), memory.end(), 0xAB), (long)memory.size()) << "written outside its region";
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

TEST_F(EditHistoryAlone, InBetweenInsertsTheExactMidpointAfterTheSelectedFrameWrappingToFrameZero)
{
    const uint32_t cases[][3] = {{1, 0, 0}, {32, 5, 0}, {2, 0, 1}, {3, 2, 1}, {31, 30, 1}}; // frames, selected, inserted
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c[0]);
        for (uint32_t f = 0; f < c[0]; ++f)
            for (uint32_t i = 0; i < 28; ++i) poses[f].points[i] = {3e38f - 1e37f * (float)f, (float)(f * 7 + i)};
        animation.frameCount = c[0];
        poseArena.used = c[0] * sizeof(Pose);
        strip.selectedFrame = c[1];
        std::vector<Pose> expected(poses, poses + c[0]);
        const Pose &from = poses[c[1]], &to = poses[(c[1] + 1) % c[0]];
        Pose mid;
        // Halving first cannot overflow, and rounds like the exact sum halved.
        for (uint32_t i = 0; i < 28; ++i)
            mid.points[i] = {from.points[i].x * 0.5f + to.points[i].x * 0.5f, from.points[i].y * 0.5f + to.points[i].y * 0.5f};
        if (c[2]) expected.insert(expected.begin() + c[1] + 1, mid);

        EXPECT_EQ(insertInBetween(&strip, &animation, &poseArena), c[2] != 0);
        ASSERT_EQ(animation.frameCount, expected.size());
        EXPECT_EQ(memcmp(poses, expected.data(), expected.size() * sizeof(Pose)), 0);
        EXPECT_EQ(poseArena.used, expected.size() * sizeof(Pose));
        EXPECT_EQ(strip.selectedFrame, c[1] + c[2]);
    }
}

} // namespace
