// Runs the real viewer as a user would: the executable copied with a page
// (or none) into a fresh folder, started on the X display, closed through
// the window manager's close request once its window shows. It passes when
// the program exits with 0 and reports no leak or sanitizer error.
//
//   viewer_driver VIEWER PAGE|- [SCREENSHOT.png]
//
// With a third argument the window's picture is saved before closing, so a
// person can look at it.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const char* kTitle = "Lorimel - Tarnwick";

std::string windowName(Display* d, Window w) {
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False), netName = XInternAtom(d, "_NET_WM_NAME", False);
  Atom type;
  int format;
  unsigned long n, after;
  unsigned char* data = nullptr;
  std::string name;
  if (XGetWindowProperty(d, w, netName, 0, 1024, False, utf8, &type, &format, &n, &after, &data) == Success && data) {
    name.assign(reinterpret_cast<char*>(data), n);
    XFree(data);
  }
  return name;
}

Window findWindow(Display* d, Window parent, int depth) {
  Window root, up, *kids = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, parent, &root, &up, &kids, &n)) return 0;
  Window found = 0;
  for (unsigned i = 0; i < n && !found; ++i) {
    XWindowAttributes a;
    if (windowName(d, kids[i]) == kTitle && XGetWindowAttributes(d, kids[i], &a) && a.map_state == IsViewable)
      found = kids[i];
    else if (depth > 0)
      found = findWindow(d, kids[i], depth - 1);
  }
  if (kids) XFree(kids);
  return found;
}

bool saveWindow(Display* d, Window w, const std::string& file) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, w, &a)) return false;
  XImage* img = XGetImage(d, w, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
  if (!img) return false;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, a.width, a.height);
  unsigned char* bits = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x)
      reinterpret_cast<uint32_t*>(bits + y * stride)[x] = uint32_t(XGetPixel(img, x, y)) & 0xFFFFFF;
  cairo_surface_mark_dirty(s);
  const bool ok = cairo_surface_write_to_png(s, file.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  XDestroyImage(img);
  return ok;
}

void requestClose(Display* d, Window w) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &e);
  XFlush(d);
}

int fail(const std::string& why, const fs::path& log) {
  std::cerr << "viewer_driver: " << why << "\n";
  std::ifstream in(log);
  std::cerr << "--- viewer output ---\n" << in.rdbuf() << "\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: viewer_driver VIEWER PAGE|- [SCREENSHOT.png]\n";
    return 2;
  }
  char tmpl[] = "/tmp/tarnwick-viewer-XXXXXX";
  if (!mkdtemp(tmpl)) return 2;
  const fs::path dir = tmpl;
  fs::copy_file(argv[1], dir / "tarnwick");
  if (std::string(argv[2]) != "-") fs::copy_file(argv[2], dir / "index.html");
  const fs::path log = dir / "output.txt";

  Display* d = XOpenDisplay(nullptr);
  if (!d) return fail("no X display", log);

  const pid_t pid = fork();
  if (pid == 0) {
    FILE* out = std::fopen(log.c_str(), "w");
    dup2(fileno(out), 1);
    dup2(fileno(out), 2);
    execl((dir / "tarnwick").c_str(), "tarnwick", nullptr);
    _exit(127);
  }

  int rc = 0;
  Window w = 0;
  const auto start = std::chrono::steady_clock::now();
  while (!(w = findWindow(d, DefaultRootWindow(d), 2))) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return fail("the viewer ended before its window showed", log);
    if (std::chrono::steady_clock::now() - start > 60s) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      return fail("no window within 60 s", log);
    }
    std::this_thread::sleep_for(50ms);
  }
  // Let the first paints land.
  std::this_thread::sleep_for(700ms);
  if (argc > 3 && !saveWindow(d, w, argv[3])) std::cerr << "viewer_driver: could not save the window\n";
  requestClose(d, w);

  int status = 0;
  const auto closing = std::chrono::steady_clock::now();
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() - closing > 60s) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      return fail("the viewer did not end within 60 s of the close request", log);
    }
    std::this_thread::sleep_for(20ms);
  }
  XCloseDisplay(d);
  std::stringstream output;
  output << std::ifstream(log).rdbuf();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    rc = fail("the viewer ended with status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1), log);
  else if (output.str().find("Sanitizer") != std::string::npos || output.str().find("runtime error") != std::string::npos)
    rc = fail("the viewer reported a sanitizer error", log);
  std::error_code ec;
  fs::remove_all(dir, ec);
  return rc;
}
