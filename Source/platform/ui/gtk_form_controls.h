#pragma once
// The form controls of the window layer on GTK widgets, put on a panel's
// child layer (the GtkFixed above its client area): the edit box is a
// GtkEntry, the number box a GtkSpinButton, the date-time picker an entry
// of fixed ISO text with a popover holding a GtkCalendar (dates) or typed
// hh:nn:ss (times), the combo box a GtkComboBoxText, the list box a
// drawing area in a scrolled window whose items the owner measures and
// paints, and the memo a GtkTextView in a scrolled window.
//
// Font and colours reach each widget through a GtkCssProvider of its own.
// Edits by the user raise OnChange; focus moves raise OnEnter and OnExit.
// A control's height follows its font's natural height until the engine
// sets another one. Freeing a control destroys its widget.
#include <memory>

#include "platform/ui/form_controls.h"

typedef struct _GtkWidget GtkWidget;

namespace ht::ui {

class TCustomPanel;

// A new control of Kind on Panel's child layer, hidden.
std::unique_ptr<TFormControl> CreateGtkFormControl(TCustomPanel& Panel, TFormControlKind Kind);

// The outer widget of a control CreateGtkFormControl made, else null.
GtkWidget* FormControlWidget(TFormControl& Control);
// The widget that takes the keyboard (the entry, the text view...), else null.
GtkWidget* FormControlInputWidget(TFormControl& Control);

}  // namespace ht::ui
