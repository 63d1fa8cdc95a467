#pragma once

#include <glib.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/UniqueFd.h"

namespace pictavo::purple {

// One pictavo-host process for one account, spoken to with its line protocol: a typed command
// goes to its standard input, and its answer comes back as one line of standard output. Every
// pipe is watched from the GLib main loop, so the messenger never waits on the child; its
// standard error goes to the debug log line by line.
class HostChild {
public:
    struct Events {
        // One answer line, without its line break.
        std::function<void(const std::string&)> answer;
        // The process ended (or its output closed) while it was still wanted.
        std::function<void()> died;
        // One line the child wrote to its standard error.
        std::function<void(const std::string&)> log;
    };

    HostChild(Events events) : events_(std::move(events)) {}
    // Ends the process as stop() does.
    ~HostChild();
    HostChild(const HostChild&) = delete;
    HostChild& operator=(const HostChild&) = delete;

    // Starts `argv[0]` with `argv`; false with `error` set when it cannot be started.
    bool start(const std::vector<std::string>& argv, std::string& error);
    // Writes one line to the child; false when the child is gone.
    bool send(const std::string& line);
    bool running() const { return pid_ > 0 && !dead_; }
    pid_t pid() const { return pid_; }
    // SIGTERM, then a wait of up to `graceMs` for the process to end, then SIGKILL. Returns at
    // once when the process is already gone; afterwards no process and no watch is left.
    void stop(int graceMs = 3000);
    // Asks the process to end (SIGTERM) without waiting, so that several end side by side.
    void terminate();

private:
    static gboolean onOutput(GIOChannel* channel, GIOCondition condition, gpointer self);
    static gboolean onError(GIOChannel* channel, GIOCondition condition, gpointer self);
    static void onExit(GPid pid, gint status, gpointer self);
    // Reads what is there; false at the end of the stream. Hands each complete line to `line`.
    static bool drain(int fd, std::string& buffer, const std::function<void(std::string)>& line);
    bool readOutput();
    void markDead();
    void closeAll();

    Events events_;
    pid_t pid_ = -1;
    bool dead_ = false;
    bool reaped_ = false;
    UniqueFd in_;
    UniqueFd out_;
    UniqueFd err_;
    guint outWatch_ = 0;
    guint errWatch_ = 0;
    guint exitWatch_ = 0;
    std::string outBuffer_;
    std::string errBuffer_;
};

}  // namespace pictavo::purple
