// Registration of the product's Explorer preview-handler DLLs with the
// system's regsvr32, started directly beside the command processor that
// COMSPEC names or, when that is not possible, through the command
// processor. Every run is silent ("/s") and waited for; no failure is shown
// or reported.
#pragma once

#include <string>
#include <string_view>

namespace qz {

// Registers "ASCx64.dll" and "ASYx64.dll" of the installation directory
// directly; when that cannot be done or either run fails, falls back to
// RegisterPreviewHandlersByShell.
void RegisterPreviewHandlers();

// Registers the pair of the native processor (x64 on 64-bit Windows, else
// "ASCx86.dll" and "ASYx86.dll") through the command processor.
void RegisterPreviewHandlersByShell();

// Unregisters the DLL ("regsvr32 /s /u") and returns when that has ended;
// the installation calls it before it overwrites a DLL.
void UnregisterServerDll(std::u16string_view dllPath);

// The short form of the path as 8-bit text in the ANSI code page, for the
// command processor; empty when the path does not exist or has a character
// that the code page cannot hold.
std::string GetShortPathAnsi(std::u16string_view path);

}  // namespace qz
