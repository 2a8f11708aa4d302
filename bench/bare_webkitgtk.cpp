// The floor of the WebKitGTK comparisons: a bare WebKitGTK web view in a plain GTK window, with
// no Qt, started as a child by bench_startup, bench_page_load and bench_idle_cpu. It takes the
// whole screen, as Skiff's window does, and WebKit's defaults but one: where OpenGL draws on the
// CPU, compositing is off (hardware-acceleration policy "never"), the choice Skiff makes there.
//
//   bare_webkitgtk startup PAGE             load PAGE; print "complete" once it has loaded
//   bare_webkitgtk page-load URL SETTLE_MS  about:blank, then URL once SETTLE_MS have passed;
//                                           SETTLE_MS after URL has loaded, print "load_ms=T"
//                                           with T the milliseconds from the load to its end
//   bare_webkitgtk clock                    about:blank, and below the view a label with the
//                                           time of day, changed every second
// It runs until it is ended.

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

#include "engine/webkitgtk/gdkopengl.h"

namespace {

// A top-level window on the whole work area of the screen (there may be no window manager to
// maximise it), holding the view and, below it, `below` if given.
WebKitWebView* showView(GtkWidget* below = nullptr) {
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    GdkRectangle area;
    gdk_monitor_get_workarea(gdk_display_get_primary_monitor(gdk_display_get_default()), &area);
    gtk_window_move(GTK_WINDOW(window), area.x, area.y);
    gtk_window_set_default_size(GTK_WINDOW(window), area.width, area.height);

    WebKitSettings* settings = webkit_settings_new();
    if (skiff::gdkGlRunsOnCpu()) {
        webkit_settings_set_hardware_acceleration_policy(settings,
                                                         WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    }
    auto* view = WEBKIT_WEB_VIEW(webkit_web_view_new_with_settings(settings));
    g_object_unref(settings);

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_pack_start(GTK_BOX(box), GTK_WIDGET(view), TRUE, TRUE, 0);
    if (below) gtk_box_pack_start(GTK_BOX(box), below, FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(window), box);
    gtk_widget_show_all(window);
    gtk_window_maximize(GTK_WINDOW(window));
    gtk_window_present(GTK_WINDOW(window));
    gtk_widget_grab_focus(GTK_WIDGET(view));
    return view;
}

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// ---- startup ----

void runStartup(const char* page) {
    WebKitWebView* view = showView();
    g_signal_connect(view, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event) {
                         if (event == WEBKIT_LOAD_FINISHED) say("complete");
                     }),
                     nullptr);
    gchar* uri = g_filename_to_uri(page, nullptr, nullptr);
    webkit_web_view_load_uri(view, uri);
    g_free(uri);
}

// ---- page-load ----

// The loads of the view: the first (about:blank) settles, then the page is loaded and timed;
// once it has settled too, the time is printed.
struct LoadRun {
    WebKitWebView* view;
    std::string url;
    guint settleMs;
    int loads = 0;
    gint64 startUs = 0;
    double ms = 0;
};

gboolean loadPage(gpointer data) {
    auto* run = static_cast<LoadRun*>(data);
    run->startUs = g_get_monotonic_time();
    webkit_web_view_load_uri(run->view, run->url.c_str());
    return G_SOURCE_REMOVE;
}

gboolean reportLoad(gpointer data) {
    say("load_ms=" + std::to_string(static_cast<LoadRun*>(data)->ms));
    return G_SOURCE_REMOVE;
}

void onLoadChanged(WebKitWebView*, WebKitLoadEvent event, LoadRun* run) {
    if (event != WEBKIT_LOAD_FINISHED) return;
    if (++run->loads == 1) {
        g_timeout_add(run->settleMs, loadPage, run);
    } else if (run->loads == 2) {
        run->ms = static_cast<double>(g_get_monotonic_time() - run->startUs) / 1000.0;
        g_timeout_add(run->settleMs, reportLoad, run);
    }
}

void runPageLoad(const char* url, guint settleMs) {
    auto* run = new LoadRun{showView(), url, settleMs};  // lives as long as the program
    g_signal_connect(run->view, "load-changed", G_CALLBACK(onLoadChanged), run);
    webkit_web_view_load_uri(run->view, "about:blank");
}

// ---- clock ----

gboolean showTime(gpointer label) {
    char text[16];
    const std::time_t now = std::time(nullptr);
    std::strftime(text, sizeof text, "%H:%M:%S", std::localtime(&now));
    gtk_label_set_text(GTK_LABEL(label), text);
    return G_SOURCE_CONTINUE;
}

void runClock() {
    GtkWidget* label = gtk_label_new("");
    gtk_widget_set_halign(label, GTK_ALIGN_END);
    WebKitWebView* view = showView(label);
    showTime(label);
    g_timeout_add(1000, showTime, label);
    webkit_web_view_load_uri(view, "about:blank");
}

}  // namespace

int main(int argc, char** argv) {
    gdk_set_allowed_backends("x11");  // as Skiff's embedding does
    gtk_init(&argc, &argv);
    const std::string_view mode = argc >= 2 ? argv[1] : "";
    if (mode == "startup" && argc == 3) {
        runStartup(argv[2]);
    } else if (mode == "page-load" && argc == 4) {
        runPageLoad(argv[2], static_cast<guint>(std::atoi(argv[3])));
    } else if (mode == "clock" && argc == 2) {
        runClock();
    } else {
        std::fputs("usage: bare_webkitgtk startup PAGE | page-load URL SETTLE_MS | clock\n",
                   stderr);
        return 2;
    }
    gtk_main();
    return 0;
}
