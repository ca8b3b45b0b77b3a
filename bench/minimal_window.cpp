// The yardstick for the game's start-up and memory (bench/startup_memory.py):
// the least an SDL2 + OpenGL program does to show a 1024 x 768 picture the
// way the game does: start SDL's video, open the window with its OpenGL
// context, draw one frame of pixels (glDrawPixels) and present it. It then
// writes "presented" on standard output and keeps presenting every 10 ms, as
// the game does, until standard input closes.
#include <SDL.h>
#include <SDL_opengl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

using DrawPixelsFn = void(APIENTRY*)(GLsizei, GLsizei, GLenum, GLenum, const void*);
using RasterPos2dFn = void(APIENTRY*)(GLdouble, GLdouble);
using PixelZoomFn = void(APIENTRY*)(GLfloat, GLfloat);

}  // namespace

int main() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return 1;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    constexpr int kWidth = 1024, kHeight = 768;
    SDL_Window* window = SDL_CreateWindow("minimal", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          kWidth, kHeight, SDL_WINDOW_OPENGL);
    if (!window) return 1;
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) return 1;
    auto drawPixels = reinterpret_cast<DrawPixelsFn>(SDL_GL_GetProcAddress("glDrawPixels"));
    auto rasterPos = reinterpret_cast<RasterPos2dFn>(SDL_GL_GetProcAddress("glRasterPos2d"));
    auto pixelZoom = reinterpret_cast<PixelZoomFn>(SDL_GL_GetProcAddress("glPixelZoom"));
    if (!drawPixels || !rasterPos || !pixelZoom) return 1;
    SDL_GL_SetSwapInterval(0);
    std::vector<uint32_t> pixels(size_t(kWidth) * kHeight, 0xFF204060u);
    pixelZoom(1.0f, -1.0f);
    const auto present = [&] {
        rasterPos(-1.0, 1.0);
        drawPixels(kWidth, kHeight, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
        SDL_GL_SwapWindow(window);
    };
    present();
    std::printf("presented\n");
    std::fflush(stdout);
    for (;;) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
        pollfd in{STDIN_FILENO, POLLIN, 0};
        if (::poll(&in, 1, 10) != 0) break;  // input or its end: stop
        present();
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
