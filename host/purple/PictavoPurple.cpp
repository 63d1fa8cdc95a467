// pictavo-purple.so: Pictavo's commands in the conversations of a libpurple messenger. The
// screenshots are taken by one pictavo-host child per account; this plug-in only passes typed
// commands to it, reads its answers, and hands answered files to the file transfer.

#define PURPLE_PLUGINS

#include <account.h>
#include <cmds.h>
#include <connection.h>
#include <conversation.h>
#include <debug.h>
#include <ft.h>
#include <notify.h>
#include <plugin.h>
#include <prpl.h>
#include <server.h>
#include <signals.h>
#include <unistd.h>
#include <util.h>
#include <version.h>

#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "HostChild.h"

namespace pictavo::purple {

namespace {

constexpr const char* kDebugCategory = "pictavo";

struct CommandInfo {
    const char* name;
    bool sends;  // its answer is a file for the other party
    const char* help;
};

const CommandInfo kCommands[] = {
    {"xpvactive", true,
     "xpvactive [seconds]:  Sends a screenshot of the active window, after an optional countdown."},
    {"xpvfull", true,
     "xpvfull [seconds]:  Sends a screenshot of the whole screen, after an optional countdown."},
    {"xpvselect", true,
     "xpvselect [seconds]:  Sends a screenshot of a region that you drag out on the frozen "
     "screen."},
    {"xpvasave", false,
     "xpvasave [seconds]:  Saves a screenshot of the active window to a file you choose."},
    {"xpvfsave", false,
     "xpvfsave [seconds]:  Saves a screenshot of the whole screen to a file you choose."},
    {"xpvssave", false,
     "xpvssave [seconds]:  Saves a screenshot of a region that you drag out to a file you choose."},
    {"xpvdir", false, "xpvdir:  Opens the folder of the screenshots sent."},
    {"xpvsend", true, "xpvsend [seconds]:  Asks which kind of screenshot to send."},
    {"xpvsave", false, "xpvsave [seconds]:  Asks which kind of screenshot to save."},
    {"xpvoptions", false, "xpvoptions:  Opens Pictavo's options."},
};

// Where a command was typed. Held by name, since the window may close while the command runs.
struct Place {
    PurpleAccount* account = nullptr;
    PurpleConversationType type = PURPLE_CONV_TYPE_IM;
    std::string name;  // the other party, or the chat; empty for no conversation (Configure)
};

struct AccountHost {
    std::unique_ptr<HostChild> child;
    std::optional<Place> pending;  // the command the child is working on
};

std::string format(const char* pattern, const std::string& value) {
    gchar* text = g_strdup_printf(pattern, value.c_str());
    std::string result(text);
    g_free(text);
    return result;
}

std::string baseName(const std::string& path) {
    gchar* name = g_path_get_basename(path.c_str());
    std::string result(name);
    g_free(name);
    return result;
}

class Plugin {
public:
    explicit Plugin(PurplePlugin* plugin);
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    PurpleCmdRet command(PurpleConversation* conv, const CommandInfo& info, gchar** args);
    void configure();

private:
    void run(const Place& place, const std::string& line);
    void answered(PurpleAccount* account, const std::string& answer);
    void died(PurpleAccount* account);
    void sendFile(const Place& place, const std::string& path);
    void transferCancelled(PurpleXfer* xfer);
    void accountRemoved(PurpleAccount* account);
    // A system message in the conversation of `place`; a notice where there is none.
    void say(const Place& place, const std::string& text);
    std::string hostProgram() const;

    PurplePlugin* plugin_;
    std::vector<PurpleCmdId> commands_;
    std::map<PurpleAccount*, AccountHost> hosts_;
    std::set<std::string> sending_;  // files handed to the transfer, until it ends
    PurpleAccount* lastAccount_ = nullptr;
};

Plugin* gPlugin = nullptr;  // libpurple plug-ins are one per process

PurpleCmdRet onCommand(PurpleConversation* conv, const gchar*, gchar** args, gchar**, void* data) {
    return gPlugin ? gPlugin->command(conv, *static_cast<const CommandInfo*>(data), args)
                   : PURPLE_CMD_RET_FAILED;
}

Plugin::Plugin(PurplePlugin* plugin) : plugin_(plugin) {
    for (const CommandInfo& c : kCommands) {
        commands_.push_back(
            purple_cmd_register(c.name, "s", PURPLE_CMD_P_PLUGIN,
                                PurpleCmdFlag(PURPLE_CMD_FLAG_IM | PURPLE_CMD_FLAG_CHAT |
                                              PURPLE_CMD_FLAG_ALLOW_WRONG_ARGS),
                                nullptr, &onCommand, c.help, const_cast<CommandInfo*>(&c)));
    }
    purple_signal_connect(purple_xfers_get_handle(), "file-send-cancel", plugin,
                          PURPLE_CALLBACK(+[](PurpleXfer* x, gpointer self) {
                              static_cast<Plugin*>(self)->transferCancelled(x);
                          }),
                          this);
    purple_signal_connect(purple_xfers_get_handle(), "file-send-complete", plugin,
                          PURPLE_CALLBACK(+[](PurpleXfer* x, gpointer self) {
                              if (const char* f = purple_xfer_get_local_filename(x)) {
                                  static_cast<Plugin*>(self)->sending_.erase(f);
                              }
                          }),
                          this);
    purple_signal_connect(purple_accounts_get_handle(), "account-removed", plugin,
                          PURPLE_CALLBACK(+[](PurpleAccount* a, gpointer self) {
                              static_cast<Plugin*>(self)->accountRemoved(a);
                          }),
                          this);
}

Plugin::~Plugin() {
    for (PurpleCmdId id : commands_) {
        purple_cmd_unregister(id);
    }
    purple_signals_disconnect_by_handle(plugin_);
    // All children are asked at once, then each is waited for (and killed when it lingers).
    for (auto& [account, host] : hosts_) {
        if (host.child) {
            host.child->terminate();
        }
    }
    for (auto& [account, host] : hosts_) {
        if (host.child) {
            host.child->stop();
        }
    }
}

PurpleCmdRet Plugin::command(PurpleConversation* conv, const CommandInfo& info, gchar** args) {
    Place place{purple_conversation_get_account(conv), purple_conversation_get_type(conv),
                purple_conversation_get_name(conv)};
    if (info.sends && place.type != PURPLE_CONV_TYPE_IM) {
        say(place, "Pictavo: a screenshot cannot be sent into a group chat, so none was taken.");
        return PURPLE_CMD_RET_OK;
    }
    std::string line = std::string("/") + info.name;
    if (args && args[0]) {
        // The countdown; one line whatever was typed.
        gchar* argument = g_strdelimit(g_strstrip(g_strdup(args[0])), "\r\n", ' ');
        if (*argument) {
            line += std::string(" ") + argument;
        }
        g_free(argument);
    }
    run(place, line);
    return PURPLE_CMD_RET_OK;
}

void Plugin::configure() {
    PurpleAccount* account = nullptr;
    for (GList* c = purple_connections_get_all(); c; c = c->next) {
        PurpleAccount* a = purple_connection_get_account(static_cast<PurpleConnection*>(c->data));
        if (!account || a == lastAccount_) {
            account = a;
        }
    }
    if (!account) {
        purple_notify_message(plugin_, PURPLE_NOTIFY_MSG_INFO, "Pictavo", "Pictavo",
                              "Sign in to an account first: Pictavo's options are per account.",
                              nullptr, nullptr);
        return;
    }
    run(Place{account, PURPLE_CONV_TYPE_IM, {}}, "/configure");
}

void Plugin::run(const Place& place, const std::string& line) {
    AccountHost& host = hosts_[place.account];
    if (host.pending) {
        say(place,
            "Pictavo: the previous command of this account is still running (a Pictavo window "
            "may be open); finish it first.");
        return;
    }
    if (!host.child || !host.child->running()) {
        PurpleAccount* account = place.account;
        host.child = std::make_unique<HostChild>(HostChild::Events{
            [this, account](const std::string& a) { answered(account, a); },
            [this, account] { died(account); },
            [](const std::string& l) { purple_debug_info(kDebugCategory, "%s\n", l.c_str()); }});
        // The bare address: XMPP's resource is not part of the account.
        const char* normal = purple_normalize(account, purple_account_get_username(account));
        const std::string user = normal ? normal : purple_account_get_username(account);
        const std::string program = hostProgram();
        std::string error;
        purple_debug_info(kDebugCategory, "starting %s --email %s\n", program.c_str(),
                          user.c_str());
        if (!host.child->start({program, "--email", user}, error)) {
            host.child.reset();
            say(place, format("Pictavo: pictavo-host cannot be started: %s", error));
            return;
        }
    }
    lastAccount_ = place.account;
    if (!host.child->send(line)) {
        say(place, "Pictavo: pictavo-host does not take commands; nothing was taken.");
        return;
    }
    host.pending = place;
}

void Plugin::answered(PurpleAccount* account, const std::string& answer) {
    AccountHost& host = hosts_[account];
    if (!host.pending) {
        purple_debug_warning(kDebugCategory, "an answer without a command: %s\n", answer.c_str());
        return;
    }
    const Place place = *host.pending;
    host.pending.reset();
    if (answer == "True" || answer == "False") {
        return;
    }
    if (answer.empty()) {
        say(place, "Pictavo: nothing was sent.");
        return;
    }
    sendFile(place, answer);
}

void Plugin::died(PurpleAccount* account) {
    AccountHost& host = hosts_[account];
    purple_debug_info(kDebugCategory, "pictavo-host of %s ended\n",
                      purple_account_get_username(account));
    if (host.pending) {
        const Place place = *host.pending;
        host.pending.reset();
        say(place, "Pictavo: pictavo-host ended before it answered; nothing was sent.");
    }
}

void Plugin::sendFile(const Place& place, const std::string& path) {
    PurpleConnection* gc = purple_account_get_connection(place.account);
    if (place.type != PURPLE_CONV_TYPE_IM || !gc) {
        say(place,
            format("Pictavo: the screenshot cannot be sent from here; it is saved as %s", path));
        return;
    }
    const char* who = place.name.c_str();
    PurplePluginProtocolInfo* prpl = PURPLE_PLUGIN_PROTOCOL_INFO(purple_connection_get_prpl(gc));
    if (!prpl->send_file || (prpl->can_receive_file && !prpl->can_receive_file(gc, who))) {
        say(place, format("Pictavo: this contact cannot receive files here; the screenshot is "
                          "saved as %s",
                          path));
        return;
    }
    // XMPP refuses, with nothing in the conversation, to send to a bare address without a
    // resource online: the contact is offline or does not share presence with us.
    PurpleBuddy* buddy = purple_find_buddy(place.account, who);
    if (g_strcmp0(purple_account_get_protocol_id(place.account), "prpl-jabber") == 0 &&
        !strchr(who, '/') && !(buddy && PURPLE_BUDDY_IS_ONLINE(buddy))) {
        say(place, format("Pictavo: XMPP sends files only to a contact who is online and whose "
                          "presence you are subscribed to; the screenshot is saved as %s",
                          path));
        return;
    }
    say(place, format("Pictavo: sending the screenshot %s", baseName(path)));
    sending_.insert(path);
    serv_send_file(gc, who, path.c_str());
}

void Plugin::transferCancelled(PurpleXfer* xfer) {
    const char* file = purple_xfer_get_local_filename(xfer);
    if (!file || sending_.erase(file) == 0) {
        return;
    }
    const Place place{purple_xfer_get_account(xfer), PURPLE_CONV_TYPE_IM,
                      purple_xfer_get_remote_user(xfer)};
    say(place, format(purple_xfer_get_status(xfer) == PURPLE_XFER_STATUS_CANCEL_REMOTE
                          ? "Pictavo: the screenshot %s was refused or not received."
                          : "Pictavo: the transfer of the screenshot %s was cancelled.",
                      baseName(file)));
}

void Plugin::accountRemoved(PurpleAccount* account) {
    const auto it = hosts_.find(account);
    if (it != hosts_.end()) {
        hosts_.erase(it);
    }
    if (lastAccount_ == account) {
        lastAccount_ = nullptr;
    }
}

void Plugin::say(const Place& place, const std::string& text) {
    purple_debug_info(kDebugCategory, "%s\n", text.c_str());
    PurpleConversation* conv = nullptr;
    if (!place.name.empty()) {
        conv = purple_find_conversation_with_account(place.type, place.name.c_str(), place.account);
        // The window was closed meanwhile: an IM opens again for the message.
        if (!conv && place.type == PURPLE_CONV_TYPE_IM) {
            conv = purple_conversation_new(PURPLE_CONV_TYPE_IM, place.account, place.name.c_str());
        }
    }
    if (conv) {
        gchar* escaped = g_markup_escape_text(text.c_str(), -1);
        purple_conversation_write(conv, nullptr, escaped, PURPLE_MESSAGE_SYSTEM, time(nullptr));
        g_free(escaped);
    } else {
        purple_notify_message(plugin_, PURPLE_NOTIFY_MSG_INFO, "Pictavo", "Pictavo", text.c_str(),
                              nullptr, nullptr);
    }
}

// $PICTAVO_HOST, else pictavo-host on PATH, else the bin folder of the prefix the plug-in is
// installed under (<prefix>/lib/<triplet>/purple-2/pictavo-purple.so).
std::string Plugin::hostProgram() const {
    const char* chosen = g_getenv("PICTAVO_HOST");
    if (chosen && *chosen) {
        return chosen;
    }
    if (gchar* found = g_find_program_in_path("pictavo-host")) {
        std::string path(found);
        g_free(found);
        return path;
    }
    std::string folder = plugin_->path ? plugin_->path : "";
    for (int up = 0; up < 4 && !folder.empty(); ++up) {
        gchar* parent = g_path_get_dirname(folder.c_str());
        folder = parent;
        g_free(parent);
        std::string candidate = folder + "/bin/pictavo-host";
        if (g_file_test(candidate.c_str(), G_FILE_TEST_IS_EXECUTABLE)) {
            return candidate;
        }
    }
    return "pictavo-host";
}

gboolean load(PurplePlugin* plugin) {
    gPlugin = new Plugin(plugin);
    return TRUE;
}

gboolean unload(PurplePlugin*) {
    delete gPlugin;
    gPlugin = nullptr;
    return TRUE;
}

GList* actions(PurplePlugin*, gpointer) {
    return g_list_append(nullptr, purple_plugin_action_new("Configure...", [](PurplePluginAction*) {
                             if (gPlugin) {
                                 gPlugin->configure();
                             }
                         }));
}

PurplePluginInfo info = {
    PURPLE_PLUGIN_MAGIC,
    PURPLE_MAJOR_VERSION,
    PURPLE_MINOR_VERSION,
    PURPLE_PLUGIN_STANDARD,
    nullptr,
    0,
    nullptr,
    PURPLE_PRIORITY_DEFAULT,
    const_cast<char*>("core-pictavo"),
    const_cast<char*>("Pictavo"),
    const_cast<char*>(PICTAVO_VERSION),
    const_cast<char*>("Screenshots into the conversation"),
    const_cast<char*>(
        "Type /xpvfull, /xpvactive or /xpvselect (with an optional countdown in seconds) into a "
        "conversation to send a screenshot of the screen, the active window or a region, or "
        "/xpvoptions for the options. The screenshots are taken by pictavo-host, one per "
        "account."),
    const_cast<char*>("Pictavo developers <pictavo@localhost>"),
    const_cast<char*>("https://pictavo.invalid/"),
    &load,
    &unload,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    &actions,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

void initPlugin(PurplePlugin*) {}

}  // namespace

}  // namespace pictavo::purple

extern "C" {
using pictavo::purple::info;
using pictavo::purple::initPlugin;
PURPLE_INIT_PLUGIN(pictavo, initPlugin, info)
}
