#include "winui/win_services.h"

#include "winui/dialog.h"
#include "winui/text_conversion.h"
#include "winui/wait_cursor.h"

namespace tolvane::win {

namespace {
constexpr UINT kRunPosted = WM_APP + 1;
constexpr UINT kRunSent = WM_APP + 2;
constexpr WORD kEnglishUs = 1033;
}  // namespace

BoxCall BoxFor(const MessageRequest& r) {
  BoxCall call;
  call.owner = ToHwnd(r.owner);
  call.text = Wide(r.text);
  call.caption = Wide(r.caption);
  call.style = MB_TASKMODAL | (r.buttons == MsgButtons::YesNo ? MB_YESNO : MB_OK);
  if (r.icon == MsgIcon::Information) call.style |= MB_ICONINFORMATION;
  if (r.icon == MsgIcon::Exclamation) call.style |= MB_ICONEXCLAMATION;
  if (r.englishLocale) call.language = kEnglishUs;
  return call;
}

MsgAnswer Win32MessagePresenter::Present(const MessageRequest& request) {
  const BoxCall c = BoxFor(request);
  // The box has its own cursor; the command's wait cursor comes back after it.
  const bool waiting = WaitCursorOn();
  SetWaitCursorState(false);
  const int answer = c.language ? MessageBoxExW(c.owner, c.text.c_str(), c.caption.c_str(), c.style, c.language)
                                : MessageBoxW(c.owner, c.text.c_str(), c.caption.c_str(), c.style);
  SetWaitCursorState(waiting);
  if (waiting) SetCursorForWait();
  if (request.buttons == MsgButtons::YesNo) return answer == IDYES ? MsgAnswer::Yes : MsgAnswer::No;
  return MsgAnswer::Ok;
}

void Win32MessagePresenter::SetWaitCursor(bool on) {
  SetWaitCursorState(on);
  if (on) {
    SetCursorForWait();
  } else {
    POINT p;
    GetCursorPos(&p);
    SetCursorPos(p.x, p.y);  // the window under the pointer sets its own cursor again
  }
}

Win32Dispatcher::Win32Dispatcher() : thread_(GetCurrentThreadId()) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TolvaneDispatcher";
  RegisterClassW(&wc);
  target_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

Win32Dispatcher::~Win32Dispatcher() {
  if (target_) DestroyWindow(target_);
}

void Win32Dispatcher::RunBlocking(const std::function<void()>& fn) {
  if (GetCurrentThreadId() == thread_) {
    fn();
    return;
  }
  SendMessageW(target_, kRunSent, 0, reinterpret_cast<LPARAM>(&fn));
}

void Win32Dispatcher::Post(std::function<void()> fn) {
  auto* work = new std::function<void()>(std::move(fn));
  if (!PostMessageW(target_, kRunPosted, 0, reinterpret_cast<LPARAM>(work))) delete work;
}

LRESULT CALLBACK Win32Dispatcher::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kRunPosted) {
    auto* work = reinterpret_cast<std::function<void()>*>(lParam);
    (*work)();
    delete work;
    return 0;
  }
  if (msg == kRunSent) {
    (*reinterpret_cast<const std::function<void()>*>(lParam))();
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

Win32Dispatcher& GuiDispatcher() {
  static Win32Dispatcher d;
  return d;
}

}  // namespace tolvane::win
