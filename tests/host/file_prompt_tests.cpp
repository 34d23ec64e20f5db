#include <gtest/gtest.h>
#include <unistd.h>
#include <string.h>
#include <filesystem>
#include <string>
#include <vector>
#include "app/animation_files.h"
#include "app/file_prompt.h"
#include "character/pose.h"
#include "platform/window.h"
#include "render/render_batch.h"
#include "text/font_atlas.h"
#include "text/text_layout.h"

namespace {

namespace fs = std::filesystem;

// Runs the prompt frame by frame in a folder of its own (typed names are
// relative to the working directory), with the program's text and rectangle
// batches and DejaVu Sans at 24 pixels.
class FilePrompt : public ::testing::Test
{
protected:
    std::vector<uint8_t> memory = std::vector<uint8_t>(64 * 1024 + 5 * 1024 * 1024 + 1024 * 1024);
    Arena all = {memory.size(), 0, memory.data()};
    Arena batchArena = subArena(&all, 64 * 1024);
    Arena fontArena = subArena(&all, 5 * 1024 * 1024);
    Arena animationArena = subArena(&all, 1024 * 1024);
    float projection[16] = {};
    RenderBatch textBatch = createRenderBatch(&batchArena, textBatchSize, 0, projection);
    RenderBatch rectBatch = createRenderBatch(&batchArena, rectBatchSize, 0, projection);
    FontAtlas font = {};
    Animation animation = {};
    uint64_t selectedFrame = 0;
    FilePromptState prompt = {};
    Window window = {};
    fs::path folder, previousFolder = fs::current_path();

    void SetUp() override
    {
        const char* dejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
        font = fontAtlasFromArena(fontArena, buildFontAtlas(&fontArena, dejaVu, 24));
        textBatch.font = &font;
        setFrames(2, 100.0f);
        folder = fs::temp_directory_path() /
                 (std::string("marionette_prompt_") + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                  std::to_string(getpid()));
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        fs::create_directories(folder);
        fs::current_path(folder);
    }

    void TearDown() override
    {
        fs::current_path(previousFolder);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    void setFrames(uint32_t count, float first)
    {
        animationArena.used = 0;
        animation.poses = (Pose*)pushBytes(&animationArena, count * sizeof(Pose));
        animation.frameCount = count;
        for (uint32_t i = 0; i < count * 56; ++i) ((float*)animation.poses)[i] = first + (float)i;
    }

    // One frame: the keys held (others Up, Escape as given) and the characters typed.
    void frame(std::vector<uint32_t> typed, std::vector<uint32_t> held = {}, bool escape = false)
    {
        memset(window.keys, Up, sizeof window.keys);
        for (uint32_t key : held) window.keys[key] = Held;
        if (escape) window.keys[KeyEscape] = Pressed;
        window.typedCount = (uint32_t)typed.size();
        for (size_t i = 0; i < typed.size(); ++i) window.typedChars[i] = typed[i];
        resetBatch(&textBatch);
        resetBatch(&rectBatch);
        updateFilePrompt(&prompt, &window, &textBatch, &rectBatch, &font, &animation, &animationArena,
                         &selectedFrame);
    }

    void openForSave() { frame({19}, {KeyControl, keyLetter('S')}); }
    void openForLoad() { frame({15}, {KeyControl, keyLetter('O')}); }
    static std::vector<uint32_t> chars(const std::string& text) { return {text.begin(), text.end()}; }
    std::string typedName() const { return std::string((const char*)prompt.fileName, prompt.fileNameLength); }

    std::string shownText() const
    {
        if (textBatch.drawCount == 0) return "<not drawn>";
        const TextDraw* draw = (const TextDraw*)textBatch.draws.base;
        return std::string((const char*)draw->text.base, draw->length);
    }

    std::vector<std::string> folderNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
        return names;
    }

    void expectAllClosed() const
    {
        EXPECT_EQ(prompt.promptOpen, 0);
        EXPECT_EQ(prompt.saveRequested, 0);
        EXPECT_EQ(prompt.loadRequested, 0);
        EXPECT_EQ(prompt.nameConfirmed, 0);
        EXPECT_EQ(prompt.fileNameLength, 0u);
        EXPECT_EQ(prompt.fileName[0], 0);
    }
};

TEST_F(FilePrompt, WhatIsShownIsTheNameSaved)
{
    openForSave();
    EXPECT_EQ(prompt.promptOpen, 1);
    EXPECT_EQ(prompt.fileNameLength, 0u) << "the opening keystroke adds nothing";
    EXPECT_EQ(textBatch.drawCount, 0u) << "the prompt shows from the next frame";

    frame(chars("abcd\b\bxy"));
    EXPECT_EQ(shownText(), "abxy");
    EXPECT_EQ(rectBatch.drawCount, 1u);
    frame({13});
    EXPECT_EQ(shownText(), "abxy") << "drawn also in the frame Return closes it";
    expectAllClosed();
    EXPECT_EQ(folderNames(), std::vector<std::string>{"abxy"});
    EXPECT_EQ(fs::file_size("abxy"), 4u + 2 * 224);

    frame(chars("zz"));
    EXPECT_EQ(textBatch.drawCount + prompt.fileNameLength, 0u) << "closed: neither drawn nor typed into";
}

TEST_F(FilePrompt, EmptyCutOrMissingNamesDoNothing)
{
    selectedFrame = 1;
    openForLoad();
    frame(chars("missing.anim\r"));
    EXPECT_EQ(selectedFrame, 1u) << "a failed load keeps the selection";
    openForSave();
    frame({13});
    expectAllClosed();
    openForLoad();
    frame({13});
    expectAllClosed();
    // A typed NUL would hand the system the name "a" while "a?b" is shown.
    openForSave();
    frame({'a', 0, 'b', 13});
    expectAllClosed();
    EXPECT_TRUE(folderNames().empty());
    EXPECT_EQ(animation.frameCount, 2u);
    EXPECT_EQ(animationArena.used, 2u * 224);
}

TEST_F(FilePrompt, NameStopsAt126CharactersWhileBackspaceAndReturnWork)
{
    openForSave();
    for (int i = 0; i < 4; ++i) frame(std::vector<uint32_t>(32, 'a'));
    EXPECT_EQ(prompt.fileNameLength, 126u);
    EXPECT_EQ(prompt.fileName[126], 0);
    frame({8, 'b', 'c'});
    EXPECT_EQ(typedName(), std::string(125, 'a') + "b");
    frame({13});
    EXPECT_EQ(folderNames(), std::vector<std::string>{std::string(125, 'a') + "b"});
}

TEST_F(FilePrompt, ReturnDropsTheRestOfTheFrameAndEscapeAllOfIt)
{
    openForSave();
    frame(chars("ab\rcd"));
    expectAllClosed();
    EXPECT_EQ(shownText(), "ab");
    EXPECT_EQ(folderNames(), std::vector<std::string>{"ab"});

    openForSave();
    frame(chars("ab"));
    frame(chars("cd\r"), {}, true);
    expectAllClosed();
    EXPECT_EQ(textBatch.drawCount + rectBatch.drawCount, 0u);
    EXPECT_EQ(folderNames(), std::vector<std::string>{"ab"}) << "Escape came first: nothing saved";
}

TEST_F(FilePrompt, ControlCharactersTypedWhileOpenArePartOfTheName)
{
    openForSave();
    frame({9, 19, 15, 0x1E9});
    EXPECT_EQ(typedName(), std::string("\x09\x13\x0F\xE9")) << "each character gives its low 8 bits";
    EXPECT_EQ(prompt.saveRequested, 1);
    EXPECT_EQ(prompt.loadRequested, 0);
}

TEST_F(FilePrompt, AccentedLettersShowAsThemselves)
{
    // Typed characters are code-page bytes; drawn raw, 0xE9 would read as the
    // lead of a three-byte sequence and swallow the two letters after it.
    openForSave();
    frame({'h', 0xE9, 'l', 'l', 'o'});
    EXPECT_EQ(typedName(), "h\xE9llo");
    EXPECT_EQ(shownText(), "h\xC3\xA9llo");

    // The longest name of three-byte characters still shows converted.
    frame({}, {}, true);
    openForSave();
    for (int i = 0; i < 5; ++i) frame(std::vector<uint32_t>(30, 0x80));
    std::string shown = shownText();
    EXPECT_EQ(shown.size(), 126u * 3);
    EXPECT_EQ(shown.substr(0, 3), "\xE2\x82\xAC");
}

TEST_F(FilePrompt, BothRequestsSaveFirstThenLoadTheSameName)
{
    // The file holds a one-frame animation: a load first would bring it in
    // and then save it back; a save first writes the two frames and loads them.
    setFrames(1, -5.0f);
    ASSERT_TRUE(saveAnimationFile(&animation, "both.anim"));
    setFrames(2, 100.0f);
    std::vector<uint8_t> edited((uint8_t*)animation.poses, (uint8_t*)animation.poses + 2 * sizeof(Pose));
    selectedFrame = 1;

    frame({}, {KeyControl, keyLetter('S'), keyLetter('O')});
    EXPECT_EQ(prompt.saveRequested, 1);
    EXPECT_EQ(prompt.loadRequested, 1);
    frame(chars("both.anim\r"));
    expectAllClosed();
    EXPECT_EQ(fs::file_size("both.anim"), 4u + 2 * 224);
    EXPECT_EQ(animation.frameCount, 2u);
    EXPECT_EQ(std::vector<uint8_t>(animationArena.base, animationArena.base + animationArena.used), edited);
    EXPECT_EQ(selectedFrame, 0u) << "a load selects the first frame";
}

TEST_F(FilePrompt, CaretSpansTheMeasuredText)
{
    ASSERT_NE(font.header, nullptr);
    openForSave();
    frame(chars("Wg"));
    float width = 0, height = 0, depth = 0;
    measureText(&font, prompt.fileName, prompt.fileNameLength, 24, &width, &height, &depth);
    ASSERT_GT(depth, 0.0f) << "g reaches below the baseline";
    ASSERT_EQ(rectBatch.drawCount, 1u);
    const float* caret = ((const Draw*)rectBatch.draws.base)->points;
    EXPECT_FLOAT_EQ(caret[0], 10 + width) << "from the end of the name drawn at (10, 10)";
    EXPECT_FLOAT_EQ(caret[1], 10 - depth) << "from the bottom of the descender";
    EXPECT_FLOAT_EQ(caret[2], 20 + width);
    EXPECT_FLOAT_EQ(caret[3], 10 - depth + height);

    font = {}; // no font: no text, but the caret still shows
    frame({});
    caret = ((const Draw*)rectBatch.draws.base)->points;
    EXPECT_GT(caret[3] - caret[1], 10.0f);
}

TEST_F(FilePrompt, ControlEHandsOnTheNameWithoutItsImageOrListEnding)
{
    const struct { const char* typed; const char* handedOn; } cases[] = {
        {"walk", "walk"},           {"walk.png", "walk"},   {"walk.GIF", "walk"},   {"walk.Json", "walk"},
        {"a.png.gif", "a.png"},     {"walk.anim", "walk.anim"}, {"x\x0Epng", "x\x0Epng"},
        {".png", ""},               {"out/", ""},           {"", ""},
    };
    for (const auto& c : cases)
    {
        frame({}, {KeyControl, keyLetter('E')});
        EXPECT_EQ(prompt.exportRequested, 1);
        frame(chars(std::string(c.typed) + "\r"), {KeyControl, keyLetter('E')});
        expectAllClosed();
        EXPECT_EQ(prompt.exportRequested, 0) << c.typed;
        EXPECT_EQ(std::string((const char*)prompt.exportName, prompt.exportNameLength), c.handedOn) << c.typed;
        EXPECT_EQ(prompt.exportName[prompt.exportNameLength], 0);
        prompt.exportNameLength = 0;
    }
    EXPECT_TRUE(folderNames().empty()) << "the frame loop writes the files, not the prompt";

    openForSave();
    frame({5}, {KeyControl, keyLetter('E')});
    EXPECT_EQ(prompt.exportRequested, 0) << "Control+E does nothing while the prompt is open";
    frame({}, {}, true);
    frame({}, {KeyControl, keyLetter('E')});
    frame({}, {}, true);
    EXPECT_EQ(prompt.exportRequested, 0) << "Escape drops the export";
}

} // namespace
