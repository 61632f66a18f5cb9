#include "platform/win32/toolkit.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdlib>

#include "platform/win32/text.h"

namespace kestrova::win {
namespace {

constexpr wchar_t kMainClass[] = L"KestrovaMainWindow";

int controlId(Ctl c) {
  return kFirstControlId + static_cast<int>(index(c));
}

const wchar_t* className(Kind k) {
  switch (k) {
    case Kind::label:
    case Kind::transparentLabel:
      return L"Static";
    case Kind::groupBox:
    case Kind::pictureButton:
    case Kind::superButton:
      return L"Button";
    case Kind::editBox:
      return L"Edit";
    case Kind::progressBar:
      return PROGRESS_CLASSW;
    case Kind::sliderBar:
      return TRACKBAR_CLASSW;
    case Kind::tabControl:
      return WC_TABCONTROLW;
    case Kind::timer:
    case Kind::commonDialog:
      break;
  }
  return L"";
}

const EditBoxSpec* editSpec(const LayoutTables& t, Ctl c) {
  for (const auto& e : t.editBoxes) {
    if (e.id == c) return &e;
  }
  return nullptr;
}

const RangeSpec* rangeSpec(const LayoutTables& t, Ctl c) {
  for (const auto& r : t.progressBars) {
    if (r.id == c) return &r;
  }
  return nullptr;
}

DWORD styleOf(const LayoutTables& t, const ControlSpec& s) {
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  if (s.visible) style |= WS_VISIBLE;
  if (!s.enabled) style |= WS_DISABLED;
  switch (s.kind) {
    case Kind::label:
      // Labels take the mouse (SS_NOTIFY) so that a press on them drags the window.
      style |= SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX | SS_NOTIFY;
      break;
    case Kind::transparentLabel:
      style |= SS_CENTERIMAGE | SS_NOPREFIX | SS_NOTIFY;
      style |= (s.parent == Ctl::分组框2) ? SS_LEFT : SS_RIGHT;
      break;
    case Kind::groupBox:
      style |= BS_GROUPBOX | WS_CLIPCHILDREN | (s.id == Ctl::分组框1 ? BS_LEFT : BS_CENTER);
      break;
    case Kind::pictureButton:
    case Kind::superButton:
      style |= BS_OWNERDRAW | (s.kind == Kind::superButton ? WS_TABSTOP : 0);
      break;
    case Kind::editBox: {
      const EditBoxSpec* e = editSpec(t, s.id);
      if (e != nullptr && e->multiLine) {
        style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_BORDER;
      } else {
        style |= ES_AUTOHSCROLL;
      }
      if (s.id == Ctl::编辑框2) style |= ES_CENTER;
      style |= WS_TABSTOP;
      break;
    }
    case Kind::progressBar:
      style |= PBS_SMOOTH | WS_BORDER;
      break;
    case Kind::sliderBar:
      style |= TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM | WS_TABSTOP;
      break;
    case Kind::tabControl:
      style |= TCS_OWNERDRAWFIXED | TCS_FIXEDWIDTH | TCS_BOTTOM | TCS_FOCUSNEVER;
      break;
    case Kind::timer:
    case Kind::commonDialog:
      break;
  }
  return style;
}

// Visual styles would ignore the colours the program gives its controls (a themed bar ignores
// its bar colour), so every control is drawn unthemed whatever manifest the exe carries or theme
// the system runs. uxtheme.dll is not on every system.
// Loaded once, on the first control, and kept for the program's life. Only the window thread
// creates controls, so plain zero-initialised statics serve (no thread-safe initialisation,
// which would bring a threads library into the exe).
void disableTheme(HWND h) {
  static bool loaded = false;
  static HMODULE uxtheme = nullptr;
  if (!loaded) {
    loaded = true;
    uxtheme = LoadLibraryW(L"uxtheme.dll");
  }
  if (uxtheme == nullptr) return;
  using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  auto fn = reinterpret_cast<SetWindowThemeFn>(
      reinterpret_cast<void*>(GetProcAddress(uxtheme, "SetWindowTheme")));
  if (fn != nullptr) fn(h, L" ", L" ");  // names of no theme
}

Toolkit* fromWindow(HWND h) {
  return reinterpret_cast<Toolkit*>(GetWindowLongPtrW(h, GWLP_USERDATA));
}

}  // namespace

Toolkit::Toolkit(HINSTANCE instance, const LayoutTables& layout)
    : instance_(instance), layout_(layout) {
  barColours_.fill(CLR_DEFAULT);
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof(icc);
  icc.dwICC = ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_TAB_CLASSES;
  InitCommonControlsEx(&icc);
}

Toolkit::~Toolkit() {
  destroyWindows();
}

void Toolkit::createMainWindow(std::vector<Binding> bindings) {
  bindings_ = std::move(bindings);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &Toolkit::mainProc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kMainClass;
  wc.hIcon = largeIcon_;
  wc.hIconSm = smallIcon_;
  RegisterClassExW(&wc);

  const WindowSpec& w = layout_.window;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - w.width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - w.height) / 2;
  HWND main = CreateWindowExW(0, kMainClass, toWide(w.title).c_str(),
                              WS_POPUP | WS_MINIMIZEBOX | WS_CLIPCHILDREN, left, top, w.width,
                              w.height, nullptr, nullptr, instance_, this);
  hwnds_[index(Ctl::主窗口)] = main;
  if (largeIcon_ != nullptr)
    SendMessageW(main, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_));
  if (smallIcon_ != nullptr)
    SendMessageW(main, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

  // Each parent's children in stacking order, front first: a new child goes to the back.
  for (Ctl parent : layout_.containers) {
    HWND previous = HWND_TOP;
    for (Ctl c : layout_.stacking(parent)) {
      createControl(c);
      SetWindowPos(hwnds_[index(c)], previous, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
      previous = hwnds_[index(c)];
    }
  }
  for (const auto& t : layout_.timers)
    SetTimer(main, static_cast<UINT_PTR>(controlId(t.id)), t.intervalMs, nullptr);

  raise(Ctl::主窗口, Event::created);
  ShowWindow(main, SW_SHOWNORMAL);
  UpdateWindow(main);
}

void Toolkit::createControl(Ctl c) {
  const ControlSpec& s = tableEntry(c);
  HWND parent = hwnds_[index(s.parent)];
  const std::wstring text = s.kind == Kind::tabControl ? std::wstring() : toWide(s.text);
  HWND h = CreateWindowExW(
      0, className(s.kind), text.c_str(), styleOf(layout_, s), s.left, s.top, s.width, s.height,
      parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId(c))), instance_, nullptr);
  hwnds_[index(c)] = h;
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  disableTheme(h);

  switch (s.kind) {
    case Kind::editBox:
      // 0 lifts the limit to the system's largest; a multi-line box otherwise stops near 32 K.
      SendMessageW(h, EM_SETLIMITTEXT, 0, 0);
      break;
    case Kind::progressBar:
      if (const RangeSpec* r = rangeSpec(layout_, c)) {
        SendMessageW(h, PBM_SETRANGE32, static_cast<WPARAM>(r->minimum), r->maximum);
        SendMessageW(h, PBM_SETPOS, static_cast<WPARAM>(r->initial), 0);
      }
      break;
    case Kind::sliderBar: {
      const SliderSpec& sl = layout_.slider;
      SendMessageW(h, TBM_SETRANGE, FALSE, MAKELPARAM(sl.minimum, sl.maximum));
      SendMessageW(h, TBM_SETPAGESIZE, 0, sl.pageSize);
      SendMessageW(h, TBM_SETLINESIZE, 0, sl.lineSize);
      SendMessageW(h, TBM_SETTICFREQ, 1, 0);
      SendMessageW(h, TBM_SETPOS, TRUE, sl.initial);
      break;
    }
    default:
      break;
  }

  if (painter_ != nullptr) painter_->configure(c, h);
  originalProcs_[index(c)] = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Toolkit::controlProc)));
  SetPropW(h, L"Kestrova.Toolkit", this);
}

void Toolkit::runMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) dispatch(msg);
}

void Toolkit::processPendingEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The quit request stays for the message loop.
      quitPending_ = true;
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    dispatch(msg);
  }
}

void Toolkit::dispatch(MSG& msg) {
  if (preTranslate(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void Toolkit::destroyWindows() {
  HWND main = hwnds_[index(Ctl::主窗口)];
  if (main != nullptr && IsWindow(main)) DestroyWindow(main);
  hwnds_.fill(nullptr);
}

void Toolkit::exitProcess(int code) {
  ExitProcess(static_cast<UINT>(code));
}

Ctl Toolkit::controlOf(HWND h) const {
  for (std::size_t i = 0; i < hwnds_.size(); ++i) {
    if (h != nullptr && hwnds_[i] == h) return static_cast<Ctl>(i);
  }
  return Ctl::主窗口;
}

bool Toolkit::hasBinding(Ctl c, Event e) const {
  return std::any_of(bindings_.begin(), bindings_.end(),
                     [&](const Binding& b) { return b.control == c && b.event == e; });
}

std::optional<bool> Toolkit::raise(Ctl c, Event e, const EventArgs& args) {
  for (const auto& b : bindings_) {
    if (b.control == c && b.event == e && b.handler) return b.handler(args);
  }
  return std::nullopt;
}

bool Toolkit::preTranslate(MSG& msg) {
  HWND main = hwnds_[index(Ctl::主窗口)];
  if (main == nullptr || msg.hwnd == nullptr) return false;
  const bool isMain = msg.hwnd == main;
  const Ctl c = controlOf(msg.hwnd);
  if (!isMain && c == Ctl::主窗口) return false;

  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (!isMain && hasBinding(c, Event::keyPressed)) {
        EventArgs a;
        a.key = static_cast<int>(msg.wParam);
        if (raise(c, Event::keyPressed, a) == std::optional<bool>(false)) return true;
      }
      if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) return moveFocusByTab();
      return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (isMain || dragsWindow(tableEntry(c).kind)) {
        // Moves the window exactly as a press on a title bar would; the control gets nothing.
        ReleaseCapture();
        SendMessageW(main, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(msg.pt.x, msg.pt.y));
        return true;
      }
      // The second press of a double click comes as WM_LBUTTONDBLCLK: a press all the same.
      return raise(c, Event::leftButtonPressed) == std::optional<bool>(false);
    default:
      return false;
  }
}

bool Toolkit::moveFocusByTab() {
  // Ctrl+Tab and Alt+Tab are not ours; the control or the system gets them.
  if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
  const Ctl focused = controlOf(GetFocus());
  const std::optional<Ctl> from =
      focused == Ctl::主窗口 ? std::nullopt : std::optional<Ctl>(focused);
  const std::optional<Ctl> next =
      layout_.nextTabStop(from, GetKeyState(VK_SHIFT) < 0, [this](Ctl c) {
        HWND h = hwnds_[index(c)];
        return h != nullptr && IsWindowVisible(h) && IsWindowEnabled(h);
      });
  if (next) SetFocus(hwnds_[index(*next)]);
  // Taken here in every case: a multi-line edit box would type a tab character.
  return true;
}

LRESULT CALLBACK Toolkit::mainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(l);
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  if (Toolkit* t = fromWindow(h)) return t->onMainMessage(h, m, w, l);
  return DefWindowProcW(h, m, w, l);
}

LRESULT CALLBACK Toolkit::controlProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  auto* t = static_cast<Toolkit*>(GetPropW(h, L"Kestrova.Toolkit"));
  if (t == nullptr) return DefWindowProcW(h, m, w, l);
  return t->onControlMessage(t->controlOf(h), h, m, w, l);
}

LRESULT Toolkit::onMainMessage(HWND h, UINT m, WPARAM w, LPARAM l) {
  LRESULT result = 0;
  if (onChildNotification(m, w, l, result)) return result;
  switch (m) {
    case WM_TIMER: {
      const int id = static_cast<int>(w) - kFirstControlId;
      if (id >= 0 && static_cast<std::size_t>(id) < kControlCount) {
        raise(static_cast<Ctl>(id), Event::periodic);
      }
      return 0;
    }
    case WM_DESTROY:
      for (const auto& t : layout_.timers) KillTimer(h, static_cast<UINT_PTR>(controlId(t.id)));
      hwnds_[index(Ctl::主窗口)] = nullptr;
      quitPending_ = true;
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(h, m, w, l);
  }
}

bool Toolkit::onChildNotification(UINT m, WPARAM w, LPARAM l, LRESULT& result) {
  switch (m) {
    case WM_COMMAND: {
      const Ctl c = controlOf(reinterpret_cast<HWND>(l));
      if (c == Ctl::主窗口) return false;
      const Kind k = tableEntry(c).kind;
      if ((k == Kind::superButton || k == Kind::pictureButton) && HIWORD(w) == BN_CLICKED) {
        raise(c, Event::clicked);
      }
      result = 0;
      return true;
    }
    case WM_HSCROLL: {
      const Ctl c = controlOf(reinterpret_cast<HWND>(l));
      if (c != layout_.slider.id) return false;
      // Every notification but the one that closes a drag or a key press.
      if (LOWORD(w) != TB_ENDTRACK) raise(c, Event::positionChanged);
      result = 0;
      return true;
    }
    case WM_DRAWITEM: {
      const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
      const Ctl c = controlOf(dis->hwndItem);
      if (c == Ctl::主窗口) return false;
      if (painter_ == nullptr || !painter_->drawItem(c, *dis)) return false;
      result = TRUE;
      return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: {
      const Ctl c = controlOf(reinterpret_cast<HWND>(l));
      if (c == Ctl::主窗口) return false;
      HDC dc = reinterpret_cast<HDC>(w);
      if (painter_ != nullptr) {
        if (HBRUSH b = painter_->controlColour(c, dc)) {
          result = reinterpret_cast<LRESULT>(b);
          return true;
        }
      }
      SetTextColor(dc, RGB(255, 255, 255));
      SetBkColor(dc, RGB(0, 0, 0));
      result = reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
      return true;
    }
    default:
      return false;
  }
}

LRESULT Toolkit::onControlMessage(Ctl c, HWND h, UINT m, WPARAM w, LPARAM l) {
  const WNDPROC original = originalProcs_[index(c)];
  const Kind kind = tableEntry(c).kind;
  if (kind == Kind::groupBox) {
    LRESULT result = 0;
    if (onChildNotification(m, w, l, result)) return result;
    // A group box lets the mouse through by default; here a press on it drags the window.
    if (m == WM_NCHITTEST) return HTCLIENT;
  }
  switch (m) {
    case WM_PAINT:
      if (painter_ != nullptr && painter_->paint(c, h)) return 0;
      break;
    case WM_PRINTCLIENT:
      if (painter_ != nullptr && painter_->printClient(c, h, reinterpret_cast<HDC>(w))) return 0;
      break;
    case WM_ERASEBKGND:
      if (painter_ != nullptr && painter_->eraseBackground(c, h, reinterpret_cast<HDC>(w))) {
        return TRUE;
      }
      break;
    case WM_SETCURSOR:
      if (painter_ != nullptr && painter_->setCursor(c)) return TRUE;
      break;
    case WM_MOUSEMOVE:
      if ((kind == Kind::superButton || kind == Kind::pictureButton || kind == Kind::tabControl) &&
          !hovering_[index(c)]) {
        hovering_[index(c)] = true;
        TRACKMOUSEEVENT tme{};
        tme.cbSize = sizeof(tme);
        tme.dwFlags = TME_LEAVE;
        tme.hwndTrack = h;
        TrackMouseEvent(&tme);
        if (painter_ != nullptr) painter_->hoverChanged(c, h, true);
      }
      if (painter_ != nullptr) painter_->mouseMoved(c, h, POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)});
      break;
    case WM_MOUSELEAVE:
      if (hovering_[index(c)]) {
        hovering_[index(c)] = false;
        if (painter_ != nullptr) painter_->hoverChanged(c, h, false);
      }
      break;
    case WM_SETTEXT:
      if (kind == Kind::label || kind == Kind::transparentLabel) {
        // The readouts are written on every tick, mostly with the text they already show:
        // only a real change is stored and repainted.
        const auto* fresh = reinterpret_cast<const wchar_t*>(l);
        const std::wstring current = windowText(h);
        if (fresh != nullptr && current == fresh) return TRUE;
        if (painter_ != nullptr && painter_->paints(c, h)) {
          const LRESULT r = DefWindowProcW(h, m, w, l);
          painter_->changed(c, h);
          return r;
        }
      }
      break;
    case PBM_SETPOS:
      if (kind == Kind::progressBar) return onBarPosition(c, h, w, l);
      break;
    case WM_LBUTTONDBLCLK:
      // An owner-drawn button would take the second press of a quick double click as a mere
      // notification; here every press is a press, and its release a click.
      if (kind == Kind::superButton || kind == Kind::pictureButton) {
        return CallWindowProcW(original, h, WM_LBUTTONDOWN, w, l);
      }
      break;
    default:
      break;
  }
  return CallWindowProcW(original, h, m, w, l);
}

LRESULT Toolkit::onBarPosition(Ctl c, HWND h, WPARAM w, LPARAM l) {
  const WNDPROC original = originalProcs_[index(c)];
  const LRESULT before = CallWindowProcW(original, h, PBM_GETPOS, 0, 0);
  const LRESULT r = CallWindowProcW(original, h, PBM_SETPOS, w, l);
  if (painter_ != nullptr && CallWindowProcW(original, h, PBM_GETPOS, 0, 0) != before) {
    painter_->changed(c, h);
  }
  return r;
}

NativeHandle Toolkit::handle(Ctl c) const {
  return reinterpret_cast<NativeHandle>(hwnds_[index(c)]);
}

std::string Toolkit::text(Ctl c) const {
  return toUtf8(windowText(hwnds_[index(c)]));
}

void Toolkit::setText(Ctl c, std::string_view utf8) {
  SetWindowTextW(hwnds_[index(c)], toWide(utf8).c_str());
}

std::string Toolkit::ansiText(Ctl c) const {
  HWND h = hwnds_[index(c)];
  std::string a(static_cast<std::size_t>(GetWindowTextLengthA(h)), '\0');
  const int n = GetWindowTextA(h, a.data(), static_cast<int>(a.size() + 1));
  a.resize(static_cast<std::size_t>(std::max(n, 0)));
  return a;
}

void Toolkit::appendText(Ctl c, std::string_view utf8) {
  HWND h = hwnds_[index(c)];
  const WPARAM end = static_cast<WPARAM>(GetWindowTextLengthW(h));
  SendMessageW(h, EM_SETSEL, end, static_cast<LPARAM>(end));
  SendMessageW(h, EM_SCROLLCARET, 0, 0);
  SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(toWide(utf8).c_str()));
}

void Toolkit::appendAnsiText(Ctl c, std::string_view ansi) {
  HWND h = hwnds_[index(c)];
  const std::string z(ansi);
  const WPARAM end = static_cast<WPARAM>(GetWindowTextLengthW(h));
  SendMessageW(h, EM_SETSEL, end, static_cast<LPARAM>(end));
  SendMessageW(h, EM_SCROLLCARET, 0, 0);
  SendMessageA(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(z.c_str()));
}

bool Toolkit::visible(Ctl c) const {
  return IsWindowVisible(hwnds_[index(c)]) != FALSE;
}

void Toolkit::setVisible(Ctl c, bool shown) {
  ShowWindow(hwnds_[index(c)], shown ? SW_SHOW : SW_HIDE);
}

int Toolkit::position(Ctl c) const {
  if (c == layout_.slider.id)
    return static_cast<int>(SendMessageW(hwnds_[index(c)], TBM_GETPOS, 0, 0));
  return static_cast<int>(SendMessageW(hwnds_[index(c)], PBM_GETPOS, 0, 0));
}

void Toolkit::setPosition(Ctl c, int position) {
  // First into 0..32767, then the bar keeps it within its own range.
  const int p = std::clamp(position, 0, 32767);
  SendMessageW(hwnds_[index(c)], PBM_SETPOS, static_cast<WPARAM>(p), 0);
}

void Toolkit::setBarColour(NativeHandle bar, ColourRef colour) {
  HWND h = reinterpret_cast<HWND>(bar);
  const Ctl c = controlOf(h);
  if (c == Ctl::主窗口 || tableEntry(c).kind != Kind::progressBar) {
    SendMessageW(h, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(colour));
    return;
  }
  // The colour comes for every bar on every tick; a bar repaints only when it really changes.
  if (barColours_[index(c)] == colour) return;
  barColours_[index(c)] = colour;
  SendMessageW(h, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(colour));
  if (painter_ != nullptr) painter_->changed(c, h);
}

void Toolkit::applyTransparency(NativeHandle window, std::uint8_t alpha) {
  HWND h = reinterpret_cast<HWND>(window);
  // Written as the whole extended style, not added to it.
  SetWindowLongA(h, GWL_EXSTYLE, WS_EX_LAYERED);
  SetLayeredWindowAttributes(h, 0, alpha, LWA_ALPHA);
}

int Toolkit::outerHeight() const {
  RECT r{};
  GetWindowRect(hwnds_[index(Ctl::主窗口)], &r);
  return r.bottom - r.top;
}

void Toolkit::setOuterHeight(int height) {
  HWND main = hwnds_[index(Ctl::主窗口)];
  RECT r{};
  GetWindowRect(main, &r);
  SetWindowPos(main, nullptr, 0, 0, r.right - r.left, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void Toolkit::minimise() {
  ShowWindow(hwnds_[index(Ctl::主窗口)], SW_MINIMIZE);
}

}  // namespace kestrova::win
