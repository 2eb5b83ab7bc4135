// form_probe: a form of the windows backend with a list view of pictures, in
// this process. The form owns the list view's image list and destroys it
// once: the list view going first must leave it intact.
//
// Prints "images_before=N" and "images_after_list_view=N"; exits 0 when both
// are the layout's count.
// The seam's header goes before <windows.h>, whose macros share its names.
#include "platform/forms.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>

namespace {

constexpr int kImages = 4;

BOOL CALLBACK FindListView(HWND w, LPARAM out) {
  wchar_t cls[32] = {};
  GetClassNameW(w, cls, 32);
  if (lstrcmpiW(cls, WC_LISTVIEWW) != 0) return TRUE;
  *reinterpret_cast<HWND*>(out) = w;
  return FALSE;
}

}  // namespace

int wmain() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  plat::FormLayout layout;
  layout.name = L"TFormProbe";
  layout.caption = L"Form probe";
  layout.width = 200;
  layout.height = 120;
  plat::ControlLayout list = plat::Ctl(L"ListView1", plat::ControlKind::ListView, L"", 4, 4, 190, 100);
  list.columns = {{L"Title", 120}};
  list.image_first = 200;
  list.image_count = kImages;
  layout.controls.push_back(list);
  const plat::Form form = plat::CreateForm(layout, 0, [](plat::Form, const plat::FormEvent&) { return false; });
  HWND top = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(plat::FormWindow(form)));
  HWND view = nullptr;
  EnumChildWindows(top, FindListView, reinterpret_cast<LPARAM>(&view));
  if (!view) {
    std::printf("no list view\n");
    return 2;
  }
  HIMAGELIST images = ListView_GetImageList(view, LVSIL_SMALL);
  const int before = images ? ImageList_GetImageCount(images) : -1;
  DestroyWindow(view);
  const int after = images ? ImageList_GetImageCount(images) : -1;
  std::printf("images_before=%d\nimages_after_list_view=%d\n", before, after);
  std::fflush(stdout);
  if (after != kImages) ExitProcess(1);  // the form would destroy a destroyed list
  plat::DestroyForm(form);
  return before == kImages ? 0 : 1;
}
