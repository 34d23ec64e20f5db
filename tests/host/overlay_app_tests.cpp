// The editor's overlays and the help panel in the running program: which
// keys switch them, what the prompt takes away, and that everything fits
// the batches at any window size.
#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include "app/app.h"
#include "fake_platform.h"
#include "platform/os.h"
#include "tests/host/recording_gl.h"
#include "text/text_layout.h"

namespace {

// The program started in an empty folder (so it edits one zero pose), with
// DejaVu Sans standing in for Verdana.
struct OverlayApp : testing::Test
{
    App* app = (App*)calloc(1, sizeof(App));
    char folder[64] = "/tmp/marionette_overlays_XXXXXX";
    char previousFolder[4096] = {};

    void SetUp() override
    {
        resetFakePlatform();
        installRecordingGL();
        ASSERT_NE(mkdtemp(folder), nullptr);
        ASSERT_NE(getcwd(previousFolder, sizeof previousFolder), nullptr);
        ASSERT_EQ(chdir(folder), 0);
        ASSERT_TRUE(startApp(app));
        app->fontArena.used = 0;
        uint32_t built = buildFontAtlas(&app->fontArena, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 24);
        app->font = fontAtlasFromArena(app->fontArena, built);
        ASSERT_NE(app->font.header, nullptr);
    }

    void TearDown() override
    {
        EXPECT_EQ(chdir(previousFolder), 0);
        rmdir(folder);
        osReleaseMemory(app->mainArena.base, app->mainArena.capacity);
        osReleaseMemory(app->fontArena.base, app->fontArena.capacity);
        free(app);
    }

    // A frame with these keys down; keys down last frame and not now read Released.
    void frame(std::initializer_list<uint32_t> down = {}, const char* typed = "")
    {
        uint8_t previous[256];
        memcpy(previous, fakePlatform.keys, sizeof previous);
        for (uint32_t key = 0; key < 256; ++key) fakePlatform.keys[key] = (previous[key] & 1) ? Released : Up;
        for (uint32_t key : down) fakePlatform.keys[key] = (previous[key] & 1) ? Held : Pressed;
        fakeType(typed);
        runFrame(app);
    }

    void tap(uint32_t key)
    {
        frame({key});
        frame();
    }

    bool anyOverflow() const
    {
        return app->lineBatch.overflowed || app->pointBatch.overflowed || app->rectBatch.overflowed ||
               app->textBatch.overflowed || app->commandList.overflowed;
    }

    // Every text starts at a finite place inside the window's first quadrant.
    bool textsPlaced() const
    {
        for (uint32_t d = 0; d < app->textBatch.drawCount; ++d)
        {
            const TextDraw* draw = (const TextDraw*)(app->textBatch.draws.base + d * textDrawStride);
            if (!(isfinite(draw->x) && isfinite(draw->y) && draw->x >= 0.0f && draw->y >= 0.0f)) return false;
        }
        return true;
    }

    const TextDraw* textFromEnd(uint32_t back) const
    {
        return (const TextDraw*)(app->textBatch.draws.base + (app->textBatch.drawCount - back) * textDrawStride);
    }

    static std::string textOf(const TextDraw* draw) { return std::string((const char*)draw->text.base, draw->length); }

    float rightEnd(const TextDraw* draw) const
    {
        float width = 0, height = 0;
        measureText(&app->font, draw->text.base, draw->length, draw->size, &width, &height, nullptr);
        return draw->x + width;
    }
};

TEST_F(OverlayApp, KeysFourSpaceAndF1SwitchTheirViewsButNotWhileANameIsTyped)
{
    struct Step
    {
        uint32_t key;
        const char* typed;
        int32_t onion, preview, help, promptOpen;
    };
    const Step steps[] = {
        {KeySpace, "", 0, 0, 0, 0},             // game mode: Space jumps
        {keyDigit(4), "", 0, 0, 0, 0},          // and 4 is no binding there
        {KeyF1, "", 0, 0, 1, 0},                // help opens in either mode
        {KeyF1, "", 0, 0, 0, 0},
        {KeyTab, "", 0, 0, 0, 0},
        {keyDigit(4), "", 1, 0, 0, 0},          // on release
        {KeySpace, "", 1, 1, 0, 0},
        {KeyF1, "", 1, 1, 1, 0},
        {keyLetter('S'), "", 1, 1, 1, 1},       // with Control: the prompt opens over the help
        {keyDigit(4), "4", 1, 1, 1, 1},
        {KeySpace, " ", 1, 1, 1, 1},
        {KeyF1, "", 1, 1, 1, 1},
        {KeyEscape, "", 1, 1, 1, 0},            // closes the prompt only
        {KeyEscape, "", 1, 1, 0, 0},            // then the help
        {keyDigit(4), "", 0, 1, 0, 0},
        {KeySpace, "", 0, 0, 0, 0},
    };
    frame();
    int i = 0;
    for (const Step& step : steps)
    {
        if (step.key == keyLetter('S')) frame({KeyControl, keyLetter('S')});
        else frame({step.key}, step.typed);
        frame();
        EXPECT_EQ(app->showOnionSkin, step.onion) << "step " << i;
        EXPECT_EQ(app->preview.shown, step.preview) << "step " << i;
        EXPECT_EQ(app->help.open, step.help) << "step " << i;
        EXPECT_EQ(app->prompt.promptOpen, step.promptOpen) << "step " << i;
        ++i;
    }
}

// The heaviest frame: 32 frames, handles everywhere, a whole polyline
// selected, box selection dragging, the prompt open on a long accented name,
// a long name in the status line, every overlay on; at any window size.
TEST_F(OverlayApp, EverythingOnFitsTheBatchesAndPlacesTextOnlyInsideTheWindowAtAnySize)
{
    app->animationArena.used = 0;
    Pose* poses = (Pose*)pushBytes(&app->animationArena, 32 * sizeof(Pose));
    for (uint32_t f = 0; f < 32; ++f)
        for (uint32_t i = 0; i < 28; ++i) poses[f].points[i] = {(float)f - 14.0f + (float)i, 5.0f * (float)i};
    app->editedAnimation = {32, poses};
    app->frameStrip.selectedFrame = 31;
    memset(app->prompt.lastName, 0xE9, 126);
    app->prompt.lastNameLength = 126;
    app->editorMode = 1;
    frame();
    tap(keyDigit(4));
    tap(KeySpace);
    tap(keyDigit(2));
    tap(keyLetter('A'));
    tap(keyLetter('B'));
    fakePlatform.mouseX = 300;
    fakePlatform.mouseY = 300;
    frame({KeyMouseLeft});
    frame({KeyControl, keyLetter('S')});
    std::string name(126, '\xE9');
    frame({KeyMouseLeft}, name.substr(0, 32).c_str());
    for (int k = 1; k < 4; ++k) frame({KeyMouseLeft}, name.substr(32 * k, k == 3 ? 30 : 32).c_str());
    ASSERT_EQ(app->prompt.fileNameLength, 126u);

    struct Size
    {
        int32_t width, height;
    };
    const Size sizes[] = {{1280, 720}, {3840, 2160}, {400, 300}, {0, 0}};
    for (const Size& size : sizes)
    {
        app->window.clientWidth = size.width;
        app->window.clientHeight = size.height;
        for (int32_t help : {0, 1})
        {
            app->help.open = help; // F1 waits while the prompt is open
            frame({KeyMouseLeft});
            EXPECT_FALSE(anyOverflow()) << size.width << "x" << size.height << " help " << help;
            EXPECT_TRUE(textsPlaced()) << size.width << "x" << size.height << " help " << help;
            bool labelled = false;
            for (uint32_t back = 1; back <= app->textBatch.drawCount; ++back)
                labelled |= textOf(textFromEnd(back)) == "arms";
            EXPECT_EQ(labelled, !help && size.height >= 300) << "the labels, left out behind the help";
            if (help && size.width >= 400)
            {
                // The panel's title and two columns are the last texts, over every other, and its
                // background the last rectangle, holding them, the actions right of the keys.
                const TextDraw *title = textFromEnd(3), *keys = textFromEnd(2), *actions = textFromEnd(1);
                EXPECT_EQ(textOf(title).rfind("Editor keys", 0), 0u) << size.width;
                EXPECT_GT(actions->x, rightEnd(keys));
                const uint8_t* lastRect = app->rectBatch.draws.base + (app->rectBatch.drawCount - 1) * drawStride;
                const Draw* panel = (const Draw*)lastRect;
                EXPECT_LT(panel->points[0], title->x);
                EXPECT_GT(panel->points[2], rightEnd(actions));
                EXPECT_GT(panel->points[2], rightEnd(title));
                EXPECT_EQ(app->pointBatch.drawCount, 0u) << "no square shows through the panel";
            }
        }
    }
}

TEST_F(OverlayApp, ThePromptSaysWhatReturnDoesAndTheStatusKeepsTheLastNameThatWorked)
{
    struct Step
    {
        char shortcut;
        const char* name;
        const char* label;
        const char* lastName;
    };
    const Step steps[] = {
        {'S', "first.anim", "Return saves as:", "first.anim"},
        {'O', "missing.anim", "Return loads:", "first.anim"},
        {'S', "no/such/folder.anim", "Return saves as:", "first.anim"},
        {'S', "second.anim", "Return saves as:", "second.anim"},
        {'O', "first.anim", "Return loads:", "first.anim"},
    };
    for (const Step& step : steps)
    {
        frame({KeyControl, keyLetter(step.shortcut)});
        frame({}, step.name);
        // The label lies right above the name, at the bottom left.
        const TextDraw* label = (const TextDraw*)(app->textBatch.draws.base + textDrawStride);
        EXPECT_EQ(std::string((const char*)label->text.base, label->length), step.label);
        EXPECT_EQ(label->x, 10.0f);
        EXPECT_GT(label->y, 30.0f);
        frame({}, "\r");
        EXPECT_EQ(std::string((const char*)app->prompt.lastName, app->prompt.lastNameLength), step.lastName);
    }
    for (const char* name : {"first.anim", "second.anim"}) remove(name);
}

} // namespace
