#pragma once
// Hosts the plug-ins of the program folder: finds and accepts them into ten slots,
// provides what the "插件(&P)" menu is built from, runs their commands, and handles
// the messages they send (status text, unload request).

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "qelt_plugin.h"

namespace engine {

inline constexpr int kMaxPlugins = 10;
inline constexpr int kFirstPluginCommand = 34875;
inline constexpr int kLastPluginCommand = 34975;
inline constexpr int kPluginCommandsPerSlot = 3;
// Offsets from a slot's firstId.
inline constexpr int kPluginRunOffset = 0;
inline constexpr int kPluginSetupOffset = 1;
inline constexpr int kPluginAboutOffset = 2;

inline constexpr const char* kPluginMenuText = "插件(&P)";
inline constexpr const char* kPluginRunText = "运行(&S)...";
inline constexpr const char* kPluginSetupText = "设置(&S)...";
inline constexpr const char* kPluginAboutText = "关于(&A)...";

struct PluginSlot {
    int present = 0;             // a plug-in was accepted into this slot at start-up
    int loaded = 0;              // its library is loaded now
    int canUnload = 0;           // what CanUnload returned at start-up
    int firstId = 0;             // command id of "运行(&S)..."; the next two are set-up and about
    std::string path;            // full path of the library
    PluginInfo* info = nullptr;  // the plug-in's block; null once its library is released
    void* module = nullptr;      // the library handle while loaded
    std::string name;            // the menu text, copied when accepted
};

// A library of the program folder that was not loaded, and why.
struct PluginRefusal {
    std::string path;
    std::string reason;
};

struct PluginMenuEntry {
    std::string name;
    int firstId = 0;
};

class CPluginHost {
public:
    using StatusFn = std::function<void(const std::string& text)>;
    using WakeFn = std::function<void()>;
    using RefusalFn = std::function<void(const PluginRefusal& refusal)>;

    // appDir is the program folder, ending with '/'. The thread that creates the host is
    // the one all plug-in calls and messages are handled on.
    explicit CPluginHost(std::string appDir);
    CPluginHost(const CPluginHost&) = delete;
    CPluginHost& operator=(const CPluginHost&) = delete;
    // Libraries still loaded stay loaded until the process ends; nothing of theirs is
    // called.
    ~CPluginHost() = default;

    // Receives the status texts the plug-ins send.
    void SetStatusHandler(StatusFn handler);
    // Called (on the sending thread) when a plug-in has sent a message from another
    // thread; the owner then calls DeliverPosted() on its own thread.
    void SetWakeHandler(WakeFn handler);
    // Receives each library that is refused for its owner, mode or kind, as it is found
    // (for the bell log); Refusals() keeps them as well.
    void SetRefusalHandler(RefusalFn handler);

    // Discovers the *.so files of the program folder (name matched without regard to
    // case, in name order). Only a regular file (not a link) owned by this user or root
    // and writable by nobody else, in a folder others cannot write, is opened, and it is
    // loaded through the descriptor that was checked; a name starting with '.' is
    // passed over. Each file refused is reported with its reason. It accepts each loadable one that
    // exports QELT_Plug with a version in 100..199 into the next free slot, calling CanUnload and
    // Notify(1). Once the ten slots are taken, the remaining files are not opened at all. Returns
    // the number of plug-ins accepted.
    int LoadPlugins();
    // Gives each present slot its command ids (34875, then 3 more for each following one)
    // and returns the menu's entries in slot order; empty when there is no plug-in.
    std::vector<PluginMenuEntry> BuildPluginMenu();
    // Runs command id of a plug-in, loading it again first when it had itself unloaded.
    // False when id belongs to no plug-in.
    bool OnPluginCommand(int id);
    // Handles message 0x2804 on the owner's thread; returns 0.
    std::intptr_t OnPluginMessage(std::uintptr_t wParam, std::intptr_t lParam);
    // Handles the messages plug-ins sent from other threads, in the order they came.
    void DeliverPosted();

    const std::array<PluginSlot, kMaxPlugins>& Slots() const { return m_slots; }
    const std::vector<PluginRefusal>& Refusals() const { return m_refusals; }
    // The object given to plug-ins as hwndHost.
    QeltHost* Host() { return &m_host; }

private:
    struct PostedMessage {
        std::uintptr_t wParam = 0;
        std::intptr_t lParam = 0;
        std::string text;  // the copied status text
    };
    // Keeps a slot's library loaded while its code is on the stack.
    class CallGuard;

    static std::intptr_t Send(QeltHost* host, unsigned int msg, std::uintptr_t wParam,
                              std::intptr_t lParam);
    void Post(std::uintptr_t wParam, std::intptr_t lParam);
    void ShowStatus(const char* text);
    void Unload(int index);
    void Reload(int index);
    void Attach(int index, void* module, PluginInfo* info);
    void Refuse(const std::string& path, const std::string& reason);
    // Opens the library at path once it passes the checks; null (reported) otherwise.
    PluginInfo* OpenChecked(const std::string& path, void*& module);

    std::string m_appDir;
    std::thread::id m_owner;
    QeltHost m_host;
    StatusFn m_status;
    RefusalFn m_refusal;
    std::vector<PluginRefusal> m_refusals;
    std::array<PluginSlot, kMaxPlugins> m_slots;
    std::array<int, kMaxPlugins> m_callDepth{};
    std::array<std::vector<void*>, kMaxPlugins> m_pendingClose;

    std::mutex m_postMutex;  // guards m_posted and m_wake
    std::vector<PostedMessage> m_posted;
    WakeFn m_wake;
};

}  // namespace engine
