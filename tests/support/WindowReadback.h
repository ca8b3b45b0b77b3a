// Helpers for the tests that open a real window under an X server.
#pragma once

#include <SDL2/SDL.h>
#include <SDL2/SDL_opengl.h>

#include <cstdint>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

// The X, D-Bus and Mesa libraries keep allocations for the life of the
// process (some in a driver unloaded before the leak check, where no
// suppression can name them); they are not this program's leaks. Hold one of
// these for as long as a window may exist.
struct TSystemLibraryLeaksIgnored {
    TSystemLibraryLeaksIgnored() {}  // user-provided, so a guard variable is "used"
#if defined(__SANITIZE_ADDRESS__)
    __lsan::ScopedDisabler disabler;
#endif
};

// The top-left w by h pixels of the current GL context's buffer, rows
// top-down like a surface, as 0xAARRGGBB words. Empty when GL lacks the
// entry points. drawableHeight is the height of the whole drawable.
inline std::vector<uint32_t> ReadWindowPixels(GLenum buffer, int w, int h, int drawableHeight) {
    using ReadPixelsFn = void(APIENTRY*)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*);
    using ReadBufferFn = void(APIENTRY*)(GLenum);
    auto readBuffer = reinterpret_cast<ReadBufferFn>(SDL_GL_GetProcAddress("glReadBuffer"));
    auto readPixels = reinterpret_cast<ReadPixelsFn>(SDL_GL_GetProcAddress("glReadPixels"));
    if (!readBuffer || !readPixels) return {};
    readBuffer(buffer);
    std::vector<uint32_t> bottomUp(static_cast<size_t>(w) * h);
    readPixels(0, drawableHeight - h, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, bottomUp.data());
    std::vector<uint32_t> topDown(bottomUp.size());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            topDown[static_cast<size_t>(y) * w + x] = bottomUp[static_cast<size_t>(h - 1 - y) * w + x];
    return topDown;
}

// The window shows colour only: alpha is not compared.
inline std::vector<uint32_t> Opaque(std::vector<uint32_t> pixels) {
    for (auto& p : pixels) p = (p & 0x00FFFFFF) | 0xFF000000;
    return pixels;
}
