#pragma once

// GTK and WebKitGTK for the files of this folder. Some GLib structures have members named
// `signals`, which Qt defines as a keyword: it is set aside while they are read, so that these
// headers may come before or after Qt's.
#pragma push_macro("signals")
#undef signals
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>
#pragma pop_macro("signals")
