// Another program on the virtual X server: writes the clipboard's content
// under one target (argv[1]) into a file (argv[2]). Exit 1 when there is
// none, 2 on bad arguments or no display.
#include <gtk/gtk.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3 || !gtk_init_check(&argc, &argv)) return 2;
  GtkClipboard* c = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
  GtkSelectionData* d = gtk_clipboard_wait_for_contents(c, gdk_atom_intern(argv[1], FALSE));
  if (!d) return 1;
  gint n = 0;
  const guchar* p = gtk_selection_data_get_data_with_length(d, &n);
  FILE* f = std::fopen(argv[2], "wb");
  if (!f) return 2;
  if (p && n > 0) std::fwrite(p, 1, size_t(n), f);
  std::fclose(f);
  gtk_selection_data_free(d);
  return 0;
}
