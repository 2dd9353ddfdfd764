#include "engine/plugin_host.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "schedule/app_paths.h"
#include "schedule/text_codec.h"

namespace engine {

namespace {

// The longest text taken from a plug-in, in bytes.
constexpr std::size_t kMaxPluginTextBytes = 1024;
constexpr const char* kLibrarySuffix = ".so";

constexpr const char* kRefusedHidden = "以“.”开头的隐藏文件";
constexpr const char* kRefusedLink = "是符号链接";
constexpr const char* kRefusedNotRegular = "不是普通文件";
constexpr const char* kRefusedOwner = "不属于当前用户或 root";
constexpr const char* kRefusedWritable = "可被其他用户或组写入";
constexpr const char* kRefusedFolder = "所在文件夹可被其他用户写入";
constexpr const char* kRefusedUnreadable = "无法打开";
constexpr const char* kRefusedChanged = "在检查时被替换";

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        char32_t cp = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            cp = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            cp = lead & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        const bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
        if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

// A zero-terminated text from a plug-in as UTF-8: taken as it is when it is UTF-8, else
// read as GB18030; cut to kMaxPluginTextBytes without splitting a character.
std::string PluginText(const char* text) {
    const std::string_view raw(text, strnlen(text, kMaxPluginTextBytes));
    std::string utf8 = IsValidUtf8(raw) ? std::string(raw) : schedule::DecodeFileText(raw);
    utf8.resize(schedule::Utf8BoundaryPrefix(utf8, kMaxPluginTextBytes));
    return utf8;
}

// The text a status message's lParam points to.
const char* TextParam(std::intptr_t lParam) {
    return reinterpret_cast<const char*>(lParam);  // NOLINT(performance-no-int-to-ptr)
}

bool IsPluginFileName(const std::string& name) {
    const std::string lower = schedule::AsciiLower(name);
    const std::size_t suffix = std::strlen(kLibrarySuffix);
    return lower.size() > suffix && lower.ends_with(kLibrarySuffix);
}

// The file names of the candidate libraries in the folder, in name order.
std::vector<std::string> FindPluginFiles(const std::string& appDir) {
    std::vector<std::string> names;
    DIR* dir = opendir(appDir.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (IsPluginFileName(name)) {
            names.push_back(name);
        }
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// Why a file with this status may not be loaded into the program, or null when it may:
// a library runs with the user's rights, so only the user (or root) may have put it there.
const char* UnsafeFileReason(const struct stat& info) {
    if (S_ISLNK(info.st_mode)) {
        return kRefusedLink;
    }
    if (!S_ISREG(info.st_mode)) {
        return kRefusedNotRegular;
    }
    if (info.st_uid != ::geteuid() && info.st_uid != 0) {
        return kRefusedOwner;
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return kRefusedWritable;
    }
    return nullptr;
}

// Loads the library the descriptor holds through its "/proc/self/fd/N" name. The loader
// knows a library by the name it was opened with, and a descriptor number is used again
// once closed, so a name that a library still in memory was opened with is not used: the
// descriptor is copied to another number until the name is free.
void* OpenByDescriptor(int fd) {
    constexpr int kMaxAttempts = 16;
    std::vector<int> copies;
    void* module = nullptr;
    int current = fd;
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        const std::string name = "/proc/self/fd/" + std::to_string(current);
        bool nameTaken = false;
        if (void* existing = dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
            link_map* map = nullptr;
            nameTaken = dlinfo(existing, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr &&
                        map->l_name != nullptr && name == map->l_name;
            dlclose(existing);
        }
        if (!nameTaken) {
            module = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
            break;
        }
        current = ::fcntl(current, F_DUPFD_CLOEXEC, 0);
        if (current < 0) {
            break;
        }
        copies.push_back(current);
    }
    for (const int copy : copies) {
        ::close(copy);
    }
    return module;
}

// Opens the library the descriptor holds and returns its block when it is an acceptable
// plug-in; otherwise releases the library again and returns null.
PluginInfo* OpenPlugin(int fd, void*& module) {
    module = OpenByDescriptor(fd);
    if (module == nullptr) {
        return nullptr;
    }
    void* symbol = dlsym(module, QELT_PLUGIN_EXPORT_NAME);
    PluginInfo* info = nullptr;
    if (symbol != nullptr) {
        QeltPlugFunction plug = nullptr;
        static_assert(sizeof(plug) == sizeof(symbol));
        std::memcpy(&plug, &symbol, sizeof(plug));
        info = plug();
    }
    if (info == nullptr || info->version < QELT_PLUGIN_VERSION_MIN ||
        info->version > QELT_PLUGIN_VERSION_MAX) {
        dlclose(module);
        module = nullptr;
        return nullptr;
    }
    return info;
}

}  // namespace

// While a plug-in's function runs, an unload request for its slot only marks the slot
// unloaded; the library itself is released when the outermost call into it returns.
class CPluginHost::CallGuard {
public:
    CallGuard(CPluginHost& host, int index) : m_host(host), m_index(index) {
        ++m_host.m_callDepth[m_index];
    }
    ~CallGuard() {
        if (--m_host.m_callDepth[m_index] > 0) {
            return;
        }
        std::vector<void*> pending;
        pending.swap(m_host.m_pendingClose[m_index]);
        for (void* module : pending) {
            dlclose(module);
        }
        if (!pending.empty() && !m_host.m_slots[m_index].loaded) {
            m_host.m_slots[m_index].info = nullptr;
        }
    }
    CallGuard(const CallGuard&) = delete;
    CallGuard& operator=(const CallGuard&) = delete;

private:
    CPluginHost& m_host;
    int m_index;
};

CPluginHost::CPluginHost(std::string appDir)
    : m_appDir(std::move(appDir)), m_owner(std::this_thread::get_id()) {
    m_host.send = &CPluginHost::Send;
    m_host.context = this;
}

void CPluginHost::SetStatusHandler(StatusFn handler) {
    m_status = std::move(handler);
}

void CPluginHost::SetWakeHandler(WakeFn handler) {
    std::lock_guard lock(m_postMutex);
    m_wake = std::move(handler);
}

void CPluginHost::SetRefusalHandler(RefusalFn handler) {
    m_refusal = std::move(handler);
}

void CPluginHost::Refuse(const std::string& path, const std::string& reason) {
    m_refusals.push_back({path, reason});
    if (m_refusal) {
        m_refusal(m_refusals.back());
    }
}

PluginInfo* CPluginHost::OpenChecked(const std::string& path, void*& module) {
    module = nullptr;
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.starts_with('.')) {
        Refuse(path, kRefusedHidden);
        return nullptr;
    }
    // Anyone who may write the folder may swap the file for another after it is checked.
    struct stat folder {};
    if (::stat(m_appDir.c_str(), &folder) != 0 || (folder.st_mode & S_IWOTH) != 0) {
        Refuse(path, kRefusedFolder);
        return nullptr;
    }
    struct stat before {};
    if (::lstat(path.c_str(), &before) != 0) {
        Refuse(path, kRefusedUnreadable);
        return nullptr;
    }
    if (const char* reason = UnsafeFileReason(before)) {
        Refuse(path, reason);
        return nullptr;
    }
    // The file is opened without following a link and checked again through the
    // descriptor, and the library is loaded from that descriptor, so what is loaded is
    // the file that was checked.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Refuse(path, kRefusedUnreadable);
        return nullptr;
    }
    struct stat opened {};
    const char* reason = ::fstat(fd, &opened) != 0 ? kRefusedUnreadable : UnsafeFileReason(opened);
    if (reason == nullptr && (opened.st_dev != before.st_dev || opened.st_ino != before.st_ino)) {
        reason = kRefusedChanged;
    }
    PluginInfo* info = nullptr;
    if (reason != nullptr) {
        Refuse(path, reason);
    } else {
        info = OpenPlugin(fd, module);
    }
    ::close(fd);
    return info;
}

void CPluginHost::Attach(int index, void* module, PluginInfo* info) {
    PluginSlot& slot = m_slots[index];
    info->hwndHost = &m_host;
    info->hModule = module;
    info->appDir = m_appDir.c_str();
    slot.info = info;
    slot.module = module;
    slot.loaded = 1;
}

int CPluginHost::LoadPlugins() {
    int accepted = 0;
    int next = 0;
    for (const std::string& name : FindPluginFiles(m_appDir)) {
        while (next < kMaxPlugins && m_slots[next].present) {
            ++next;
        }
        if (next == kMaxPlugins) {
            break;
        }
        const std::string path = m_appDir + name;
        void* module = nullptr;
        PluginInfo* info = OpenChecked(path, module);
        if (info == nullptr) {
            continue;
        }
        PluginSlot& slot = m_slots[next];
        slot.present = 1;
        slot.path = path;
        Attach(next, module, info);
        ++accepted;

        CallGuard guard(*this, next);
        slot.canUnload = info->CanUnload != nullptr ? info->CanUnload() : 0;
        if (info->Notify != nullptr) {
            info->Notify(1);
        }
        // A plug-in may fill in its name as it starts, so the name is read only now,
        // while the guard still holds its library.
        slot.name = info->name != nullptr
                        ? PluginText(info->name)
                        : name.substr(0, name.size() - std::strlen(kLibrarySuffix));
    }
    return accepted;
}

std::vector<PluginMenuEntry> CPluginHost::BuildPluginMenu() {
    std::vector<PluginMenuEntry> menu;
    int firstId = kFirstPluginCommand;
    for (PluginSlot& slot : m_slots) {
        if (!slot.present) {
            continue;
        }
        slot.firstId = firstId;
        menu.push_back({slot.name, firstId});
        firstId += kPluginCommandsPerSlot;
    }
    return menu;
}

void CPluginHost::Reload(int index) {
    PluginSlot& slot = m_slots[index];
    void* module = nullptr;
    PluginInfo* info = OpenChecked(slot.path, module);
    if (info == nullptr) {
        return;
    }
    Attach(index, module, info);
    CallGuard guard(*this, index);
    if (info->Notify != nullptr) {
        info->Notify(0);
    }
}

bool CPluginHost::OnPluginCommand(int id) {
    if (id < kFirstPluginCommand || id > kLastPluginCommand) {
        return false;
    }
    bool handled = false;
    for (int index = 0; index < kMaxPlugins; ++index) {
        PluginSlot& slot = m_slots[index];
        if (!slot.present || slot.firstId == 0 || id < slot.firstId ||
            id > slot.firstId + kPluginAboutOffset) {
            continue;
        }
        handled = true;
        if (!slot.loaded) {
            Reload(index);
        }
        if (!slot.loaded) {
            continue;
        }
        PluginInfo* info = slot.info;
        CallGuard guard(*this, index);
        switch (id - slot.firstId) {
            case kPluginRunOffset:
                if (info->Run != nullptr) {
                    info->Run();
                }
                break;
            case kPluginSetupOffset:
                if (info->Setup != nullptr) {
                    info->Setup(&m_host);
                }
                break;
            case kPluginAboutOffset:
                if (info->About != nullptr) {
                    info->About(&m_host);
                }
                break;
        }
    }
    return handled;
}

void CPluginHost::ShowStatus(const char* text) {
    if (text != nullptr && m_status) {
        m_status(PluginText(text));
    }
}

void CPluginHost::Unload(int index) {
    PluginSlot& slot = m_slots[index];
    void* module = slot.module;
    slot.loaded = 0;
    slot.module = nullptr;
    if (m_callDepth[index] > 0) {
        m_pendingClose[index].push_back(module);
        return;
    }
    dlclose(module);
    slot.info = nullptr;
}

std::intptr_t CPluginHost::OnPluginMessage(std::uintptr_t wParam, std::intptr_t lParam) {
    if (wParam == QELT_PLUGIN_STATUS_TEXT) {
        ShowStatus(TextParam(lParam));
    } else if (wParam == QELT_PLUGIN_UNLOAD) {
        for (int index = 0; index < kMaxPlugins; ++index) {
            const PluginSlot& slot = m_slots[index];
            if (slot.loaded && slot.canUnload != 0 &&
                reinterpret_cast<std::intptr_t>(slot.module) == lParam) {
                Unload(index);
                break;
            }
        }
    }
    return 0;
}

void CPluginHost::Post(std::uintptr_t wParam, std::intptr_t lParam) {
    PostedMessage message;
    message.wParam = wParam;
    message.lParam = lParam;
    if (wParam == QELT_PLUGIN_STATUS_TEXT) {
        if (lParam == 0) {
            return;
        }
        // The sender's buffer may be gone by the time the message is handled.
        message.text = PluginText(TextParam(lParam));
    } else if (wParam != QELT_PLUGIN_UNLOAD) {
        return;
    }
    WakeFn wake;
    {
        std::lock_guard lock(m_postMutex);
        m_posted.push_back(std::move(message));
        wake = m_wake;
    }
    if (wake) {
        wake();
    }
}

void CPluginHost::DeliverPosted() {
    std::vector<PostedMessage> posted;
    {
        std::lock_guard lock(m_postMutex);
        posted.swap(m_posted);
    }
    for (const PostedMessage& message : posted) {
        if (message.wParam == QELT_PLUGIN_STATUS_TEXT) {
            ShowStatus(message.text.c_str());
        } else {
            OnPluginMessage(message.wParam, message.lParam);
        }
    }
}

std::intptr_t CPluginHost::Send(QeltHost* host, unsigned int msg, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    if (host == nullptr || host->context == nullptr || msg != QELT_MSG_PLUGIN) {
        return 0;
    }
    auto* self = static_cast<CPluginHost*>(host->context);
    if (std::this_thread::get_id() != self->m_owner) {
        self->Post(wParam, lParam);
        return 0;
    }
    return self->OnPluginMessage(wParam, lParam);
}

}  // namespace engine
