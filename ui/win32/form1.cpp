#include "form1.h"

#include <shellapi.h>

#include <algorithm>
#include <exception>
#include <iterator>
#include <string>

#include "file_names.h"
#include "line_count.h"
#include "run_conversion.h"
#include "run_error.h"
#include "system_file.h"
#include "twips.h"
#include "wide_text.h"

namespace {

using namespace form1_layout;

struct ControlClass {
  const wchar_t* name;
  DWORD style;
  DWORD extendedStyle;
};

ControlClass classOf(ControlId id) {
  switch (id) {
    case Label1:
    case Label2:
    case Label3:
      return {L"STATIC", SS_LEFT, 0};
    case Text1:
    case Text2:
    case Text3:
      return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case Frame1:
      return {L"BUTTON", BS_GROUPBOX, 0};
    case Option1:
    case Option2:
    case Option3:
    case Option4:
      return {L"BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP, 0};
    default:
      return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
  }
}

// The order the controls are created in, which is the order Tab visits
// them: the others first, then the table's tab order, except that Option3
// joins Option1, Option2 and Option4 so that the arrow keys move among all
// four, as Frame1 groups them.
std::vector<ControlId> creationOrder() {
  std::vector<ControlId> order;
  for (const Control& entry : kControls) {
    if (std::ranges::find(kTabOrder, entry.id) == std::end(kTabOrder)) order.push_back(entry.id);
  }
  for (const ControlId id : kTabOrder) {
    if (id != Option3) order.push_back(id);
    if (id == Option4) order.push_back(Option3);
  }
  return order;
}

// The first control of each group the arrow keys move within.
bool startsGroup(ControlId id) {
  return id == Text1 || id == Option1 || id == Command3;
}

// Yu Gothic UI where it is installed (Windows 8.1 and later), else MS UI
// Gothic, the Japanese UI font of every earlier Windows.
const wchar_t* japaneseUiFontFamily() {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  std::wcsncpy(wanted.lfFaceName, L"Yu Gothic UI", LF_FACESIZE - 1);
  bool found = false;
  const HDC screen = GetDC(nullptr);
  EnumFontFamiliesExW(
      screen, &wanted,
      [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) -> int {
        *reinterpret_cast<bool*>(found) = true;
        return 0;
      },
      reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found ? L"Yu Gothic UI" : L"MS UI Gothic";
}

int scaled(int pixels, UINT dpi) {
  return MulDiv(pixels, static_cast<int>(dpi), 96);
}

}  // namespace

HFONT createForm1Font(UINT dpi) {
  return CreateFontW(-MulDiv(9, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, japaneseUiFontFamily());
}

Form1::Form1(const std::vector<std::filesystem::path>& paths) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kForm1ClassName;
  RegisterClassExW(&windowClass);

  // A fixed window, as its layout is: no resizing, no maximizing.
  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  window_ = CreateWindowExW(WS_EX_ACCEPTFILES, kForm1ClassName, cstrip::toWide(kTitle).c_str(),
                            kStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                            nullptr, nullptr, instance, this);
  for (const ControlId id : creationOrder()) {
    const ControlClass type = classOf(id);
    const DWORD style = WS_CHILD | WS_VISIBLE | type.style | (startsGroup(id) ? WS_GROUP : 0);
    controls_[id] = CreateWindowExW(
        type.extendedStyle, type.name, cstrip::toWide(kControls[id].caption).c_str(), style, 0, 0,
        0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlIdOf(id))), instance,
        nullptr);
  }
  SendMessageW(control(Option1), BM_SETCHECK, BST_CHECKED, 0);
  // Laid out first, so that the boxes have their width when they scroll.
  layOut(GetDpiForWindow(window_));
  const ControlId pathBoxes[] = {Text1, Text2};
  for (std::size_t i = 0; i < paths.size() && i < std::size(pathBoxes); ++i) {
    setText(pathBoxes[i], paths[i]);
  }
  ShowWindow(window_, SW_SHOWDEFAULT);
  SetFocus(control(Text1));
}

Form1::~Form1() {
  if (window_ != nullptr) DestroyWindow(window_);
  if (font_ != nullptr) DeleteObject(font_);
}

int Form1::exec() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) dispatch(message);
  return static_cast<int>(message.wParam);
}

void Form1::dispatch(MSG& message) {
  if (IsDialogMessageW(window_, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

LRESULT CALLBACK Form1::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return form != nullptr ? form->handle(message, wParam, lParam)
                         : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Form1::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
          case controlIdOf(Command1):
            Command1_Click();
            break;
          case controlIdOf(Command2):
            Command2_Click();
            break;
          case controlIdOf(Command3):
            Command3_Click();
            break;
          case controlIdOf(Command4):
            Command4_Click();
            break;
        }
      }
      return 0;
    case WM_DROPFILES:
      dropFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      layOut(HIWORD(wParam));
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
      return 0;
    }
    case WM_ACTIVATE:
      // The focus goes back to the control that had it, as in a dialog, so
      // that the keys work again after switching windows or a message box.
      if (LOWORD(wParam) == WA_INACTIVE) {
        focused_ = GetFocus();
      } else if (focused_ != nullptr && IsWindowEnabled(focused_)) {
        SetFocus(focused_);
        return 0;
      }
      break;
    case WM_CLOSE:
      requestClose();
      return 0;
    case WM_DESTROY:
      window_ = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

void Form1::layOut(UINT dpi) {
  const HFONT old = font_;
  font_ = createForm1Font(dpi);
  const PixelRect frame = twipsToPixels(kControls[Frame1].place);
  for (const Control& entry : kControls) {
    PixelRect place = twipsToPixels(entry.place);
    if (entry.inFrame1) {
      place.left += frame.left;
      place.top += frame.top;
    }
    SetWindowPos(control(entry.id), nullptr, scaled(place.left, dpi), scaled(place.top, dpi),
                 scaled(place.width, dpi), scaled(place.height, dpi),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(control(entry.id), WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  }
  if (old != nullptr) DeleteObject(old);

  RECT bounds{0, 0, scaled(twipsToPixels(kClientWidth), dpi),
              scaled(twipsToPixels(kClientHeight), dpi)};
  AdjustWindowRectExForDpi(&bounds, static_cast<DWORD>(GetWindowLongW(window_, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongW(window_, GWL_EXSTYLE)), dpi);
  SetWindowPos(window_, nullptr, 0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top,
               SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

void Form1::Command1_Click() {
  if (const auto path = CommonDialog1.choose(window_)) setText(Text1, *path);
}

void Form1::Command2_Click() {
  if (const auto path = CommonDialog1.choose(window_)) setText(Text2, *path);
}

void Form1::Command3_Click() {
  if (running_) return;
  const HWND focused = GetFocus();
  setRunning(true);
  std::string failure;
  try {
    cstrip::RunConversion(*this);
  } catch (const cstrip::RunError& error) {
    failure = error.what();
  } catch (const std::exception& error) {
    failure = std::string("予期しないエラーが発生しました: ") + error.what();
  }
  showLatestCount();
  setRunning(false);
  if (closeAfterRun_) {
    DestroyWindow(window_);
    return;
  }
  if (focused != nullptr && IsWindowEnabled(focused)) SetFocus(focused);
  if (!failure.empty()) {
    MessageBoxW(window_, cstrip::toWide(failure).c_str(), cstrip::toWide(kTitle).c_str(),
                MB_OK | MB_ICONERROR);
  }
}

void Form1::Command4_Click() {
  requestClose();
}

void Form1::requestClose() {
  // A run going on stops at its next yield and closes its files; the window
  // goes once it has returned.
  if (running_) {
    requestStop();
    closeAfterRun_ = true;
  } else {
    DestroyWindow(window_);
  }
}

std::filesystem::path Form1::inputPath() {
  return pathIn(Text1);
}

std::filesystem::path Form1::outputPath() {
  return pathIn(Text2);
}

std::filesystem::path Form1::pathIn(ControlId box) const {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control(box))) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(control(box), text.data(), static_cast<int>(text.size()))));
  // Spaces pasted around a path are never part of it. A lone "-" is a file
  // here, not standard input or output as on the command line.
  const std::size_t first = text.find_first_not_of(L" \t");
  text = first == std::wstring::npos
             ? L""
             : text.substr(first, text.find_last_not_of(L" \t") + 1 - first);
  const std::filesystem::path path = text;
  return cstrip::isStandardStream(path) ? L".\\-" : path;
}

void Form1::setText(ControlId id, const std::filesystem::path& path) {
  // The caret goes to the end, which the box scrolls into sight: the end of
  // a long path, with the file's name, is what shows, as in the Qt window.
  SetWindowTextW(control(id), path.c_str());
  const auto end = static_cast<WPARAM>(path.native().size());
  SendMessageW(control(id), EM_SETSEL, end, static_cast<LPARAM>(end));
  SendMessageW(control(id), EM_SCROLLCARET, 0, 0);
}

void Form1::dropFiles(HDROP drop) {
  // A file dropped on Text2 goes there; anywhere else on the window, Text1.
  POINT point{};
  DragQueryPoint(drop, &point);
  const ControlId box = ChildWindowFromPoint(window_, point) == control(Text2) ? Text2 : Text1;
  const UINT size = DragQueryFileW(drop, 0, nullptr, 0);
  std::wstring name(size + 1, L'\0');
  if (size > 0 && !running_ && DragQueryFileW(drop, 0, name.data(), size + 1) == size) {
    name.resize(size);
    setText(box, name);
  }
  DragFinish(drop);
}

bool Form1::commentModeChosen() {
  return SendMessageW(control(Option3), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool Form1::cCommentModeChosen() {
  return SendMessageW(control(Option4), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool Form1::lowerCaseChosen() {
  return SendMessageW(control(Option1), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Form1::processEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Not ours to take: put back for the message loop, and stop.
      PostQuitMessage(static_cast<int>(message.wParam));
      requestStop();
      return;
    }
    dispatch(message);
  }
}

void Form1::setRunning(bool running) {
  running_ = running;
  if (running) startRun();
  // No second run and no chooser while a run holds the files; the rest of
  // the window stays live.
  for (const ControlId id : {Command1, Command2, Command3}) EnableWindow(control(id), !running);
}

void Form1::showCountNow(cstrip::LineCount count) {
  SetWindowTextW(control(Text3), cstrip::toWide(cstrip::formatLineCount(count)).c_str());
}
