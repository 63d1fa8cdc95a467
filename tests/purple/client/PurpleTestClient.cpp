// A headless libpurple client for the messenger plug-in's tests: one XMPP account on a local
// server, driven by lines on standard input, reporting what a user would see as lines on
// standard output:
//   READY                      signed in, and the buddy is online
//   CONV <flags> <message>     a message in a conversation (flags: libpurple's message flags)
//   NOTIFY <primary> <text>    a notice
//   XFER <ms>                  a file transfer was created, ms after the last "do"
//   RECV <path>                a file was received whole
//   DONE <status>, HELP <text>, LOADED, UNLOADED, STALL <ms>
// Input: "load PATH", "unload", "do WHO COMMAND", "chat COMMAND", "help COMMAND", "refuse",
// "accept", "stall" (the longest wait of the main loop since the last "stall"), "quit".

#include <account.h>
#include <blist.h>
#include <cmds.h>
#include <connection.h>
#include <conversation.h>
#include <core.h>
#include <debug.h>
#include <eventloop.h>
#include <ft.h>
#include <notify.h>
#include <plugin.h>
#include <request.h>
#include <savedstatuses.h>
#include <server.h>
#include <signal.h>
#include <signals.h>
#include <status.h>
#include <stdio.h>
#include <string.h>
#include <util.h>

#include <algorithm>
#include <functional>
#include <string>

namespace {

struct Options {
    std::string user, password, buddy, home, receiveDir;
    int port = 5222;
    bool debug = false;
};

Options options;
PurpleAccount* account = nullptr;
PurplePlugin* loaded = nullptr;
GMainLoop* loop = nullptr;
bool ready = false;
bool refuseFiles = false;
gint64 lastCommandUs = 0;
gint64 lastTickUs = 0;
gint64 longestStallUs = 0;

void say(const std::string& line) {
    // One line whatever a message holds.
    std::string clean = line;
    for (char& c : clean) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    printf("%s\n", clean.c_str());
    fflush(stdout);
}

// The main loop's event sources, as every GLib-based libpurple client has them.
struct InputClosure {
    PurpleInputFunction function;
    gpointer data;
};

gboolean inputReady(GIOChannel* source, GIOCondition condition, gpointer data) {
    auto* closure = static_cast<InputClosure*>(data);
    int cond = 0;
    if (condition & (G_IO_IN | G_IO_HUP | G_IO_ERR)) {
        cond |= PURPLE_INPUT_READ;
    }
    if (condition & (G_IO_OUT | G_IO_HUP | G_IO_ERR | G_IO_NVAL)) {
        cond |= PURPLE_INPUT_WRITE;
    }
    closure->function(closure->data, g_io_channel_unix_get_fd(source), PurpleInputCondition(cond));
    return TRUE;
}

guint inputAdd(gint fd, PurpleInputCondition condition, PurpleInputFunction function,
               gpointer data) {
    auto* closure = g_new0(InputClosure, 1);
    closure->function = function;
    closure->data = data;
    int cond = 0;
    if (condition & PURPLE_INPUT_READ) {
        cond |= G_IO_IN | G_IO_HUP | G_IO_ERR;
    }
    if (condition & PURPLE_INPUT_WRITE) {
        cond |= G_IO_OUT | G_IO_HUP | G_IO_ERR | G_IO_NVAL;
    }
    GIOChannel* channel = g_io_channel_unix_new(fd);
    const guint id = g_io_add_watch_full(channel, G_PRIORITY_DEFAULT, GIOCondition(cond),
                                         inputReady, closure, g_free);
    g_io_channel_unref(channel);
    return id;
}

PurpleEventLoopUiOps eventLoop = {g_timeout_add,   g_source_remove, inputAdd,
                                  g_source_remove, nullptr,         g_timeout_add_seconds,
                                  nullptr,         nullptr,         nullptr};

void writeConv(PurpleConversation*, const char*, const char*, const char* message,
               PurpleMessageFlags flags, time_t) {
    say("CONV " + std::to_string(int(flags)) + " " + (message ? message : ""));
}

PurpleConversationUiOps conversations = {};

void* notifyMessage(PurpleNotifyMsgType, const char*, const char* primary, const char* secondary) {
    say(std::string("NOTIFY ") + (primary ? primary : "") + " " + (secondary ? secondary : ""));
    return nullptr;
}

PurpleNotifyUiOps notices = {};

void* authorize(PurpleAccount*, const char*, const char*, const char*, const char*, gboolean,
                PurpleAccountRequestAuthorizationCb accept, PurpleAccountRequestAuthorizationCb,
                void* data) {
    accept(data);
    return nullptr;
}

PurpleAccountUiOps accounts = {};

void newTransfer(PurpleXfer*) {
    say("XFER " + std::to_string((g_get_monotonic_time() - lastCommandUs) / 1000));
}

PurpleXferUiOps transfers = {};

// Runs `function` once from the main loop.
void later(std::function<void()> function) {
    g_idle_add(
        [](gpointer f) -> gboolean {
            auto* call = static_cast<std::function<void()>*>(f);
            (*call)();
            delete call;
            return FALSE;
        },
        new std::function<void()>(std::move(function)));
}

// libpurple asks whether to take a file offered (its question has no default answer, so the
// answer is found by its label), then where to put it. Each answer is given from the main loop,
// as a user's click would come.
void* requestAction(const char*, const char*, const char*, int, PurpleAccount*, const char*,
                    PurpleConversation*, void* data, size_t count, va_list actions) {
    for (size_t i = 0; i < count; ++i) {
        std::string label = va_arg(actions, const char*);
        auto callback = va_arg(actions, PurpleRequestActionCb);
        label.erase(std::remove(label.begin(), label.end(), '_'), label.end());
        if (label == (refuseFiles ? "Cancel" : "Accept")) {
            later([callback, data, i] { callback(data, int(i)); });
        }
    }
    return nullptr;
}

void* requestFile(const char*, const char* filename, gboolean, GCallback ok, GCallback,
                  PurpleAccount*, const char*, PurpleConversation*, void* data) {
    gchar* name = g_path_get_basename(filename);
    gchar* path = g_build_filename(options.receiveDir.c_str(), name, nullptr);
    auto callback = reinterpret_cast<PurpleRequestFileCb>(ok);
    later([callback, data, target = std::string(path)] { callback(data, target.c_str()); });
    g_free(path);
    g_free(name);
    return nullptr;
}

PurpleRequestUiOps requests = {};

// libpurple announces the end before it has written the last bytes.
void receiveComplete(PurpleXfer* xfer) {
    later([path = std::string(purple_xfer_get_local_filename(xfer))] { say("RECV " + path); });
}

gboolean checkReady(gpointer) {
    if (ready || !purple_account_is_connected(account)) {
        return TRUE;
    }
    PurpleBuddy* buddy = purple_find_buddy(account, options.buddy.c_str());
    if (buddy && PURPLE_BUDDY_IS_ONLINE(buddy)) {
        ready = true;
        say("READY");
    }
    return TRUE;
}

gboolean tick(gpointer) {
    const gint64 now = g_get_monotonic_time();
    longestStallUs = std::max(longestStallUs, now - lastTickUs);
    lastTickUs = now;
    return TRUE;
}

void signedOn(PurpleConnection*) {
    PurpleBuddy* buddy = purple_find_buddy(account, options.buddy.c_str());
    if (!buddy) {
        buddy = purple_buddy_new(account, options.buddy.c_str(), nullptr);
        purple_blist_add_buddy(buddy, nullptr, nullptr, nullptr);
        purple_account_add_buddy(account, buddy);
    }
}

PurpleConversation* conversation(PurpleConversationType type, const std::string& name) {
    PurpleConversation* conv = purple_find_conversation_with_account(type, name.c_str(), account);
    return conv ? conv : purple_conversation_new(type, account, name.c_str());
}

// `line` as typed: libpurple takes it without its slash.
void doCommand(PurpleConversation* conv, std::string line) {
    if (!line.empty() && line[0] == '/') {
        line.erase(0, 1);
    }
    gchar* error = nullptr;
    lastCommandUs = g_get_monotonic_time();
    const PurpleCmdStatus status = purple_cmd_do_command(conv, line.c_str(), line.c_str(), &error);
    say("DONE " + std::to_string(int(status)));
    g_free(error);
}

void handle(const std::string& line) {
    const size_t space = line.find(' ');
    const std::string verb = line.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    if (verb == "load") {
        loaded = purple_plugin_probe(rest.c_str());
        say(loaded && purple_plugin_load(loaded) ? "LOADED" : "LOAD-FAILED");
    } else if (verb == "unload") {
        say(loaded && purple_plugin_unload(loaded) ? "UNLOADED" : "UNLOAD-FAILED");
    } else if (verb == "do") {
        const size_t split = rest.find(' ');
        doCommand(conversation(PURPLE_CONV_TYPE_IM, rest.substr(0, split)), rest.substr(split + 1));
    } else if (verb == "chat") {
        // Joined as the server would have it, so that the conversation shows messages.
        PurpleConversation* chat = serv_got_joined_chat(purple_account_get_connection(account), 1,
                                                        "room@conference.localhost");
        doCommand(chat, rest);
    } else if (verb == "help") {
        GList* help = purple_cmd_help(nullptr, rest.c_str());
        for (GList* h = help; h; h = h->next) {
            say(std::string("HELP ") + static_cast<char*>(h->data));
        }
        g_list_free(help);
        say("HELP-END");
    } else if (verb == "refuse" || verb == "accept") {
        refuseFiles = verb == "refuse";
    } else if (verb == "stall") {
        say("STALL " + std::to_string(longestStallUs / 1000));
        longestStallUs = 0;
    } else if (verb == "quit") {
        g_main_loop_quit(loop);
    }
}

gboolean readInput(GIOChannel* channel, GIOCondition, gpointer) {
    gchar* text = nullptr;
    gsize length = 0;
    const GIOStatus status = g_io_channel_read_line(channel, &text, &length, nullptr, nullptr);
    if (status == G_IO_STATUS_EOF || status == G_IO_STATUS_ERROR) {
        g_main_loop_quit(loop);
        return FALSE;
    }
    if (text) {
        handle(std::string(text, strcspn(text, "\r\n")));
        g_free(text);
    }
    return TRUE;
}

bool parse(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const std::string value = argv[i + 1];
        if (key == "--user") {
            options.user = value;
        } else if (key == "--password") {
            options.password = value;
        } else if (key == "--buddy") {
            options.buddy = value;
        } else if (key == "--home") {
            options.home = value;
        } else if (key == "--receive-dir") {
            options.receiveDir = value;
        } else if (key == "--port") {
            options.port = atoi(value.c_str());
        } else if (key == "--debug") {
            options.debug = value == "1";
        } else {
            return false;
        }
    }
    return !options.user.empty() && !options.home.empty();
}

}  // namespace

int main(int argc, char** argv) {
    if (!parse(argc, argv)) {
        fprintf(stderr,
                "usage: purple-test-client --user JID --password P --buddy JID --home DIR "
                "[--port N] [--receive-dir DIR] [--debug 1]\n");
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    loop = g_main_loop_new(nullptr, FALSE);
    purple_util_set_user_dir(options.home.c_str());
    purple_debug_set_enabled(options.debug);
    purple_eventloop_set_ui_ops(&eventLoop);
    conversations.write_conv = writeConv;
    purple_conversations_set_ui_ops(&conversations);
    notices.notify_message = notifyMessage;
    purple_notify_set_ui_ops(&notices);
    accounts.request_authorize = authorize;
    purple_accounts_set_ui_ops(&accounts);
    transfers.new_xfer = newTransfer;
    requests.request_action = requestAction;
    requests.request_file = requestFile;
    purple_request_set_ui_ops(&requests);
    purple_xfers_set_ui_ops(&transfers);
    if (!purple_core_init("pictavo-test")) {
        fprintf(stderr, "libpurple did not start\n");
        return 1;
    }
    purple_set_blist(purple_blist_new());

    account = purple_account_new(options.user.c_str(), "prpl-jabber");
    purple_account_set_password(account, options.password.c_str());
    purple_account_set_string(account, "connect_server", "127.0.0.1");
    purple_account_set_int(account, "port", options.port);
    purple_account_set_string(account, "connection_security", "opportunistic_tls");
    purple_account_set_bool(account, "auth_plain_in_clear", TRUE);
    purple_accounts_add(account);

    static int handle;
    purple_signal_connect(purple_connections_get_handle(), "signed-on", &handle,
                          PURPLE_CALLBACK(signedOn), nullptr);
    purple_signal_connect(purple_xfers_get_handle(), "file-recv-complete", &handle,
                          PURPLE_CALLBACK(receiveComplete), nullptr);
    purple_account_set_enabled(account, "pictavo-test", TRUE);
    purple_savedstatus_activate(purple_savedstatus_new(nullptr, PURPLE_STATUS_AVAILABLE));

    GIOChannel* input = g_io_channel_unix_new(0);
    g_io_add_watch(input, GIOCondition(G_IO_IN | G_IO_HUP), readInput, nullptr);
    g_timeout_add(50, checkReady, nullptr);
    lastTickUs = g_get_monotonic_time();
    g_timeout_add(2, tick, nullptr);
    g_main_loop_run(loop);

    if (loaded && purple_plugin_is_loaded(loaded)) {
        purple_plugin_unload(loaded);
    }
    purple_core_quit();
    g_io_channel_unref(input);
    g_main_loop_unref(loop);
    return 0;
}
