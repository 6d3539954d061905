#pragma once
// The four entry points of the setup library TamberlockPro2006_MobileSetup,
// called by the installer in this order around copying and removing the
// program's files: Install_Init before the files are copied, Install_Exit
// after; Uninstall_Init before they are removed, Uninstall_Exit after.
// Nothing else is exported. Folders are UTF-8 paths; parent is the
// installer's window (a QWidget*), or null.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(TB_SETUP_BUILDING)
#define TB_SETUP_EXPORT __attribute__((visibility("default")))
#else
#define TB_SETUP_EXPORT
#endif

// What Install_Init answers.
#define TB_SETUP_CONTINUE 0
#define TB_SETUP_CANCEL 1

// The system version check and the confirmation. firstCall: 1 on the
// installer's first call; previouslyInstalled: 1 when the folder already
// holds the program. TB_SETUP_CONTINUE, or TB_SETUP_CANCEL to install nothing.
TB_SETUP_EXPORT int32_t Install_Init(void* parent, uint32_t firstCall, uint32_t previouslyInstalled,
                                     const char* installFolder);

// The language choice, the other languages' modules removed, the
// registry seeded and the samples given their names. The counts are the
// items the installer failed to place. Always TB_SETUP_CONTINUE.
TB_SETUP_EXPORT int32_t Install_Exit(void* parent, const char* installFolder, uint32_t failedFolders,
                                     uint32_t failedFiles, uint32_t failedRegistryKeys, uint32_t failedRegistryValues,
                                     uint32_t failedShortcuts);

// Closes a running program (and waits for it to go) and notes whether the
// settings are to be removed without asking. Always TB_SETUP_CONTINUE.
TB_SETUP_EXPORT int32_t Uninstall_Init(void* parent, const char* installFolder);

// Removes the settings (asking unless told to clean) and says the program
// is gone. Always TB_SETUP_CONTINUE.
TB_SETUP_EXPORT int32_t Uninstall_Exit(void* parent);

// The signatures, for a host that loads the library by name.
typedef int32_t (*TbInstallInitFn)(void*, uint32_t, uint32_t, const char*);
typedef int32_t (*TbInstallExitFn)(void*, const char*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t);
typedef int32_t (*TbUninstallInitFn)(void*, const char*);
typedef int32_t (*TbUninstallExitFn)(void*);

#ifdef __cplusplus
}
#endif
