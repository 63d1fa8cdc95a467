#include <gtest/gtest.h>

#include "plugin/PlatformServices.h"

using namespace pictavo;
using Kind = ScreenSourceChoice::Kind;

// The session's kind decides, unless PICTAVO_SCREEN_SOURCE names a source; the log line says
// which and why.
TEST(ScreenSourceChoice, WaylandSessionsUseThePortalUnlessToldOtherwise) {
    const struct {
        const char* name;
        QStringList variables;
        Kind kind;
        const char* line;
    } rows[] = {
        {"x11 session", {"DISPLAY=:0", "XDG_SESSION_TYPE=x11"}, Kind::X11, "Screen source: X11"},
        {"wayland display",
         {"DISPLAY=:0", "WAYLAND_DISPLAY=wayland-1"},
         Kind::Portal,
         "Screen source: desktop portal (WAYLAND_DISPLAY is set)"},
        {"session type only",
         {"XDG_SESSION_TYPE=wayland"},
         Kind::Portal,
         "Screen source: desktop portal (XDG_SESSION_TYPE is wayland)"},
        {"forced x11",
         {"WAYLAND_DISPLAY=wayland-1", "PICTAVO_SCREEN_SOURCE=X11"},
         Kind::X11,
         "Screen source: X11 (PICTAVO_SCREEN_SOURCE)"},
        {"forced portal",
         {"DISPLAY=:0", "PICTAVO_SCREEN_SOURCE=portal"},
         Kind::Portal,
         "Screen source: desktop portal (PICTAVO_SCREEN_SOURCE)"},
        {"unknown value",
         {"DISPLAY=:0", "PICTAVO_SCREEN_SOURCE=grim"},
         Kind::X11,
         "Screen source: X11; PICTAVO_SCREEN_SOURCE=grim is neither x11 nor portal"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QProcessEnvironment environment(QProcessEnvironment::InheritFromParent);
        environment.clear();
        for (const QString& variable : row.variables) {
            environment.insert(variable.section(QLatin1Char('='), 0, 0),
                               variable.section(QLatin1Char('='), 1));
        }
        const ScreenSourceChoice choice = ScreenSourceChoice::from(environment);
        EXPECT_EQ(choice.kind, row.kind);
        EXPECT_EQ(choice.logLine, QLatin1String(row.line));
    }
}
