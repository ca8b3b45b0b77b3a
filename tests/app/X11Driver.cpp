#include "tests/app/X11Driver.h"

#include <fcntl.h>
#include <png.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

// Xlib last: its macros ("None", "Bool", "Status") clash with other headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace {

int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;  // a window that goes away while it is looked at is no failure
}

// The process id a window says it belongs to; -1 without one.
long WindowPid(Display* display, Window window) {
    const Atom property = XInternAtom(display, "_NET_WM_PID", True);
    if (property == 0) return -1;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, property, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data && count == 1 && format == 32) {
        pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    }
    if (data) XFree(data);
    return pid;
}

// The largest viewable window of the process below root.
void FindProcessWindow(Display* display, Window parent, long pid, Window& best, long& bestArea) {
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) &&
            attributes.map_state == IsViewable && WindowPid(display, children[i]) == pid) {
            const long area = long{attributes.width} * attributes.height;
            if (area > bestArea) {
                best = children[i];
                bestArea = area;
            }
        }
        FindProcessWindow(display, children[i], pid, best, bestArea);
    }
    if (children) XFree(children);
}

}  // namespace

bool WriteShotPng(const TShot& shot, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (png && info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, file);
        png_set_IHDR(png, info, shot.width, shot.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        std::vector<png_byte> row(static_cast<size_t>(shot.width) * 3);
        for (int y = 0; y < shot.height; ++y) {
            for (int x = 0; x < shot.width; ++x) {
                const uint32_t p = shot.At(x, y);
                row[x * 3] = static_cast<png_byte>(p >> 16);
                row[x * 3 + 1] = static_cast<png_byte>(p >> 8);
                row[x * 3 + 2] = static_cast<png_byte>(p);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return ok;
}

TPicture ReadPng(const std::string& path) {
    TPicture picture;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
    image.format = PNG_FORMAT_BGRA;  // little-endian words 0xAARRGGBB
    std::vector<uint32_t> pixels(static_cast<size_t>(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return picture;
    }
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.pixels = std::move(pixels);
    return picture;
}

TX11Driver::TX11Driver() {
    const char* name = std::getenv("DISPLAY");
    if (name && *name) display_ = XOpenDisplay(name);
    if (display_) XSetErrorHandler(IgnoreXErrors);
}

TX11Driver::~TX11Driver() {
    if (pid_ > 0 && Running()) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (display_) XCloseDisplay(display_);
}

bool TX11Driver::HasXTest() const {
    int event = 0, error = 0, major = 0, minor = 0;
    return display_ && XTestQueryExtension(display_, &event, &error, &major, &minor);
}

bool TX11Driver::Start(const std::string& program, const std::vector<std::string>& args,
                       const std::string& logPath, const std::vector<std::string>& environment) {
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    window_ = 0;
    exitStatus_ = -1;
    started_ = TClock::now();
    pid_ = ::fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
        const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (log >= 0) {
            ::dup2(log, 1);
            ::dup2(log, 2);
        }
        for (const std::string& variable : environment) {
            const size_t equals = variable.find('=');
            if (equals != std::string::npos) {
                ::setenv(variable.substr(0, equals).c_str(), variable.substr(equals + 1).c_str(), 1);
            }
        }
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    return true;
}

bool TX11Driver::WaitForWindow(std::chrono::milliseconds timeout) {
    const TClock::time_point end = TClock::now() + timeout;
    while (TClock::now() < end && Running()) {
        Window best = 0;
        long area = 0;
        FindProcessWindow(display_, DefaultRootWindow(display_), pid_, best, area);
        if (best) {
            window_ = best;
            return true;
        }
        Sleep(std::chrono::milliseconds(2));
    }
    return false;
}

bool TX11Driver::Running() {
    if (pid_ <= 0 || exitStatus_ >= 0) return false;
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == 0) return true;
    exitStatus_ = done == pid_ && WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    return false;
}

void TX11Driver::Signal(int signal) {
    if (Running()) ::kill(pid_, signal);
}

bool TX11Driver::WaitForExit(std::chrono::milliseconds timeout) {
    const TClock::time_point end = TClock::now() + timeout;
    while (Running()) {
        if (TClock::now() >= end) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            exitStatus_ = 128;
            return false;
        }
        Sleep(std::chrono::milliseconds(10));
    }
    return true;
}

TShot TX11Driver::Shot() {
    TShot shot;
    if (!display_ || !window_) return shot;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, window_, &attributes)) return shot;
    XImage* image = XGetImage(display_, window_, 0, 0, attributes.width, attributes.height,
                              AllPlanes, ZPixmap);
    if (!image) return shot;
    shot.width = attributes.width;
    shot.height = attributes.height;
    shot.pixels.resize(static_cast<size_t>(shot.width) * shot.height);
    const bool direct = image->bits_per_pixel == 32 && image->red_mask == 0xFF0000 &&
                        image->green_mask == 0xFF00 && image->blue_mask == 0xFF &&
                        image->byte_order == LSBFirst;
    for (int y = 0; y < shot.height; ++y) {
        const auto* row =
            reinterpret_cast<const uint32_t*>(image->data + static_cast<size_t>(y) * image->bytes_per_line);
        for (int x = 0; x < shot.width; ++x) {
            const uint32_t p = direct ? row[x] : static_cast<uint32_t>(XGetPixel(image, x, y));
            shot.pixels[static_cast<size_t>(y) * shot.width + x] = p & 0xFFFFFF;
        }
    }
    XDestroyImage(image);
    return shot;
}

void TX11Driver::MoveTo(int x, int y) {
    int rootX = x, rootY = y;
    Window child = 0;
    XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), x, y, &rootX, &rootY,
                          &child);
    XTestFakeMotionEvent(display_, DefaultScreen(display_), rootX, rootY, CurrentTime);
    Flush();
}

void TX11Driver::Press(int x, int y) {
    MoveTo(x, y);
    Sleep(std::chrono::milliseconds(30));
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    Flush();
}

void TX11Driver::Release() {
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    Flush();
}

void TX11Driver::Click(int x, int y) {
    Press(x, y);
    Sleep(std::chrono::milliseconds(40));
    Release();
}

void TX11Driver::Key(const std::string& keysymName) {
    const KeySym symbol = XStringToKeysym(keysymName.c_str());
    const KeyCode code = XKeysymToKeycode(display_, symbol);
    if (code == 0) return;
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    Flush();
    Sleep(std::chrono::milliseconds(25));
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
    Flush();
    Sleep(std::chrono::milliseconds(25));
}

void TX11Driver::Type(const std::string& text) {
    const KeyCode shift = XKeysymToKeycode(display_, XK_Shift_L);
    for (char c : text) {
        const bool upper = c >= 'A' && c <= 'Z';
        if (upper) {
            XTestFakeKeyEvent(display_, shift, True, CurrentTime);
            Flush();
        }
        const std::string name = c == ' ' ? "space" : std::string(1, upper ? char(c - 'A' + 'a') : c);
        Key(name);
        if (upper) {
            XTestFakeKeyEvent(display_, shift, False, CurrentTime);
            Flush();
        }
    }
}

void TX11Driver::CloseWindow() {
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window_;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, window_, False, NoEventMask, &event);
    Flush();
}

void TX11Driver::Sleep(std::chrono::milliseconds time) {
    std::this_thread::sleep_for(time);
}

void TX11Driver::Flush() {
    XSync(display_, False);
}
