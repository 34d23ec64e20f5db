#include "export/sheet_layout.h"
#include <math.h>
#include "character/pose.h"
#include "export/export_look.h"

namespace {

// Points are clamped here before anything else: far beyond any cell, and
// still whole numbers in both float and int.
const float coordinateLimit = 16777216.0f;
const uint64_t smallestCellSide = 2 * cellMargin + 1;

struct Span
{
    int64_t low;
    int64_t high;
};

float clampCoordinate(float value)
{
    return value < -coordinateLimit ? -coordinateLimit : value > coordinateLimit ? coordinateLimit : value;
}

// The union box of every finite point of every frame at the scale, in whole
// pixels; empty at (0, 0) without one.
void boundingBox(const Animation* animation, float scale, Span* x, Span* y)
{
    float minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool found = false;
    for (uint32_t frame = 0; frame < animation->frameCount; ++frame)
    {
        for (const Vec2& point : animation->poses[frame].points)
        {
            if (!isfinite(point.x) || !isfinite(point.y)) continue;
            float px = clampCoordinate(point.x), py = clampCoordinate(point.y);
            minX = found ? fminf(minX, px) : px;
            maxX = found ? fmaxf(maxX, px) : px;
            minY = found ? fminf(minY, py) : py;
            maxY = found ? fmaxf(maxY, py) : py;
            found = true;
        }
    }
    *x = {(int64_t)floorf(minX * scale), (int64_t)ceilf(maxX * scale)};
    *y = {(int64_t)floorf(minY * scale), (int64_t)ceilf(maxY * scale)};
}

// Keeps inner pixels of a longer span: as near to centred on the reference
// point as the points allow, so a stray point far off does not push the figure out.
Span clipSpan(Span span, int64_t inner)
{
    if (span.high - span.low <= inner) return span;
    int64_t low = -(inner / 2);
    if (low < span.low) low = span.low;
    if (low > span.high - inner) low = span.high - inner;
    return {low, low + inner};
}

uint64_t smaller(uint64_t a, uint64_t b)
{
    return a < b ? a : b;
}

// Shrinks the cell, keeping its shape, until cells of it fit in areaLimit
// pixels each; no side below smallestSide.
bool fitCellArea(uint64_t* width, uint64_t* height, uint64_t areaLimit, uint64_t smallestSide)
{
    if (areaLimit < smallestSide * smallestSide) return false;
    if (*width * *height <= areaLimit) return true;
    double scale = sqrt((double)areaLimit / (double)(*width * *height));
    *width = (uint64_t)((double)*width * scale);
    *height = (uint64_t)((double)*height * scale);
    if (*width < smallestSide) *width = smallestSide;
    if (*height < smallestSide) *height = smallestSide;
    while (*width * *height > areaLimit)
    {
        if (*width >= *height) *width -= 1;
        else *height -= 1;
    }
    return true;
}


// Many engines load no texture wider or taller than largestSheetSide. Fewer
// columns make a narrower, taller sheet; the count whose cells lose least
// to that limit wins, and on a tie the one with more columns.
uint32_t chooseColumns(uint32_t frames, uint64_t* width, uint64_t* height)
{
    uint32_t best = 1;
    uint64_t bestWidth = 0, bestHeight = 0;
    for (uint32_t columns = frames < cellsPerRow ? frames : cellsPerRow; columns >= 1; --columns)
    {
        uint32_t rows = (frames + columns - 1) / columns;
        uint64_t w = smaller(*width, largestSheetSide / columns);
        uint64_t h = smaller(*height, largestSheetSide / rows);
        if (w * h <= bestWidth * bestHeight) continue;
        best = columns;
        bestWidth = w;
        bestHeight = h;
    }
    *width = bestWidth;
    *height = bestHeight;
    return best;
}

// Whether cells of width x height fit, some number of columns keeping the
// sheet within largestSheetSide a side and pixelBudget in all, uncut.
bool cellsFitWhole(uint32_t frames, uint64_t width, uint64_t height, uint64_t pixelBudget)
{
    uint64_t fitWidth = width, fitHeight = height;
    uint32_t columns = chooseColumns(frames, &fitWidth, &fitHeight);
    uint64_t rows = (frames + columns - 1) / columns;
    return fitWidth == width && fitHeight == height && width * height * columns * rows <= pixelBudget;
}

// Half the line width and the margin: what a cell adds on each side of the points.
uint64_t cellPadding(uint32_t scale, uint32_t lineWidth)
{
    return ((uint64_t)scale * lineWidth + 1) / 2 + cellMargin;
}

SheetLayout layoutAtScale(const Animation* animation, uint32_t scale, uint32_t lineWidth, uint64_t pixelBudget)
{
    SheetLayout layout = {};
    uint32_t frames = animation->frameCount;
    Span x, y;
    boundingBox(animation, (float)scale, &x, &y);
    uint64_t pad = cellPadding(scale, lineWidth);
    uint64_t width = (uint64_t)(x.high - x.low) + 2 * pad;
    uint64_t height = (uint64_t)(y.high - y.low) + 2 * pad;
    uint32_t columns = chooseColumns(frames, &width, &height);
    uint32_t rows = (frames + columns - 1) / columns;
    // The padding is never cut: a cell too small for more keeps only the point nearest the reference.
    uint64_t smallestSide = 2 * pad > smallestCellSide ? 2 * pad : smallestCellSide;
    if (!fitCellArea(&width, &height, pixelBudget / ((uint64_t)columns * rows), smallestSide)) return layout;
    x = clipSpan(x, width > 2 * pad ? (int64_t)(width - 2 * pad) : 0);
    y = clipSpan(y, height > 2 * pad ? (int64_t)(height - 2 * pad) : 0);

    layout.frameCount = frames;
    layout.cellWidth = (uint32_t)((uint64_t)(x.high - x.low) + 2 * pad);
    layout.cellHeight = (uint32_t)((uint64_t)(y.high - y.low) + 2 * pad);
    layout.columns = columns;
    layout.rows = rows;
    layout.sheetWidth = columns * layout.cellWidth;
    layout.sheetHeight = rows * layout.cellHeight;
    layout.originX = (int32_t)((int64_t)pad - x.low);
    layout.originY = (int32_t)((int64_t)pad - y.low);
    layout.scale = scale;
    layout.lineWidth = scale * lineWidth;
    return layout;
}

} // namespace

SheetLayout layoutSheet(const Animation* animation, uint32_t scale, uint32_t lineWidth, uint64_t pixelBudget)
{
    uint32_t frames = animation->frameCount;
    if (frames == 0 || frames > maxExportFrames) return SheetLayout{};
    for (uint32_t k = exportScaleCount; k-- > 1;)
    {
        uint32_t candidate = exportScales[k];
        if (candidate > scale) continue;
        Span x, y;
        boundingBox(animation, (float)candidate, &x, &y);
        uint64_t pad = cellPadding(candidate, lineWidth);
        if (cellsFitWhole(frames, (uint64_t)(x.high - x.low) + 2 * pad, (uint64_t)(y.high - y.low) + 2 * pad,
                          pixelBudget))
            return layoutAtScale(animation, candidate, lineWidth, pixelBudget);
    }
    return layoutAtScale(animation, 1, lineWidth, pixelBudget);
}

void cellCorner(const SheetLayout* layout, uint32_t frame, uint32_t* x, uint32_t* y)
{
    uint32_t columns = layout->columns ? layout->columns : 1;
    *x = frame % columns * layout->cellWidth;
    *y = frame / columns * layout->cellHeight;
}
