// The one translation unit that compiles stb_image_write's implementation,
// allocating from the PNG writer's scratch arena and compressing with zlib.
#include "export/png_writer.h"
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#define STBI_WRITE_NO_STDIO
#define STBIW_MALLOC(size) pngScratchAllocate(size)
#define STBIW_FREE(block) pngScratchFree(block)
// Only stb's own compressor grows blocks, and it is replaced below.
#define STBIW_REALLOC(block, newSize) ((void)(block), (void)(newSize), (void*)0)
#define STBIW_ZLIB_COMPRESS pngZlibCompress
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
