// Builds a window and its controls from a form layout table
// (resources/forms/): one place that knows how each kind of control is made.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "resources/forms/FormLayout.h"

namespace korvel {

// Registers a form's window class (dialog-coloured background, arrow cursor).
bool RegisterFormClass(HINSTANCE instance, const char* className, WNDPROC procedure, HICON icon);

// One built form: its window, its controls by id, and the fonts they use.
class Form {
 public:
  Form() = default;
  // Destroys the window if it still exists, then the fonts.
  ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // Creates the window of `layout` (its class registered before) so that its
  // client area has the layout's size, then every control of the table in
  // table order. `param` reaches the window procedure as the create
  // parameter. Returns the window, or null when it could not be made.
  HWND Build(const forms::FormLayout& layout, HINSTANCE instance, HWND owner, void* param);
  // Adds the controls of another table (a page's) to the built form.
  void Add(const forms::ControlLayout* controls, std::size_t count, HINSTANCE instance);

  HWND Handle() const { return window_; }
  // The control with `id`, wherever it sits (null if the tables have none).
  HWND Control(int id) const;
  // The font a control was given.
  HFONT FontOf(int id) const;
  // The form's font of that description, made once.
  HFONT Font(const forms::FontLayout& layout);
  // Moves a control within its parent: placed as a row naming `left` and
  // `top` would place it (relative to its group box, if it has one).
  void Place(int id, int left, int top, int width, int height);

 private:
  struct Entry {
    int id;
    HWND window;
    // Where a row naming this control as its parent is placed: in `host`,
    // offset by (left, top) for a group box.
    HWND host;
    int left, top;
    int group;  // the group box the control stands in, 0 for none
  };
  const Entry* EntryOf(int id) const;
  struct MadeFont {
    forms::FontLayout layout;
    HFONT font;
  };

  HWND CreateControl(const forms::ControlLayout& layout, HINSTANCE instance);

  HWND window_ = nullptr;
  HFONT formFont_ = nullptr;
  std::vector<Entry> controls_;
  std::vector<MadeFont> fonts_;
};

// A control's whole text.
std::string ControlText(HWND control);

// Page controls: each tab carries its page window, shown while the tab is
// selected.
int SelectedPage(HWND pageControl);
int PageCount(HWND pageControl);
void SelectPage(HWND pageControl, int index);
// Shows the page of a tab the user selected; true when `header` was such a
// change (TCN_SELCHANGE of a page control).
bool HandlePageChange(const NMHDR& header);

}  // namespace korvel
