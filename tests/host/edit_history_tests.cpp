#include <gtest/gtest.h>
#include <math.h>
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include "app/app.h"
#include "fake_platform.h"
#include "platform/os.h"
#include "tests/host/recording_gl.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// The real frame loop in editor mode, in a folder of its own holding
// walk_cycle.anim as "w" and a directory "adir" (a save target that cannot be replaced).
struct EditRun : testing::Test
{
    App* app = nullptr;
    fs::path folder = fs::temp_directory_path() / ("marionette_history_" + std::to_string(getpid()));
    fs::path previousFolder = fs::current_path();
    int drags = 0;

    void start()
    {
        TearDown();
        resetFakePlatform();
        installRecordingGL();
        fs::create_directories(folder / "adir");
        fs::copy_file(fs::path(MARIONETTE_SOURCE_DIR) / "assets/walk_cycle.anim", folder / "w");
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
        if (app) osReleaseMemory(app->mainArena.base, app->mainArena.capacity);
        if (app && app->fontArena.base) osReleaseMemory(app->fontArena.base, app->fontArena.capacity);
        delete app;
        app = nullptr;
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

    // The keys pressed, then released; with a name, typed into the prompt they open.
    void keys(std::initializer_list<uint32_t> down, int32_t x = 1000, int32_t y = 600, const char* name = nullptr)
    {
        frame(down, x, y);
        if (name) fakeType(name), frame({});
        frame({}, x, y);
    }

    void run(char op)
    {
        const Animation& edited = app->editedAnimation;
        int32_t box = 117 + 20 * (int32_t)(op == 'a' ? edited.frameCount : app->frameStrip.selectedFrame);
        Vec2 p = edited.poses[app->frameStrip.selectedFrame].points[0];
        int32_t x = 560 + 13 * ++drags, y = 320 + 7 * drags;
        switch (op)
        {
        case 'd': // point 0 dragged away, with Control+Z on the way for 'h'
        case 'h':
            frame({KeyMouseLeft}, (int32_t)lroundf(p.x + 640), (int32_t)lroundf(p.y + 50));
            frame({KeyMouseLeft}, x, y);
            if (op == 'h') frame({KeyMouseLeft, KeyControl, keyLetter('Z')}, x, y);
            return frame({}, x, y);
        case 'g': // the polyline grabbed 20 pixels away, kept with a left click or put back with a right one
        case 'c':
            if (app->poseEditor.selectionCount == 0) frame({keyLetter('A')});
            frame({keyLetter('G')});
            frame({}, 1020);
            return keys({op == 'g' ? (uint32_t)KeyMouseLeft : (uint32_t)KeyMouseRight}, 1020);
        case 'p': return keys({KeyMouseLeft}); // a press that picks nothing
        case 'a': return keys({KeyMouseLeft}, box, 705);
        case 'x': return frame({KeyControl, KeyMouseLeft}, box, 705), frame({KeyControl}, box, 705);
        case 'r': return keys({KeyRight});
        case 't': return keys({KeyTab});
        case 'i': return keys({KeyControl, keyLetter('I')});
        case 'u': return keys({KeyControl, keyLetter('Z')});
        case 'y': return keys({KeyControl, keyLetter('Y')});
        case 'Z': return keys({KeyControl, KeyShift, keyLetter('Z')});
        case 'l': return keys({KeyControl, keyLetter('O')}, 0, 0, "w\r"); // names of one letter are names too
        case 's': return keys({KeyControl, keyLetter('S')}, 0, 0, "s\r");
        case 'f': return keys({KeyControl, keyLetter('S')}, 0, 0, "adir\r");
        case 'n': // Control+Z while the prompt is open
            keys({KeyControl, keyLetter('S')});
            frame({KeyControl, keyLetter('Z')});
            return keys({KeyEscape});
        case 'b': // Control+Z acts while box selection is armed, not while its box is dragged
            frame({keyLetter('B')});
            keys({KeyControl, keyLetter('Z')});
            frame({KeyMouseLeft});
            frame({KeyMouseLeft, KeyControl, keyLetter('Z')}, 900, 500);
            return frame({}, 900, 500);
        default: FAIL() << op;
        }
    }

    // The frames as a file holds them.
    Bytes frames() const
    {
        const Animation& edited = app->editedAnimation;
        EXPECT_EQ((uint8_t*)edited.poses, app->animationArena.base);
        EXPECT_EQ(app->animationArena.used, edited.frameCount * sizeof(Pose));
        EXPECT_LT(app->frameStrip.selectedFrame, edited.frameCount);
        Bytes bytes((const uint8_t*)&edited.frameCount, (const uint8_t*)&edited.frameCount + 4);
        bytes.insert(bytes.end(), (const uint8_t*)edited.poses, (const uint8_t*)(edited.poses + edited.frameCount));
        return bytes;
    }
};

// Operations (see run); for each, the expected state (frames and selected
// frame) afterwards: '+' one unlike the state before, or a digit naming the
// state after that many operations (0: the start); then whether the frames
// differ from those last saved or loaded, which closing writes to autosave.anim.
const struct { const char *ops, *states; bool modified; } sequences[] = {
    {"uyZ", "000", false},                          // nothing to undo or redo
    {"dduuuyyy", "++100122", true},                 // past either end changes nothing
    {"ddudy", "++1+4", true},                       // a new edit drops the redo step
    {"aixuuuZZZ", "+++210123", true},               // add, in-between, delete; redo with Shift
    {"dcpnguu", "+111+10", false},                  // cancelled grab, empty press, prompt open: no step
    {"dhu", "++1", true},                           // Control+Z during a drag does nothing
    {"ddb", "++1", true},                           // ... or a box selection's drag
    {"diu", "+10", false},                          // no in-between with one frame, and no step
    {"dluy", "++12", false},                        // undo across a load
    {"dtuty", "+1001", true},                       // undo and redo in game mode; no in-between there
    {"atiu", "+110", false},
    {"dsuy", "+101", false},                        // a save is no step
    {"ardruu", "++++20", false},                    // nor a move to another frame; undo returns to the edit's frame
    {"lxxxxxxxuuuuuuu", "++++++++7654321", false},  // delete down to one frame, every frame back
    {"dsd", "+1+", true}, {"dsu", "+10", true}, {"df", "+1", true}, {"lu", "+0", true},
};

TEST_F(EditRun, EditsUndoRedoAndClosingGiveTheExpectedFramesSelectionAndAutosave)
{
    for (const auto& sequence : sequences)
    {
        SCOPED_TRACE(sequence.ops);
        start();
        std::vector<Bytes> states;
        for (size_t k = 0; k == 0 || sequence.ops[k - 1]; ++k)
        {
            if (k > 0) run(sequence.ops[k - 1]);
            states.push_back(frames());
            states.back().push_back((uint8_t)app->frameStrip.selectedFrame);
            char expected = k ? sequence.states[k - 1] : '0';
            EXPECT_EQ(states[k] == states[expected == '+' ? k - 1 : (size_t)(expected - '0')], expected != '+')
                << "operation " << k;
            EXPECT_TRUE(!strchr("uyZ", k ? sequence.ops[k - 1] : 'u') || app->poseEditor.selectionCount == 0);
        }
        EXPECT_EQ(editHistoryModified(&app->history), sequence.modified);

        fakePlatform.quitRequested = 1;
        frame({});
        ASSERT_EQ(app->window.running, 0);
        EXPECT_EQ(autosaveIfModified(&app->history, &app->editedAnimation, autosaveFileName), sequence.modified);
        std::ifstream file(autosaveFileName, std::ios::binary);
        EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(file), {}), sequence.modified ? frames() : Bytes{});
    }
}

// The history on its own: 150 steps of a one-frame animation, each naming a
// selected frame it lacks, undone and redone to both ends, then ten undone and
// a step of 32 frames that fill the poses' arena. Every write stays inside the history's
// region, between two marked margins as large as itself.
TEST(EditHistory, KeepsThe127NewestStepsAndAddsNoneForNoChangeAnUnfinishedEditOrAnUnfitAnimation)
{
    Pose poses[maxEditedFrames] = {};
    Arena poseArena = {sizeof poses, sizeof(Pose), (uint8_t*)poses};
    Animation animation = {1, poses};
    FrameStripState strip = {};
    PoseEditorState editor = initialPoseEditorState();
    EditTarget target = {&animation, &poseArena, &strip, &editor};
    uint64_t size = editHistoryBytes(editHistorySlots);
    Bytes memory(3 * size, 0xAB);
    Arena historyArena = {size, 0, memory.data() + size};
    EditHistory history;
    startEditHistory(&history, &historyArena, editHistorySlots, &animation, 0);

    // Frame count, first x, selected frame and whether the edit is under way; twice each.
    std::vector<std::vector<float>> steps = {{1, -1, 0, 1}, {0, 7, 0, 0}, {maxEditedFrames + 1, 7, 0, 0}};
    for (int k = 150; k >= 1; --k) steps.insert(steps.begin(), {1, (float)k, (float)k, 0});
    for (const auto& s : steps)
    {
        animation.frameCount = (uint32_t)s[0];
        poses[0].points[0].x = s[1];
        for (int twice = 0; twice < 2; ++twice) recordEditHistory(&history, &animation, (uint64_t)s[2], s[3] != 0);
        EXPECT_TRUE(editHistoryModified(&history));
    }
    animation.frameCount = 1;
    poses[0].points[0].x = 150;
    recordEditHistory(&history, &animation, 0, false);
    markEditHistorySaved(&history, &animation);
    EXPECT_FALSE(editHistoryModified(&history));

    int undone = 0;
    while (undoEdit(&history, target)) EXPECT_EQ(poses[0].points[0].x + strip.selectedFrame, (float)(150 - ++undone));
    EXPECT_EQ(undone, (int)editHistorySlots - 1);
    EXPECT_TRUE(editHistoryModified(&history));
    while (redoEdit(&history, target)) EXPECT_EQ(poses[0].points[0].x, (float)(150 - --undone));
    EXPECT_EQ(undone, 0);
    EXPECT_FALSE(editHistoryModified(&history));
    for (int k = 0; k < 10; ++k) undoEdit(&history, target);
    animation.frameCount = maxEditedFrames; // a new step drops the ten undone, and keeps the 117 before
    recordEditHistory(&history, &animation, 0, false);
    for (undone = 0; undoEdit(&history, target);) ++undone;
    EXPECT_EQ(undone, 118);
    while (redoEdit(&history, target)) --undone;
    EXPECT_EQ(animation.frameCount, maxEditedFrames);

    // An animation no snapshot holds leaves a new history inert.
    animation.frameCount = maxEditedFrames + 1;
    historyArena.used = 0;
    startEditHistory(&history, &historyArena, editHistorySlots, &animation, 0);
    recordEditHistory(&history, &animation, 0, false);
    EXPECT_FALSE(editHistoryModified(&history) || undoEdit(&history, target));
    memory.erase(memory.begin() + (long)size, memory.begin() + 2 * (long)size);
    EXPECT_EQ(std::count(memory.begin(), memory.end(), 0xAB), (long)memory.size()) << "written outside its region";
}

} // namespace
