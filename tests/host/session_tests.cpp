// One long session of the program, played key by key and click by click the
// way a person tries it out, and compared step by step with a transcript
// that was read and checked once: the state the person would see, every text
// on screen with its place, the log lines, the files written and a hash of
// every GL call with the data it was handed. Any change in what the program
// draws, writes or logs shows up as the first differing line.
// MARIONETTE_UPDATE_TRANSCRIPT=1 writes the transcript anew, for review.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include "app/app.h"
#include "fake_platform.h"
#include "platform/log.h"
#include "platform/os.h"
#include "tests/host/recording_gl.h"

namespace {

const std::string transcriptPath = std::string(MARIONETTE_SOURCE_DIR) + "/tests/host/session_transcript.txt";

std::string format(const char* pattern, double a, double b = 0, double c = 0)
{
    char text[128];
    snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

struct Session
{
    App* app = (App*)calloc(1, sizeof(App));
    std::ostringstream transcript;
    std::map<std::string, std::string> filesSeen;
    uint64_t logSeen = globalLog.used;

    // Keys down this frame; those down last frame and not now read Released.
    void frame(std::initializer_list<uint32_t> down = {}, const char* typed = "")
    {
        uint8_t previous[256];
        memcpy(previous, fakePlatform.keys, sizeof previous);
        for (uint32_t key = 0; key < 256; ++key) fakePlatform.keys[key] = (previous[key] & 1) ? Released : Up;
        for (uint32_t key : down) fakePlatform.keys[key] = (previous[key] & 1) ? Held : Pressed;
        fakeType(typed);
        runFrame(app);
    }
    void hold(std::initializer_list<uint32_t> down, int frames)
    {
        for (int i = 0; i < frames; ++i) frame(down);
        frame();
    }
    void tap(uint32_t key) { hold({key}, 1); }
    void chord(uint32_t key, uint32_t modifier = KeyControl)
    {
        frame({modifier});
        frame({modifier, key});
        frame({modifier});
        frame();
    }
    // A poll delivers at most 32 characters.
    void type(std::string text)
    {
        for (size_t at = 0; at < text.size(); at += 32) frame({}, text.substr(at, 32).c_str());
        frame();
    }
    void prompt(char command, const char* name)
    {
        chord(keyLetter(command));
        type(name);
        type("\r");
    }
    void moveTo(float x, float y)
    {
        fakePlatform.mouseX = (int32_t)x;
        fakePlatform.mouseY = (int32_t)y;
    }
    void click(float x, float y, uint32_t modifier = KeyNone)
    {
        moveTo(x, y);
        frame({modifier});
        frame({modifier, KeyMouseLeft});
        frame({modifier});
        frame();
    }
    // Left button down at from, three motion frames, up at to; with Alt held when asked.
    void drag(Vec2 from, Vec2 to, uint32_t button = KeyMouseLeft, uint32_t modifier = KeyNone)
    {
        moveTo(from.x, from.y);
        frame({modifier});
        for (int i = 0; i <= 3; ++i)
        {
            frame({modifier, button});
            moveTo(from.x + (to.x - from.x) * (float)i / 3.0f, from.y + (to.y - from.y) * (float)i / 3.0f);
        }
        frame({modifier, button});
        frame({modifier});
        frame();
    }
    const Pose& pose() { return app->editedAnimation.poses[app->frameStrip.selectedFrame]; }
    // Where point i of the selected frame is shown.
    Vec2 shown(uint32_t i)
    {
        Vec2 p = pose().points[i];
        return {640.0f + p.x * app->poseEditor.zoom, 50.0f + p.y * app->poseEditor.zoom};
    }

    void step(const char* name, std::function<void()> actions)
    {
        clearRecordedCalls();
        actions();
        transcript << "== " << name << "\n";
        describeState();
        describeDraws();
        describeLog();
        describeFiles();
    }

    void describeState()
    {
        const CharacterState& c = app->character;
        const PoseEditorState& e = app->poseEditor;
        if (!app->editorMode)
            transcript << format("game: at (%.2f, %.2f) facing %.0f", c.characterPosition.x, c.characterPosition.y,
                                 c.facing)
                       << format(" frame %.0f velocity %.2f", c.frameIndex, c.verticalVelocity) << "\n";
        else
            transcript << "editor: frame " << app->frameStrip.selectedFrame << " of " << app->editedAnimation.frameCount
                       << ", polyline " << e.selectedPolyline << ", " << e.selectionCount << " selected"
                       << format(", zoom %.3f", e.zoom) << "\n"
                       << format("point 0 at (%.2f, %.2f), point 10 at ", pose().points[0].x, pose().points[0].y)
                       << format("(%.2f, %.2f)", pose().points[10].x, pose().points[10].y) << "\n";
        transcript << "open:" << (app->prompt.promptOpen ? " prompt" : "") << (app->help.open ? " help" : "")
                   << (app->preview.shown ? " preview" : "") << (app->showOnionSkin ? " onion" : "")
                   << (editHistoryModified(&app->history) ? " modified" : "") << "\n";
    }

    void describeDraws()
    {
        const RenderBatch* batches[4] = {&app->lineBatch, &app->pointBatch, &app->rectBatch, &app->textBatch};
        transcript << "draws:";
        for (const RenderBatch* batch : batches)
            transcript << " " << batch->drawCount << (batch->overflowed ? "!" : "");
        char hash[32];
        snprintf(hash, sizeof hash, "%016llx", (unsigned long long)recordingDigest());
        transcript << " gl " << hash << " invalid " << invalidOperations() << "\n";
        for (uint32_t d = 0; d < app->textBatch.drawCount; ++d)
        {
            const TextDraw* draw = (const TextDraw*)(app->textBatch.draws.base + d * textDrawStride);
            transcript << format("text (%.1f, %.1f) %.0f: \"", draw->x, draw->y, draw->size)
                       << std::string((const char*)draw->text.base, draw->length) << "\"\n";
        }
    }

    void describeLog()
    {
        if (globalLog.used < logSeen) logSeen = 0;
        std::string added((const char*)globalLog.data + logSeen, globalLog.used - logSeen);
        logSeen = globalLog.used;
        for (size_t at = 0; at < added.size();)
        {
            size_t end = added.find('\n', at);
            transcript << "log: " << added.substr(at, end - at) << "\n";
            at = end == std::string::npos ? added.size() : end + 1;
        }
    }

    void describeFiles()
    {
        DIR* folder = opendir(".");
        std::map<std::string, std::string> now;
        while (dirent* entry = readdir(folder))
        {
            if (entry->d_type != DT_REG) continue;
            std::ifstream file(entry->d_name, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            uint64_t hash = 14695981039346656037ull;
            for (unsigned char b : bytes) hash = (hash ^ b) * 1099511628211ull;
            char line[64];
            snprintf(line, sizeof line, "%zu bytes %016llx", bytes.size(), (unsigned long long)hash);
            now[entry->d_name] = line;
        }
        closedir(folder);
        for (const auto& [name, line] : now)
            if (filesSeen[name] != line) transcript << "file " << name << ": " << line << "\n";
        filesSeen = now;
    }
};

struct ProgramSession : testing::Test
{
    Session s;
    char folder[64] = "/tmp/marionette_session_XXXXXX";
    char previousFolder[4096] = {};

    void SetUp() override
    {
        resetFakePlatform();
        installRecordingGL();
        ASSERT_NE(mkdtemp(folder), nullptr);
        ASSERT_NE(getcwd(previousFolder, sizeof previousFolder), nullptr);
        ASSERT_EQ(chdir(folder), 0);
        for (const char* name : {"character.bin", "idle.anim", "walk_cycle.anim", "jump.anim"})
            std::ofstream(name, std::ios::binary)
                << std::ifstream(std::string(MARIONETTE_SOURCE_DIR) + "/assets/" + name, std::ios::binary).rdbuf();
    }

    void TearDown() override
    {
        EXPECT_EQ(chdir(previousFolder), 0);
        EXPECT_EQ(system((std::string("rm -rf ") + folder).c_str()), 0);
        App* app = s.app;
        for (Arena* arena : {&app->mainArena, &app->fontArena, &app->exportBlock})
            if (arena->base) osReleaseMemory(arena->base, arena->capacity);
        free(app);
    }

    // Start-up, with DejaVu Sans standing in for Verdana and a steady 60 frames a second.
    void start()
    {
        App* app = s.app;
        ASSERT_TRUE(startApp(app));
        app->fontArena.used = 0;
        uint32_t built = buildFontAtlas(&app->fontArena, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 24);
        app->font = fontAtlasFromArena(app->fontArena, built);
        app->counterFrequency = 0;
    }
};

TEST_F(ProgramSession, PlaysAsTheTranscriptSays)
{
    Session& s = this->s;
    App* app = s.app;
    s.step("start-up and the first frame", [&] {
        start();
        s.frame();
    });
    s.step("idle for a second", [&] { s.hold({}, 60); });
    s.step("Right held for 40 frames", [&] { s.hold({KeyRight}, 40); });
    s.step("A held for 20 frames", [&] { s.hold({keyLetter('A')}, 20); });
    s.step("Q and D together cancel", [&] { s.hold({keyLetter('Q'), keyLetter('D')}, 10); });
    s.step("Space: in the air", [&] { s.hold({KeySpace}, 12); });
    s.step("landed", [&] { s.hold({}, 50); });
    s.step("W plays the edited animation", [&] { s.hold({keyLetter('W')}, 5); });
    s.step("F1 opens help in the room", [&] { s.tap(KeyF1); });
    s.step("F1 closes it", [&] { s.tap(KeyF1); });
    s.step("the window resized to 1000 x 600", [&] {
        app->window.clientWidth = 1000;
        app->window.clientHeight = 600;
        s.frame();
    });
    s.step("minimised to 0 x 0", [&] {
        app->window.clientWidth = 0;
        app->window.clientHeight = 0;
        s.frame();
    });
    s.step("Tab: the editor at 1000 x 600", [&] {
        app->window.clientWidth = 1000;
        app->window.clientHeight = 600;
        s.tap(KeyTab);
    });
    s.step("back to 1280 x 720", [&] {
        app->window.clientWidth = 1280;
        app->window.clientHeight = 720;
        s.frame();
    });
    s.step("the add box duplicates the frame", [&] { s.click(137, 705); });
    s.step("a drag moves point 0 to (700, 300)", [&] { s.drag(s.shown(0), {700, 300}); });
    s.step("Control+Z undoes the drag", [&] { s.chord(keyLetter('Z')); });
    s.step("Control+Y redoes it", [&] { s.chord(keyLetter('Y')); });
    s.step("the arms button, then Down to the legs", [&] {
        s.click(55, 610);
        s.tap(KeyDown);
    });
    s.step("Up back to the arms; B and a box around them", [&] {
        s.tap(KeyUp);
        s.tap(keyLetter('B'));
        s.drag({200, 700}, {1100, 60});
    });
    s.step("G moves the selection 40 right; a click keeps it", [&] {
        s.moveTo(900, 400);
        s.frame();
        s.tap(keyLetter('G'));
        s.moveTo(920, 400);
        s.frame();
        s.moveTo(940, 400);
        s.frame();
        s.click(940, 400);
    });
    s.step("G again, a right click puts them back", [&] {
        s.tap(keyLetter('G'));
        s.moveTo(960, 420);
        s.frame();
        s.frame();
        s.hold({KeyMouseRight}, 1);
    });
    s.step("A selects none, A again all", [&] {
        s.tap(keyLetter('A'));
        s.tap(keyLetter('A'));
    });
    s.step("B, a box, a right click halfway cancels it", [&] {
        s.tap(keyLetter('B'));
        s.moveTo(600, 300);
        s.frame({KeyMouseLeft});
        s.moveTo(700, 400);
        s.frame({KeyMouseLeft});
        s.frame({KeyMouseLeft, KeyMouseRight});
        s.frame();
    });
    s.step("digits toggle guides and handles", [&] {
        for (int d : {1, 2, 3}) s.tap(keyDigit(d));
    });
    s.step("digits again bring them back", [&] {
        for (int d : {1, 2, 3}) s.tap(keyDigit(d));
    });
    s.step("Alt and a drag 72 pixels down zooms to 2", [&] { s.drag({1000, 500}, {1000, 428}, KeyMouseLeft, KeyAlt); });
    s.step("Alt and a long drag up stays above zero", [&] { s.drag({1000, 100}, {1000, 700}, KeyMouseLeft, KeyAlt); });
    s.step("and back to about 1", [&] { s.drag({1000, 500}, {1000, 410}, KeyMouseLeft, KeyAlt); });
    s.step("Control+C on frame 1, Left, Control+V", [&] {
        s.chord(keyLetter('C'));
        s.tap(KeyLeft);
        s.chord(keyLetter('V'));
    });
    s.step("Control+I puts a midway frame after frame 0", [&] { s.chord(keyLetter('I')); });
    s.step("Right twice, then a Control+click on box 0 deletes it", [&] {
        s.tap(KeyRight);
        s.tap(KeyRight);
        s.click(117, 705, KeyControl);
    });
    s.step("the head button, then Control+V pastes nothing", [&] {
        s.click(55, 680);
        s.chord(keyLetter('V'));
    });
    s.step("4: the onion skin", [&] { s.tap(keyDigit(4)); });
    s.step("Space: the preview, a second of it", [&] {
        s.tap(KeySpace);
        s.hold({}, 60);
    });
    s.step("F1 in the editor", [&] { s.tap(KeyF1); });
    s.step("Escape closes help; the overlays stay", [&] { s.tap(KeyEscape); });
    s.step("Control+S and a name with accents, Backspace and Escape", [&] {
        s.chord(keyLetter('S'));
        s.type("caf\xe9 \x80x");
        s.frame({keyDigit(4), KeySpace, KeyF1, keyLetter('Z')}, "4 ");
        s.frame({}, "\b\b\b");
    });
    s.step("Escape: nothing saved", [&] { s.tap(KeyEscape); });
    s.step("Control+S two.anim", [&] { s.prompt('S', "two.anim"); });
    s.step("Control+S into a folder fails", [&] {
        mkdir("folder.anim", 0700);
        s.prompt('S', "folder.anim");
    });
    s.step("Control+O of a missing file changes nothing", [&] { s.prompt('O', "missing.anim"); });
    s.step("Control+O of a short file changes nothing", [&] {
        std::ofstream("short.anim", std::ios::binary) << std::string("\x02\0\0\0abc", 7);
        s.prompt('O', "short.anim");
    });
    s.step("Control+O walk_cycle.anim", [&] { s.prompt('O', "walk_cycle.anim"); });
    s.step("Control+E walk.PNG exports the walk", [&] { s.prompt('E', "walk.PNG"); });
    s.step("the add box 30 times stops at 32 frames", [&] {
        for (int i = 0; i < 30; ++i) s.click(117 + 20 * (float)app->editedAnimation.frameCount, 705);
    });
    s.step("the last box, then Right wraps to the first frame", [&] {
        s.click(737, 705);
        s.tap(KeyRight);
    });
    s.step("a long name with a tab in it: the status line cuts its front", [&] {
        s.prompt('S', "a rather long name for a walk cycle that goes on and on and on\tand on.anim");
    });
    s.step("Control+S and Control+O together", [&] {
        s.frame({KeyControl, keyLetter('S'), keyLetter('O')});
        s.frame({KeyControl, keyLetter('S'), keyLetter('O')});
        s.frame();
        s.type("both.anim\r");
    });
    s.step("Tab back to the room; F1 help there", [&] {
        s.tap(KeyTab);
        s.tap(KeyF1);
    });
    s.step("a quit request ends the run", [&] {
        fakePlatform.quitRequested = 1;
        s.frame();
        EXPECT_EQ(app->window.running, 0);
    });

    std::string actual = s.transcript.str();
    if (getenv("MARIONETTE_UPDATE_TRANSCRIPT")) std::ofstream(transcriptPath) << actual;
    std::ifstream file(transcriptPath);
    std::string expected((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::istringstream a(actual), e(expected);
    std::string step, lineA, lineE;
    for (int n = 1; std::getline(e, lineE); ++n)
    {
        if (!std::getline(a, lineA)) lineA = "(transcript ended)";
        if (lineE.rfind("== ", 0) == 0) step = lineE;
        ASSERT_EQ(lineA, lineE) << "line " << n << ", in step " << step;
    }
    EXPECT_FALSE(std::getline(a, lineA)) << "more than the transcript: " << lineA;
}

TEST_F(ProgramSession, AFailedWindowStopsBeforeAnyGLCall)
{
    fakePlatform.failWindowCreation = 1;
    ASSERT_TRUE(startApp(s.app));
    EXPECT_EQ(s.app->window.running, 0);
    EXPECT_TRUE(recordedCalls().empty());
}

// Forked, so the address-space limit stays with the child.
TEST_F(ProgramSession, StartUpFailsWhenMemoryCannotBeReserved)
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
            exit(startApp(s.app) ? 0 : 3);
        },
        testing::ExitedWithCode(3), "");
}

} // namespace
