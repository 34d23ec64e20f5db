// Writes the program's default data: character.bin (the base pose) and the
// idle, walk and jump animations, into the folder given on the command line.
//
// The figure is built from joints in pose units, (0, 0) on the ground between
// the feet, facing +x. Legs are placed by their feet (two-bone inverse
// kinematics, knees bending forward), arms by their angles.
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include "app/animation_codec.h"
#include "character/pose.h"

namespace {

const float pi = 3.14159265358979f;
const float thighLength = 40.0f;
const float shinLength = 38.0f;
const float upperArmLength = 26.0f;
const float forearmLength = 24.0f;
const float spineLength = 42.0f;
const float ankleHeight = 4.0f;
const Vec2 footFromAnkle = {9.0f, -ankleHeight};
// One frame of walking at 125 px/s and 0.15 s per frame.
const float strideStep = 18.75f;
const uint32_t maxFrames = 32;

float degrees(float value) { return value * pi / 180.0f; }
Vec2 add(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
Vec2 sub(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
Vec2 scale(Vec2 a, float s) { return {a.x * s, a.y * s}; }
float length(Vec2 a) { return sqrtf(a.x * a.x + a.y * a.y); }
Vec2 lerp(Vec2 a, Vec2 b, float t) { return add(a, scale(sub(b, a), t)); }
// Counter-clockwise.
Vec2 rotate(Vec2 a, float angle)
{
    float c = cosf(angle), s = sinf(angle);
    return {a.x * c - a.y * s, a.x * s + a.y * c};
}
// A limb hanging straight down, swung forward (towards +x) by angle.
Vec2 limb(float length, float angle) { return {length * sinf(angle), -length * cosf(angle)}; }

struct Foot
{
    Vec2 ankle;
    Vec2 toe;
};

// Flat on the ground, ankle above x.
Foot flatFoot(float ankleX) { return {{ankleX, ankleHeight}, {ankleX + footFromAnkle.x, 0.0f}}; }
// Toe planted at toeX, heel lifted by the angle (the foot turns about the toe).
Foot heelUp(float toeX, float lift)
{
    Vec2 toe = {toeX, 0.0f};
    return {add(toe, rotate(scale(footFromAnkle, -1.0f), -lift)), toe};
}
// Off the ground: the toe turned down by the angle (negative: up).
Foot footAt(Vec2 ankle, float toeDown) { return {ankle, add(ankle, rotate(footFromAnkle, -toeDown))}; }

struct Body
{
    Vec2 pelvis = {0.0f, 80.0f};
    float lean = 0.0f;       // torso, forward from upright
    float headTilt = 0.0f;   // head, forward from the torso
    float breath = 0.0f;     // chest and shoulders rise
    float armSwing[2] = {0.0f, 0.0f};
    float elbowBend[2] = {0.1f, 0.1f};
    Foot feet[2] = {flatFoot(-8.0f), flatFoot(6.0f)};
};

bool reachFailed = false;

Vec2 knee(Vec2 hip, Vec2 ankle)
{
    Vec2 toAnkle = sub(ankle, hip);
    float distance = length(toAnkle);
    if (distance > thighLength + shinLength - 0.01f)
    {
        fprintf(stderr, "leg too short: hip (%g, %g) to ankle (%g, %g)\n", hip.x, hip.y, ankle.x, ankle.y);
        reachFailed = true;
        distance = thighLength + shinLength - 0.01f;
    }
    float cosine = (thighLength * thighLength + distance * distance - shinLength * shinLength) /
                   (2.0f * thighLength * distance);
    if (cosine > 1.0f) cosine = 1.0f;
    return add(hip, rotate(scale(toAnkle, thighLength / distance), acosf(cosine)));
}

// Keeps the stored numbers short and the same whatever the maths library.
float tidy(float value) { return roundf(value * 64.0f) / 64.0f; }

Pose buildPose(const Body& body)
{
    Vec2 up = rotate({0.0f, 1.0f}, -body.lean);
    Vec2 across = {up.y, -up.x};
    Vec2 pelvis = body.pelvis;
    Vec2 belly = add(add(pelvis, scale(up, spineLength / 3.0f)), scale(across, 1.0f));
    Vec2 chest = add(add(pelvis, scale(up, spineLength * 2.0f / 3.0f + body.breath * 0.6f)), scale(across, 1.5f));
    Vec2 neck = add(pelvis, scale(up, spineLength + body.breath));

    Vec2 headUp = rotate(up, -body.headTilt);
    Vec2 headCentre = add(neck, scale(headUp, 12.0f));
    Vec2 head[6];
    for (int i = 0; i < 6; ++i)
    {
        // The front corner sticks out a little: a nose that shows which way the figure looks.
        float radius = i == 0 ? 13.5f : 11.0f;
        head[i] = add(headCentre, rotate(scale(rotate(headUp, -pi / 2.0f), radius), degrees(60.0f * (float)i)));
    }

    Vec2 shoulderCentre = add(neck, scale(up, -4.0f));
    Vec2 shoulder[2] = {add(shoulderCentre, add(scale(across, -6.0f), scale(up, -1.5f))),
                        add(shoulderCentre, add(scale(across, 6.0f), scale(up, -1.5f)))};
    Vec2 collar[2] = {add(lerp(shoulder[0], shoulderCentre, 0.5f), scale(up, 0.75f)),
                      add(lerp(shoulder[1], shoulderCentre, 0.5f), scale(up, 0.75f))};
    Vec2 elbow[2], hand[2];
    for (int side = 0; side < 2; ++side)
    {
        elbow[side] = add(shoulder[side], limb(upperArmLength, body.armSwing[side]));
        hand[side] = add(elbow[side], limb(forearmLength, body.armSwing[side] + body.elbowBend[side]));
    }

    Vec2 hip[2] = {add(pelvis, add(scale(across, -2.5f), scale(up, -2.0f))),
                   add(pelvis, add(scale(across, 2.5f), scale(up, -2.0f)))};
    Vec2 knees[2] = {knee(hip[0], body.feet[0].ankle), knee(hip[1], body.feet[1].ankle)};

    const Vec2 points[28] = {
        head[0], head[1], head[2], head[3], head[4], head[5],
        neck, chest, belly, pelvis,
        hand[0], elbow[0], shoulder[0], collar[0], shoulderCentre, collar[1], shoulder[1], elbow[1], hand[1],
        body.feet[0].toe, body.feet[0].ankle, knees[0], hip[0], pelvis, hip[1], knees[1], body.feet[1].ankle,
        body.feet[1].toe,
    };
    Pose pose;
    for (int i = 0; i < 28; ++i) pose.points[i] = {tidy(points[i].x), tidy(points[i].y)};
    return pose;
}

Body standing(float breath)
{
    Body body;
    body.breath = breath;
    body.pelvis.y = 83.5f - breath * 0.2f;
    body.armSwing[0] = degrees(-4.0f - breath * 1.5f);
    body.armSwing[1] = degrees(5.0f + breath * 1.5f);
    body.elbowBend[0] = degrees(8.0f);
    body.elbowBend[1] = degrees(12.0f);
    body.headTilt = degrees(-2.0f * breath);
    return body;
}

// One slow breath; the chest rises and falls smoothly.
uint32_t makeIdle(Pose* poses)
{
    const uint32_t frames = 12;
    for (uint32_t k = 0; k < frames; ++k)
    {
        float breath = 1.5f * 0.5f * (1.0f - cosf(2.0f * pi * (float)k / (float)frames));
        poses[k] = buildPose(standing(breath));
    }
    return frames;
}

// One leg's part of the cycle, frame 0 being its heel strike in front. For
// frames 0 to 4 the foot is planted and slides back one stride step a frame
// in pose units, so on screen, with the figure walking, it stays put.
Foot walkingFoot(uint32_t frame)
{
    const float contact = 2.0f * strideStep;
    switch (frame)
    {
    case 0: return footAt({contact, ankleHeight}, degrees(-18.0f));
    case 1: return flatFoot(contact - strideStep);
    case 2: return flatFoot(contact - 2.0f * strideStep);
    case 3: return flatFoot(contact - 3.0f * strideStep);
    case 4: return heelUp(contact - 4.0f * strideStep + footFromAnkle.x, degrees(32.0f));
    case 5: return footAt({-15.0f, 13.0f}, degrees(45.0f));
    case 6: return footAt({3.0f, 17.0f}, degrees(20.0f));
    default: return footAt({24.0f, 10.0f}, degrees(-8.0f));
    }
}

// Contact, down, passing, up, for each leg in turn; the arms swing against the legs.
uint32_t makeWalk(Pose* poses)
{
    const uint32_t frames = 8;
    const float pelvisHeight[4] = {72.0f, 70.0f, 79.0f, 81.0f};
    for (uint32_t k = 0; k < frames; ++k)
    {
        Body body;
        body.pelvis = {0.0f, pelvisHeight[k % 4]};
        body.lean = degrees(5.0f);
        body.headTilt = degrees(-3.0f);
        body.feet[0] = walkingFoot(k);
        body.feet[1] = walkingFoot((k + 4) % frames);
        float swing = cosf(2.0f * pi * (float)k / (float)frames);
        body.armSwing[0] = degrees(-28.0f * swing);
        body.armSwing[1] = degrees(28.0f * swing);
        for (int side = 0; side < 2; ++side)
        {
            float forward = body.armSwing[side] > 0.0f ? body.armSwing[side] : 0.0f;
            body.elbowBend[side] = degrees(12.0f) + forward * 0.9f;
        }
        poses[k] = buildPose(body);
    }
    return frames;
}

// Crouch, push-off, tuck, opening, stretch, landing: one pose for each 0.15 s
// of a jump that lasts about 0.82 s.
uint32_t makeJump(Pose* poses)
{
    Body crouch;
    crouch.pelvis = {-3.0f, 52.0f};
    crouch.lean = degrees(28.0f);
    crouch.headTilt = degrees(-20.0f);
    crouch.armSwing[0] = degrees(-55.0f);
    crouch.armSwing[1] = degrees(-45.0f);
    crouch.feet[0] = flatFoot(-9.0f);
    crouch.feet[1] = flatFoot(5.0f);

    Body pushOff;
    pushOff.pelvis = {0.0f, 82.0f};
    pushOff.lean = degrees(6.0f);
    pushOff.armSwing[0] = degrees(150.0f);
    pushOff.armSwing[1] = degrees(160.0f);
    pushOff.feet[0] = footAt({-5.0f, 10.0f}, degrees(55.0f));
    pushOff.feet[1] = footAt({1.0f, 12.0f}, degrees(50.0f));

    Body tuck;
    tuck.pelvis = {0.0f, 72.0f};
    tuck.lean = degrees(12.0f);
    tuck.headTilt = degrees(5.0f);
    tuck.armSwing[0] = degrees(70.0f);
    tuck.armSwing[1] = degrees(85.0f);
    tuck.elbowBend[0] = tuck.elbowBend[1] = degrees(35.0f);
    tuck.feet[0] = footAt({-8.0f, 40.0f}, degrees(30.0f));
    tuck.feet[1] = footAt({2.0f, 36.0f}, degrees(25.0f));

    Body opening;
    opening.pelvis = {0.0f, 76.0f};
    opening.lean = degrees(4.0f);
    opening.armSwing[0] = degrees(105.0f);
    opening.armSwing[1] = degrees(120.0f);
    opening.elbowBend[0] = opening.elbowBend[1] = degrees(15.0f);
    opening.feet[0] = footAt({-7.0f, 22.0f}, degrees(30.0f));
    opening.feet[1] = footAt({6.0f, 18.0f}, degrees(20.0f));

    Body stretch;
    stretch.pelvis = {0.0f, 81.0f};
    stretch.armSwing[0] = degrees(-70.0f);
    stretch.armSwing[1] = degrees(75.0f);
    stretch.feet[0] = footAt({-6.0f, 7.0f}, degrees(20.0f));
    stretch.feet[1] = footAt({5.0f, 6.0f}, degrees(10.0f));

    Body landing;
    landing.pelvis = {1.0f, 60.0f};
    landing.lean = degrees(18.0f);
    landing.headTilt = degrees(-12.0f);
    landing.armSwing[0] = degrees(55.0f);
    landing.armSwing[1] = degrees(70.0f);
    landing.elbowBend[0] = landing.elbowBend[1] = degrees(20.0f);
    landing.feet[0] = flatFoot(-10.0f);
    landing.feet[1] = flatFoot(7.0f);

    const Body sequence[6] = {crouch, pushOff, tuck, opening, stretch, landing};
    for (uint32_t k = 0; k < 6; ++k) poses[k] = buildPose(sequence[k]);
    return 6;
}

bool writeFile(const char* folder, const char* name, const uint8_t* bytes, size_t size)
{
    char path[1024];
    snprintf(path, sizeof path, "%s/%s", folder, name);
    FILE* file = fopen(path, "wb");
    if (!file)
    {
        fprintf(stderr, "cannot create %s\n", path);
        return false;
    }
    bool written = fwrite(bytes, 1, size, file) == size;
    written = fclose(file) == 0 && written;
    if (!written) fprintf(stderr, "cannot write %s\n", path);
    return written;
}

bool writeAnimation(const char* folder, const char* name, uint32_t (*make)(Pose*))
{
    static Pose poses[maxFrames];
    static uint8_t bytes[animationHeaderBytes + sizeof(Pose) * maxFrames];
    uint32_t frames = make(poses);
    encodeAnimationHeader(frames, bytes);
    memcpy(bytes + animationHeaderBytes, poses, sizeof(Pose) * frames);
    return writeFile(folder, name, bytes, encodedAnimationSize(frames));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        fprintf(stderr, "usage: make_assets <output folder>\n");
        return 2;
    }
    const char* folder = argv[1];
    Pose basePose = buildPose(standing(0.0f));
    bool written = writeFile(folder, "character.bin", (const uint8_t*)&basePose, sizeof basePose) &&
                   writeAnimation(folder, "idle.anim", makeIdle) &&
                   writeAnimation(folder, "walk_cycle.anim", makeWalk) &&
                   writeAnimation(folder, "jump.anim", makeJump);
    if (reachFailed) return 1;
    return written ? 0 : 1;
}
