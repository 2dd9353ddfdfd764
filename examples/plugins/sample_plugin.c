/*
 * A sample QELT plug-in. Each command reports itself in the program's status bar.
 * Built in several variants (see examples/CMakeLists.txt):
 *   SAMPLE_NAME           the menu text
 *   SAMPLE_VERSION        the interface version it claims (100 unless set)
 *   SAMPLE_CAN_UNLOAD     what CanUnload returns (0 unless set)
 *   SAMPLE_UNLOAD_ON_RUN  "运行" asks the program to unload the plug-in, then goes on
 *   SAMPLE_THREAD         "运行" reports from a thread of its own
 *   SAMPLE_NO_EXPORT      the block is exported under another name than QELT_Plug
 *   SAMPLE_LATE_NAME      the name is filled in only when Notify(1) is called
 */
#include <stdio.h>

#ifdef SAMPLE_THREAD
#include <pthread.h>
#endif

#include "qelt_plugin.h"

#ifndef SAMPLE_NAME
#define SAMPLE_NAME "示例插件"
#endif
#ifndef SAMPLE_VERSION
#define SAMPLE_VERSION 100
#endif
#ifndef SAMPLE_CAN_UNLOAD
#define SAMPLE_CAN_UNLOAD 0
#endif

static PluginInfo g_info;

static void Report(QeltHost* host, const char* text) {
    if (host != NULL && host->send != NULL) {
        host->send(host, QELT_MSG_PLUGIN, QELT_PLUGIN_STATUS_TEXT, (intptr_t)text);
    }
}

static void Setup(QeltHost* host) {
    Report(host, "setup");
}

static void About(QeltHost* host) {
    Report(host, "about");
}

#ifdef SAMPLE_THREAD
static void* ReportFromThread(void* unused) {
    char text[64];
    (void)unused;
    snprintf(text, sizeof text, "run from a thread");
    Report(g_info.hwndHost, text);
    return NULL;
}
#endif

static void Run(void) {
#ifdef SAMPLE_THREAD
    pthread_t thread;
    if (pthread_create(&thread, NULL, ReportFromThread, NULL) == 0) {
        pthread_join(thread, NULL);
    }
#else
    Report(g_info.hwndHost, "run");
#endif
#ifdef SAMPLE_UNLOAD_ON_RUN
    g_info.hwndHost->send(g_info.hwndHost, QELT_MSG_PLUGIN, QELT_PLUGIN_UNLOAD,
                          (intptr_t)g_info.hModule);
    /* Still inside the plug-in's code after asking to be unloaded. */
    Report(g_info.hwndHost, "run finished");
#endif
}

static void Notify(int startup) {
#ifdef SAMPLE_LATE_NAME
    if (startup) {
        g_info.name = SAMPLE_NAME;
    }
#endif
    char text[512];
    snprintf(text, sizeof text, "notify %d %s", startup, g_info.appDir);
    Report(g_info.hwndHost, text);
}

static int CanUnload(void) {
    return SAMPLE_CAN_UNLOAD;
}

#ifdef SAMPLE_NO_EXPORT
#define SAMPLE_EXPORT Plug_Block
#else
#define SAMPLE_EXPORT QELT_Plug
#endif

__attribute__((visibility("default"))) PluginInfo* SAMPLE_EXPORT(void) {
    g_info.version = SAMPLE_VERSION;
#ifdef SAMPLE_LATE_NAME
    g_info.name = NULL;
#else
    g_info.name = SAMPLE_NAME;
#endif
    g_info.Setup = Setup;
    g_info.About = About;
    g_info.Run = Run;
    g_info.Notify = Notify;
    g_info.CanUnload = CanUnload;
    return &g_info;
}
