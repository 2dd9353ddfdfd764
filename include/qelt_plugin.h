/*
 * The QELT plug-in interface.
 *
 * A plug-in is a shared library (*.so) placed in the program folder. It exports one
 * function, QELT_Plug, that returns a pointer to a PluginInfo block the plug-in owns
 * for as long as it is loaded. The program lists each accepted plug-in under its
 * "插件(&P)" menu with three commands: run, set up and about.
 *
 * Strings are UTF-8 (a name that is not valid UTF-8 is read as GB18030). All calls are
 * made on the program's user-interface thread; a plug-in's functions block the program
 * while they run.
 */
#ifndef QELT_PLUGIN_H
#define QELT_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The name of the exported function. */
#define QELT_PLUGIN_EXPORT_NAME "QELT_Plug"

/* A plug-in is accepted when its version lies in this range. */
#define QELT_PLUGIN_VERSION_MIN 100
#define QELT_PLUGIN_VERSION_MAX 199

/* The message a plug-in sends to the program through QeltHost.send, with its codes. */
#define QELT_MSG_PLUGIN 0x2804
/* wParam: lParam points to a zero-terminated text shown in the status bar. */
#define QELT_PLUGIN_STATUS_TEXT 1
/* wParam: lParam is the plug-in's hModule; asks the program to unload the plug-in. It
 * is honoured only when CanUnload returned nonzero at start-up. The library is released
 * once the plug-in's current call has returned, so the plug-in may go on running until
 * it returns. */
#define QELT_PLUGIN_UNLOAD 2

typedef struct QeltHost QeltHost;

/* The program as a plug-in sees it (the target of its messages). send may be called
 * from any thread: from the user-interface thread the message is handled before send
 * returns; from another thread the text is copied and the message handled soon after.
 * send returns 0. */
struct QeltHost {
    intptr_t (*send)(QeltHost* host, unsigned int msg, uintptr_t wParam, intptr_t lParam);
    void* context; /* the program's own; a plug-in leaves it alone */
};

/* The block a plug-in returns, read and written in place by the program. */
typedef struct PluginInfo {
    int version;        /* plug-in: interface version, 100..199 */
    int reserved;       /* neither read nor written by the program */
    QeltHost* hwndHost; /* program: the target of QELT_MSG_PLUGIN */
    void* hModule;      /* program: the library's handle, as given to QELT_PLUGIN_UNLOAD */
    const char* appDir; /* program: the program folder, ending with '/' */
    const char* name;   /* plug-in: the menu text */
    void (*Setup)(QeltHost* host); /* plug-in: "设置(&S)..." */
    void (*About)(QeltHost* host); /* plug-in: "关于(&A)..." */
    void (*Run)(void);             /* plug-in: "运行(&S)..." */
    void (*Notify)(int startup);   /* plug-in: called on acceptance, 1 at start-up and 0
                                      when loaded again after unloading itself */
    int (*CanUnload)(void);        /* plug-in: called once at start-up; nonzero allows
                                      QELT_PLUGIN_UNLOAD */
} PluginInfo;

/* The type of the exported function. */
typedef PluginInfo* (*QeltPlugFunction)(void);

#ifdef __cplusplus
}
#endif

#endif /* QELT_PLUGIN_H */
