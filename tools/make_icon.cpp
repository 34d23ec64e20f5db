// Writes the program's icon: a white stick figure hanging from a marionette's
// control bar on a dark rounded square, at 16, 32, 48 and 256 pixels, as one
// .ico file (32-bit images with alpha, stored as plain DIBs).
//
// Shapes are given in a unit square (y down) and drawn with analytic coverage.
// Only +, -, *, / and sqrt (exactly rounded by IEEE 754) are used, so the
// bytes do not depend on the maths library.
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace {

struct Point
{
    float x, y;
};

struct Rgba
{
    float r, g, b, a;
};

const Rgba background = {0.12f, 0.14f, 0.19f, 1.0f};
const Rgba figureColour = {1.0f, 1.0f, 1.0f, 1.0f};
const Rgba barColour = {0.95f, 0.75f, 0.25f, 1.0f};
const Rgba stringColour = {0.75f, 0.75f, 0.75f, 1.0f};

const Point head = {0.50f, 0.34f};
const float headRadius = 0.085f;
const Point spine[] = {{0.50f, 0.42f}, {0.50f, 0.66f}};
const Point arms[] = {{0.29f, 0.40f}, {0.36f, 0.55f}, {0.50f, 0.48f}, {0.64f, 0.55f}, {0.71f, 0.40f}};
const Point leftLeg[] = {{0.50f, 0.66f}, {0.41f, 0.77f}, {0.36f, 0.90f}};
const Point rightLeg[] = {{0.50f, 0.66f}, {0.62f, 0.75f}, {0.64f, 0.90f}};
const Point bar[] = {{0.27f, 0.11f}, {0.73f, 0.11f}};
const Point strings[][2] = {{{0.29f, 0.11f}, {0.29f, 0.40f}},
                            {{0.71f, 0.11f}, {0.71f, 0.40f}},
                            {{0.50f, 0.11f}, {0.50f, 0.26f}}};

const int sizes[] = {16, 32, 48, 256};
const int imageCount = 4;
const int maxSize = 256;

float clamp01(float value) { return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value); }

float segmentDistance(Point p, Point a, Point b)
{
    float abx = b.x - a.x, aby = b.y - a.y;
    float apx = p.x - a.x, apy = p.y - a.y;
    float lengthSquared = abx * abx + aby * aby;
    float t = lengthSquared > 0.0f ? clamp01((apx * abx + apy * aby) / lengthSquared) : 0.0f;
    float dx = apx - abx * t, dy = apy - aby * t;
    return sqrtf(dx * dx + dy * dy);
}

float polylineDistance(Point p, const Point* points, int count)
{
    float nearest = segmentDistance(p, points[0], points[1]);
    for (int i = 1; i + 1 < count; ++i)
    {
        float distance = segmentDistance(p, points[i], points[i + 1]);
        if (distance < nearest) nearest = distance;
    }
    return nearest;
}

// Inside a square inset by margin with corners of the given radius: the
// signed distance (negative inside).
float roundedSquareDistance(Point p, float margin, float radius)
{
    float lo = margin + radius, hi = 1.0f - margin - radius;
    float qx = p.x < lo ? lo - p.x : (p.x > hi ? p.x - hi : 0.0f);
    float qy = p.y < lo ? lo - p.y : (p.y > hi ? p.y - hi : 0.0f);
    return sqrtf(qx * qx + qy * qy) - radius;
}

// Coverage of a pixel by a shape whose edge is distanceInPixels away.
float coverage(float distanceInPixels) { return clamp01(0.5f - distanceInPixels); }

Rgba over(Rgba below, Rgba colour, float amount)
{
    float a = colour.a * amount;
    float outA = a + below.a * (1.0f - a);
    if (outA <= 0.0f) return {0.0f, 0.0f, 0.0f, 0.0f};
    float keep = below.a * (1.0f - a);
    return {(colour.r * a + below.r * keep) / outA, (colour.g * a + below.g * keep) / outA,
            (colour.b * a + below.b * keep) / outA, outA};
}

Rgba shade(Point p, int size)
{
    float pixels = (float)size;
    // Strokes keep at least about 1.6 px so the small images stay legible.
    float stroke = 0.07f * pixels < 1.6f ? 1.6f : 0.07f * pixels;
    Rgba colour = {0.0f, 0.0f, 0.0f, 0.0f};
    colour = over(colour, background, coverage(roundedSquareDistance(p, 0.02f, 0.18f) * pixels));
    if (size >= 32)
    {
        float thread = 0.012f * pixels < 1.0f ? 1.0f : 0.012f * pixels;
        for (const auto& line : strings)
            colour = over(colour, stringColour, coverage(polylineDistance(p, line, 2) * pixels - thread / 2.0f));
    }
    colour = over(colour, barColour, coverage(polylineDistance(p, bar, 2) * pixels - stroke / 2.0f));

    float figure = segmentDistance(p, head, head) - headRadius;
    float limbs = polylineDistance(p, spine, 2);
    float distance = polylineDistance(p, arms, 5);
    if (distance < limbs) limbs = distance;
    distance = polylineDistance(p, leftLeg, 3);
    if (distance < limbs) limbs = distance;
    distance = polylineDistance(p, rightLeg, 3);
    if (distance < limbs) limbs = distance;
    float figurePixels = figure * pixels;
    float limbPixels = limbs * pixels - stroke / 2.0f;
    return over(colour, figureColour, coverage(figurePixels < limbPixels ? figurePixels : limbPixels));
}

uint8_t toByte(float value) { return (uint8_t)(clamp01(value) * 255.0f + 0.5f); }

void store16(uint8_t* out, uint32_t value)
{
    out[0] = (uint8_t)value;
    out[1] = (uint8_t)(value >> 8);
}

void store32(uint8_t* out, uint32_t value)
{
    for (int i = 0; i < 4; ++i) out[i] = (uint8_t)(value >> (8 * i));
}

uint32_t maskRowBytes(int size) { return (uint32_t)((size + 31) / 32 * 4); }

uint32_t imageBytes(int size) { return 40 + (uint32_t)(size * size * 4) + maskRowBytes(size) * (uint32_t)size; }

// A BITMAPINFOHEADER of double height (colour then mask), the BGRA rows
// bottom-up, then the 1-bit mask rows (set where fully transparent).
uint32_t writeImage(uint8_t* out, int size)
{
    memset(out, 0, imageBytes(size));
    store32(out, 40);
    store32(out + 4, (uint32_t)size);
    store32(out + 8, (uint32_t)(size * 2));
    store16(out + 12, 1);
    store16(out + 14, 32);
    store32(out + 20, imageBytes(size) - 40);
    uint8_t* pixels = out + 40;
    uint8_t* mask = pixels + size * size * 4;
    for (int row = 0; row < size; ++row)
        for (int x = 0; x < size; ++x)
        {
            int y = size - 1 - row;
            Rgba colour = shade({((float)x + 0.5f) / (float)size, ((float)y + 0.5f) / (float)size}, size);
            uint8_t* pixel = pixels + (row * size + x) * 4;
            pixel[0] = toByte(colour.b);
            pixel[1] = toByte(colour.g);
            pixel[2] = toByte(colour.r);
            pixel[3] = toByte(colour.a);
            if (pixel[3] == 0) mask[row * maskRowBytes(size) + x / 8] |= (uint8_t)(0x80 >> (x % 8));
        }
    return imageBytes(size);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        fprintf(stderr, "usage: make_icon <output .ico>\n");
        return 2;
    }
    static uint8_t bytes[6 + 16 * imageCount + imageCount * (40 + maxSize * maxSize * 4 + maxSize * maxSize / 8)];
    store16(bytes + 2, 1);
    store16(bytes + 4, imageCount);
    uint32_t offset = 6 + 16 * imageCount;
    for (int i = 0; i < imageCount; ++i)
    {
        uint8_t* entry = bytes + 6 + 16 * i;
        entry[0] = (uint8_t)(sizes[i] % 256); // 0 stands for 256
        entry[1] = (uint8_t)(sizes[i] % 256);
        store16(entry + 4, 1);
        store16(entry + 6, 32);
        uint32_t size = writeImage(bytes + offset, sizes[i]);
        store32(entry + 8, size);
        store32(entry + 12, offset);
        offset += size;
    }

    FILE* file = fopen(argv[1], "wb");
    if (!file)
    {
        fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    bool written = fwrite(bytes, 1, offset, file) == offset;
    written = fclose(file) == 0 && written;
    if (!written) fprintf(stderr, "cannot write %s\n", argv[1]);
    return written ? 0 : 1;
}
