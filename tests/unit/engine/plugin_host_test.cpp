// The plug-in host with the sample plug-ins, copied into a temporary program folder.

#include "engine/plugin_host.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

// Plug-ins are built separately: the block keeps its field order with this platform's
// natural widths (4-byte ints, 8-byte pointers).
static_assert(sizeof(void*) != 8 || sizeof(PluginInfo) == 80);
static_assert(offsetof(PluginInfo, version) == 0 && offsetof(PluginInfo, reserved) == 4);
static_assert(sizeof(void*) != 8 ||
              (offsetof(PluginInfo, hwndHost) == 8 && offsetof(PluginInfo, hModule) == 16 &&
               offsetof(PluginInfo, appDir) == 24 && offsetof(PluginInfo, name) == 32 &&
               offsetof(PluginInfo, Setup) == 40 && offsetof(PluginInfo, About) == 48 &&
               offsetof(PluginInfo, Run) == 56 && offsetof(PluginInfo, Notify) == 64 &&
               offsetof(PluginInfo, CanUnload) == 72));

class PluginHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* plugins = std::getenv("QELT_PLUGIN_DIR");
        ASSERT_NE(plugins, nullptr) << "QELT_PLUGIN_DIR names the built sample plug-ins";
        m_pluginDir = plugins;
        char pattern[] = "/tmp/qelt-plugins-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_appDir = pattern;
        m_appDir += '/';
        m_host = std::make_unique<engine::CPluginHost>(m_appDir);
        m_host->SetStatusHandler([this](const std::string& text) { m_status.push_back(text); });
    }
    void TearDown() override { fs::remove_all(m_appDir); }

    // Copies the built sample plug-in <sample>.so into the program folder as name.
    void Install(const std::string& sample, const std::string& name) {
        fs::copy_file(m_pluginDir + "/" + sample + ".so", m_appDir + name,
                      fs::copy_options::overwrite_existing);
    }

    // Whether the library at path is loaded in this process now.
    static bool IsLoaded(const std::string& path) {
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (handle != nullptr) {
            dlclose(handle);
        }
        return handle != nullptr;
    }

    std::vector<std::string> TakeStatus() {
        std::vector<std::string> texts;
        texts.swap(m_status);
        return texts;
    }

    std::string m_pluginDir;
    std::string m_appDir;
    std::unique_ptr<engine::CPluginHost> m_host;
    std::vector<std::string> m_status;
};

using Texts = std::vector<std::string>;

TEST_F(PluginHostTest, AcceptsOnlyLoadablePluginsWithTheExportAndAGoodVersion) {
    Install("sample_plugin_v99", "a_old.so");
    Install("sample_plugin", "b_good.SO");  // the suffix matches without regard to case
    Install("sample_plugin_noexport", "c_noexport.so");
    std::ofstream(m_appDir + "d_broken.so") << "not a library";
    Install("sample_plugin", "e_notalibrary.txt");
    fs::create_directory(m_appDir + "f_folder.so");
    Install("sample_plugin_unload", "g_unload.so");
    Install("sample_plugin_late_name", "h_late.so");  // names itself in Notify(1)

    EXPECT_EQ(m_host->LoadPlugins(), 3);
    EXPECT_EQ(TakeStatus(),
              (Texts{"notify 1 " + m_appDir, "notify 1 " + m_appDir, "notify 1 " + m_appDir}));

    const auto& slots = m_host->Slots();
    EXPECT_EQ(slots[0].present, 1);
    EXPECT_EQ(slots[0].loaded, 1);
    EXPECT_EQ(slots[0].canUnload, 0);
    EXPECT_EQ(slots[0].path, m_appDir + "b_good.SO");
    EXPECT_EQ(slots[0].name, "示例插件");
    ASSERT_NE(slots[0].info, nullptr);
    EXPECT_EQ(slots[0].info->hwndHost, m_host->Host());
    EXPECT_EQ(slots[0].info->hModule, slots[0].module);
    EXPECT_STREQ(slots[0].info->appDir, m_appDir.c_str());
    EXPECT_EQ(slots[1].path, m_appDir + "g_unload.so");
    EXPECT_EQ(slots[1].canUnload, 1);
    for (int i = 3; i < engine::kMaxPlugins; ++i) {
        EXPECT_EQ(slots[i].present, 0) << i;
    }
    // Rejected libraries do not stay loaded.
    EXPECT_FALSE(IsLoaded(m_appDir + "a_old.so"));
    EXPECT_FALSE(IsLoaded(m_appDir + "c_noexport.so"));
    EXPECT_TRUE(IsLoaded(m_appDir + "b_good.SO"));

    // Commands have no ids before the menu is built.
    EXPECT_FALSE(m_host->OnPluginCommand(engine::kFirstPluginCommand));
    const auto menu = m_host->BuildPluginMenu();
    ASSERT_EQ(menu.size(), 3u);
    EXPECT_EQ(menu[0].name, "示例插件");
    EXPECT_EQ(menu[0].firstId, 34875);
    EXPECT_EQ(menu[1].name, "可卸载插件");
    EXPECT_EQ(menu[1].firstId, 34878);
    EXPECT_EQ(menu[2].name, "迟到的名字");
    EXPECT_TRUE(TakeStatus().empty());
}

TEST_F(PluginHostTest, CommandsReachTheirPlugin) {
    Install("sample_plugin", "a.so");
    Install("sample_plugin_unload", "b.so");
    m_host->LoadPlugins();
    m_host->BuildPluginMenu();
    TakeStatus();

    EXPECT_TRUE(m_host->OnPluginCommand(34875));
    EXPECT_TRUE(m_host->OnPluginCommand(34876));
    EXPECT_TRUE(m_host->OnPluginCommand(34877));
    EXPECT_TRUE(m_host->OnPluginCommand(34879));
    EXPECT_EQ(TakeStatus(), (Texts{"run", "setup", "about", "setup"}));

    // Ids of the range without a plug-in, and ids outside the range, do nothing.
    EXPECT_FALSE(m_host->OnPluginCommand(34881));
    EXPECT_FALSE(m_host->OnPluginCommand(34975));
    EXPECT_FALSE(m_host->OnPluginCommand(34874));
    EXPECT_FALSE(m_host->OnPluginCommand(34976));
    EXPECT_TRUE(TakeStatus().empty());
}

TEST_F(PluginHostTest, SelfUnloadWaitsForTheCallToReturnAndReloadsOnTheNextCommand) {
    Install("sample_plugin_unload", "a_unload.so");
    Install("sample_plugin_stubborn", "b_stubborn.so");
    m_host->LoadPlugins();
    m_host->BuildPluginMenu();
    TakeStatus();
    const auto& slots = m_host->Slots();
    const std::string unloadPath = m_appDir + "a_unload.so";
    EXPECT_EQ(slots[1].name, "示例");  // a GBK name is read as such

    // The plug-in goes on running after its request; its library is released only
    // once Run has returned.
    EXPECT_TRUE(m_host->OnPluginCommand(34875));
    EXPECT_EQ(TakeStatus(), (Texts{"run", "run finished"}));
    EXPECT_EQ(slots[0].present, 1);
    EXPECT_EQ(slots[0].loaded, 0);
    EXPECT_EQ(slots[0].info, nullptr);
    EXPECT_FALSE(IsLoaded(unloadPath));

    // The menu keeps its entry; the next command loads it again, Notify(0) first.
    EXPECT_EQ(m_host->BuildPluginMenu()[0].name, "可卸载插件");
    EXPECT_TRUE(m_host->OnPluginCommand(34877));
    EXPECT_EQ(TakeStatus(), (Texts{"notify 0 " + m_appDir, "about"}));
    EXPECT_EQ(slots[0].loaded, 1);
    EXPECT_TRUE(IsLoaded(unloadPath));
    EXPECT_EQ(slots[0].info->hModule, slots[0].module);

    // It can unload itself again, and reloads through "运行" as well.
    EXPECT_TRUE(m_host->OnPluginCommand(34875));
    EXPECT_EQ(TakeStatus(), (Texts{"run", "run finished"}));
    EXPECT_FALSE(IsLoaded(unloadPath));
    EXPECT_TRUE(m_host->OnPluginCommand(34875));
    EXPECT_EQ(TakeStatus(), (Texts{"notify 0 " + m_appDir, "run", "run finished"}));

    // CanUnload 0: the same request is refused and the plug-in stays loaded.
    EXPECT_TRUE(m_host->OnPluginCommand(34878));
    EXPECT_EQ(TakeStatus(), (Texts{"run", "run finished"}));
    EXPECT_EQ(slots[1].loaded, 1);
    EXPECT_TRUE(IsLoaded(m_appDir + "b_stubborn.so"));
}

TEST_F(PluginHostTest, MessagesAreCheckedBeforeUse) {
    Install("sample_plugin_unload", "a.so");
    m_host->LoadPlugins();
    m_host->BuildPluginMenu();
    TakeStatus();
    const auto& slots = m_host->Slots();
    QeltHost* host = m_host->Host();

    // A status text, a missing text, unknown codes and other messages.
    host->send(host, QELT_MSG_PLUGIN, QELT_PLUGIN_STATUS_TEXT,
               reinterpret_cast<intptr_t>("第一节课"));
    host->send(host, QELT_MSG_PLUGIN, QELT_PLUGIN_STATUS_TEXT, 0);
    host->send(host, QELT_MSG_PLUGIN, 7, reinterpret_cast<intptr_t>("ignored"));
    host->send(host, QELT_MSG_PLUGIN + 1, QELT_PLUGIN_STATUS_TEXT,
               reinterpret_cast<intptr_t>("ignored"));
    // A text that is not UTF-8 is read as GB18030; an overlong one is cut.
    host->send(host, QELT_MSG_PLUGIN, QELT_PLUGIN_STATUS_TEXT,
               reinterpret_cast<intptr_t>("\xc9\xcf\xbf\xce"));
    const std::string longText(5000, 'x');
    host->send(host, QELT_MSG_PLUGIN, QELT_PLUGIN_STATUS_TEXT,
               reinterpret_cast<intptr_t>(longText.c_str()));
    const Texts texts = TakeStatus();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "第一节课");
    EXPECT_EQ(texts[1], "上课");
    EXPECT_EQ(texts[2], std::string(1024, 'x'));

    // An unload request names a loaded plug-in by its handle; anything else is ignored.
    int dummy = 0;
    host->send(host, QELT_MSG_PLUGIN, QELT_PLUGIN_UNLOAD, reinterpret_cast<intptr_t>(&dummy));
    host->send(host, QELT_MSG_PLUGIN, QELT_PLUGIN_UNLOAD, 0);
    EXPECT_EQ(slots[0].loaded, 1);
    // Outside any call of the plug-in, the release is immediate.
    void* module = slots[0].module;
    host->send(host, QELT_MSG_PLUGIN, QELT_PLUGIN_UNLOAD,
               reinterpret_cast<intptr_t>(slots[0].module));
    EXPECT_EQ(slots[0].loaded, 0);
    EXPECT_FALSE(IsLoaded(m_appDir + "a.so"));
    // A repeated request for the released handle does nothing.
    host->send(host, QELT_MSG_PLUGIN, QELT_PLUGIN_UNLOAD, reinterpret_cast<intptr_t>(module));
    EXPECT_EQ(slots[0].loaded, 0);
}

TEST_F(PluginHostTest, MessagesFromOtherThreadsAreHandledOnTheHostsThread) {
    Install("sample_plugin_thread", "a.so");
    std::atomic<int> wakes = 0;
    m_host->SetWakeHandler([&] { ++wakes; });
    m_host->LoadPlugins();
    const auto menu = m_host->BuildPluginMenu();
    ASSERT_EQ(menu.size(), 1u);
    EXPECT_EQ(menu[0].name, "线程插件");
    TakeStatus();

    EXPECT_TRUE(m_host->OnPluginCommand(34875));
    // The thread's text waits (copied: the thread's buffer is gone) until delivered.
    EXPECT_EQ(wakes, 1);
    EXPECT_TRUE(TakeStatus().empty());
    m_host->DeliverPosted();
    EXPECT_EQ(TakeStatus(), (Texts{"run from a thread"}));
    m_host->DeliverPosted();
    EXPECT_TRUE(TakeStatus().empty());
}

TEST_F(PluginHostTest, TenSlotsAtMost) {
    for (int i = 1; i <= 11; ++i) {
        Install("sample_plugin", (i < 10 ? "p0" : "p") + std::to_string(i) + ".so");
    }
    EXPECT_EQ(m_host->LoadPlugins(), engine::kMaxPlugins);
    EXPECT_EQ(TakeStatus().size(), 10u);
    // The eleventh is never opened.
    EXPECT_FALSE(IsLoaded(m_appDir + "p11.so"));
    EXPECT_TRUE(IsLoaded(m_appDir + "p10.so"));

    const auto menu = m_host->BuildPluginMenu();
    ASSERT_EQ(menu.size(), 10u);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(menu[k].firstId, 34875 + 3 * k);
        EXPECT_EQ(m_host->Slots()[k].path,
                  m_appDir + (k + 1 < 10 ? "p0" : "p") + std::to_string(k + 1) + ".so");
    }
    EXPECT_TRUE(m_host->OnPluginCommand(34875 + 3 * 9 + 2));
    EXPECT_EQ(TakeStatus(), (Texts{"about"}));
}

TEST_F(PluginHostTest, APluginThatCannotBeLoadedAgainIgnoresTheCommand) {
    Install("sample_plugin_unload", "a.so");
    m_host->LoadPlugins();
    m_host->BuildPluginMenu();
    m_host->OnPluginCommand(34875);
    ASSERT_EQ(m_host->Slots()[0].loaded, 0);
    TakeStatus();

    // Replaced by a library with a wrong version: it is released again, nothing runs.
    Install("sample_plugin_v99", "a.so");
    EXPECT_TRUE(m_host->OnPluginCommand(34875));
    EXPECT_TRUE(TakeStatus().empty());
    EXPECT_EQ(m_host->Slots()[0].loaded, 0);
    EXPECT_FALSE(IsLoaded(m_appDir + "a.so"));

    // Back in place: it loads again.
    Install("sample_plugin_unload", "a.so");
    EXPECT_TRUE(m_host->OnPluginCommand(34876));
    EXPECT_EQ(TakeStatus(), (Texts{"notify 0 " + m_appDir, "setup"}));
}

}  // namespace
