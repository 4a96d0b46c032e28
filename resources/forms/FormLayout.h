// The shape of a form layout: the window and a table of its controls, as
// plain data. app/FormBuilder turns such a table into windows.
#pragma once

#include <cstddef>

namespace korvel::forms {

struct FontLayout {
  const char* face;
  int height;  // as in LOGFONT: negative = character height in pixels
  bool bold;
};

enum class Kind {
  Label,         // static text; width 0 sizes it to its text
  Button,        // push button
  DropDownList,  // combo box without typing; height is the closed box's
  PageControl,   // tab control whose pages are the Page rows that name it as parent
  Page,          // one page of a PageControl: caption = tab text, fills the page area
  ProgressBar,   // value = upper end of the range (the lower end is 0)
  Image,         // picture control with a drawable canvas; picture = bitmap resource
  CheckBox,      // check box; option Checked ticks it
  GroupBox,      // frame with a caption; rows that name it as parent are placed
                 // relative to it but belong to its parent window
  OwnerDrawList, // list box whose lines the form draws, keeping their texts;
                 // value = line height
  Edit,          // one-line text field
  ListBox,       // list box with single selection that reports it
};

enum Option : unsigned {
  Hidden = 0x1,    // created without WS_VISIBLE
  Checked = 0x2,   // CheckBox: ticked
  Centred = 0x4,   // Label: text centred in its width
};

struct ControlLayout {
  const char* name;  // the control's name, for reading the table and for tests
  Kind kind;
  int id;       // control id (resources/forms/ControlIds.h)
  int parent;   // id of the parent control; 0 = the form itself
  int left, top, width, height;  // in the parent's client coordinates
  const char* caption;  // text, or null
  const char* picture;  // Image: name of the bitmap resource shown, or null for a blank canvas
  const FontLayout* font;  // null = the form's font
  int value;
  unsigned options;
};

enum class Border {
  Single,  // caption, system menu and minimize box; not resizable
  None,    // no border and no border icons
  Dialog,  // dialog frame with a caption, no border icons
};

constexpr int kCentred = -0x7FFF;  // FormLayout left/top: centred on the screen

struct FormLayout {
  const char* className;
  const char* caption;
  Border border;
  int left, top;  // screen position of the window, or kCentred
  int clientWidth, clientHeight;
  FontLayout font;
  const ControlLayout* controls;
  std::size_t controlCount;
};

}  // namespace korvel::forms
