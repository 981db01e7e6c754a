#include "platform/ui/find_dialogs.h"

#include <gtk/gtk.h>

#include "platform/ui/application.h"

namespace ht::ui {

struct TFindSignals {
  static void find(GtkButton*, gpointer D) {
    auto* d = static_cast<TFindDialog*>(D);
    Guard([d] {
      d->readFields();
      d->Options |= frFindNext;
      struct TEnd {
        TFindDialog* D;
        ~TEnd() { D->Options &= ~unsigned(frFindNext); }
      } end{d};
      if (d->OnFind) d->OnFind(*d);
    });
  }
  static void replace(GtkButton* B, gpointer D) {
    auto* d = static_cast<TReplaceDialog*>(D);
    Guard([d, B] {
      static_cast<TFindDialog*>(d)->readFields();
      const unsigned flag = GTK_WIDGET(B) == d->FReplaceAllButton ? frReplaceAll : frReplace;
      d->Options |= flag;
      struct TEnd {
        TFindDialog* D;
        unsigned Flag;
        ~TEnd() { D->Options &= ~Flag; }
      } end{d, flag};
      if (d->OnReplace) d->OnReplace(*d);
    });
  }
  static void close(GtkButton*, gpointer D) { static_cast<TFindDialog*>(D)->CloseDialog(); }
  static gboolean deleted(GtkWidget* W, GdkEvent*, gpointer) {
    gtk_widget_hide(W);
    return TRUE;
  }
};

TFindDialog::~TFindDialog() {
  if (FWindow) gtk_widget_destroy(FWindow);
}

void TFindDialog::build() {
  const bool replace = IsReplace();
  FWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  TrackWidget(FWindow);
  gtk_window_set_title(GTK_WINDOW(FWindow), replace ? "Replace" : "Find");
  gtk_window_set_resizable(GTK_WINDOW(FWindow), FALSE);
  gtk_window_set_type_hint(GTK_WINDOW(FWindow), GDK_WINDOW_TYPE_HINT_DIALOG);
  g_signal_connect(FWindow, "delete-event", G_CALLBACK(TFindSignals::deleted), this);
  GtkWidget* grid = gtk_grid_new();
  gtk_container_set_border_width(GTK_CONTAINER(grid), 10);
  gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
  gtk_grid_set_column_spacing(GTK_GRID(grid), 8);
  gtk_container_add(GTK_CONTAINER(FWindow), grid);
  int row = 0;
  auto label = [&](const char* Text) {
    GtkWidget* l = gtk_label_new_with_mnemonic(Text);
    gtk_label_set_xalign(GTK_LABEL(l), 0);
    gtk_grid_attach(GTK_GRID(grid), l, 0, row, 1, 1);
    return l;
  };
  gtk_label_set_mnemonic_widget(GTK_LABEL(label("Fi_nd what:")), FFindEntry = gtk_entry_new());
  gtk_grid_attach(GTK_GRID(grid), FFindEntry, 1, row++, 1, 1);
  if (replace) {
    gtk_label_set_mnemonic_widget(GTK_LABEL(label("Re_place with:")), FReplaceEntry = gtk_entry_new());
    gtk_grid_attach(GTK_GRID(grid), FReplaceEntry, 1, row++, 1, 1);
  }
  FWholeWord = gtk_check_button_new_with_mnemonic("Match _whole word only");
  gtk_grid_attach(GTK_GRID(grid), FWholeWord, 0, row++, 2, 1);
  FMatchCase = gtk_check_button_new_with_mnemonic("Match _case");
  gtk_grid_attach(GTK_GRID(grid), FMatchCase, 0, row++, 2, 1);
  if (!replace) {
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    gtk_container_add(GTK_CONTAINER(box), gtk_label_new("Direction:"));
    FUp = gtk_radio_button_new_with_mnemonic(nullptr, "_Up");
    FDown = gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(FUp), "_Down");
    gtk_container_add(GTK_CONTAINER(box), FUp);
    gtk_container_add(GTK_CONTAINER(box), FDown);
    gtk_grid_attach(GTK_GRID(grid), box, 0, row++, 2, 1);
  }
  GtkWidget* buttons = gtk_button_box_new(GTK_ORIENTATION_VERTICAL);
  gtk_box_set_spacing(GTK_BOX(buttons), 4);
  gtk_grid_attach(GTK_GRID(grid), buttons, 2, 0, 1, row);
  FFindButton = gtk_button_new_with_mnemonic("_Find Next");
  g_signal_connect(FFindButton, "clicked", G_CALLBACK(TFindSignals::find), this);
  gtk_container_add(GTK_CONTAINER(buttons), FFindButton);
  if (replace) {
    FReplaceButton = gtk_button_new_with_mnemonic("_Replace");
    FReplaceAllButton = gtk_button_new_with_mnemonic("Replace _All");
    for (GtkWidget* b : {FReplaceButton, FReplaceAllButton}) {
      g_signal_connect(b, "clicked", G_CALLBACK(TFindSignals::replace), this);
      gtk_container_add(GTK_CONTAINER(buttons), b);
    }
  }
  GtkWidget* cancel = gtk_button_new_with_mnemonic("_Cancel");
  g_signal_connect(cancel, "clicked", G_CALLBACK(TFindSignals::close), this);
  gtk_container_add(GTK_CONTAINER(buttons), cancel);
  gtk_widget_set_can_default(FFindButton, TRUE);
  gtk_window_set_default(GTK_WINDOW(FWindow), FFindButton);
  gtk_entry_set_activates_default(GTK_ENTRY(FFindEntry), TRUE);
  gtk_widget_show_all(grid);
}

void TFindDialog::writeFields() {
  gtk_entry_set_text(GTK_ENTRY(FFindEntry), StringToUtf8(FindText).c_str());
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(FWholeWord), (Options & frWholeWord) != 0);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(FMatchCase), (Options & frMatchCase) != 0);
  gtk_widget_set_visible(FWholeWord, !(Options & frHideWholeWord));
  gtk_widget_set_visible(FMatchCase, !(Options & frHideMatchCase));
  if (FDown) {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON((Options & frDown) ? FDown : FUp), TRUE);
    gtk_widget_set_visible(gtk_widget_get_parent(FDown), !(Options & frHideUpDown));
  }
}

void TFindDialog::readFields() {
  FindText = Utf8ToString(gtk_entry_get_text(GTK_ENTRY(FFindEntry)));
  auto flag = [this](GtkWidget* W, unsigned F) {
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(W))) Options |= F;
    else Options &= ~F;
  };
  flag(FWholeWord, frWholeWord);
  flag(FMatchCase, frMatchCase);
  if (FDown) flag(FDown, frDown);
}

void TReplaceDialog::writeFields() {
  TFindDialog::writeFields();
  gtk_entry_set_text(GTK_ENTRY(FReplaceEntry), StringToUtf8(ReplaceText).c_str());
}

void TReplaceDialog::readFields() {
  TFindDialog::readFields();
  ReplaceText = Utf8ToString(gtk_entry_get_text(GTK_ENTRY(FReplaceEntry)));
}

bool TFindDialog::Execute() {
  if (!FWindow) build();
  writeFields();
  gtk_window_present(GTK_WINDOW(FWindow));
  return true;
}

void TFindDialog::CloseDialog() {
  if (FWindow) gtk_widget_hide(FWindow);
}

bool TFindDialog::Showing() const { return FWindow && gtk_widget_get_visible(FWindow); }

void TFindDialog::ClickFindNext() {
  if (FFindButton) gtk_button_clicked(GTK_BUTTON(FFindButton));
}

void TReplaceDialog::ClickReplace() {
  if (FReplaceButton) gtk_button_clicked(GTK_BUTTON(FReplaceButton));
}

void TReplaceDialog::ClickReplaceAll() {
  if (FReplaceAllButton) gtk_button_clicked(GTK_BUTTON(FReplaceAllButton));
}

}  // namespace ht::ui
