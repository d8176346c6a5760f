#include "winui/find_module_dlg.h"

#include <commctrl.h>

#include <utility>

#include "core/language.h"
#include "platform/port_list.h"
#include "winui/controls.h"
#include "winui/fonts.h"
#include "winui/screen_scale.h"
#include "winui/text_conversion.h"
#include "winui/wait_cursor.h"

namespace tolvane::win {

namespace {

// Laid out at 96 pixels per inch.
constexpr int kWidth = 480, kMargin = 12, kLabelWidth = 112, kFieldLeft = kMargin + kLabelWidth;
constexpr int kListTop = 236, kListHeight = 120;
// Where each column of the result list starts, from the list's left edge.
constexpr int kColumnLeft[4] = {4, 74, 170, 290};

// The list's text as any program reads it: one line per module, its columns
// separated by tabs.
std::string ResultLine(const FoundModule& m) {
  const FindResultRow r = ResultRow(m);
  return r.station + "\t" + r.baud + "\t" + r.format + "\t" + r.model;
}

std::string ListText(HWND list, LRESULT i, UINT lenMsg, UINT textMsg) {
  std::wstring text(static_cast<size_t>(SendMessageW(list, lenMsg, static_cast<WPARAM>(i), 0)) + 1, L'\0');
  SendMessageW(list, textMsg, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
  return Utf8(text.c_str());
}

void FillCombo(HWND box, const ListState& s) {
  bool same = SendMessageW(box, CB_GETCOUNT, 0, 0) == static_cast<LRESULT>(s.items.size());
  for (size_t i = 0; same && i < s.items.size(); ++i)
    same = ListText(box, static_cast<LRESULT>(i), CB_GETLBTEXTLEN, CB_GETLBTEXT) == s.items[i];
  if (!same) {
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : s.items) SendMessageW(box, CB_ADDSTRING, 0, (LPARAM)Wide(item).c_str());
  }
  if (SendMessageW(box, CB_GETCURSEL, 0, 0) != s.selection) SendMessageW(box, CB_SETCURSEL, s.selection, 0);
}

// A list box's tab stops count quarters of its font's average character width,
// measured as the system measures it.
int TabUnits(HWND list, int pixels) {
  HDC dc = GetDC(list);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
  static const wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE size{};
  GetTextExtentPoint32W(dc, kAlphabet, 52, &size);
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  const int average = static_cast<int>((size.cx / 26 + 1) / 2);
  return average > 0 ? pixels * 4 / average : 0;
}

}  // namespace

CFindModuleDlg::CFindModuleDlg(UiDispatcher& ui, std::function<std::vector<std::string>()> listPorts)
    : model_(
          ui, listPorts ? std::move(listPorts) : [] { return ListSerialPorts(); }) {}

CFindModuleDlg::~CFindModuleDlg() {
  model_.onChanged = nullptr;
  model_.onClose = nullptr;
}

void CFindModuleDlg::OnInit() {
  // Each label is made right before its control: a screen reader names the
  // control by it. Buttons and the check box are named by their own text.
  const DWORD label = SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, list = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
  const int fieldWidth = kWidth - kMargin - kFieldLeft;
  portLabel_ = Child(hwnd_, WC_STATICW, "", label, kMargin, 14, kLabelWidth, 24);
  Child(hwnd_, WC_COMBOBOXW, "", list, kFieldLeft, 14, fieldWidth, 200, kIdFindPorts);
  fromLabel_ = Child(hwnd_, WC_STATICW, "", label, kMargin, 48, kLabelWidth, 24);
  HWND from = CreateDrawEdit(hwnd_, kIdFindFrom, ES_CENTER, kFieldLeft, 48, 60, 24, true);
  toLabel_ = Child(hwnd_, WC_STATICW, "", label, kFieldLeft + 90, 48, 96, 24);
  HWND to = CreateDrawEdit(hwnd_, kIdFindTo, ES_CENTER, kFieldLeft + 186, 48, 60, 24, true);
  for (HWND e : {from, to}) SendMessageW(e, EM_LIMITTEXT, 3, 0);
  linesLabel_ = Child(hwnd_, WC_STATICW, "", label, kMargin, 82, kLabelWidth, 24);
  Child(hwnd_, WC_COMBOBOXW, "", list, kFieldLeft, 82, fieldWidth, 200, kIdFindLines);
  Child(hwnd_, WC_BUTTONW, "", WS_TABSTOP | BS_AUTOCHECKBOX, kMargin, 116, 260, 24, kIdFindAll);
  Child(hwnd_, WC_BUTTONW, "", WS_TABSTOP | BS_PUSHBUTTON, kWidth - kMargin - 100, 114, 100, 28, kIdFindSearch);
  // The figures name the bar that shows them.
  Child(hwnd_, WC_STATICW, "", SS_LEFT | SS_NOPREFIX, kMargin, 174, kWidth - 2 * kMargin, 20, kIdFindFigures);
  HWND bar = Child(hwnd_, PROGRESS_CLASSW, "", 0, kMargin, 152, kWidth - 2 * kMargin, 16, kIdFindProgress);
  SendMessageW(bar, PBM_SETRANGE32, 0, 100);
  for (int c = 0; c < 4; ++c)
    columns_[c] = Child(hwnd_, WC_STATICW, "", SS_LEFT | SS_NOPREFIX, kMargin + 1 + kColumnLeft[c], kListTop - 20,
                        (c < 3 ? kColumnLeft[c + 1] : kWidth - 2 * kMargin) - kColumnLeft[c], 18);
  resultsLabel_ = Child(hwnd_, WC_STATICW, "", label, kMargin, 198, kWidth - 2 * kMargin, 18);
  // A plain list of strings: what a screen reader or another program reads with LB_GETTEXT.
  HWND results = Child(hwnd_, WC_LISTBOXW, "", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_USETABSTOPS, kMargin,
                       kListTop, kWidth - 2 * kMargin, kListHeight, kIdFindResults, WS_EX_CLIENTEDGE);
  INT stops[3];
  for (int c = 1; c < 4; ++c) stops[c - 1] = TabUnits(results, Scale(kColumnLeft[c] - kColumnLeft[0]));
  SendMessageW(results, LB_SETTABSTOPS, 3, reinterpret_cast<LPARAM>(stops));
  Child(hwnd_, WC_STATICW, "", SS_LEFT | SS_NOPREFIX, kMargin, kListTop + kListHeight + 6, kWidth - 2 * kMargin, 20,
        kIdFindStatus);
  Child(hwnd_, WC_BUTTONW, "", WS_TABSTOP | BS_PUSHBUTTON, kWidth - kMargin - 212, 392, 100, 28, kIdFindUse);
  Child(hwnd_, WC_BUTTONW, "", WS_TABSTOP | BS_PUSHBUTTON, kWidth - kMargin - 100, 392, 100, 28, kIdFindClose);
  SetClientSize(kWidth, 432);

  model_.SetWindow(ToWindowId(hwnd_));
  model_.onChanged = [this] { Refresh(); };
  model_.onClose = [this](bool used) { End(used ? IDOK : IDCANCEL); };
  Relabel();
  model_.Open();
  Refresh();
  SetFocus(item(kIdFindSearch));
}

void CFindModuleDlg::Relabel() {
  SetText(hwnd_, Pick(txt::kFindTitle));
  SetText(portLabel_, Pick(txt::kPortLabel));
  SetText(fromLabel_, Pick(txt::kFindFrom));
  SetText(toLabel_, Pick(txt::kFindTo));
  SetText(linesLabel_, Pick(txt::kFindLines));
  SetText(resultsLabel_, Pick(txt::kFindResults));
  for (int c = 0; c < 4; ++c) SetText(columns_[c], Pick(*ResultColumns()[static_cast<size_t>(c)]));
  SetText(item(kIdFindAll), Pick(txt::kFindAllModules));
  SetText(item(kIdFindUse), Pick(txt::kFindUse));
  SetText(item(kIdFindClose), Pick(txt::kFindClose));
}

void CFindModuleDlg::Refresh() {
  refreshing_ = true;
  FillCombo(item(kIdFindPorts), model_.ports);
  FillCombo(item(kIdFindLines), model_.lines);
  for (auto [id, text] : {std::pair{kIdFindFrom, &model_.fromText}, std::pair{kIdFindTo, &model_.toText}})
    if (TextOf(item(id)) != *text) SetText(item(id), *text);
  CheckDlgButton(hwnd_, kIdFindAll, model_.findAll ? BST_CHECKED : BST_UNCHECKED);
  for (auto [id, text] : {std::pair{kIdFindSearch, &model_.searchCaption}, std::pair{kIdFindFigures, &model_.figures},
                          std::pair{kIdFindStatus, &model_.status}})
    if (TextOf(item(id)) != *text) SetText(item(id), *text);
  SendMessageW(item(kIdFindProgress), PBM_SETPOS, static_cast<WPARAM>(model_.percent), 0);

  HWND results = item(kIdFindResults);
  bool same = SendMessageW(results, LB_GETCOUNT, 0, 0) == static_cast<LRESULT>(model_.results.size());
  for (size_t i = 0; same && i < model_.results.size(); ++i)
    same = ListText(results, static_cast<LRESULT>(i), LB_GETTEXTLEN, LB_GETTEXT) == ResultLine(model_.results[i]);
  if (!same) {
    SendMessageW(results, LB_RESETCONTENT, 0, 0);
    for (const FoundModule& m : model_.results)
      SendMessageW(results, LB_ADDSTRING, 0, (LPARAM)Wide(ResultLine(m)).c_str());
  }
  if (SendMessageW(results, LB_GETCURSEL, 0, 0) != model_.selected)
    SendMessageW(results, LB_SETCURSEL, static_cast<WPARAM>(model_.selected), 0);

  // While a search runs only Search in its Stop role and the list act; the
  // focus leaves a control as it is disabled.
  const std::pair<int, bool> enabled[] = {{kIdFindPorts, model_.inputsEnabled}, {kIdFindFrom, model_.inputsEnabled},
                                          {kIdFindTo, model_.inputsEnabled},    {kIdFindLines, model_.inputsEnabled},
                                          {kIdFindAll, model_.inputsEnabled},   {kIdFindClose, model_.inputsEnabled},
                                          {kIdFindUse, model_.useEnabled}};
  for (auto [id, on] : enabled) {
    HWND control = item(id);
    if (!on && GetFocus() == control) SetFocus(item(kIdFindSearch));
    EnableWindow(control, on);
  }
  refreshing_ = false;
}

void CFindModuleDlg::OnCommand(int id, int code, HWND control) {
  if (refreshing_) return;
  switch (id) {
    case kIdFindPorts:
    case kIdFindLines:
      if (code == CBN_SELCHANGE) {
        const int index = static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0));
        id == kIdFindPorts ? model_.SelectPort(index) : model_.SelectLines(index);
      }
      return;
    case kIdFindFrom:
    case kIdFindTo:
      if (code == EN_CHANGE) id == kIdFindFrom ? model_.SetFrom(TextOf(control)) : model_.SetTo(TextOf(control));
      return;
    case kIdFindResults:
      if (code == LBN_SELCHANGE) model_.SelectResult(static_cast<int>(SendMessageW(control, LB_GETCURSEL, 0, 0)));
      return;
    default:
      break;
  }
  if (code != BN_CLICKED) return;
  switch (id) {
    case kIdFindAll:
      model_.SetFindAll(IsDlgButtonChecked(hwnd_, kIdFindAll) == BST_CHECKED);
      return;
    case kIdFindSearch:
      // A click that stops a search changes nothing the model reports until the worker ends.
      model_.SearchClick();
      Refresh();
      return;
    case kIdFindUse:
      model_.UseClick();
      return;
    case kIdFindClose:
    case IDCANCEL:  // Escape
      model_.CloseClick();
      return;
    default:  // Enter starts nothing: a search takes minutes and holds the port
      return;
  }
}

bool CFindModuleDlg::Handle(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR* answer) {
  switch (msg) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      *answer = TRUE;
      return true;
    case WM_CLOSE:  // as Close; nothing while a search runs
      model_.CloseClick();
      *answer = TRUE;
      return true;
    default:
      return false;
  }
}

}  // namespace tolvane::win
