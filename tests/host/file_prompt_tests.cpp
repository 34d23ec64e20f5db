#include <gtest/gtest.h>
#include <unistd.h>
#include <string.h>
#include <algorithm>
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
        EXPECT_EQ(prompt.promptOpen + prompt.saveRequested + prompt.loadRequested + prompt.nameConfirmed, 0);
        EXPECT_EQ(prompt.fileNameLength + prompt.fileName[0], 0u);
    }
};

// What is typed, frame by frame, and the one file the save leaves (none: "").
TEST_F(FilePrompt, SavesUnderTheNameTypedUpToReturn)
{
    const std::string longest(126, 'a');
    const struct { std::vector<std::vector<uint32_t>> frames; std::string saved; } cases[] = {
        {{chars("abcd\b\bxy"), {13}, chars("zz")}, "abxy"},
        {{chars("ab\rcd")}, "ab"},
        {{chars("ab"), {'c', 27}}, ""}, // Escape, pressed in this frame
        {{{13}}, ""},
        {{{'a', 0, 'b', 13}}, ""}, // a NUL would hand the system "a" while "a?b" is shown
        {{{9, 0x1E9, 13}}, "\x09\xE9"}, // control characters belong to the name; the low 8 bits count
        {{std::vector<uint32_t>(32, 'a'), std::vector<uint32_t>(32, 'a'), std::vector<uint32_t>(32, 'a'),
          std::vector<uint32_t>(32, 'a'), {8, 'b', 'c', 13}}, longest.substr(1) + "b"},
    };
    for (const auto& c : cases)
    {
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::current_path(folder);
        openForSave();
        EXPECT_EQ(prompt.fileNameLength + textBatch.drawCount, 0u) << "the opening keystroke adds nothing";
        for (const auto& typed : c.frames)
        {
            bool escape = std::find(typed.begin(), typed.end(), 27u) != typed.end();
            frame(escape ? std::vector<uint32_t>{'c'} : typed, {}, escape);
        }
        expectAllClosed();
        EXPECT_EQ(folderNames(), c.saved.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.saved});
        if (!c.saved.empty()) EXPECT_EQ(fs::file_size(c.saved), 4u + 2 * 224);
    }
}

TEST_F(FilePrompt, ShowsCodePageLettersAsUtf8AndACaretEvenWithoutAFont)
{
    openForSave();
    frame({'h', 0xE9, 'l', 'l', 'o'});
    EXPECT_EQ(shownText(), "h\xC3\xA9llo");
    for (int i = 0; i < 5; ++i) frame(std::vector<uint32_t>(30, 0x80));
    EXPECT_EQ(shownText().size(), 6u + 121 * 3) << "the longest name of three-byte characters";
    font = {};
    frame({});
    const float* caret = ((const Draw*)rectBatch.draws.base)->points;
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
