// Real installers and uninstallers run as a deployment tool runs them:
// built for one test, run with a time-out (a box that waits for a person
// would keep the process alive past it), read back through their "--log=".
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "pack_writer.h"
#include "support/installed_product.h"
#include "support/process.h"
#include "support/scratch.h"

std::string Narrow(const std::wstring& text);
// The stub with the entries as its package, in dir.
std::wstring EmbedInstaller(const ScratchFolder& dir, const std::vector<PackedEntry>& entries,
                            const wchar_t* name = L"deploy-setup.exe");
// An entry whose bytes are no LZMA stream; its checksum is right, so only
// unpacking it finds the fault.
PackedEntry BrokenEntry(const std::string& name);
// A product of one file, a.txt, installed into dir\dest\ with a shortcut.
std::string ProductScript(const std::string& name, const ScratchFolder& dir, bool removable);

// " --log=\"PATH\"" for a run's arguments.
std::wstring LogSwitch(const std::wstring& log);
bool Exists(const std::wstring& path);
// Runs the program with the arguments, waiting at most a minute.
ProcessResult RunInstaller(const std::wstring& exe, const std::wstring& arguments);
std::vector<std::string> ReadLogLines(const std::wstring& path);
// Lines of the log written by the process of that role holding the text.
int CountLines(const std::vector<std::string>& lines, const char* role, const std::string& text);
// The figures of a log's last summary of the decoding ahead of a solid
// package's files; false when it has none.
bool DecodingFigures(const std::wstring& log, uint64_t& decoded, uint64_t& taken, uint64_t& waited);

