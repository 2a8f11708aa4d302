#include "engine/webkitgtk/gdkopengl.h"

#include <epoxy/gl.h>
#include <gtk/gtk.h>

#include "engine/softwaregl.h"

namespace skiff {

bool gdkGlRunsOnCpu() {
    GtkWidget* window = gtk_window_new(GTK_WINDOW_POPUP);
    gtk_widget_realize(window);
    GdkGLContext* context = gdk_window_create_gl_context(gtk_widget_get_window(window), nullptr);
    bool onCpu = false;
    if (context && gdk_gl_context_realize(context, nullptr)) {
        gdk_gl_context_make_current(context);
        const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        onCpu = namesSoftwareRenderer(name ? name : "");
        gdk_gl_context_clear_current();
    }
    if (context) g_object_unref(context);
    gtk_widget_destroy(window);
    return onCpu;
}

}  // namespace skiff
