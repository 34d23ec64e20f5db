#include "app/app.h"
#include "app/animation_files.h"
#include "app/autosave.h"
#include "app/file_reading.h"
#include "app/frame_pacing.h"
#include "app/scenery.h"
#include "app/settings.h"
#include "character/frame_edits.h"
#include "platform/gl_functions.h"
#include "platform/log.h"
#include "platform/os.h"
#include "render/frame_submission.h"
#include "render/shader_program.h"
#include "render/thick_lines.h"
#include <string.h>

// How long the status line shows the export look after a change.
static const float lookShownSeconds = 2.0f;
// A minimised window still wakes this often, in case no message comes.
static const uint32_t minimisedWaitMilliseconds = 250;
static const uint32_t framesBetweenRefreshReads = 64;

static Arena reserveArena(uint64_t size)
{
    Arena arena = {};
    arena.base = (uint8_t*)osReserveMemory(size);
    if (arena.base) arena.capacity = size;
    return arena;
}

static void createBatches(App* app)
{
    float* projection = app->screenToNormalized;
    app->lineBatch = createRenderBatch(&app->mainArena, lineBatchSize, app->colorProgram, projection);
    app->pointBatch = createRenderBatch(&app->mainArena, pointBatchSize, app->colorProgram, projection);
    app->rectBatch = createRenderBatch(&app->mainArena, rectBatchSize, app->colorProgram, projection);
    app->textBatch = createRenderBatch(&app->mainArena, textBatchSize, app->textProgram, projection);
    app->thickLineBatch = createRenderBatch(&app->mainArena, thickLineBatchSize, app->thickLineProgram, projection);
}

static uint32_t buildProgram(int vertexSource, int fragmentSource)
{
    return createShaderProgram(shaderSources[vertexSource], shaderSources[fragmentSource]).program;
}

static void setFixedGLState(App* app)
{
    gl.glGenVertexArrays(1, &app->vertexArray);
    gl.glBindVertexArray(app->vertexArray);
    gl.glEnable(GL_BLEND);
    gl.glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

static void startEditedAnimation(App* app)
{
    app->animationArena = subArena(&app->mainArena, animationArenaSize);
    Pose* first = (Pose*)pushBytes(&app->animationArena, sizeof(Pose));
    if (first) memcpy(first, &app->basePose, sizeof(Pose));
    app->editedAnimation.frameCount = first ? 1 : 0;
    app->editedAnimation.poses = first ? first : (Pose*)app->animationArena.base;
}

static void endRunWhenSessionEnds(void* app)
{
    endRun((App*)app);
}

static void finishPart(App* app, StartPart part)
{
    app->startCounters[part + 1] = osCounter();
}

static void bakeFont(void* record)
{
    App* app = (App*)record;
    app->fontBytes = buildFontAtlas(&app->fontArena, app->fontPath, 24);
}

// The font is found on this thread: fontconfig reads numbers through the
// locale, which the X window's input method sets.
static bool findFont(App* app)
{
    app->fontPath = systemFontPath();
    app->fontArena = reserveArena(fontArenaSize);
    if (app->fontArena.base) return true;
    logString("Failed to reserve the font memory block\n");
    return false;
}

// The atlas is baked on a thread of its own while the shader programs are
// built. Started before the window instead, it takes a core from the
// window's making, which needs the Wine and X servers running beside it.
static void startFontBake(App* app)
{
    app->fontBaking.work = bakeFont;
    app->fontBaking.context = app;
    osStartThread(&app->fontBaking);
}

static void finishFont(App* app)
{
    osJoinThread(&app->fontBaking);
    app->font = fontAtlasFromArena(app->fontArena, app->fontBytes);
    app->textBatch.font = &app->font;
}

static void readDataFiles(App* app)
{
    readBasePose(&app->basePose, "character.bin");
    app->idleAnimation = loadAnimation(&app->mainArena, "idle.anim");
    app->walkAnimation = loadAnimation(&app->mainArena, "walk_cycle.anim");
    app->jumpAnimation = loadAnimation(&app->mainArena, "jump.anim");
}

// Only what the first frame needs.
bool startApp(App* app)
{
    app->startCounters[0] = osCounter();
    app->mainArena = reserveArena(mainArenaSize);
    if (!app->mainArena.base)
    {
        logString("Failed to reserve the main memory block\n");
        return false;
    }
    if (!findFont(app)) return false;
    finishPart(app, StartMemory);

    createWindow(&app->window, "Marionette Room", 1280, 720, centredPosition, centredPosition);
    // Nothing below may run without a GL context.
    if (!app->window.running) return true;
    startFontBake(app);
    finishPart(app, StartWindow);

    computeScreenToNormalized(app->screenToNormalized, app->window.clientWidth, app->window.clientHeight);
    app->commandList.commands = subArena(&app->mainArena, commandRegionSize);
    app->commandList.scratch = subArena(&app->mainArena, commandRegionSize);
    app->shownFrame.bytes = subArena(&app->mainArena, shownFrameBytes);
    app->colorProgram = buildProgram(colorVertexShader, colorFragmentShader);
    app->textProgram = buildProgram(textVertexShader, textFragmentShader);
    app->thickLineProgram = buildThickLineProgram();
    createBatches(app);
    setFixedGLState(app);
    finishPart(app, StartPrograms);

    finishFont(app);
    finishPart(app, StartFont);

    app->sceneryArena = subArena(&app->mainArena, sceneryArenaSize);
    buildScenery(&app->sceneryArena);
    readDataFiles(app);
    startEditedAnimation(app);
    startEditHistory(&app->history, &app->mainArena, editHistorySlots, &app->editedAnimation, 0);
    app->counterFrequency = osCounterFrequency();
    initCharacter(&app->character, app->idleAnimation);
    app->poseEditor = initialPoseEditorState();
    app->window.sessionEnding = endRunWhenSessionEnds;
    app->window.sessionEndingContext = app;
    app->look = loadSettings();
    describeExportLook(&app->look, app->prompt.exportLook, sizeof app->prompt.exportLook);
    finishPart(app, StartFiles);
    return true;
}

// Once written, the edits count as saved, so that a second end (the
// session's, then the closed window's) writes nothing more.
bool endRun(App* app)
{
    if (app->editedAnimation.frameCount != 0)
        putGrabBack(&app->poseEditor, app->editedAnimation.poses + app->frameStrip.selectedFrame);
    recordEditHistory(&app->history, &app->editedAnimation, app->frameStrip.selectedFrame, false);
    if (!editHistoryModified(&app->history) || !writeAutosave(&app->editedAnimation, osLocalTime())) return false;
    markEditHistorySaved(&app->history, &app->editedAnimation);
    return true;
}

static void measureTimeStep(App* app)
{
    uint64_t now = osCounter();
    app->deltaTime = timeStepBetween(app->previousCounter, now, app->counterFrequency);
    app->previousCounter = now;
}

// A minimised window shows nothing, so nothing is drawn or swapped (a swap
// there returns at once and the loop would spin); the loop sleeps until a
// message comes, such as the restore or a close.
static bool restWhileMinimised(App* app)
{
    if (!windowMinimised(&app->window)) return false;
    app->window.redraw = 1;
    if (app->window.running) waitForWindowMessages(&app->window, minimisedWaitMilliseconds);
    return true;
}

// The window may move to another display, or the display change its mode;
// reading the rate costs too much to do every frame.
static void readRefreshRate(App* app)
{
    if (app->framesToRefreshRead > 0)
    {
        --app->framesToRefreshRead;
        return;
    }
    app->refreshHz = displayRefreshRate(&app->window);
    app->framesToRefreshRead = framesBetweenRefreshReads - 1;
}

// A swap that does not wait for the display (synchronisation turned off, some
// remote desktops, Wine on an X server without it) lets the loop take a whole
// core; a frame that finished early rests until the next refresh is due. The
// frame counts from when it was due rather than from when the last rest
// ended, so a rest that overslept shortens the next one and the pace holds.
// A frame that swapped nothing rests the same way, and once the picture has
// stood still for a while the loop waits for input instead: under Wine each
// wake-up costs about half a millisecond. Without a counter there is nothing
// to pace by.
static void restUntilRefresh(App* app, bool swapped)
{
    uint64_t frequency = app->counterFrequency;
    if (frequency == 0) return;
    if (app->unchangedFrames >= stillFrames)
    {
        app->frameDue = 0;
        waitForWindowMessages(&app->window, stillWaitMilliseconds);
        return;
    }
    readRefreshRate(app);
    uint64_t now = osCounter();
    double interval = refreshInterval(app->refreshHz);
    bool waited = swapped && swapWaitedForDisplay(secondsBetween(app->swapStarted, now, frequency), interval);
    uint64_t began = app->frameDue != 0 ? app->frameDue : app->previousCounter;
    double rest = restAfterFrame(secondsBetween(began, now, frequency), interval, waited);
    app->frameDue = now + (uint64_t)(rest * (double)frequency);
    osSleep(rest);
}

static void resetFrame(App* app)
{
    resetBatch(&app->lineBatch);
    resetBatch(&app->pointBatch);
    resetBatch(&app->rectBatch);
    resetBatch(&app->textBatch);
    resetBatch(&app->thickLineBatch);
    resetCommandList(&app->commandList);
    pushClear(&app->commandList, colorBlack);
}

static void followWindowSize(App* app)
{
    Window* window = &app->window;
    if (!window->resized) return;
    pushViewport(&app->commandList, 0.0f, 0.0f, (float)window->clientWidth, (float)window->clientHeight);
    computeScreenToNormalized(app->screenToNormalized, window->clientWidth, window->clientHeight);
}

// Start-up does not wait for the export's block: the first export reserves it.
static bool exporterReady(App* app)
{
    if (app->exportBlock.base) return true;
    app->exportBlock = reserveArena(spriteExporterSize());
    if (!app->exportBlock.base)
    {
        logString("Failed to reserve the export memory block; export is off\n");
        return false;
    }
    startSpriteExporter(&app->exporter, &app->exportBlock, app->thickLineProgram);
    return true;
}

// An export confirmed in the prompt this frame; it draws offscreen and
// leaves the window's framebuffer and viewport as they were.
static void runWaitingExport(App* app)
{
    FilePromptState* prompt = &app->prompt;
    if (prompt->exportNameLength == 0) return;
    if (exporterReady(app))
        exportAnimation(&app->exporter, &app->editedAnimation, &app->look, (const char*)prompt->exportName,
                        app->window.clientWidth, app->window.clientHeight);
    prompt->exportNameLength = 0;
}

// A changed look is saved at once, so that it survives however the run ends.
static void changeLook(App* app, int32_t promptWasOpen)
{
    if (app->lookShownFor > 0) app->lookShownFor -= app->deltaTime;
    if (!runLookKeys(&app->look, &app->window, promptWasOpen, app->editorMode)) return;
    describeExportLook(&app->look, app->prompt.exportLook, sizeof app->prompt.exportLook);
    app->lookShownFor = lookShownSeconds;
    saveSettings(&app->look);
}

// The editor's view toggles. Like every binding added to the editor they
// wait while a name is typed, so typing a name never switches a view.
static void toggleEditorViews(App* app, int32_t promptWasOpen)
{
    if (!app->editorMode || promptWasOpen) return;
    if (wasReleased(&app->window, keyDigit(4))) app->showOnionSkin = !app->showOnionSkin;
    if (wasPressed(&app->window, KeySpace)) app->preview.shown = !app->preview.shown;
}

static void runMode(App* app)
{
    if (app->editorMode)
    {
        // The strip and the pose editor need a frame to work on.
        if (app->editedAnimation.frameCount == 0) return;
        updateFrameStrip(&app->frameStrip, &app->poseEditor, &app->window, &app->lineBatch, &app->pointBatch,
                         &app->rectBatch, &app->editedAnimation, &app->animationArena,
                         app->showOnionSkin && !app->help.open);
        return;
    }
    drawScenery(&app->sceneryArena, &app->lineBatch);
    updateCharacter(&app->character, &app->window, &app->lineBatch, app->idleAnimation, app->walkAnimation,
                    app->jumpAnimation, &app->editedAnimation, app->deltaTime);
}

// Drawn after the strip and the pose editor, so the preview shows this
// frame's edits, a drag included.
static void drawEditorOverlays(App* app)
{
    Animation* animation = &app->editedAnimation;
    if (animation->frameCount == 0) return;
    float width = (float)app->window.clientWidth;
    float height = (float)app->window.clientHeight;
    if (app->preview.shown)
    {
        advancePreview(&app->preview, animation->frameCount, app->deltaTime);
        float inset[4];
        if (previewInset(inset, width, height, frameStripRight(animation->frameCount)))
            drawPreview(&app->preview, animation, inset, &app->look, &app->lineBatch, &app->rectBatch,
                        &app->thickLineBatch);
    }
    drawPolylineLabels(&app->textBatch, height);
    StatusFacts facts = {};
    facts.selectedFrame = app->frameStrip.selectedFrame;
    facts.frameCount = animation->frameCount;
    facts.polyline = app->poseEditor.selectedPolyline;
    facts.selectedPoints = app->poseEditor.selectionCount;
    facts.zoom = app->poseEditor.zoom;
    facts.name = app->prompt.lastName;
    facts.nameLength = app->prompt.lastNameLength;
    if (app->lookShownFor > 0)
    {
        facts.look = app->prompt.exportLook;
        facts.lookLength = (uint32_t)strlen(app->prompt.exportLook);
    }
    drawStatusLine(&app->statusLine, &app->textBatch, &app->font, width, &facts,
                   editHistoryModified(&app->history));
}

// The help panel goes last so that nothing covers it. While it is open the
// scene's lines and squares, which would show through it, are left out, and
// so are the overlays: the panel stands for the whole view.
static void drawOverlays(App* app)
{
    float width = (float)app->window.clientWidth;
    float height = (float)app->window.clientHeight;
    if (!app->help.open)
    {
        if (app->editorMode) drawEditorOverlays(app);
        else drawGameHint(&app->help, &app->textBatch, &app->font, width, height);
        return;
    }
    resetBatch(&app->lineBatch);
    resetBatch(&app->pointBatch);
    drawHelpPanel(&app->help, app->editorMode, &app->rectBatch, &app->lineBatch, &app->textBatch, &app->font, width,
                  height);
}

static void queueBatches(App* app)
{
    pushDrawBatch(&app->commandList, &app->rectBatch);
    pushDrawBatch(&app->commandList, &app->lineBatch);
    pushDrawBatch(&app->commandList, &app->thickLineBatch);
    pushDrawBatch(&app->commandList, &app->pointBatch);
    pushDrawBatch(&app->commandList, &app->textBatch);
}

// Nothing of the editor's stays under way in game mode, where no release
// or right click could end it.
static void switchMode(App* app)
{
    if (app->editedAnimation.frameCount != 0)
        endPoseEdit(&app->poseEditor, app->editedAnimation.poses + app->frameStrip.selectedFrame);
    app->editorMode = !app->editorMode;
}

// A frame whose commands and batches are those of the picture on screen
// would only draw it again: it is neither submitted nor swapped. The bytes
// are compared, not a hash, so that no change can pass for none.
static bool drawWhenChanged(App* app)
{
    bool changed = !sameAsShownFrame(&app->commandList, &app->shownFrame);
    if (changed || app->window.redraw)
        app->unchangedFrames = 0;
    else if (app->unchangedFrames < stillFrames)
        ++app->unchangedFrames;
    double sinceDrawn = secondsBetween(app->lastDrawn, osCounter(), app->counterFrequency);
    if (!frameToDraw(changed, app->window.redraw != 0, sinceDrawn)) return false;
    submitFrame(&app->commandList);
    app->swapStarted = osCounter();
    swapWindowBuffers(&app->window);
    app->window.redraw = 0;
    app->lastDrawn = app->swapStarted;
    return true;
}

void runFrame(App* app)
{
    measureTimeStep(app);
    resetFrame(app);
    pollInput(&app->window);
    if (app->window.quitRequested) app->window.running = 0;
    if (restWhileMinimised(app)) return;
    followWindowSize(app);
    if (wasReleased(&app->window, KeyTab)) switchMode(app);
    // Escape and the new keys belong to the prompt while it is open, even in
    // the frame in which the prompt closes.
    int32_t promptWasOpen = app->prompt.promptOpen;
    EditTarget edits = {&app->editedAnimation, &app->animationArena, &app->frameStrip, &app->poseEditor};
    runEditKeys(&app->history, &app->window, promptWasOpen, app->editorMode, edits);
    if (app->editorMode && !promptWasOpen && !poseEditUnderWay(&app->poseEditor))
        runFrameEditKeys(&app->frameStrip, &app->window, &app->editedAnimation);
    app->poseEditor.jointDragsWait = promptWasOpen;
    updateFilePrompt(&app->prompt, &app->window, &app->textBatch, &app->rectBatch, &app->font,
                     &app->editedAnimation, &app->animationArena, &app->frameStrip.selectedFrame, &app->poseEditor);
    if (app->prompt.savedOrLoaded) markEditHistorySaved(&app->history, &app->editedAnimation);
    runWaitingExport(app);
    toggleEditorViews(app, promptWasOpen);
    changeLook(app, promptWasOpen);
    updateHelpPanel(&app->help, &app->window, promptWasOpen);
    runMode(app);
    recordEditHistory(&app->history, &app->editedAnimation, app->frameStrip.selectedFrame,
                      poseEditUnderWay(&app->poseEditor));
    drawOverlays(app);
    queueBatches(app);
    restUntilRefresh(app, drawWhenChanged(app));
}
