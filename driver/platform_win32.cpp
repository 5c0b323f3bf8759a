#include "driver/platform_win32.hpp"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "driver/twips.hpp"

namespace borgo::driver {
namespace {

constexpr char kWindowClass[] = "Borgo_Mar_TX903_Form1";

// A fixed border and a caption without buttons: the run cannot be stopped
// from the window, and the window does not change size.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = 0;

// The form handles no message of its own: nothing is processed after the
// repaint, and the window goes away with the program.
LRESULT CALLBACK form_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcA(window, message, w, l);
}

bool register_form_class(HINSTANCE instance) {
  WNDCLASSEXA form{};
  form.cbSize = sizeof form;
  form.lpfnWndProc = form_procedure;
  form.hInstance = instance;
  form.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  form.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  form.lpszClassName = kWindowClass;
  return RegisterClassExA(&form) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

Dpi display_dpi() {
  Dpi dpi{96, 96};
  if (HDC screen = GetDC(nullptr)) {
    const int x = GetDeviceCaps(screen, LOGPIXELSX);
    const int y = GetDeviceCaps(screen, LOGPIXELSY);
    if (x > 0) dpi.x = x;
    if (y > 0) dpi.y = y;
    ReleaseDC(nullptr, screen);
  }
  return dpi;
}

std::string text(std::string_view view) { return std::string(view); }

}  // namespace

Win32Platform::Win32Platform(HINSTANCE instance) : instance_(instance) {
  // Twips are turned into pixels with the display's own DPI; without this
  // the system would report 96 and stretch the window's bitmap instead.
  SetProcessDPIAware();
}

Win32Platform::~Win32Platform() { close_window(); }

void Win32Platform::show_window(const WindowLayout& layout) {
  close_window();
  if (!register_form_class(instance_)) return;

  const Dpi dpi = display_dpi();
  const PixelRect client = client_pixels(layout, dpi);
  RECT frame{0, 0, client.width, client.height};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, kWindowExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;

  // In the middle of the desktop's work area.
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int left = work.left + (work.right - work.left - width) / 2;
  const int top = work.top + (work.bottom - work.top - height) / 2;

  window_ = CreateWindowExA(kWindowExStyle, kWindowClass, text(layout.title).c_str(), kWindowStyle,
                            left, top, width, height, nullptr, nullptr, instance_, nullptr);
  if (window_ == nullptr) return;  // no display: the work goes on without a window

  const LabelLayout& label = layout.label;
  const PixelRect place = label_pixels(label, dpi);
  label_ = CreateWindowExA(
      0, "STATIC", text(label.caption).c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, place.left,
      place.top, place.width, place.height, window_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(label.tab_index + 1)), instance_, nullptr);
  font_ = CreateFontA(-font_pixels(label.font_points, dpi.y), 0, 0, 0, label.font_weight,
                      label.italic, label.underline, label.strikeout, label.charset,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, text(label.font_face).c_str());
  if (label_ != nullptr && font_ != nullptr) {
    SendMessageA(label_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
  ShowWindow(window_, SW_SHOW);
}

void Win32Platform::repaint() {
  if (window_ == nullptr) return;
  // Frame, background and label drawn now, before the work; UpdateWindow
  // alone would leave out what is not yet marked for drawing.
  RedrawWindow(
      window_, nullptr, nullptr,
      RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_ERASENOW);
  UpdateWindow(window_);
  GdiFlush();
}

void Win32Platform::message_box(std::string_view text_view, std::string_view title) {
  MessageBoxA(window_, text(text_view).c_str(), text(title).c_str(), MB_OK);
}

void Win32Platform::end_program(int exit_status) {
  close_window();
  std::fflush(nullptr);
  ExitProcess(static_cast<UINT>(exit_status));
}

// Asked for in its wide form, the one form that can name any folder: the
// ANSI form loses the characters its code page lacks.
std::filesystem::path Win32Platform::own_program() {
  std::vector<wchar_t> name(MAX_PATH);
  // Windows' paths end at 32767 characters: the buffer doubles a few times at most.
  constexpr std::size_t kLongestPath = 32768;
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) {
      throw std::runtime_error("cannot find the program's own folder: " +
                               std::system_category().message(static_cast<int>(GetLastError())));
    }
    if (length < name.size()) return std::filesystem::path(std::wstring(name.data(), length));
    if (name.size() >= kLongestPath) {
      throw std::runtime_error("cannot find the program's own folder: its path is too long");
    }
    name.resize(name.size() * 2);
  }
}

std::filesystem::path Win32Platform::own_folder() { return own_program().parent_path(); }

void Win32Platform::close_window() {
  if (window_ != nullptr) DestroyWindow(window_);  // the label goes with it
  window_ = nullptr;
  label_ = nullptr;
  if (font_ != nullptr) DeleteObject(font_);
  font_ = nullptr;
}

int print_line(std::string_view line) {
  // A window program has a standard output only when it was given one; else
  // the console of the command line that started it, when there is one.
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) {
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return 2;
    out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return 2;
  }
  DWORD written = 0;
  const bool whole =
      WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
      written == line.size();
  return whole ? 0 : 2;
}

}  // namespace borgo::driver
