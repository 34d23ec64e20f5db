#include "render/offscreen_target.h"
#include "platform/gl_functions.h"

OffscreenTarget createOffscreenTarget(uint32_t width, uint32_t height)
{
    OffscreenTarget target = {};
    if (width == 0 || height == 0) return target;
    gl.glGenFramebuffers(1, &target.framebuffer);
    gl.glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    gl.glGenRenderbuffers(1, &target.colorBuffer);
    gl.glBindRenderbuffer(GL_RENDERBUFFER, target.colorBuffer);
    gl.glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, (GLsizei)width, (GLsizei)height);
    gl.glBindRenderbuffer(GL_RENDERBUFFER, 0);
    gl.glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, target.colorBuffer);
    target.width = width;
    target.height = height;
    // A size the driver cannot store leaves the colour buffer empty, which
    // makes the framebuffer incomplete.
    if (gl.glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) destroyOffscreenTarget(&target);
    return target;
}

void readOffscreenPixels(const OffscreenTarget* target, uint8_t* destination, uint32_t rowLength)
{
    gl.glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl.glPixelStorei(GL_PACK_ROW_LENGTH, (GLint)rowLength);
    gl.glReadPixels(0, 0, (GLsizei)target->width, (GLsizei)target->height, GL_RGBA, GL_UNSIGNED_BYTE, destination);
    gl.glPixelStorei(GL_PACK_ROW_LENGTH, 0);
}

void destroyOffscreenTarget(OffscreenTarget* target)
{
    gl.glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (target->colorBuffer) gl.glDeleteRenderbuffers(1, &target->colorBuffer);
    if (target->framebuffer) gl.glDeleteFramebuffers(1, &target->framebuffer);
    *target = OffscreenTarget{};
}
