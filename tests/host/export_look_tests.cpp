// The settings text: what is ours and readable is taken, the rest is the default.
#include <gtest/gtest.h>
#include <string>
#include <stdlib.h>
#include <sys/stat.h>
#include "app/edit_keys.h"
#include "app/settings.h"
#include "export/export_look.h"
#include "fake_platform.h"

namespace {

std::string lookOf(const std::string& text)
{
    ExportLook look = parseSettings(text.data(), text.size());
    return std::to_string(look.scale) + " " + std::to_string(look.width) + " " + lineColourName(&look);
}

TEST(ExportLook, SettingsGiveTheDefaultsForWhatCannotBeRead)
{
    const struct { const char* what; std::string text; const char* look; } cases[] = {
        {"good", "[export]\nscale=8\nwidth=10\nlines=black\n", "8 10 black"},
        {"Windows line ends, no last line end", "[export]\r\nscale=1\r\nwidth=1\r\nlines=black", "1 1 black"},
        {"cut short in a line", "[export]\nscale=6\nwid", "6 4 white"},
        {"cut short in a value", "[export]\nscale=", "2 4 white"},
        {"empty", "", "2 4 white"},
        {"out of range", "[export]\nscale=5\nwidth=13\nlines=red\n", "2 4 white"},
        {"0, -3, huge, spaced, past 9", "[export]\nscale=0\nwidth=-3\nscale=99999\nwidth= 5\nwidth=00005\nwidth=:\n", "2 4 white"},
        {"foreign: no heading of ours", "scale=3\nwidth=6\n", "2 4 white"},
        {"foreign: another section's keys, after an empty line", "\n[window]\nscale=3\n[export]\nwidth=6\n", "2 6 white"},
        {"binary", std::string("\x89PNG\r\n\x1a\n\0\0[export]\0scale=3", 26), "2 4 white"},
    };
    for (const auto& c : cases) EXPECT_EQ(lookOf(c.text), c.look) << c.what;

    char text[128];
    uint32_t length = formatSettings(&defaultExportLook, text, sizeof text);
    EXPECT_EQ(formatSettings(&defaultExportLook, text, length), 0u) << "no room for the end: nothing";

    // Keys past either end of a setting change nothing.
    ExportLook look = {8, 12, 0};
    EXPECT_FALSE(stepExportScale(&look, +1) || stepLineWidth(&look, +1));
    look = {1, 1, 0};
    EXPECT_FALSE(stepExportScale(&look, -1) || stepLineWidth(&look, -1));

    // Page Up acts in the editor alone, with the prompt closed and no Control held (AltGr is Control+Alt).
    const struct { bool prompt, editor; uint32_t held[2]; bool changed; } keys[] = {
        {false, true, {}, true}, {true, true, {}, false}, {false, false, {}, false},
        {false, true, {KeyControl}, false}, {false, true, {KeyControl, KeyAlt}, true}};
    for (const auto& k : keys)
    {
        Window window = {};
        window.keys[KeyPageUp] = Pressed;
        for (uint32_t key : k.held) window.keys[key] = Held;
        look = defaultExportLook;
        EXPECT_EQ(runLookKeys(&look, &window, k.prompt, k.editor), k.changed) << k.prompt << k.editor << k.held[0];
    }
}

// Reading at start makes no folder; the first change saved makes it, and the
// next run reads the look back.
TEST(ExportLook, SettingsFolderIsMadeOnlyBySaving)
{
    TempFolder config;
    std::string previous = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
    setenv("XDG_CONFIG_HOME", config.path, 1);
    std::string folder = std::string(config.path) + "/marionette-room";
    struct stat info;
    ExportLook loaded = loadSettings();
    EXPECT_TRUE(loaded.scale == defaultExportLook.scale && loaded.width == defaultExportLook.width);
    EXPECT_NE(stat(folder.c_str(), &info), 0) << "a read made the folder";
    ExportLook look = {6, 9, 1};
    EXPECT_TRUE(saveSettings(&look));
    long files = openFileCount();
    loaded = loadSettings();
    EXPECT_EQ(openFileCount(), files) << "the settings file is closed";
    EXPECT_TRUE(loaded.scale == 6 && loaded.width == 9 && loaded.black == 1);
    setenv("XDG_CONFIG_HOME", previous.c_str(), 1);
}

} // namespace
