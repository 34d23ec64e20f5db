// One long session of the program, played key by key and click by click the
// way a person tries it out, and compared step by step with a transcript
// that was read and checked once: the state the person would see, every text
// on screen with its place, the log lines, the files written and a hash of
// every GL call with the data it was handed. Any change in what the program
// draws, writes or logs shows up as the first differing line.
// MARIONETTE_UPDATE_TRANSCRIPT=1 writes the transcript anew, for review.
#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <vector>
#include <sstream>
#include <string>
#include "app/app.h"
#include "app/autosave.h"
#include "character/onion_skin.h"
#include "app/frame_pacing.h"
#include "fake_platform.h"
#include "platform/log.h"
#include "platform/os.h"
#include "tests/host/recording_gl.h"

namespace {

std::string format(const char* pattern, double a, double b = 0, double c = 0)
{
    char text[128];
    snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

// An .anim image: the count, then poses of zeros but for one value at float index 5.
std::string animationBytes(uint32_t count, uint32_t poses, float value)
{
    std::string bytes((const char*)&count, 4);
    std::vector<float> values(poses * 56, 0.0f);
    values.at(5) = value;
    return bytes + std::string((const char*)values.data(), values.size() * 4);
}

// The line is in the log, after its first `from` bytes.
bool logged(const char* line, uint64_t from = 0)
{
    return std::string((const char*)globalLog.data + from, globalLog.used - from).find(line) != std::string::npos;
}

const std::map<std::string, uint32_t> keyNames = {
    {"Tab", KeyTab},     {"F1", KeyF1},         {"Escape", KeyEscape},        {"Space", KeySpace},
    {"Left", KeyLeft},   {"Right", KeyRight},   {"Up", KeyUp},                {"Down", KeyDown},
    {"Alt", KeyAlt},     {"Shift", KeyShift},   {"Control", KeyControl},      {"MouseLeft", KeyMouseLeft},
    {"MouseRight", KeyMouseRight}, {"PageUp", KeyPageUp}, {"PageDown", KeyPageDown}, {"Home", KeyHome},
    {"End", KeyEnd},
};

uint32_t keyNamed(const std::string& name)
{
    if (name.size() == 1) return isdigit(name[0]) ? keyDigit(name[0] - '0') : keyLetter(name[0]);
    return keyNames.at(name);
}

struct Session
{
    App* app = (App*)calloc(1, sizeof(App));
    std::ostringstream transcript;
    std::map<std::string, std::string> filesSeen;
    uint64_t logSeen = globalLog.used;
    std::vector<uint32_t> held;
    std::string textsSeen;
    FontAtlas spareFont = {};

    // Held keys and these down this frame; those down last frame and not now read Released.
    void frame(std::vector<uint32_t> down = {}, const std::string& typed = "")
    {
        uint8_t previous[256];
        memcpy(previous, fakePlatform.keys, sizeof previous);
        for (uint32_t key = 0; key < 256; ++key) fakePlatform.keys[key] = (previous[key] & 1) ? Released : Up;
        down.insert(down.end(), held.begin(), held.end());
        for (uint32_t key : down) fakePlatform.keys[key] = (previous[key] & 1) ? Held : Pressed;
        fakeType(typed.c_str());
        runFrame(app);
    }
    void moveTo(float x, float y)
    {
        fakePlatform.mouseX = (int32_t)x;
        fakePlatform.mouseY = (int32_t)y;
    }
    // The mouse at from, the left button down, three motion frames, up at to.
    void drag(Vec2 from, Vec2 to)
    {
        moveTo(from.x, from.y);
        frame();
        for (int i = 0; i <= 4; ++i)
        {
            frame({KeyMouseLeft});
            moveTo(from.x + (to.x - from.x) * (float)i / 3.0f, from.y + (to.y - from.y) * (float)i / 3.0f);
        }
        moveTo(to.x, to.y);
        frame();
    }
    // Start-up, with the font the system names or the one given, and a
    // steady 60 frames a second.
    void start(const std::string& font)
    {
        ASSERT_TRUE(startApp(app));
        app->counterFrequency = 0;
        if (font.empty()) return;
        app->fontArena.used = 0;
        std::string path = "/usr/share/fonts/truetype/" + font;
        app->font = fontAtlasFromArena(app->fontArena, buildFontAtlas(&app->fontArena, path.c_str(), 24));
    }
    Pose& pose() { return app->editedAnimation.poses[app->frameStrip.selectedFrame]; }
    // Where point i of the selected frame is shown.
    Vec2 shown(uint32_t i)
    {
        Vec2 p = pose().points[i];
        return {640.0f + p.x * app->poseEditor.zoom, 50.0f + p.y * app->poseEditor.zoom};
    }

    // Commands separated by ";" (see the table below).
    void play(const std::string& script)
    {
        std::istringstream commands(script);
        for (std::string command; std::getline(commands, command, ';');)
        {
            std::istringstream in(command);
            std::string verb, rest;
            in >> verb;
            std::getline(in >> std::ws, rest);
            float a = 0, b = 0, c = 0, d = 0;
            std::istringstream(rest) >> a >> b >> c >> d;
            std::string after = rest.substr(std::min(rest.size(), rest.find(' ') + 1)); // what follows a
            if (verb == "start") start(rest);
            else if (verb == "wait") for (int i = 0; i < (int)a; ++i) frame();
            else if (verb == "repeat") // "#" counts the rounds from 0
                for (int i = 0; i < (int)a; ++i)
                {
                    std::string round = after;
                    for (size_t at; (at = round.find('#')) != std::string::npos;) round.replace(at, 1, std::to_string(i));
                    play(round);
                }
            else if (verb == "down") held.push_back(keyNamed(rest)), frame();
            else if (verb == "up") held.clear(), frame();
            else if (verb == "let") held.erase(std::find(held.begin(), held.end(), keyNamed(rest))), frame();
            else if (verb == "move") moveTo(a, b);
            else if (verb == "click") click(rest);
            else if (verb == "add") // clicks on the add box
                for (int i = 0; i < (int)a; ++i) click(std::to_string(117 + 20 * app->editedAnimation.frameCount) + " 705");
            else if (verb == "drag") drag({a, b}, {c, d});
            else if (verb == "point") drag(shown((uint32_t)a), {b, c});
            else if (verb == "hover") moveTo(shown((uint32_t)a).x + b, shown((uint32_t)a).y + c);
            else if (verb == "type") typeText(command.substr(command.find("type ") + 5)); // \r and all
            else if (verb == "size") app->window.clientWidth = (int32_t)a, app->window.clientHeight = (int32_t)b;
            else if (verb == "place") pose().points[(int)a] = {b, c}; // by hand, as no key would
            else if (verb == "font") std::swap(app->font, spareFont); // out, or back in
            else if (verb == "quit") fakePlatform.quitRequested = 1, frame();
            else if (verb == "autosave") // as the program does once its window has closed
                transcript << "autosave: " << endRun(app) << "\n";
            else pressKeys(verb, a < 1 ? 1 : (int)a);
        }
    }
    // "X Y [KEY]": a left click, with the key held around it when one is named.
    void click(const std::string& where)
    {
        float x = 0, y = 0;
        std::string key;
        std::istringstream(where) >> x >> y >> key;
        moveTo(x, y);
        if (!key.empty()) held.push_back(keyNamed(key));
        frame({KeyMouseLeft});
        frame();
        held.clear();
    }
    // A poll delivers at most 32 characters.
    void typeText(const std::string& text)
    {
        for (size_t at = 0; at < text.size(); at += 32) frame({}, text.substr(at, 32));
        frame();
    }
    // "Control+Z", "Q+D 10": the keys down together for that many frames, then let go.
    void pressKeys(const std::string& names, int frames)
    {
        std::vector<uint32_t> keys;
        std::istringstream in(names);
        for (std::string name; std::getline(in, name, '+');) keys.push_back(keyNamed(name));
        for (int i = 0; i < frames; ++i) frame(keys);
        frame();
    }

    void step(const char* name, const std::string& script)
    {
        clearRecordedCalls();
        transcript << "== " << name << "\n";
        play(script);
        describeState();
        describeDraws();
        describeLog();
        describeFiles();
    }

    void describeState()
    {
        const CharacterState& c = app->character;
        const PoseEditorState& e = app->poseEditor;
        std::string selection;
        for (uint64_t k = 0; k < e.selectionCount; ++k) selection += (k ? " " : "") + std::to_string(e.selection[k]);
        if (!app->editorMode)
            transcript << format("game: at (%.2f, %.2f) facing %.0f", c.characterPosition.x, c.characterPosition.y,
                                 c.facing)
                       << format(" frame %.0f velocity %.2f", c.frameIndex, c.verticalVelocity) << "\n";
        else
            transcript << "editor: frame " << app->frameStrip.selectedFrame << " of " << app->editedAnimation.frameCount
                       << ", polyline " << e.selectedPolyline << ", selected {" << selection << "}"
                       << format(", zoom %.3f", e.zoom) << "\n" << polylineNames[e.selectedPolyline] << ":";
        for (uint32_t i = 0; app->editorMode && i < polylineCounts[e.selectedPolyline]; ++i)
        {
            Vec2 p = pose().points[polylineFirst[e.selectedPolyline] + i];
            transcript << format(" (%.2f, %.2f)", p.x, p.y);
        }
        if (app->editorMode) transcript << "\n";
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
        std::string texts;
        for (uint32_t d = 0; d < app->textBatch.drawCount; ++d)
        {
            const TextDraw* draw = (const TextDraw*)(app->textBatch.draws.base + d * textDrawStride);
            texts += format("text (%.1f, %.1f) %.0f: \"", draw->x, draw->y, draw->size) +
                     std::string((const char*)draw->text.base, draw->length) + "\"\n";
        }
        transcript << (texts == textsSeen ? "texts as before\n" : texts);
        textsSeen = texts;
    }

    void describeLog()
    {
        if (globalLog.used < logSeen) logSeen = 0;
        std::string text((const char*)globalLog.data + logSeen, globalLog.used - logSeen);
        std::istringstream added(text);
        for (std::string line; std::getline(added, line);) transcript << "log: " << line << "\n";
        if (!text.empty() && text.back() != '\n') transcript << "log: (that line has no end)\n";
        logSeen = globalLog.used;
    }

    void describeFiles()
    {
        std::map<std::string, std::string> now;
        for (const auto& entry : std::filesystem::recursive_directory_iterator("."))
        {
            if (!entry.is_regular_file()) continue;
            std::string bytes = fileContents(entry.path());
            uint64_t hash = fnvHash(bytes.data(), bytes.size());
            char line[24];
            snprintf(line, sizeof line, "%016llx", (unsigned long long)hash);
            now[entry.path().lexically_relative(".").string()] = std::to_string(bytes.size()) + " bytes " + line;
        }
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
        // Settings of the session's own, beside its files.
        setenv("XDG_CONFIG_HOME", folder, 1);
        for (const char* name : {"character.bin", "idle.anim", "walk_cycle.anim", "jump.anim"})
            std::ofstream(name, std::ios::binary)
                << std::ifstream(std::string(MARIONETTE_SOURCE_DIR) + "/assets/" + name, std::ios::binary).rdbuf();
        // Where a save cannot go, and a file too short for its count of two.
        mkdir("folder.anim", 0700);
        mkdir("dir.png", 0700);
        std::ofstream("ro.gif") << "old";
        chmod("ro.gif", 0400);
        std::ofstream("short.anim", std::ios::binary) << std::string("\x02\0\0\0abc", 7);
        // An older, longer two.anim; files a load refuses; saves that cannot go through.
        std::ofstream("two.anim", std::ios::binary) << std::string(5000, '\xEE');
        std::ofstream("nan.anim", std::ios::binary) << animationBytes(2, 2, NAN);
        std::ofstream("long.anim", std::ios::binary) << animationBytes(33, 33, 1);
        std::ofstream("ro.anim") << "old";
        chmod("ro.anim", 0400);
        for (char n = '0'; n < '8'; ++n) std::ofstream(std::string("t.anim.tmp") + n) << "left over";
        for (char n = '1'; n < '8'; ++n) std::ofstream(std::string("v.anim.tmp") + n) << "left over";
        std::ofstream("u.anim.tmp0") << "left over";
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

};

// What each step shows, and what the person does. Commands: "wait N" frames;
// "Right 40", "Control+Z": keys held together for N frames (1), then let go;
// "down KEY" held through the commands after it, until "up"; "move X Y" the
// mouse; "let KEY" of those held lets that one go; "click X Y"; "drag X0 Y0
// X1 Y1" over three frames of motion; "point I
// X Y" a drag of the selected frame's point I; "type TEXT" (\r is Return,
// \b Backspace); "size W H" of the client area; "quit" a quit request.
const struct { const char* name; std::string script; } steps[] = {
    {"start-up and the first frame", "start; wait 1"},
    {"idle for a second", "wait 60"},
    {"Right held for 40 frames", "Right 40"},
    {"A held for 20 frames", "A 20"},
    {"Q and D together cancel", "Q+D 10"},
    {"Space: in the air", "Space 12"},
    {"landed", "wait 50"},
    {"W plays the edited animation", "W 5"},
    {"F1 opens help in the room", "F1"},
    {"F1 closes it; F1 in a window 300 high: the panel keeps the lines that fit", "F1; size 1280 300; F1"},
    {"F1 closes it; the window resized to 1000 x 600", "F1; size 1000 600; wait 1"},
    {"Tab: the editor at 1000 x 600", "size 1000 600; Tab"},
    {"back to 1280 x 720", "size 1280 720; wait 1"},
    {"the add box duplicates the frame", "click 137 705"},
    {"clicks on box 0's four edges select nothing", "click 110 705; click 125 705; click 117 690; click 117 720"},
    {"a drag moves point 0 to (700, 300)", "point 0 700 300"},
    {"Control+Z undoes the drag", "Control+Z"},
    {"Control+Y redoes it", "Control+Y"},
    {"head points 2 and 3 placed 5 apart: a press 4 from 2 and 1 from 3 picks 2",
     "place 2 0 0; place 3 5 0; place 6 0 40; move 644 50; down MouseLeft; move 700 100; wait 1; up"},
    {"a press 8 below a point picks it", "place 2 0 0; move 640 58; down MouseLeft; move 700 110; wait 1; up"},
    {"9 below picks nothing", "place 2 0 0; move 640 59; down MouseLeft; move 700 120; wait 1; up"},
    {"a press 8 right of point 3 and 13 right of point 2 picks 3", "move 653 50; down MouseLeft; move 700 130; wait 1; up"},
    {"a press on the spine's first point picks nothing of the head", "move 640 90; down MouseLeft; move 700 140; wait 1; up"},
    {"B and a box from (700, 20) to (600, 120): only the points strictly inside",
     "place 0 10 20; place 1 -40 20; place 2 60 20; place 3 10 -30; place 4 10 70; place 5 -30 60; place 6 30 20; "
     "B; drag 700 20 600 120"},
    {"a second box adds point 2 from the first box's edge, and point 0 not again", "B; drag 640 60 710 80"},
    {"Down clears the selection", "Down"},
    {"A selects the whole spine; Up clears the selection too", "A; Up"},
    {"the arms button, then Down to the legs", "click 55 610; Down"},
    {"Down from the legs wraps to the head, Up goes back", "Down; Up"},
    {"clicks on the arms button's edges choose nothing", "click 5 610; click 105 610; click 50 595; click 50 625"},
    {"Up to the arms; a click just inside the legs button's corner", "Up; click 104 561"},
    {"Up back to the arms; B and a box around them", "Up; B; drag 200 700 1100 60"},
    {"G moves the selection 40 right; a click keeps it", "move 900 400; wait 1; G; move 920 400; wait 1; move 940 400; wait 1; click 940 400"},
    {"G again, a right click puts them back", "G; move 960 420; wait 2; MouseRight"},
    {"the mouse moves on: nothing follows it", "move 1000 450; wait 1"},
    {"A selects none, A again all", "A; A"},
    {"B, a box, a right click halfway cancels it", "B; move 600 300; down MouseLeft; move 700 400; MouseRight; up"},
    {"digits toggle guides and handles", "1; 2; 3"},
    {"digits again bring them back; Alt and a drag 72 pixels down zooms to 2", "1; 2; 3; down Alt; drag 1000 500 1000 428; up"},
    {"Alt and a long drag up stays above zero", "down Alt; drag 1000 100 1000 700; up"},
    {"and back to about 1", "down Alt; drag 1000 500 1000 410; up"},
    {"Control+C on frame 1, Left, Control+V", "Control+C; Left; Control+V"},
    {"Control+I puts an in-between after frame 0", "Control+I"},
    {"Control+I on that frame, 1 of 3, goes between it and frame 2", "Control+I"},
    {"Control+Z takes it back", "Control+Z"},
    {"Right twice, then a Control+click on box 0 deletes it", "Right; Right; click 117 705 Control"},
    {"the head button, then Control+V pastes nothing", "click 55 680; Control+V"},
    {"4: the onion skin", "4"},
    {"Space: the preview, a second of it", "Space; wait 60"},
    {"F1 in the editor", "F1"},
    {"Escape closes help; the overlays stay", "Escape"},
    {"F1 in a window 300 high: the editor's help loses its last lines", "size 1280 300; F1"},
    {"F1 closes it, back to 1280 x 720", "F1; size 1280 720; wait 1"},
    {"Control+S, Backspace on no name, then a name with accents; 4, Space, F1 and Control+Z go to the name",
     "Control+S; type \bcaf\xe9 \x80x"
     "; 4+Space+F1; type 4 ; down Control; Z; up; type \b\b\b"},
    {"Escape: nothing saved", "Escape"},
    {"a name stops at 126 characters; Backspace and Return still work",
     "Control+S; type " + std::string(130, 'x') + "\b\bab\r"},
    {"Return drops the rest of what was typed in its frame", "Control+S; type ab\rcd"},
    {"the longest name of euro signs shows whole", "Control+S; type " + std::string(130, '\x80')},
    {"without a font the prompt still has its caret", "Escape; font; Control+S; type abc"},
    {"Escape; the font back; Control+S two.anim", "Escape; font; Control+S; type two.anim\r"},
    {"no autosave without unsaved edits", "autosave"},
    {"Control+Z after the save: unsaved", "Control+Z"},
    {"Control+Y: as saved again", "Control+Y"},
    {"a press 10 pixels right of point 0 picks nothing", "hover 0 10.5 0; down MouseLeft; move 900 600; wait 1; up"},
    {"8 below it picks it; Control+Z during the drag does nothing", "hover 0 0 -7.5; down MouseLeft; move 700 420; "
     "wait 1; down Control; Z; up"},
    {"Control+Z undoes the drag", "Control+Z"},
    {"a drag, then a save into a folder fails: still unsaved", "point 0 700 430; Control+S; type folder.anim\r"},
    {"Return on an empty name saves nothing: still unsaved", "Control+S; type \r"},
    {"a cancelled grab, a press on nothing, Control+Z in the prompt add no step; Control+Z undoes the drag",
     "G; move 1000 300; wait 1; MouseRight; click 1200 650; Control+S; Control+Z; Escape; Control+Z"},
    {"Control+Z past the oldest step changes nothing", "repeat 20 Control+Z"},
    {"Control+Y and Control+Shift+Z redo every step and no more", "repeat 6 Control+Y; repeat 14 Control+Shift+Z"},
    {"two undos, then a drag drops the redo steps", "Control+Z; Control+Z; point 0 690 440; Control+Y"},
    {"130 drags of point 0, to x = 0, 1, ... 129", "repeat 130 point 0 # 300"},
    {"Control+Z keeps only the newest 127 steps: point 0 back at x = 2", "repeat 130 Control+Z"},
    {"Control+Y redoes all 127", "repeat 130 Control+Y"},
    {"ten undos, then a step: undo still stops at the oldest kept", "repeat 10 Control+Z; point 0 128 300; repeat 130 Control+Z"},
    {"Control+Y to the newest, a drag to x = 129 as before", "repeat 130 Control+Y; point 0 129 300"},
    {"B armed: Control+Z works; during its box it does not", "B; Control+Z; move 600 300; down MouseLeft; "
     "move 650 350; wait 1; down Control; Z; up"},
    {"Control+O of a missing file changes nothing", "Control+O; type missing.anim\r"},
    {"Control+O of a short file changes nothing", "Control+O; type short.anim\r"},
    {"nor one with a NaN, nor one of 33 frames", "Control+O; type nan.anim\r; Control+O; type long.anim\r"},
    {"Control+O walk_cycle.anim", "Control+O; type walk_cycle.anim\r"},
    {"Control+Z undoes the load", "Control+Z"},
    {"Control+Y loads it again", "Control+Y"},
    {"the arms; Shift and a drag of the left hand turn it about the elbow", "Down; Down; down Shift; point 10 560 150; up"},
    {"the legs; Control+Shift and a drag of the right ankle: the knee bends, the toe follows",
     "Down; down Control; down Shift; point 26 720 90; up"},
    {"X swaps the sides, M mirrors about the root", "X; M"},
    {"Shift+Right moves the frame to place 1, Shift+Left back and again to place 0", "Shift+Right; Shift+Left; Shift+Left"},
    {"with the prompt open X, M and Shift+Right do nothing, and a Shift-drag of the ankle moves it alone",
     "Control+S; X; M; Shift+Right; down Shift; point 20 700 60; up; Escape"},
    {"Control+Z seven times undoes them one by one; Down to the head", "repeat 7 Control+Z; Down"},
    {"Control+E walk.PNG exports the walk", "Control+E; type walk.PNG\r"},
    {"exports as w.gif, a.png.json, .png and out/: the last two write nothing",
     "Control+E; type w.gif\r; Control+E; type a.png.json\r; Control+E; type .png\r; Control+E; type out/\r"},
    {"exports where dir.png is a folder and ro.gif read-only: the other files are written, ro.gif kept",
     "Control+E; type dir\r; Control+E; type ro\r"},
    {"an export into a missing folder writes nothing", "Control+E; type missing/walk\r"},
    {"Page Up, Home and L: the status line shows the look, the label too; in the prompt they do nothing",
     "PageUp; Home; L; Control+E; PageUp; L; type look"},
    {"Return exports at 3x, lines 5 wide and black", "type \r; wait 150"},
    {"Page Down, End and L back to the defaults", "PageDown; End; L"},
    {"Control+clicks on box 0 delete all but the last frame", "repeat 8 click 117 705 Control"},
    {"Control+I with one frame does nothing", "Control+I"},
    {"Control+Z seven times: every frame back", "repeat 7 Control+Z"},
    {"the add box 30 times stops at 32 frames", "add 30"},
    {"Control+E all: 32 frames, four rows of eight", "Control+E; type all\r"},
    {"the last box, then Right wraps to the first frame", "click 737 705; Right"},
    {"Left wraps to the last; a Control+click deletes it and selects the one before", "Left; click 737 705 Control"},
    {"Control+Z brings the 32nd frame back", "Control+Z"},
    {"Control+Y deletes it again", "Control+Y"},
    {"a window 900 wide has no room for the preview", "size 900 720; wait 1"},
    {"nor one 200 high", "size 1280 200; wait 1"},
    {"400 x 300, the look's text gone after its 2 s: the status line loses its end", "size 400 300; wait 120"},
    {"0 x 0: nothing fits", "size 0 0; wait 1"},
    {"1 x 1", "size 1 1; wait 1"},
    {"6 x 300: not even a cut status line fits", "size 6 300; wait 1"},
    {"1280 x 720 again", "size 1280 720; wait 1"},
    {"a long name with a tab, Control+Z and other control characters in it: they are left out, the status line cuts its front",
     "Control+S; type a rather long name for a walk cycle that goes on and on and on\t\x1a\x19\x05\x0f\x7f\x1b" "and on.anim\r"},
    {"Control+S and Control+O together", "Control+S+O; type both.anim\r"},
    {"saves refused: into a missing folder, over read-only ro.anim, beside eight leftover t.anim.tmp files",
     "Control+S; type nodir/x.anim\r; Control+S; type ro.anim\r; Control+S; type t.anim\r"},
    {"v.anim, whose first temporary name is free, is saved past seven leftovers, and u.anim past its one",
     "Control+S; type v.anim\r; Control+S; type u.anim\r"},
    {"Control+O two.anim: fewer frames than before", "Control+O; type two.anim\r"},
    {"AltGr+Z, +I and +C, Right, a drag, AltGr+V: no undo, no in-between, no paste",
     "Control+Alt+Z; Control+Alt+I; Control+Alt+C; Right; point 0 600 200; Control+Alt+V"},
    {"AltGr and a click on box 0 delete nothing; AltGr+S, +O and +E open no prompt",
     "move 117 705; wait 1; down Alt; click 117 705 Control; up; Control+Alt+S; Control+Alt+O; Control+Alt+E"},
    {"Control+O, then AltGr+S: still the load prompt", "Control+O; Control+Alt+S"},
    {"Escape; Control+Z undoes the drag, AltGr+Y redoes nothing", "Escape; Control+Z; Control+Alt+Y"},
    {"a grab goes back before Right changes the frame: Left shows its frame as it was",
     "A; move 900 400; wait 1; G; move 960 430; wait 2; Right; MouseRight; Left"},
    {"a grab begun with the button down on the add box, let go there: the new frame as the one it copies was",
     "move 157 705; down MouseLeft; G; move 159 705; wait 2; up; MouseRight"},
    {"a grab, then a load that fails: the grab went back", "G; move 1000 500; wait 2; Control+O; type missing.anim\r; MouseRight"},
    {"a grab, then a load: the loaded walk cycle as it is", "G; move 1000 500; wait 2; Control+O; type walk_cycle.anim\r; MouseRight"},
    {"a drag: unsaved again", "point 0 700 300"},
    {"Tab back to the room; Control+Z and Control+Y act there, Control+I not", "Tab; Control+Z; Control+Y; Control+I"},
    {"F1 help in the room", "F1"},
    {"F1 closes help; in the editor Control+X and Control+M neither swap nor mirror", "F1; Tab; Control+X; Control+M"},
    {"a Control+click on box 2 deletes that frame; the next takes its place", "click 157 705 Control"},
    {"F1 in a window 130 high: the editor's help keeps its title and no line", "size 1280 130; F1"},
    {"F1 closes it; at 760 x 720 the status line cuts the name's front and keeps the *", "F1; size 760 720; wait 1"},
    {"22 x 168: room for less than an ellipsis, no status line; the legs label on the lowest baseline",
     "size 22 168; wait 1"},
    {"Tab to the room at 1280 x 476: the hint's foot just on its lowest line", "Tab; size 1280 476; wait 1"},
    {"at 1280 x 475 it would be below it: no hint", "size 1280 475; wait 1"},
    {"a quit request ends the run; the unsaved edits go to autosave.anim", "quit; autosave"},
};

// The transcript against the reviewed one in tests/host/name.
void expectTranscript(const std::string& actual, const std::string& name)
{
    std::string path = std::string(MARIONETTE_SOURCE_DIR) + "/tests/host/" + name;
    if (getenv("MARIONETTE_UPDATE_TRANSCRIPT")) std::ofstream(path) << actual;
    std::string expected = fileContents(path);
    std::istringstream a(actual), e(expected);
    std::string step, lineA, lineE;
    for (int n = 1; std::getline(e, lineE); ++n)
    {
        if (!std::getline(a, lineA)) lineA = "(transcript ended)";
        if (lineE.rfind("== ", 0) == 0) step = lineE;
        ASSERT_EQ(lineA, lineE) << name << " line " << n << ", in step " << step;
    }
    EXPECT_FALSE(std::getline(a, lineA)) << "more than the transcript: " << lineA;
}

TEST_F(ProgramSession, PlaysAsTheTranscriptSays)
{
    long before = openFileCount();
    for (const auto& step : steps) s.step(step.name, step.script);
    EXPECT_EQ(s.app->window.running, 0);
    EXPECT_EQ(openFileCount(), before) << "every file the program opened is closed";
    expectTranscript(s.transcript.str(), "session_transcript.txt");
}


std::string animationFile(const Animation& animation)
{
    return std::string((const char*)&animation.frameCount, 4) +
           std::string((const char*)animation.poses, animation.frameCount * sizeof(Pose));
}

// Unsaved work at the end of a run: never over an earlier autosave, without a
// grab that was still under way, and in Documents\Marionette Room when the
// working folder refuses it.
TEST_F(ProgramSession, AutosavesKeepEveryEarlierOneAndWhatThePersonKept)
{
    s.play("start; Tab; add 1; point 0 700 300");
    std::string first = animationFile(s.app->editedAnimation);
    Window* window = &s.app->window;
    window->sessionEnding(window->sessionEndingContext); // as logging off does
    EXPECT_TRUE(s.app->history.modified == 0) << "written";
    EXPECT_FALSE(endRun(s.app)) << "once written, nothing is unsaved";
    s.play("A; move 900 400; wait 1; G; move 960 430; wait 2");
    EXPECT_FALSE(endRun(s.app)) << "nor after a grab that went back";
    s.play("A");
    s.play("point 1 650 320");
    std::string kept = animationFile(s.app->editedAnimation);
    s.play("A; move 900 400; wait 1; G; move 960 430; wait 2");
    ASSERT_NE(animationFile(s.app->editedAnimation), kept) << "the grab moves the points";
    EXPECT_TRUE(endRun(s.app));
    EXPECT_EQ(animationFile(s.app->editedAnimation), kept) << "the grab went back";
    EXPECT_EQ(fileContents("autosave.anim"), first);
    std::string second;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        if (entry.path().filename().string().rfind("autosave-", 0) == 0) second = entry.path().filename();
    EXPECT_EQ(second.size(), strlen("autosave-20261207-164210.anim")) << second;
    EXPECT_EQ(fileContents(second), kept);

    // A working folder that is gone takes no file; a drag still under way counts.
    s.play("hover 2 0 0; down MouseLeft; move 660 330; wait 1");
    std::string documents = std::string(folder) + "/docs";
    setenv("XDG_DOCUMENTS_DIR", documents.c_str(), 1);
    ASSERT_EQ(mkdir("gone", 0700), 0);
    ASSERT_EQ(chdir("gone"), 0);
    ASSERT_EQ(rmdir("../gone"), 0);
    EXPECT_TRUE(endRun(s.app));
    EXPECT_EQ(fileContents(documents + "/Marionette Room/autosave.anim"), animationFile(s.app->editedAnimation));
    s.play("up; point 2 670 340");
    setenv("XDG_DOCUMENTS_DIR", "/nonexistent/docs", 1);
    uint64_t logUsed = globalLog.used;
    EXPECT_FALSE(endRun(s.app)) << "nowhere to write";
    EXPECT_TRUE(logged("Autosave could not write the unsaved edits\n", logUsed));
    // Documents so deep that the folder's path fits but no file name after it.
    std::string deep = std::string(folder) + "/" + std::string(240, 'd') + "/" + std::string(220, 'e');
    std::filesystem::create_directories(deep);
    setenv("XDG_DOCUMENTS_DIR", deep.c_str(), 1);
    EXPECT_FALSE(endRun(s.app)) << "no name fits: nothing written, and none said to be";
    EXPECT_TRUE(std::filesystem::is_empty(deep + "/Marionette Room"));
    unsetenv("XDG_DOCUMENTS_DIR");
    ASSERT_EQ(chdir(folder), 0);

    const OsLocalTime time = {2026, 12, 7, 16, 42, 10};
    char name[64];
    std::string names;
    for (uint32_t attempt = 0; attempt < 4; ++attempt)
        names += (autosaveName(name, sizeof name, "d/", time, attempt) ? name : "(none)") + std::string(" ");
    EXPECT_EQ(names, "d/autosave.anim d/autosave-20261207-164210.anim d/autosave-20261207-164210-2.anim "
                     "d/autosave-20261207-164210-3.anim ");
    // Room for each name and its end, one byte less, and less than its stamp; in memory of exactly that size.
    const uint32_t capacities[][3] = {{13, 0, 0}, {14, 0, 1}, {20, 1, 0}, {24, 1, 0}, {29, 1, 0}, {30, 1, 1},
                                      {31, 2, 0}, {32, 2, 1}};
    for (const auto& c : capacities)
        EXPECT_EQ(autosaveName(std::vector<char>(c[0]).data(), c[0], "", time, c[1]), c[2] != 0) << c[0];
}

// Presses that must change no byte, keys let go out of order, and edits
// carried into game mode, which must end there as letting go would.
TEST_F(ProgramSession, JointPressesArrowsAndModeSwitchesDoWhatThePersonMeant)
{
    s.play("start; Tab; add 1; Down; Down; point 10 700 300");
    const std::string frames = animationFile(s.app->editedAnimation);
    const struct { const char* what; std::string script; uint64_t frame; const char* after; } cases[] = {
        {"Shift-presses 5 beside the hand, the elbow, the shoulder; Control+Shift beside the hand and the other",
         "hover 10 5 0; down Shift; down MouseLeft; up; hover 11 0 5; down Shift; down MouseLeft; up; "
         "hover 12 -4 3; down Shift; down MouseLeft; up; hover 10 3 4; down Control; down Shift; down MouseLeft; up; "
         "hover 18 -3 -4; down Control; down Shift; down MouseLeft; up", 1, "unchanged"},
        {"Shift down, Left down, Shift let go first: the frame moves to place 0",
         "down Shift; down Left; let Shift; up", 0, "moved"},
        {"and Shift+Right back; Shift+Right again, on the last frame, does nothing", "Shift+Right; Shift+Right", 1,
         "unchanged"},
        {"the button held, G, a move, the button let go on box 0: the grab went back on frame 1",
         "A; move 112 700; down MouseLeft; G; move 122 710; wait 1; up; click 137 705; A", 1, "unchanged"},
        {"G, a move, Tab, 200 of travel in the room, Tab, a click: the grab went back at the Tab",
         "A; move 900 400; wait 1; G; move 960 430; wait 2; Tab; move 1160 430; wait 2; Tab; wait 1; click 1160 430; A",
         1, "unchanged"},
        {"B, a box begun, Tab, the button let go in the room, Tab: no box, and a drag over it all selects nothing",
         "B; move 100 100; down MouseLeft; move 1200 700; wait 1; Tab; up; Tab; drag 100 100 1200 700", 1, "unchanged"},
        {"a drag held through Tab, let go in the room: ended there, one step, and the mouse moves nothing after",
         "hover 10 0 0; down MouseLeft; move 600 200; wait 1; Tab; up; Tab; move 800 400; wait 2", 1, "dragged"},
        {"Control+Z takes the drag back", "Control+Z", 1, "unchanged"},
        {"Down during a drag: the arms stay chosen, and the hand lands where let go",
         "hover 10 0 0; down MouseLeft; move 500 300; wait 1; Down; move 600 200; wait 1; up", 1, "dragged"},
        {"Control+Z takes that back", "Control+Z", 1, "unchanged"},
    };
    for (const auto& c : cases)
    {
        s.play(c.script);
        const Animation& animation = s.app->editedAnimation;
        std::string now = animationFile(animation), after = c.after;
        EXPECT_EQ(s.app->frameStrip.selectedFrame, c.frame) << c.what;
        EXPECT_FALSE(poseEditUnderWay(&s.app->poseEditor)) << c.what;
        EXPECT_EQ(s.app->poseEditor.selectionCount, 0u) << c.what;
        std::string swapped = frames.substr(0, 4) + frames.substr(4 + sizeof(Pose)) + frames.substr(4, sizeof(Pose));
        if (after != "dragged")
        {
            EXPECT_EQ(now, after == "moved" ? swapped : frames) << c.what;
            continue;
        }
        Vec2 hand = animation.poses[1].points[10]; // where the button was let go, at zoom 1
        EXPECT_TRUE(hand.x == -40 && hand.y == 150) << c.what << ": " << hand.x << ", " << hand.y;
        EXPECT_EQ(now.substr(0, 4 + sizeof(Pose)), frames.substr(0, 4 + sizeof(Pose))) << c.what;
    }
}

// Deleting frames and undoing gives back every frame's every byte.
TEST_F(ProgramSession, DeletesUndoneGiveBackEveryFrame)
{
    s.play("start; Tab; Control+O; type walk_cycle.anim\r");
    std::string walk = animationFile(s.app->editedAnimation);
    ASSERT_EQ(s.app->editedAnimation.frameCount, 8u);
    s.play("click 157 705 Control; repeat 6 click 117 705 Control");
    ASSERT_EQ(s.app->editedAnimation.frameCount, 1u);
    s.play("repeat 7 Control+Z");
    EXPECT_EQ(animationFile(s.app->editedAnimation), walk);
    EXPECT_EQ(s.app->animationArena.used, 8 * sizeof(Pose)) << "the arena holds the frames and no more";
}

// The onion skin draws the frame before in dim red and the one after in dim
// blue, each where the edited pose would be.
TEST_F(ProgramSession, OnionSkinShowsTheFramesBeforeAndAfter)
{
    s.play("start; Tab; add 2; Left; A; move 900 400; wait 1; G; move 940 420; wait 1; click 940 420; Right; 4");
    ASSERT_EQ(s.app->frameStrip.selectedFrame, 2u);
    std::map<std::string, std::vector<Vec2>> starts;
    for (uint32_t d = 0; d < s.app->lineBatch.drawCount; ++d)
    {
        const Draw* draw = (const Draw*)(s.app->lineBatch.draws.base + d * drawStride);
        const char* colour = memcmp(&draw->color, &onionPreviousColor, sizeof(Color)) == 0 ? "previous"
                             : memcmp(&draw->color, &onionNextColor, sizeof(Color)) == 0   ? "next"
                                                                                           : nullptr;
        if (colour) starts[colour].push_back({draw->points[0], draw->points[1]});
    }
    Pose* poses = s.app->editedAnimation.poses;
    Vec2 head = poses[1].points[0];
    ASSERT_EQ(starts["previous"].size(), 4u) << "four polylines of frame 1";
    EXPECT_EQ(starts["previous"][0].x, 640 + head.x);
    EXPECT_EQ(starts["previous"][0].y, 50 + head.y);
    EXPECT_EQ(starts.count("next"), 0u) << "no frame after the last";
}

// Unreadable data files: the base pose stays zero and each bad animation is
// empty, so the figure is not drawn while it would play one, and the editor
// starts from the zero pose.
TEST_F(ProgramSession, StartsWithBadDataFilesAsEmptyAnimations)
{
    remove("walk_cycle.anim");
    std::ofstream("character.bin", std::ios::binary) << std::string(223, 'x');
    std::ofstream("idle.anim", std::ios::binary) << animationBytes(2, 1, NAN);
    std::ofstream("jump.anim", std::ios::binary) << animationBytes(0xFFFFFFFFu, 1, 0);
    s.step("start-up with a short base pose, a NaN idle, no walk, a lying jump and FreeSans, which has a line gap",
           "start freefont/FreeSans.ttf; wait 1");
    s.step("Right, Space", "Right 20; Space 5");
    s.step("the editor", "Tab");
    s.step("F1: help's lines are spaced by the font's line gap too", "F1");
    expectTranscript(s.transcript.str(), "bad_files_transcript.txt");
}

TEST_F(ProgramSession, AFailedWindowStopsBeforeAnyGLCall)
{
    fakePlatform.failWindowCreation = 1;
    ASSERT_TRUE(startApp(s.app));
    EXPECT_EQ(s.app->window.running, 0);
    EXPECT_TRUE(recordedCalls().empty());
}

// Minimised, a frame reads input and waits for a message: no GL call, no
// swap, no movement. The first frame after a long pause moves by the longest
// step, 0.1 s. A close while minimised quits without waiting.
TEST_F(ProgramSession, AMinimisedWindowRestsAndTheStepAfterItIsHeld)
{
    s.start("");
    s.frame();
    uint32_t swaps = fakePlatform.swaps;
    float x = s.app->character.characterPosition.x;
    fakePlatform.minimised = 1;
    clearRecordedCalls();
    for (int i = 0; i < 3; ++i) s.frame({KeyRight});
    EXPECT_TRUE(recordedCalls().empty());
    EXPECT_EQ(fakePlatform.swaps, swaps);
    EXPECT_EQ(fakePlatform.waits, 3u);
    EXPECT_EQ(s.app->character.characterPosition.x, x);

    s.app->counterFrequency = osCounterFrequency();
    s.app->previousCounter = osCounter() - 5 * s.app->counterFrequency;
    fakePlatform.minimised = 0;
    s.frame({KeyRight});
    EXPECT_EQ(fakePlatform.swaps, swaps + 1);
    EXPECT_EQ(s.app->deltaTime, longestTimeStep);
    EXPECT_NEAR(s.app->character.characterPosition.x, x + 125.0f * longestTimeStep, 1e-3);

    fakePlatform.minimised = 1;
    fakePlatform.quitRequested = 1;
    s.frame();
    EXPECT_EQ(s.app->window.running, 0);
    EXPECT_EQ(fakePlatform.waits, 3u);
}

// A frame that would draw what the window shows submits nothing and swaps
// nothing; a change, an expose, a restore or a second without a frame draws.
TEST_F(ProgramSession, OnlyAChangedPictureOrTheWindowAskingDrawsAFrame)
{
    s.play("start; Tab; wait 2");
    App* app = s.app;
    const struct { const char* name; std::function<void()> before; bool drawn; } cases[] = {
        {"nothing", [] {}, false},
        {"an expose", [] { fakePlatform.exposed = 1; }, true},
        {"a point moved", [&] { s.pose().points[0].x += 1; }, true},
        {"then nothing", [] {}, false},
        {"a resize", [&] { app->window.clientWidth = 1000; }, true},
        {"minimised and restored", [&] { fakePlatform.minimised = 1, s.frame(), fakePlatform.minimised = 0; }, true},
        {"a frame a second after the last", [&] {
             app->counterFrequency = osCounterFrequency();
             app->lastDrawn = osCounter() - app->counterFrequency;
         }, true},
        {"half a second after it", [&] { app->lastDrawn = osCounter() - app->counterFrequency / 2; }, false},
    };
    for (const auto& c : cases)
    {
        c.before();
        clearRecordedCalls();
        uint32_t swaps = fakePlatform.swaps;
        s.frame();
        EXPECT_EQ(fakePlatform.swaps - swaps, c.drawn ? 1u : 0u) << c.name;
        EXPECT_EQ(recordedCalls().empty(), !c.drawn) << c.name;
    }
}

// Start-up does not wait for the export's block: the first export reserves it.
// Each part of start-up notes when it ended, for the start-up benchmark.
TEST_F(ProgramSession, TheExportBlockIsReservedAtTheFirstExport)
{
    s.play("start; wait 1");
    for (uint32_t part = 0; part < StartPartCount; ++part)
        EXPECT_LE(s.app->startCounters[part], s.app->startCounters[part + 1]) << "part " << part;
    EXPECT_EQ(s.app->exportBlock.base, nullptr);
    s.play("Control+E; type w\r");
    EXPECT_NE(s.app->exportBlock.base, nullptr);
    EXPECT_FALSE(fileContents("w.png").empty());
}

// With nothing to draw the loop still rests until the display's next refresh
// is due, rather than spinning through frames. A picture still for stillFrames frames
// waits for input instead, until the next change.
TEST_F(ProgramSession, AFrameLoopAtRestSleepsBetweenFrames)
{
    s.play("start; Tab; wait 2");
    s.app->counterFrequency = osCounterFrequency();
    fakePlatform.refreshHz = 30;
    // A rest that overslept by a quarter interval shortens the next: the pace holds.
    uint64_t interval = osCounterFrequency() / 30, due = osCounter() - interval / 4;
    s.app->frameDue = due;
    s.frame();
    EXPECT_NEAR((double)(s.app->frameDue - due), (double)interval, interval * 0.01);
    fakePlatform.swapMilliseconds = 17; // just over half the interval
    s.pose().points[0].x += 1;
    s.frame();
    EXPECT_LT(s.app->frameDue - s.app->swapStarted, interval * 3 / 4)
        << "a swap that waited for the display is rest enough";
    fakePlatform.swapMilliseconds = 0;
    uint32_t swaps = fakePlatform.swaps, waits = fakePlatform.waits;
    uint64_t began = osCounter();
    for (int i = 0; i < 12; ++i) s.frame();
    double seconds = secondsBetween(began, osCounter(), osCounterFrequency());
    EXPECT_EQ(fakePlatform.swaps, swaps) << "nothing changed";
    EXPECT_GE(seconds, 10 / 30.0) << "at the display's 30 Hz";
    EXPECT_EQ(fakePlatform.waits, waits) << "not yet still";

    s.play("wait 20");
    waits = fakePlatform.waits;
    s.frame();
    EXPECT_EQ(fakePlatform.waits, waits + 1) << "still: waits for input";
    s.pose().points[0].x += 1;
    fakePlatform.refreshHz = 240;
    waits = fakePlatform.waits;
    s.play("wait " + std::to_string(stillFrames)); // the changed frame, then one short of still
    EXPECT_EQ(fakePlatform.waits, waits) << "the frame changed: paced again";
    s.frame();
    EXPECT_EQ(fakePlatform.waits, waits + 1) << "still again";
}

// The address space limited to what the process has and 16 MiB more.
void limitMemory()
{
    long pages = 0;
    FILE* statm = fopen("/proc/self/statm", "r");
    if (!statm || fscanf(statm, "%ld", &pages) != 1) exit(2);
    fclose(statm);
    rlimit limit;
    limit.rlim_cur = limit.rlim_max = (rlim_t)pages * (rlim_t)sysconf(_SC_PAGESIZE) + (16 << 20);
    setrlimit(RLIMIT_AS, &limit);
}

// Forked, so the address-space limit stays with the child.
TEST_F(ProgramSession, StartUpAndExportSayWhenMemoryCannotBeReserved)
{
    EXPECT_EXIT(
        {
            limitMemory();
            exit(!startApp(s.app) && logged("Failed to reserve the main memory block\n") ? 3 : 0);
        },
        testing::ExitedWithCode(3), "");
    EXPECT_EXIT(
        {
            s.play("start; wait 1");
            limitMemory();
            s.play("Control+E; type w\r");
            bool said = logged("Failed to reserve the export memory block; export is off\n");
            exit(said && fileContents("w.png").empty() ? 3 : 0);
        },
        testing::ExitedWithCode(3), "");
}

} // namespace
